#include "integration/created_keys.h"

#include <cwchar>

#include "common/text_operations.h"

namespace {

constexpr wchar_t kCreatedKeys[] = L"CreatedKeys";  // under the machine product key

// The value naming a key in the record: "HKCR\..." or "HKLM\...", always the absolute path.
void RecordName(SettingsRoot root, const wchar_t* key, wchar_t* out) {
  wchar_t path[512];
  BuildKeyPath(root, key, path, 512);
  FormatText(out, 600, L"%s\\%s", root == HKEY_CLASSES_ROOT ? L"HKCR" : L"HKLM", path);
}

// key's parent in place; false when key has none. For the machine root the key stays absolute.
bool CutToParent(SettingsRoot root, wchar_t* key) {
  wchar_t* separator = wcsrchr(key, L'\\');
  const wchar_t* first = root == HKEY_CLASSES_ROOT ? key : key + 1;
  if (separator == nullptr || separator <= first) return false;
  *separator = 0;
  return true;
}

// The walks work on the absolute form of a machine key, so that a parent never becomes relative
// to the product key.
void AbsoluteKey(SettingsRoot root, const wchar_t* key, wchar_t* out) {
  if (root == HKEY_CLASSES_ROOT || key[0] == L'\\') {
    CopyText(out, key, 512);
    return;
  }
  wchar_t path[512];
  BuildKeyPath(root, key, path, 512);
  FormatText(out, 512, L"\\%s", path);
}

}  // namespace

void NoteMissingKeys(SettingsRoot root, const wchar_t* key) {
  wchar_t current[512];
  AbsoluteKey(root, key, current);
  do {
    if (KeyExists(root, current)) return;
    wchar_t name[600];
    RecordName(root, current, name);
    WriteString(HKEY_LOCAL_MACHINE, kCreatedKeys, name, L"");
  } while (CutToParent(root, current));
}

void DeleteCreatedKeys(SettingsRoot root, const wchar_t* key) {
  wchar_t current[512];
  AbsoluteKey(root, key, current);
  do {
    wchar_t name[600];
    RecordName(root, current, name);
    wchar_t noted[4];
    if (!ReadString(HKEY_LOCAL_MACHINE, kCreatedKeys, name, noted, L"?", 4) || noted[0] != 0 ||
        !DeleteKeyIfEmpty(root, current)) {
      return;
    }
    DeleteValue(HKEY_LOCAL_MACHINE, kCreatedKeys, name);
  } while (CutToParent(root, current));
}
