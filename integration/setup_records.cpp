#include "integration/setup_records.h"

#include <initializer_list>

#include "common/product_names.h"
#include "common/text_operations.h"
#include "settings/settings_file.h"  // SaveSettingsFile

namespace {

bool registryRecordsUsed = false;

}  // namespace

void OwnerRecordKey(const wchar_t* extension, wchar_t* key, size_t capacity) {
  FormatText(key, capacity, L"Setup\\%s", extension);
}

int RecordPlaces(SettingsRoot root, const wchar_t* key, RecordPlace (&places)[2]) {
  places[0].Root = places[1].Root = root;
  CopyText(places[0].Key, key, 128);
  if (!InSettingsFile(root, key)) return 1;
  FormatText(places[1].Key, 128, L"\\" QBX_PRODUCT_KEY L"\\%s", key);
  return 2;
}

bool FindOwnerRecord(const wchar_t* extension, RecordPlace& place, int skip) {
  wchar_t key[128];
  OwnerRecordKey(extension, key, 128);
  constexpr DWORD kAbsent = 0xFFFFFFFF;
  for (SettingsRoot root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    RecordPlace places[2];
    const int count = RecordPlaces(root, key, places);
    for (int i = 0; i < count; ++i) {
      if (ReadDword(places[i].Root, places[i].Key, L"Exist", kAbsent) == kAbsent || skip-- > 0) continue;
      place = places[i];
      registryRecordsUsed = registryRecordsUsed || i == 1;
      return true;
    }
  }
  return false;
}

bool RegistryRecordsUsed() { return registryRecordsUsed; }

void SaveRecordsNow() {
  if (SettingsFileInUse()) SaveSettingsFile();
}
