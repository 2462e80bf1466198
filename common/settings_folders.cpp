#include "common/product_names.h"
#include "common/settings_folders.h"

#include <windows.h>
#include <shlobj.h>

#include "common/directory_scanner.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/program_location.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"

namespace {

// HKCU "Software\Quobex\Paths" "AppData", read with a byte limit of capacity (a longer value
// counts as absent). Read directly: it is the user's own redirection, never a portable setting.
bool ReadAppDataOverride(wchar_t* out, size_t capacity) {
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kPathsKeyPath, 0, KEY_QUERY_VALUE, key.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>(capacity);
  const LONG status = RegQueryValueExW(key.Get(), L"AppData", nullptr, &type, reinterpret_cast<BYTE*>(out),
                                       &bytes);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  // A value stored without its terminator comes back unterminated on Windows.
  const size_t characters = bytes / sizeof(wchar_t);
  if (characters >= capacity) return false;
  out[characters] = 0;
  return out[0] != 0 && PathExists(out);
}

}  // namespace

bool GetUserDataFolder(wchar_t* out, size_t capacity, bool create) {
  CopyText(out, L"", capacity);
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &items))) return false;
  wchar_t folder[MAX_PATH] = {};
  const bool found = SHGetPathFromIDListW(items, folder) != FALSE;
  ComPointer<IMalloc> shellAllocator;
  if (SUCCEEDED(SHGetMalloc(shellAllocator.Receive()))) shellAllocator->Free(items);
  if (!found) return false;
  if (folder[0] != 0) {
    CopyText(out, folder, capacity);
    AddTrailingSeparator(out, capacity);
    AppendText(out, kProductName, capacity);
  }
  if (PathExists(out)) return true;
  return create && CreateFolder(out, false, 0) == CreateFolderResult::Created;
}

void GetSettingsFolder(wchar_t* out, size_t capacity, bool create) {
  if (ReadAppDataOverride(out, capacity)) return;
  if (GetUserDataFolder(out, capacity, create)) return;
  GetProgramFolder(out, capacity);
}

bool GetCandidateFolder(int index, wchar_t* out, size_t capacity, bool create) {
  switch (index) {
    case 0: GetSettingsFolder(out, capacity, create); return true;
    case 1: GetProgramFolder(out, capacity); return true;
    default: return false;
  }
}

void FindSettingsFile(const wchar_t* name, wchar_t* out, size_t capacity, bool searchAll,
                      bool create) {
  CopyText(out, L"", capacity);
  wchar_t folder[kPathCapacity];
  for (int index = 0; GetCandidateFolder(index, folder, kPathCapacity, create); ++index) {
    JoinPath(folder, name, out, capacity);
    if (!searchAll || MatchExists(out)) return;
  }
}
