#include "integration/apply_integration.h"

#include "common/file_operations.h"
#include "common/path_names.h"
#include "integration/application_registration.h"
#include "integration/file_associations.h"
#include "integration/file_classes.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "settings/registry_store.h"

bool ApplyIntegration(const IntegrationOptions& options, wchar_t* groupFolder, size_t capacity) {
  if (!RegisterAppPath()) return false;
  SetShellExtensions(false, options);
  SetAssociations(options);
  if (!RegisterFileClasses()) return false;

  wchar_t icon[kPathCapacity];
  ReadUserString(L"Interface\\Themes", L"ShellExtIcon", icon, L"", kPathCapacity);
  const bool haveIcon = icon[0] != 0 && PathExists(icon);
  SetShortcuts(options, groupFolder, capacity, haveIcon ? icon : nullptr);
  return true;
}
