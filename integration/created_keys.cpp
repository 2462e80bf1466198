#include "integration/created_keys.h"

#include <cwchar>

#include "common/text_operations.h"
#include "integration/setup_records.h"

namespace {

constexpr wchar_t kCreatedKeys[] = L"CreatedKeys";  // under the machine product key

// The value naming a key in the record: "HKCR\..." or "HKLM\...", always the absolute path.
void RecordName(SettingsRoot root, const wchar_t* key, wchar_t* out) {
  wchar_t path[kShortTextCapacity];
  BuildKeyPath(root, key, path, kShortTextCapacity);
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
    CopyText(out, key, kShortTextCapacity);
    return;
  }
  wchar_t path[kShortTextCapacity];
  BuildKeyPath(root, key, path, kShortTextCapacity);
  FormatText(out, kShortTextCapacity, L"\\%s", path);
}

}  // namespace

void NoteMissingKeys(SettingsRoot root, const wchar_t* key) {
  wchar_t current[kShortTextCapacity];
  AbsoluteKey(root, key, current);
  bool noted = false;
  do {
    if (KeyExists(root, current)) break;
    wchar_t name[600];
    RecordName(root, current, name);
    WriteString(HKEY_LOCAL_MACHINE, kCreatedKeys, name, L"");
    noted = true;
  } while (CutToParent(root, current));
  if (noted) SaveRecordsNow();
}

void DeleteCreatedKeys(SettingsRoot root, const wchar_t* key) {
  RecordPlace places[2];
  const int count = RecordPlaces(HKEY_LOCAL_MACHINE, kCreatedKeys, places);
  wchar_t current[kShortTextCapacity];
  AbsoluteKey(root, key, current);
  do {
    wchar_t name[600];
    RecordName(root, current, name);
    bool created = false;
    for (int i = 0; i < count && !created; ++i) {
      wchar_t noted[4];
      created = ReadString(places[i].Root, places[i].Key, name, noted, L"?", 4) && noted[0] == 0;
    }
    // A key that is gone already (a run stopped after deleting it) says nothing of its parents:
    // they are looked at all the same.
    const bool gone = !KeyExists(root, current);
    if (!gone && (!created || !DeleteKeyIfEmpty(root, current))) return;
    // The record goes after the key: a run stopped in between finds the key gone next time.
    if (created) {
      for (int i = 0; i < count; ++i) DeleteValue(places[i].Root, places[i].Key, name);
    }
  } while (CutToParent(root, current));
}
