#include "settings/settings_file.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cwchar>

#include "common/dynamic_array.h"
#include "common/error_handler.h"
#include "common/file_operations.h"
#include "common/folder_walk.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/settings_folders.h"
#include "common/static_order.h"
#include "common/text_file_reader.h"
#include "common/text_operations.h"

namespace {

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

SettingsEntry* listHead = nullptr;
SettingsEntry* listTail = nullptr;
wchar_t filePath[kPathCapacity] = {};
bool loadAttempted = false;
bool fileInUse = false;
bool loadIncomplete = false;
bool besideProgram = false;

bool appDataSwitch = true;
bool integrationSwitch = true;
bool saveSettingsSwitch = true;

wchar_t* CopyOf(const wchar_t* text) {
  const size_t length = wcslen(text) + 1;
  auto* copy = static_cast<wchar_t*>(malloc(length * sizeof(wchar_t)));
  if (copy == nullptr) gErrorHandler.ReportMemoryError();
  wmemcpy(copy, text, length);
  return copy;
}

void FreeEntry(SettingsEntry* entry) {
  free(entry->name);
  free(entry->value);
  free(entry);
}

void AppendEntry(const wchar_t* name, const wchar_t* value, EntryKind kind) {
  auto* entry = static_cast<SettingsEntry*>(malloc(sizeof(SettingsEntry)));
  if (entry == nullptr) gErrorHandler.ReportMemoryError();
  entry->name = nullptr;
  entry->value = nullptr;
  try {
    entry->name = CopyOf(name);
    entry->value = CopyOf(value);
  } catch (...) {
    FreeEntry(entry);
    throw;
  }
  entry->kind = kind;
  entry->next = nullptr;
  if (listTail != nullptr) {
    listTail->next = entry;
  } else {
    listHead = entry;
  }
  listTail = entry;
}

// name=value, "name="value"", name=bin:value; lines not starting with a letter or without "="
// are dropped.
void ParseLine(wchar_t* line) {
  if (!IsAlpha(line[0])) return;
  wchar_t* equals = wcschr(line, L'=');
  if (equals == nullptr) return;
  *equals = 0;
  wchar_t* value = equals + 1;
  EntryKind kind = EntryKind::Plain;
  if (value[0] == L'"') {
    kind = EntryKind::Quoted;
    ++value;
    const size_t length = wcslen(value);
    if (length > 0 && value[length - 1] == L'"') value[length - 1] = 0;
  } else if (wcsncmp(value, L"bin:", 4) == 0) {
    kind = EntryKind::Binary;
    value += 4;
  }
  AppendEntry(line, value, kind);
}

// Finds the file: beside the program, else in the per-user data folder when that exists.
void LocateSettingsFile() {
  HMODULE self = nullptr;
  filePath[0] = 0;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&LocateSettingsFile), &self) &&
      GetModuleFileNameW(self, filePath, kPathCapacity) != 0) {
    ReplaceName(filePath, kSettingsFileName, kPathCapacity);
  } else {
    CopyText(filePath, kSettingsFileName, kPathCapacity);
  }
  besideProgram = PathExists(filePath);
  if (besideProgram) return;
  wchar_t folder[kPathCapacity];
  if (GetUserDataFolder(folder, kPathCapacity, false)) JoinPath(folder, kSettingsFileName, filePath, kPathCapacity);
}

bool ReadSwitch(const wchar_t* name) {
  const SettingsEntry* entry = FindEntry(name);
  const uint32_t number = entry != nullptr ? static_cast<uint32_t>(ParseInt(entry->value)) : 1;
  SetEntry(name, number != 0 ? L"1" : L"0", EntryKind::Plain);
  return number != 0;
}

bool NameLess(const SettingsEntry* a, const SettingsEntry* b) {
  // wcscmp compares wchar_t, which is unsigned on Windows: code unit order.
  return wcscmp(a->name, b->name) < 0;
}

// The whole file content (byte order mark first) in one piece, so that a failed write can abandon
// the save.
void BuildContent(DynamicArray<wchar_t>& content) {
  DynamicArray<SettingsEntry*> sorted;
  for (SettingsEntry* entry = listHead; entry != nullptr; entry = entry->next) sorted.Push(entry);
  std::sort(sorted.Data(), sorted.Data() + sorted.Count(), NameLess);
  content.Push(0xFEFF);
  auto put = [&](const wchar_t* text) {
    for (; *text != 0; ++text) content.Push(*text);
  };
  for (uint64_t i = 0; i < sorted.Count(); ++i) {
    const SettingsEntry* entry = sorted[i];
    put(entry->name);
    put(L"=");
    if (entry->kind == EntryKind::Quoted) put(L"\"");
    if (entry->kind == EntryKind::Binary) put(L"bin:");
    put(entry->value);
    if (entry->kind == EntryKind::Quoted) put(L"\"");
    put(L"\r\n");
  }
}

bool WriteAll(HANDLE file, const DynamicArray<wchar_t>& content) {
  const auto* bytes = reinterpret_cast<const BYTE*>(content.Data());
  const uint64_t size = content.Count() * sizeof(wchar_t);
  for (uint64_t done = 0; done < size;) {
    const DWORD piece = size - done < (1u << 30) ? static_cast<DWORD>(size - done) : (1u << 30);
    DWORD written = 0;
    if (!WriteFile(file, bytes + done, piece, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return FlushFileBuffers(file) != 0;
}

// At normal process end the list is saved and freed: constructed after the language objects, so
// this runs before they are released.
struct SettingsFileExitAction {
  ~SettingsFileExitAction() {
    SaveSettingsFile();
    FreeSettingsFile();
  }
};
SettingsFileExitAction settingsFileExitAction QBX_INIT_ORDER(QBX_INIT_SETTINGS_FILE);

}  // namespace

void LoadSettingsFile() {
  if (fileInUse || loadAttempted) return;
  loadAttempted = true;
  LocateSettingsFile();
  if (filePath[0] == 0 || !PathExists(filePath)) {
    filePath[0] = 0;
    return;
  }
  try {
    StringList lines;
    bool decodedWhole = true;
    if (!ReadTextFile(filePath, lines, TextReadOptions{}, &decodedWhole)) {
      filePath[0] = 0;
      return;
    }
    // Entries that were not decoded would be lost by a save: such a file is used, never saved.
    loadIncomplete = !decodedWhole;
    const wchar_t* line = nullptr;
    while (lines.Next(&line)) ParseLine(const_cast<wchar_t*>(line));
  } catch (...) {
    // Exhausted memory: go on with the entries read so far, but never save them over the file.
    gErrorHandler.RecordMemoryError();
    loadIncomplete = true;
  }
  fileInUse = true;
  appDataSwitch = ReadSwitch(L"Global\\AppData");
  // The per-user file is the user's own to write, and the run is elevated: it may keep the user's
  // settings, never keep the run away from the machine's registry (what an uninstall leaves
  // there stays for every account). Its entry stays as the user wrote it.
  integrationSwitch = ReadSwitch(L"Global\\Integration");
  if (!integrationSwitch && !besideProgram) {
    LogLine(L"the per-user settings file switches integration off, which only the one beside the program may: "
            L"integration stays on");
    integrationSwitch = true;
  }
  saveSettingsSwitch = ReadSwitch(L"Global\\SaveSettings");
}

bool SettingsFileInUse() { return fileInUse; }
const wchar_t* SettingsFilePath() { return filePath; }

const SettingsEntry* FindEntry(const wchar_t* name) {
  for (const SettingsEntry* entry = listHead; entry != nullptr; entry = entry->next) {
    if (wcscmp(entry->name, name) == 0) return entry;
  }
  return nullptr;
}

bool SetEntry(const wchar_t* name, const wchar_t* value, EntryKind kind) {
  if (wcspbrk(name, L"=\r\n") != nullptr || wcspbrk(value, L"\r\n") != nullptr) return false;
  auto* entry = const_cast<SettingsEntry*>(FindEntry(name));
  if (entry == nullptr) {
    AppendEntry(name, value, kind);
    return true;
  }
  wchar_t* copy = CopyOf(value);
  free(entry->value);
  entry->value = copy;
  entry->kind = kind;
  return true;
}

void RemoveEntries(const wchar_t* name, bool wholeKey) {
  const size_t prefixLength = wcslen(name);
  SettingsEntry* previous = nullptr;
  for (SettingsEntry* entry = listHead; entry != nullptr;) {
    SettingsEntry* next = entry->next;
    const bool matches = wholeKey ? wcsncmp(entry->name, name, prefixLength) == 0
                                  : wcscmp(entry->name, name) == 0;
    if (matches) {
      if (previous != nullptr) {
        previous->next = next;
      } else {
        listHead = next;
      }
      if (listTail == entry) listTail = previous;
      FreeEntry(entry);
    } else {
      previous = entry;
    }
    entry = next;
  }
}

bool AnyEntryStartsWith(const wchar_t* prefix) {
  const size_t length = wcslen(prefix);
  for (const SettingsEntry* entry = listHead; entry != nullptr; entry = entry->next) {
    if (wcsncmp(entry->name, prefix, length) == 0) return true;
  }
  return false;
}

namespace {

// The new content goes to a file of a name of this process's own, created new (a link planted at a
// fixed name would be written through), which then takes the file's name. The per-user folder is
// the user's, and an elevated run saves there too: the folder is reached without following a link
// a user made, and both files are made and renamed through its handle, never by a name that may
// lead elsewhere by then; the file replaced is a plain file or nothing.
bool WriteSettingsFile() {
  if (!fileInUse || !saveSettingsSwitch || loadIncomplete) return false;
  wchar_t folderPath[kPathCapacity];
  wchar_t stopped[kPathCapacity];
  FolderPart(filePath, folderPath, kPathCapacity);
  ScopedHandle folder(OpenFolderByWalk(folderPath, stopped, kPathCapacity));
  if (!folder.Valid()) return false;
  const wchar_t* name = NamePart(filePath);
  {
    ScopedHandle existing(OpenPlainFileInFolder(folder.Get(), name, 0, kShareAll, EntryOpening::Existing));
    if (!existing.Valid() && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    // A read-only file is the user's "leave it as it is". Windows refuses to replace it anyway;
    // checking here keeps systems that would replace it (Wine as root) from doing so.
    FILE_BASIC_INFO basic = {};
    if (existing.Valid() && (!GetFileInformationByHandleEx(existing.Get(), FileBasicInfo, &basic, sizeof basic) ||
                             (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0)) {
      return false;
    }
  }
  wchar_t temporaryName[MAX_PATH + 1];
  wchar_t temporary[kPathCapacity];
  if (FormatText(temporaryName, MAX_PATH + 1, L"%s.%lu.new", name, GetCurrentProcessId()) < 0) return false;
  JoinPath(folderPath, temporaryName, temporary, kPathCapacity);
  ScopedHandle file(
      OpenPlainFileInFolder(folder.Get(), temporaryName, GENERIC_WRITE | DELETE, 0, EntryOpening::New));
  if (!file.Valid()) return false;
  DynamicArray<wchar_t> content;
  BuildContent(content);
  const bool written = WriteAll(file.Get(), content);
  const DWORD error = written ? 0 : GetLastError();
  const LONG status = written ? MoveEntryIntoFolder(file.Get(), folder.Get(), name, true) : -1;
  wchar_t object[2 * kPathCapacity + 4];
  FormatText(object, L"%s to %s", temporary, filePath);
  if (status >= 0) {
    ReportAction(L"move", object, Outcome::Done);
    return true;
  }
  // Not written, or not renamed (the file is held without delete sharing, say): the new file goes
  // with its handle, and the old one stays as it was.
  if (written) ReportAction(L"move", object, Outcome::Failed, RtlNtStatusToDosError(status));
  SetLastError(error);
  if (MarkForDeletion(file.Get())) ReportAction(L"delete file", temporary, Outcome::Done);
  return false;
}

}  // namespace

bool SaveSettingsFile() {
  // Its callers (the exit action, a dialog procedure under system callback frames) cannot let an
  // exhausted-memory error pass: it is recorded, and the file on disk stays as it was.
  try {
    return WriteSettingsFile();
  } catch (...) {
    gErrorHandler.RecordMemoryError();
    return false;
  }
}

void FreeSettingsFile() {
  loadAttempted = false;
  if (!fileInUse) return;
  while (listHead != nullptr) {
    SettingsEntry* next = listHead->next;
    FreeEntry(listHead);
    listHead = next;
  }
  listTail = nullptr;
  fileInUse = false;
  loadIncomplete = false;
  besideProgram = false;
  filePath[0] = 0;
  appDataSwitch = integrationSwitch = saveSettingsSwitch = true;
}

// Each switch is the file's once the search has run: asked first, it runs it.
bool IntegrationEnabled() {
  LoadSettingsFile();
  return integrationSwitch;
}

void EnableIntegrationForThisRun() {
  LoadSettingsFile();
  integrationSwitch = true;
}

bool AppDataSwitch() {
  LoadSettingsFile();
  return appDataSwitch;
}

bool SaveSettingsSwitch() {
  LoadSettingsFile();
  return saveSettingsSwitch;
}
