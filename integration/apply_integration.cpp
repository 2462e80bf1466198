#include "integration/apply_integration.h"

#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/program_location.h"
#include "common/run_log.h"
#include "integration/application_registration.h"
#include "integration/file_associations.h"
#include "integration/file_classes.h"
#include "integration/owner_checks.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "settings/registry_store.h"

namespace {

// The icon the user chose goes into links every account sees (the all-users desktop, Start menu
// and program group): only one of the product's own, inside the installation folder. A network
// path would have every account's Explorer hand its credentials to that host, and it is never
// even looked at here.
bool IsIconOfTheInstallation(const wchar_t* icon) {
  wchar_t folder[kPathCapacity];
  GetProgramFolder(folder, kPathCapacity);
  wchar_t full[kPathCapacity];
  // Only a full drive path: GetFullPathNameW takes out "..", so the inside test sees where it leads.
  const bool drivePath = IsDriveLetterPath(icon) && (icon[2] == L'\\' || icon[2] == L'/');
  const DWORD length =
      IsNetworkOrDevicePath(icon) || !drivePath ? 0 : GetFullPathNameW(icon, kPathCapacity, full, nullptr);
  if (length != 0 && length < kPathCapacity && IsBelowFolder(full, folder)) return true;
  LogLine(L"the links' icon %s is %s: the links get the program's own", icon,
          IsNetworkOrDevicePath(icon) ? L"a network or device path" : L"not in the installation folder");
  return false;
}

}  // namespace

bool ApplyIntegration(const IntegrationOptions& options, wchar_t* groupFolder, size_t capacity) {
  if (!RegisterAppPath()) return false;
  SetShellExtensions(false, options);
  SetAssociations(options);
  if (!RegisterFileClasses()) return false;

  wchar_t icon[kPathCapacity];
  ReadUserString(L"Interface\\Themes", L"ShellExtIcon", icon, L"", kPathCapacity);
  const bool haveIcon = icon[0] != 0 && IsIconOfTheInstallation(icon) && PathExists(icon);
  SetShortcuts(options, groupFolder, capacity, haveIcon ? icon : nullptr);
  return true;
}
