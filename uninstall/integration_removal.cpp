#include "uninstall/integration_removal.h"

#include <windows.h>
#include <shlobj.h>

#include <initializer_list>

#include "common/product_names.h"
#include "integration/application_registration.h"
#include "integration/file_associations.h"
#include "integration/integration_options.h"
#include "integration/setup_records.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "settings/registry_store.h"
#include "uninstall/run_state.h"

void RemoveIntegration() {
  const IntegrationOptions nothing = {};
  // First, while the saved earlier owners under the user's product key still exist.
  SetAssociations(nothing);
  DeleteNewFileTemplates();
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
  SetShellExtensions(true, nothing);
  SetShortcuts(nothing, nullptr, 0, nullptr);
  for (const wchar_t* key : kProductClasses) DeleteKeyTree(HKEY_CLASSES_ROOT, key);
  DeleteKeyTree(HKEY_CLASSES_ROOT, kRecoveryExtension);
  DeleteKeyTree(HKEY_CURRENT_USER, kProductKey);
  // Records that a setup left in the registry before its installation got a settings file were
  // read from there (the store's keys are the file's): they go as well.
  if (RegistryRecordsUsed()) {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKeyFromRoot);
    DeleteKeyTree(HKEY_CURRENT_USER, kProductKeyFromRoot);
  }
}

bool RemoveProgramEntries() {
  return gRunState.Msi || DeleteApplicationEntries();
}
