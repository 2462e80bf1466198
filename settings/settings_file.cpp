#include "settings/settings_file.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "common/dynamic_array.h"
#include "common/error_handler.h"
#include "common/file.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/run_log.h"
#include "common/settings_folders.h"
#include "common/static_order.h"
#include "common/text_file_reader.h"
#include "common/text_operations.h"

namespace {

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

// The whole file content in one piece, so that a failed write can abandon the save.
bool WriteEntries(File& file) {
  DynamicArray<SettingsEntry*> sorted;
  for (SettingsEntry* entry = listHead; entry != nullptr; entry = entry->next) sorted.Push(entry);
  std::sort(sorted.Data(), sorted.Data() + sorted.Count(), NameLess);

  bool written = file.Write("\xFF\xFE", 2);
  auto put = [&](const wchar_t* text) {
    written = file.Write(text, static_cast<uint32_t>(wcslen(text) * sizeof(wchar_t))) && written;
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
  return written;
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

bool WriteSettingsFile() {
  if (!fileInUse || !saveSettingsSwitch || loadIncomplete) return false;
  // A read-only file is the user's "leave it as it is". Windows refuses to replace it anyway;
  // checking here keeps systems that would replace it (Wine as root) from doing so.
  const DWORD attributes = QueryAttributes(filePath);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return false;
  }
  // The per-user folder is the user's, and an elevated run saves there too: never into a folder
  // reached through a link, never over anything but a plain file. The new file gets a name of
  // this process's own, created new: a link planted at a fixed name would be written through.
  wchar_t folder[kPathCapacity];
  CopyText(folder, filePath, kPathCapacity);
  RemoveName(folder);
  if (!IsFolderWhereItsNameLeads(folder) || !IsPlainFileOrNone(filePath)) return false;
  wchar_t temporary[kPathCapacity];
  if (FormatText(temporary, kPathCapacity, L"%s.%lu.new", filePath, GetCurrentProcessId()) < 0) return false;
  {
    File file;
    if (!file.Create(temporary, kCreateShareRead | kCreateNew)) return false;
    // Leaving this block without Close deletes the half-written temporary file.
    if (!WriteEntries(file) || !file.Close()) return false;
  }
  // Under a folder beyond the classic limit only the long forms of both names work.
  if (MovePath(temporary, filePath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  RemoveFile(temporary);
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
