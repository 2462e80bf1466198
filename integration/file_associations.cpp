#include "integration/file_associations.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>

#include "common/directory_scanner.h"
#include "common/file.h"
#include "common/file_operations.h"
#include "common/program_location.h"
#include "common/text_operations.h"
#include "integration/created_keys.h"
#include "settings/registry_store.h"

namespace {

// The templates of the Explorer New entries: an empty archive of the product's format and an
// empty ZIP archive. Their first byte is filled in at run time, so that the program image holds
// neither signature whole (a scanner looking for archives inside it finds none).
uint8_t qbxTemplate[24] = {0,    'b',  'x',  '!',  0x1A, 0x07, 0x01, 0x00, 0xC1, 0xDF, 0x5F, 0x56,
                           0x03, 0x01, 0x04, 0x00, 0x1D, 0x77, 0x56, 0x51, 0x03, 0x05, 0x04, 0x00};
uint8_t zipTemplate[22] = {0, 0x4B, 0x05, 0x06};

void SetupKeyOf(const wchar_t* extension, wchar_t* key) {
  FormatText(key, 80, L"Setup\\%s", extension);
}

void NewFileKeyOf(const wchar_t* extension, wchar_t* key) {
  FormatText(key, 2048, L"%s\\ShellNew", extension);
}

// Every value of the extension's new-file key, saved under "Setup\<extension>\ShellNewValues"
// as "0", "1", ... each "<type>:<data in hex>:<name>": taking the extension over deletes that
// key, and the text form keeps any value (binary "Data" too) in the registry and the settings
// file alike. Values of more than kLargestSavedValue bytes are not kept.
constexpr DWORD kLargestSavedValue = 16384;
constexpr size_t kSavedValueCapacity = 2 * kLargestSavedValue + 300;

void SavedValuesKeyOf(const wchar_t* extension, wchar_t* key) {
  FormatText(key, 100, L"Setup\\%s\\ShellNewValues", extension);
}

struct SavedValues {
  const wchar_t* Key;
  int Count;
};

void SaveNewFileValue(void* context, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
  auto& saved = *static_cast<SavedValues*>(context);
  if (size > kLargestSavedValue || wcslen(name) > 255) return;
  wchar_t text[kSavedValueCapacity];
  FormatText(text, kSavedValueCapacity, L"%lu:", type);
  const size_t prefix = wcslen(text);
  BytesToHex(data, size, text + prefix, kSavedValueCapacity - prefix);
  AppendText(text, L":", kSavedValueCapacity);
  AppendText(text, name, kSavedValueCapacity);
  wchar_t index[16];
  IntToText(saved.Count++, index, 16);
  WriteUserString(saved.Key, index, text);
}

void SaveNewFileValues(const wchar_t* extension, const wchar_t* newFileKey) {
  wchar_t key[100];
  SavedValuesKeyOf(extension, key);
  DeleteKeyTree(HKEY_CURRENT_USER, key);  // what an earlier takeover saved is outdated now
  SavedValues saved = {key, 0};
  VisitValues(HKEY_CLASSES_ROOT, newFileKey, SaveNewFileValue, &saved);
}

// Writes back what SaveNewFileValues kept, each value with its own type and data.
void RestoreNewFileValues(const wchar_t* extension, const wchar_t* newFileKey) {
  wchar_t key[100];
  SavedValuesKeyOf(extension, key);
  for (int i = 0;; ++i) {
    wchar_t index[16];
    IntToText(i, index, 16);
    wchar_t text[kSavedValueCapacity];
    ReadUserString(key, index, text, L"", kSavedValueCapacity);
    wchar_t* hex = wcschr(text, L':');
    wchar_t* name = hex != nullptr ? wcschr(hex + 1, L':') : nullptr;
    if (name == nullptr) return;
    *hex++ = 0;
    *name++ = 0;
    uint8_t data[kLargestSavedValue];
    const int64_t size = HexToBytes(hex, data, kLargestSavedValue);
    if (size < 0) continue;
    WriteTypedValue(HKEY_CLASSES_ROOT, newFileKey, name, static_cast<DWORD>(ParseInt(text)), data,
                    static_cast<DWORD>(size));
  }
}

void SaveEarlierOwner(const wchar_t* extension) {
  wchar_t newFileKey[2048];
  NewFileKeyOf(extension, newFileKey);
  wchar_t type[512];
  ReadString(HKEY_CLASSES_ROOT, extension, L"", type, L"", 512);
  wchar_t fileName[2048];
  ReadString(HKEY_CLASSES_ROOT, newFileKey, L"FileName", fileName, L"", 2048);
  wchar_t nullFile[10];
  const bool hadNullFile = ReadString(HKEY_CLASSES_ROOT, newFileKey, L"NullFile", nullFile, L"", 10);

  wchar_t setupKey[80];
  SetupKeyOf(extension, setupKey);
  WriteUserDword(setupKey, L"Exist", KeyExists(HKEY_CLASSES_ROOT, extension) ? 1 : 0);
  WriteUserString(setupKey, L"Type", type);
  WriteUserString(setupKey, L"ShellNew", fileName[0] != 0 ? fileName : hadNullFile ? L"*" : L"");
  SaveNewFileValues(extension, newFileKey);
}

void VolumeKeyOf(unsigned n, wchar_t* key) { FormatText(key, 16, L".q%02u", n); }

// Writes the template beside this program unless a file of its size is already there.
void ProvideTemplate(const wchar_t* path, const uint8_t* bytes, uint32_t length) {
  ScanEntry entry;
  if (ProbeFile(path, entry) && entry.Size == length) return;
  File file;
  if (!file.Create(path, 0)) return;
  file.Write(bytes, length);
  file.Close();
}

void ProvideNewFileEntry(const wchar_t* extension, bool ownFormat) {
  wchar_t newFileKey[2048];
  NewFileKeyOf(extension, newFileKey);
  NoteMissingKeys(HKEY_CLASSES_ROOT, newFileKey);
  DeleteKey(HKEY_CLASSES_ROOT, newFileKey);
  wchar_t path[2048];
  GetProgramFilePath(ownFormat ? L"qbxnew.dat" : L"zipnew.dat", path, 2048);
  if (ownFormat) {
    ProvideTemplate(path, qbxTemplate, sizeof qbxTemplate);
  } else {
    ProvideTemplate(path, zipTemplate, sizeof zipTemplate);
  }
  WriteString(HKEY_CLASSES_ROOT, newFileKey, L"FileName", path);
}

void Associate(const wchar_t* extension, bool newFile, bool ownFormat, bool zip) {
  if (!IsOwnAssociation(extension)) SaveEarlierOwner(extension);
  WriteString(HKEY_CLASSES_ROOT, extension, L"", zip ? L"Quobex.ZIP" : L"Quobex");
  if (ownFormat) {
    for (unsigned n = 0; n < 30; ++n) {
      wchar_t volume[16];
      VolumeKeyOf(n, volume);
      WriteString(HKEY_CLASSES_ROOT, volume, L"", L"Quobex");
    }
  }
  if (newFile && (zip || ownFormat)) ProvideNewFileEntry(extension, ownFormat);
}

void Release(const wchar_t* extension, bool ownFormat) {
  if (!IsOwnAssociation(extension)) return;
  wchar_t setupKey[80];
  SetupKeyOf(extension, setupKey);
  const bool existed = ReadUserDword(setupKey, L"Exist", 1) != 0;
  wchar_t type[512];
  ReadUserString(setupKey, L"Type", type, L"", 512);
  // Our own class saved as the earlier one would point the extension at a class that is about
  // to be deleted: give back no class instead.
  if (IsProductClass(type)) type[0] = 0;

  wchar_t newFileKey[2048];
  NewFileKeyOf(extension, newFileKey);
  if (existed) {
    WriteString(HKEY_CLASSES_ROOT, extension, L"", type);
    wchar_t shellNew[2048];
    ReadUserString(setupKey, L"ShellNew", shellNew, L"", 2048);
    DeleteValue(HKEY_CLASSES_ROOT, newFileKey, L"FileName");
    if (shellNew[0] == L'*') {
      WriteString(HKEY_CLASSES_ROOT, newFileKey, L"NullFile", L"");
    } else if (shellNew[0] != 0) {
      WriteString(HKEY_CLASSES_ROOT, newFileKey, L"FileName", shellNew);
    }
    RestoreNewFileValues(extension, newFileKey);
    DeleteCreatedKeys(HKEY_CLASSES_ROOT, newFileKey);  // the product's own, when there was none
  } else {
    DeleteKey(HKEY_CLASSES_ROOT, newFileKey);
    WriteString(HKEY_CLASSES_ROOT, extension, L"", L"");
    DeleteKey(HKEY_CLASSES_ROOT, extension);
  }
  if (!ownFormat) return;
  for (unsigned n = 0; n < 100; ++n) {
    wchar_t volume[16];
    VolumeKeyOf(n, volume);
    // Setup took only ".q00" to ".q29", and any of them may belong to another program by now.
    if (!IsOwnAssociation(volume)) continue;
    if (existed && type[0] != 0) {
      WriteString(HKEY_CLASSES_ROOT, volume, L"", type);
    } else {
      DeleteKey(HKEY_CLASSES_ROOT, volume);
    }
  }
}

}  // namespace

void SetAssociation(const wchar_t* extension, bool associate, bool newFile, bool ownFormat, bool zip) {
  // With the registry switched off by the portable settings file there is no owner to save and
  // nothing to give back: the settings file would otherwise fill with "Exist", "Type", ...
  if (!IntegrationEnabled()) return;
  qbxTemplate[0] = 'Q';
  zipTemplate[0] = 'P';
  if (associate) {
    Associate(extension, newFile, ownFormat, zip);
  } else {
    Release(extension, ownFormat);
  }
}

void DeleteNewFileTemplates() {
  for (const wchar_t* name : {L"qbxnew.dat", L"zipnew.dat"}) {
    wchar_t path[2048];
    GetProgramFilePath(name, path, 2048);
    RemoveFile(path);
  }
}

void SetAssociations(const IntegrationOptions& options) {
  for (int slot = 0; slot < kFamilyCount; ++slot) {
    wchar_t member[50];
    const wchar_t* next = ArchiveFamilies[slot];
    do {
      next = NextFamilyMember(next, member);
      SetAssociation(member, options.Slots[slot] != 0, options.Slots[kSlotShellExtension] != 0,
                     slot == kFamilyQbx, slot == kFamilyZip);
    } while (next != nullptr);
  }
}
