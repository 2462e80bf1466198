#include "integration/file_associations.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>

#include "common/directory_scanner.h"
#include "common/file.h"
#include "common/file_operations.h"
#include "common/folder_handles.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/text_file_reader.h"
#include "common/text_operations.h"
#include "integration/created_keys.h"
#include "integration/owner_checks.h"
#include "integration/setup_records.h"
#include "settings/registry_store.h"

namespace {

// The templates of the Explorer New entries: an empty archive of the product's format and an
// empty ZIP archive. Their first byte is filled in at run time, so that the program image holds
// neither signature whole (a scanner looking for archives inside it finds none).
uint8_t qbxTemplate[24] = {0,    'b',  'x',  '!',  0x1A, 0x07, 0x01, 0x00, 0xC1, 0xDF, 0x5F, 0x56,
                           0x03, 0x01, 0x04, 0x00, 0x1D, 0x77, 0x56, 0x51, 0x03, 0x05, 0x04, 0x00};
uint8_t zipTemplate[22] = {0, 0x4B, 0x05, 0x06};

void NewFileKeyOf(const wchar_t* extension, wchar_t* key) {
  FormatText(key, kPathCapacity, L"%s\\ShellNew", extension);
}

// Every value of the extension's new-file key, saved under the record's "ShellNewValues" as
// "0", "1", ... each "<type>:<data in hex>:<name>": taking the extension over deletes that key,
// and the text form keeps any value (binary "Data" too) in the registry and the settings file
// alike. Values of more than kLargestSavedValue bytes are not kept.
constexpr DWORD kLargestSavedValue = 16384;
constexpr size_t kSavedValueCapacity = 2 * kLargestSavedValue + 300;

void SavedValuesKeyOf(const RecordPlace& record, wchar_t* key) {
  FormatText(key, 160, L"%s\\ShellNewValues", record.Key);
}

// A file name that is one of the product's own templates: an entry that names it is the
// product's (left by a setup whose class another program has taken since), never an owner's.
bool IsProductTemplate(const wchar_t* path) {
  const wchar_t* name = NamePart(path);
  return CompareNoCase(name, kOwnFormatTemplate) == 0 || CompareNoCase(name, kZipTemplate) == 0;
}

struct SavedValues {
  const wchar_t* Key;
  int Count;
};

void SaveNewFileValue(void* context, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
  auto& saved = *static_cast<SavedValues*>(context);
  if (size > kLargestSavedValue || wcslen(name) > 255) return;
  if (CompareNoCase(name, L"FileName") == 0 && (type == REG_SZ || type == REG_EXPAND_SZ)) {
    wchar_t text[kLargestSavedValue / sizeof(wchar_t) + 1] = {};
    memcpy(text, data, size);
    if (IsProductTemplate(text)) return;
  }
  wchar_t text[kSavedValueCapacity];
  FormatText(text, kSavedValueCapacity, L"%lu:", type);
  const size_t prefix = wcslen(text);
  BytesToHex(data, size, text + prefix, kSavedValueCapacity - prefix);
  AppendText(text, L":", kSavedValueCapacity);
  AppendText(text, name, kSavedValueCapacity);
  wchar_t index[16];
  IntToText(saved.Count++, index, 16);
  WriteString(HKEY_LOCAL_MACHINE, saved.Key, index, text);
}

void SaveNewFileValues(const RecordPlace& record, const wchar_t* newFileKey) {
  wchar_t key[160];
  SavedValuesKeyOf(record, key);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key);  // what an earlier takeover saved is outdated now
  SavedValues saved = {key, 0};
  VisitValues(HKEY_CLASSES_ROOT, newFileKey, SaveNewFileValue, &saved);
}

// Where the record was read: the machine's registry is written by administrators only. A
// settings file is not (the per-user one is the user's; the one beside the program is anyone's
// who may write the installation folder, outside Program Files), nor is a user's key, where
// versions before kept the records: what such a record names goes to every account only when it
// passes the checks of owner_checks.h.
bool IsMachineRecord(const RecordPlace& record) {
  return record.Root == HKEY_LOCAL_MACHINE && !InSettingsFile(record.Root, record.Key);
}

// A previous owner's record, read once: it is checked and given back from this copy, never read
// again, since a user's process could rewrite a record in the user's key between the two.
struct OwnerRecord {
  bool FromMachine = false;
  DWORD Exist = 1;  // a record without it says the key existed: nothing is deleted on its word
  wchar_t Type[kShortTextCapacity] = {};
  wchar_t ShellNew[kPathCapacity] = {};
  StringList SavedValues;  // as SaveNewFileValues wrote them, "<type>:<data in hex>:<name>"
};

void ReadOwnerRecord(const RecordPlace& place, OwnerRecord& record) {
  record.FromMachine = IsMachineRecord(place);
  record.Exist = ReadDword(place.Root, place.Key, L"Exist", 1);
  ReadString(place.Root, place.Key, L"Type", record.Type, L"", kShortTextCapacity);
  ReadString(place.Root, place.Key, L"ShellNew", record.ShellNew, L"", kPathCapacity);
  record.SavedValues.Clear();
  wchar_t key[160];
  SavedValuesKeyOf(place, key);
  for (int i = 0;; ++i) {
    wchar_t index[16];
    IntToText(i, index, 16);
    wchar_t text[kSavedValueCapacity];
    ReadString(place.Root, key, index, text, L"", kSavedValueCapacity);
    const wchar_t* hex = wcschr(text, L':');
    if (hex == nullptr || wcschr(hex + 1, L':') == nullptr) return;
    record.SavedValues.Add(text);
  }
}

// Calls visit(type, data, size, name) for each saved new-file value of the record, in order.
template <typename Visit>
void ForEachSavedValue(OwnerRecord& record, Visit visit) {
  record.SavedValues.Rewind();
  for (const wchar_t* saved = nullptr; record.SavedValues.Next(&saved);) {
    wchar_t text[kSavedValueCapacity];
    CopyText(text, saved, kSavedValueCapacity);
    wchar_t* hex = wcschr(text, L':');
    wchar_t* name = wcschr(hex + 1, L':');
    *hex++ = 0;
    *name++ = 0;
    uint8_t data[kLargestSavedValue];
    const int64_t size = HexToBytes(hex, data, kLargestSavedValue);
    if (size < 0) continue;
    visit(static_cast<DWORD>(ParseInt(text)), data, static_cast<DWORD>(size), name);
  }
}

// Writes back what SaveNewFileValues kept, each value with its own type and data.
void RestoreNewFileValues(OwnerRecord& record, const wchar_t* newFileKey) {
  ForEachSavedValue(record, [&](DWORD type, const uint8_t* data, DWORD size, const wchar_t* name) {
    WriteTypedValue(HKEY_CLASSES_ROOT, newFileKey, name, type, data, size);
  });
}

bool IsUsableRecord(OwnerRecord& record, wchar_t* reason, size_t capacity) {
  if (record.FromMachine) return true;
  // "The extension had no key" would have its key and new-file key deleted machine-wide,
  // Windows' own among them: only the machine's own record is taken at that word.
  if (record.Exist == 0) {
    CopyText(reason, L"it says the extension had no key, which only the machine's own record may say", capacity);
    return false;
  }
  if (record.Type[0] != 0 && !IsSoundOwnerClass(record.Type, reason, capacity)) return false;
  if (IsNetworkOrDevicePath(record.ShellNew)) {
    CopyText(reason, L"its new-file template names a network or device path", capacity);
    return false;
  }
  bool usable = true;
  ForEachSavedValue(record, [&](DWORD valueType, const uint8_t* data, DWORD size, const wchar_t* name) {
    usable = usable && IsSoundNewFileValue(valueType, name, data, size, reason, capacity);
  });
  return usable;
}

// The record's place as the run log names it.
void DescribeRecordPlace(const RecordPlace& record, wchar_t* out, size_t capacity) {
  if (InSettingsFile(record.Root, record.Key)) {
    FormatText(out, capacity, L"the settings file %s", SettingsFilePath());
  } else {
    CopyText(out, L"the user's key", capacity);
  }
}

// Records the extension's previous owner machine-wide, so that any account's uninstall run can
// give it back: whether its key existed, its class, and its new-file entry. "Exist" goes last: a
// record without it is one a stopped run did not finish. A whole record stays when the extension
// has no class now: a setup stopped after creating the extension's key, before writing the
// class, left it so (the key of an owner with no class is kept by the record too).
void SavePreviousOwner(const wchar_t* extension) {
  RecordPlace record = {HKEY_LOCAL_MACHINE, {}};
  OwnerRecordKey(extension, record.Key, 128);
  wchar_t type[kShortTextCapacity];
  ReadString(HKEY_CLASSES_ROOT, extension, L"", type, L"", kShortTextCapacity);
  constexpr DWORD kAbsent = 0xFFFFFFFF;
  const bool recorded = ReadDword(record.Root, record.Key, L"Exist", kAbsent) != kAbsent;
  if (type[0] == 0 && recorded) return;
  wchar_t newFileKey[kPathCapacity];
  NewFileKeyOf(extension, newFileKey);
  wchar_t fileName[kPathCapacity];
  ReadString(HKEY_CLASSES_ROOT, newFileKey, L"FileName", fileName, L"", kPathCapacity);
  if (IsProductTemplate(fileName)) fileName[0] = 0;
  wchar_t nullFile[10];
  const bool hadNullFile = ReadString(HKEY_CLASSES_ROOT, newFileKey, L"NullFile", nullFile, L"", 10);

  const bool existed = KeyExists(HKEY_CLASSES_ROOT, extension);
  if (recorded) DeleteValue(HKEY_LOCAL_MACHINE, record.Key, L"Exist");  // the record is made anew
  WriteString(HKEY_LOCAL_MACHINE, record.Key, L"Type", type);
  WriteString(HKEY_LOCAL_MACHINE, record.Key, L"ShellNew", fileName[0] != 0 ? fileName : hadNullFile ? L"*" : L"");
  SaveNewFileValues(record, newFileKey);
  WriteDword(HKEY_LOCAL_MACHINE, record.Key, L"Exist", existed ? 1 : 0);
}

// The product's template entry goes from an extension whose class another program has taken
// since setup: it would name a file that the uninstall deletes.
void RemoveProductTemplateEntry(const wchar_t* extension) {
  wchar_t newFileKey[kPathCapacity];
  NewFileKeyOf(extension, newFileKey);
  wchar_t fileName[kPathCapacity];
  ReadString(HKEY_CLASSES_ROOT, newFileKey, L"FileName", fileName, L"", kPathCapacity);
  if (!IsProductTemplate(fileName)) return;
  DeleteValue(HKEY_CLASSES_ROOT, newFileKey, L"FileName");
  DeleteCreatedKeys(HKEY_CLASSES_ROOT, newFileKey);
}

void VolumeKeyOf(unsigned n, wchar_t* key) { FormatText(key, 16, L".q%02u", n); }

// Writes the template beside this program unless a file of its size is already there. The
// folder may be one that others can write (an installation outside Program Files): the file is
// reached through the handle of the folder found to be where its name leads, never replacing or
// writing through a link or a file with another name.
void ProvideTemplate(const wchar_t* path, const uint8_t* bytes, uint32_t length) {
  wchar_t folderPath[kPathCapacity];
  CopyText(folderPath, path, kPathCapacity);
  RemoveName(folderPath);
  ScopedHandle folder(IsFolderWhereItsNameLeads(folderPath) ? OpenFolderItself(folderPath, 0) : INVALID_HANDLE_VALUE);
  HANDLE opened = nullptr;
  const LONG status = folder.Valid() ? OpenFolderEntry(folder.Get(), NamePart(path), GENERIC_READ | GENERIC_WRITE,
                                                       FILE_OPEN_IF, FILE_NON_DIRECTORY_FILE, opened)
                                     : static_cast<LONG>(0xC0000022);  // STATUS_ACCESS_DENIED
  ScopedHandle file(opened);
  if (status < 0 || !IsPlainFile(file.Get()) || IsLinkEntry(folder.Get(), NamePart(path))) {
    ReportAction(L"write", path, Outcome::Kept);
    return;
  }
  LARGE_INTEGER size = {};
  if (GetFileSizeEx(file.Get(), &size) && size.QuadPart == length) return;
  qbxTemplate[0] = 'Q';
  zipTemplate[0] = 'P';
  const bool written = WriteOpenedFile(file.Get(), bytes, length);
  ReportAction(L"write", path, written ? Outcome::Done : Outcome::Failed, written ? 0 : GetLastError());
}

void CollectValueName(void* context, const wchar_t* name, DWORD, const BYTE*, DWORD) {
  static_cast<StringList*>(context)->Add(name);
}

// The product's new-file entry takes the place of the one the previous owner had (recorded with
// it): that one's values go, the key stays. A run stopped on the way thus never leaves the key
// missing, which the next run would take for a key of the product's own.
void ProvideNewFileEntry(const wchar_t* extension, bool ownFormat) {
  wchar_t newFileKey[kPathCapacity];
  NewFileKeyOf(extension, newFileKey);
  NoteMissingKeys(HKEY_CLASSES_ROOT, newFileKey);
  StringList names;
  VisitValues(HKEY_CLASSES_ROOT, newFileKey, CollectValueName, &names);
  for (const wchar_t* name = nullptr; names.Next(&name);) {
    if (CompareNoCase(name, L"FileName") != 0) DeleteValue(HKEY_CLASSES_ROOT, newFileKey, name);
  }
  wchar_t path[kPathCapacity];
  GetProgramFilePath(ownFormat ? kOwnFormatTemplate : kZipTemplate, path, kPathCapacity);
  if (ownFormat) {
    ProvideTemplate(path, qbxTemplate, sizeof qbxTemplate);
  } else {
    ProvideTemplate(path, zipTemplate, sizeof zipTemplate);
  }
  WriteString(HKEY_CLASSES_ROOT, newFileKey, L"FileName", path);
}

// Takes the extension over; its previous owner is recorded first (RecordPreviousOwner).
void Associate(const wchar_t* extension, bool newFile, bool ownFormat, bool zip) {
  WriteString(HKEY_CLASSES_ROOT, extension, L"", zip ? kZipClass : kArchiveClass);
  if (ownFormat) {
    for (unsigned n = 0; n < 30; ++n) {
      wchar_t volume[16];
      VolumeKeyOf(n, volume);
      WriteString(HKEY_CLASSES_ROOT, volume, L"", kArchiveClass);
    }
  }
  if (newFile && (zip || ownFormat)) ProvideNewFileEntry(extension, ownFormat);
}

// Reads the extension's previous owner from the first place whose record may be used; false,
// with no class in record, when none may. A record that cannot be used gives way to the next
// place that has one (the machine's own, under a settings file someone wrote a record into), and
// the log says why. unconfirmedNoKey: such a record said the extension had no key.
bool ReadUsableRecord(const wchar_t* extension, OwnerRecord& record, bool& unconfirmedNoKey) {
  RecordPlace place = {};
  for (int skip = 0; FindOwnerRecord(extension, place, skip); ++skip) {
    ReadOwnerRecord(place, record);
    wchar_t reason[kShortTextCapacity];
    if (IsUsableRecord(record, reason, kShortTextCapacity)) return true;
    unconfirmedNoKey = unconfirmedNoKey || record.Exist == 0;
    wchar_t where[kPathCapacity];
    DescribeRecordPlace(place, where, kPathCapacity);
    LogLine(L"the previous owner of %s recorded in %s is not given back machine-wide: %s", extension, where, reason);
  }
  record.Type[0] = 0;
  return false;
}

// Undoes Associate: the extension gets back what its previous owner had. The class comes last:
// it is what says the extension is still the product's, so a run stopped before it is finished
// by the next one.
void RestorePreviousOwner(const wchar_t* extension, bool ownFormat) {
  wchar_t current[80];
  ReadString(HKEY_CLASSES_ROOT, extension, L"", current, L"", 80);
  OwnerRecord record;
  bool unconfirmedNoKey = false;
  const bool recorded = ReadUsableRecord(extension, record, unconfirmedNoKey);
  wchar_t* type = record.Type;
  const bool existed = !recorded || record.Exist != 0;
  // Without a record that may say so, a key goes only when nothing at all is left in it.
  const bool noKeyBefore = !existed || unconfirmedNoKey;
  if (!IsProductClass(current)) {
    if (current[0] != 0) ReportAction(L"give back", extension, Outcome::LeftToAnotherProgram);
    RemoveProductTemplateEntry(extension);
    // A setup stopped right after it created the key, before the class, left it empty.
    if (current[0] == 0 && noKeyBefore) DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, extension);
    return;
  }
  // Our own class saved as the earlier one would point the extension at a class that is about
  // to be deleted: give back no class instead.
  if (IsProductClass(type)) type[0] = 0;

  wchar_t newFileKey[kPathCapacity];
  NewFileKeyOf(extension, newFileKey);
  if (existed) {
    const wchar_t* shellNew = recorded ? record.ShellNew : L"";
    DeleteValue(HKEY_CLASSES_ROOT, newFileKey, L"FileName");
    if (shellNew[0] == L'*') {
      WriteString(HKEY_CLASSES_ROOT, newFileKey, L"NullFile", L"");
    } else if (shellNew[0] != 0) {
      WriteString(HKEY_CLASSES_ROOT, newFileKey, L"FileName", shellNew);
    }
    if (recorded) RestoreNewFileValues(record, newFileKey);
    DeleteCreatedKeys(HKEY_CLASSES_ROOT, newFileKey);  // the product's own, when there was none
  } else {
    DeleteKey(HKEY_CLASSES_ROOT, newFileKey);
  }
  if (ownFormat) {
    for (unsigned n = 0; n < 100; ++n) {
      wchar_t volume[16];
      VolumeKeyOf(n, volume);
      // Setup took only ".q00" to ".q29", and any of them may belong to another program by now; a
      // setup stopped right after it created one left it empty.
      if (!IsOwnAssociation(volume)) {
        if (n < 30 && noKeyBefore) DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, volume);
        continue;
      }
      if (existed && type[0] != 0) {
        WriteString(HKEY_CLASSES_ROOT, volume, L"", type);
      } else {
        DeleteKey(HKEY_CLASSES_ROOT, volume);
      }
    }
  }
  if (existed) {
    if (noKeyBefore) {
      DeleteValue(HKEY_CLASSES_ROOT, extension, L"");
      if (DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, extension)) return;
    }
    WriteString(HKEY_CLASSES_ROOT, extension, L"", type);
    return;
  }
  DeleteKey(HKEY_CLASSES_ROOT, extension);
  // Another program put keys below it: the key stays, without the product's class.
  if (KeyExists(HKEY_CLASSES_ROOT, extension)) WriteString(HKEY_CLASSES_ROOT, extension, L"", L"");
}

}  // namespace

void SetAssociation(const wchar_t* extension, bool associate, bool newFile, bool ownFormat, bool zip) {
  // With the registry switched off by the portable settings file there is no owner to save and
  // nothing to give back: the settings file would otherwise fill with "Exist", "Type", ...
  if (!IntegrationEnabled()) return;
  if (!associate) {
    RestorePreviousOwner(extension, ownFormat);
    return;
  }
  if (!IsOwnAssociation(extension)) {
    SavePreviousOwner(extension);
    SaveRecordsNow();
  }
  Associate(extension, newFile, ownFormat, zip);
}

void DeleteNewFileTemplates() {
  for (const wchar_t* name : {kOwnFormatTemplate, kZipTemplate}) {
    wchar_t path[kPathCapacity];
    GetProgramFilePath(name, path, kPathCapacity);
    RemoveFile(path);
  }
}

void SetAssociations(const IntegrationOptions& options) {
  if (!IntegrationEnabled()) return;
  // Every previous owner is recorded (and a settings file written) before the first class.
  bool recorded = false;
  ForEachMemberExtension([&](const wchar_t* member, int slot) {
    if (options.Slots[slot] != 0 && !IsOwnAssociation(member)) {
      SavePreviousOwner(member);
      recorded = true;
    }
  });
  if (recorded) SaveRecordsNow();
  const bool newFile = options.Slots[kSlotShellExtension] != 0;
  ForEachMemberExtension([&](const wchar_t* member, int slot) {
    if (options.Slots[slot] != 0) {
      Associate(member, newFile, slot == kFamilyQbx, slot == kFamilyZip);
    } else {
      RestorePreviousOwner(member, slot == kFamilyQbx);
    }
  });
}
