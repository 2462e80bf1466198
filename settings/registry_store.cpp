#include "settings/registry_store.h"

#include <cwchar>

#include "common/dynamic_array.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"
#include "settings/settings_file.h"

namespace {

REGSAM registryView = 0;
int refusedChanges = 0;

enum class Route { SettingsFile, Suppressed, Registry };

Route RouteOf(SettingsRoot root, const wchar_t* key) {
  if (InSettingsFile(root, key)) return Route::SettingsFile;
  return IntegrationEnabled() ? Route::Registry : Route::Suppressed;
}

// RouteOf for a change: the first one that the settings file keeps away is logged, once, so that
// an administrator can tell why a run changed nothing.
Route RouteOfChange(SettingsRoot root, const wchar_t* key) {
  const Route route = RouteOf(root, key);
  static bool logged = false;
  if (route == Route::Suppressed && !logged) {
    logged = true;
    LogLine(L"the settings file %s sets Global\\Integration=0: the registry is left as it is", SettingsFilePath());
  }
  return route;
}

// Opens in the registry view that SetRegistryView chose.
LONG OpenKey(SettingsRoot root, const wchar_t* key, REGSAM access, RegistryKey& opened) {
  wchar_t path[kShortTextCapacity];
  BuildKeyPath(root, key, path, kShortTextCapacity);
  return RegOpenKeyExW(root, path, 0, registryView | access, opened.Receive());
}

LONG OpenKeyForRead(SettingsRoot root, const wchar_t* key, RegistryKey& opened) {
  return OpenKey(root, key, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, opened);
}

// The key as the run log names it: "HKCR\.zip", with the value after a comma when one is given,
// and the 32-bit view when that is the one in use.
void DescribeKey(SettingsRoot root, const wchar_t* path, const wchar_t* valueName, wchar_t* out,
                 size_t capacity) {
  const wchar_t* rootName = root == HKEY_CLASSES_ROOT   ? L"HKCR"
                            : root == HKEY_CURRENT_USER ? L"HKCU"
                                                        : L"HKLM";
  FormatText(out, capacity, L"%s\\%s", rootName, path);
  if (valueName != nullptr) {
    AppendText(out, L", value ", capacity);
    AppendText(out, valueName[0] != 0 ? valueName : L"(default)", capacity);
  }
  if (registryView == KEY_WOW64_32KEY) AppendText(out, L" (32-bit view)", capacity);
}

// Reports a registry change by its status: done, nothing there to delete, or the error.
void ReportRegistry(const wchar_t* action, SettingsRoot root, const wchar_t* path,
                    const wchar_t* valueName, LONG status) {
  wchar_t object[700];
  DescribeKey(root, path, valueName, object, 700);
  const Outcome outcome = status == ERROR_SUCCESS          ? Outcome::Done
                          : status == ERROR_FILE_NOT_FOUND ? Outcome::AlreadyGone
                                                           : Outcome::Failed;
  if (outcome == Outcome::Failed) ++refusedChanges;
  ReportAction(action, object, outcome, static_cast<DWORD>(status));
}

bool HasSubKeys(SettingsRoot root, const wchar_t* path) {
  RegistryKey key;
  DWORD subKeys = 0;
  return RegOpenKeyExW(root, path, 0, registryView | KEY_QUERY_VALUE, key.Receive()) == ERROR_SUCCESS &&
         RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subKeys != 0;
}

LONG CreateKeyForWrite(SettingsRoot root, const wchar_t* key, RegistryKey& created) {
  wchar_t path[kShortTextCapacity];
  BuildKeyPath(root, key, path, kShortTextCapacity);
  DWORD disposition = 0;
  const LONG status = RegCreateKeyExW(root, path, 0, nullptr, 0, registryView | KEY_WRITE, nullptr,
                                      created.Receive(), &disposition);
  if (status != ERROR_SUCCESS || disposition == REG_CREATED_NEW_KEY) {
    ReportRegistry(L"create key", root, path, nullptr, status);
  }
  return status;
}

void EntryName(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, wchar_t* out) {
  BuildEntryName(root, key, valueName, out, kTextCapacity);
}

// One depth-first pass: deletes what it can below and at path, counting the keys deleted.
void DeleteTreePass(SettingsRoot root, const wchar_t* path, int& deleted) {
  if (path[0] == 0) return;
  {
    RegistryKey key;
    if (RegOpenKeyExW(root, path, 0, registryView | KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
    wchar_t name[200];
    for (DWORD index = 0;; ++index) {
      DWORD length = 200;
      if (RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      wchar_t child[kShortTextCapacity];
      // A child whose path does not fit is skipped: a truncated path would name another key.
      if (FormatText(child, L"%s\\%s", path, name) < 0) continue;
      DeleteTreePass(root, child, deleted);
    }
  }
  // A key that still holds others is tried again in the next pass: only what goes is reported.
  if (RegDeleteKeyExW(root, path, registryView, 0) == ERROR_SUCCESS) {
    ++deleted;
    ReportRegistry(L"delete key", root, path, nullptr, ERROR_SUCCESS);
  }
}

}  // namespace

void BuildKeyPath(SettingsRoot root, const wchar_t* key, wchar_t* out, size_t capacity) {
  if (root != HKEY_CURRENT_USER && root != HKEY_LOCAL_MACHINE) {
    CopyText(out, key, capacity);
  } else if (key[0] == L'\\') {
    CopyText(out, key + 1, capacity);
  } else {
    FormatText(out, capacity, QBX_PRODUCT_KEY L"%s%s", key[0] != 0 ? L"\\" : L"", key);
  }
}

void BuildEntryName(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, wchar_t* out,
                    size_t capacity) {
  const wchar_t* prefix = root == HKEY_CURRENT_USER    ? L"HKCU\\"
                          : root == HKEY_LOCAL_MACHINE ? L"HKLM\\"
                                                       : L"";
  CopyText(out, prefix, capacity);
  AppendText(out, key, capacity);
  JoinPath(out, valueName, out, capacity);
}

bool InSettingsFile(SettingsRoot root, const wchar_t* key) {
  LoadSettingsFile();
  return SettingsFileInUse() &&
         (root == kNullRoot || root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE) &&
         key[0] != L'\\';
}

bool KeyExists(SettingsRoot root, const wchar_t* key) {
  switch (RouteOf(root, key)) {
    case Route::SettingsFile: {
      wchar_t prefix[kTextCapacity];
      EntryName(root, key, L"", prefix);
      return AnyEntryStartsWith(prefix);
    }
    case Route::Suppressed: return false;
    case Route::Registry: break;
  }
  RegistryKey opened;
  return OpenKey(root, key, KEY_QUERY_VALUE, opened) == ERROR_SUCCESS;
}

DWORD ReadDword(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, DWORD defaultValue) {
  switch (RouteOf(root, key)) {
    case Route::SettingsFile: {
      wchar_t name[kTextCapacity];
      EntryName(root, key, valueName, name);
      const SettingsEntry* entry = FindEntry(name);
      return entry != nullptr ? static_cast<DWORD>(ParseInt(entry->value)) : defaultValue;
    }
    case Route::Suppressed: return defaultValue;
    case Route::Registry: break;
  }
  RegistryKey opened;
  if (OpenKeyForRead(root, key, opened) != ERROR_SUCCESS) return defaultValue;
  DWORD value = defaultValue;
  DWORD bytes = sizeof value;
  if (RegQueryValueExW(opened.Get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                       &bytes) != ERROR_SUCCESS ||
      bytes == 0) {
    return defaultValue;
  }
  return value;
}

bool ReadString(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, wchar_t* out,
                const wchar_t* defaultText, size_t capacity) {
  if (capacity == 0) return false;
  switch (RouteOf(root, key)) {
    case Route::SettingsFile: {
      wchar_t name[kTextCapacity];
      EntryName(root, key, valueName, name);
      const SettingsEntry* entry = FindEntry(name);
      CopyText(out, entry != nullptr ? entry->value : defaultText, capacity);
      return true;
    }
    case Route::Suppressed:
      CopyText(out, defaultText, capacity);
      return true;
    case Route::Registry: break;
  }
  if (ReadRegistryString(root, key, valueName, out, capacity)) return true;
  // A failed query may leave the buffer half written.
  CopyText(out, defaultText, capacity);
  return false;
}

bool ReadRegistryString(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, wchar_t* out,
                        size_t capacity) {
  if (capacity == 0) return false;
  out[0] = 0;
  RegistryKey opened;
  DWORD bytes = static_cast<DWORD>(capacity * sizeof(wchar_t));
  if (OpenKeyForRead(root, key, opened) != ERROR_SUCCESS ||
      RegQueryValueExW(opened.Get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(out),
                       &bytes) != ERROR_SUCCESS) {
    out[0] = 0;
    return false;
  }
  // A text stored without its terminator comes back without one.
  const size_t characters = bytes / sizeof(wchar_t);
  out[characters < capacity - 1 ? characters : capacity - 1] = 0;
  return true;
}

namespace {

// One write, routed: the settings file keeps fileText as an entry of the given kind, the registry
// the value's own type and bytes.
LONG WriteValue(SettingsRoot root, const wchar_t* key, const wchar_t* valueName,
                const wchar_t* fileText, EntryKind kind, DWORD type, const void* data, DWORD size) {
  switch (RouteOfChange(root, key)) {
    case Route::SettingsFile: {
      wchar_t name[kTextCapacity];
      EntryName(root, key, valueName, name);
      return SetEntry(name, fileText, kind) ? ERROR_SUCCESS : ERROR_INVALID_DATA;
    }
    case Route::Suppressed: return ERROR_SUCCESS;
    case Route::Registry: break;
  }
  RegistryKey created;
  LONG status = CreateKeyForWrite(root, key, created);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExW(created.Get(), valueName, 0, type, static_cast<const BYTE*>(data), size);
  wchar_t path[kShortTextCapacity];
  BuildKeyPath(root, key, path, kShortTextCapacity);
  ReportRegistry(L"write", root, path, valueName, status);
  return status;
}

}  // namespace

LONG WriteDword(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, DWORD value) {
  wchar_t text[16];
  IntToText(value, text, 16);
  return WriteValue(root, key, valueName, text, EntryKind::Plain, REG_DWORD, &value, sizeof value);
}

LONG WriteString(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, const wchar_t* text) {
  return WriteValue(root, key, valueName, text, EntryKind::Quoted, REG_SZ, text,
                    static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

LONG WriteTypedValue(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, DWORD type,
                     const void* data, DWORD size) {
  DynamicArray<wchar_t> hex;
  if (InSettingsFile(root, key)) {
    hex.Grow(2 * static_cast<uint64_t>(size) + 1);
    BytesToHex(static_cast<const uint8_t*>(data), size, hex.Data(), hex.Count());
  }
  return WriteValue(root, key, valueName, hex.Count() != 0 ? hex.Data() : L"", EntryKind::Binary,
                    type, data, size);
}

int VisitValues(SettingsRoot root, const wchar_t* key, ValueVisitor visit, void* context) {
  if (RouteOf(root, key) != Route::Registry) return 0;
  RegistryKey opened;
  DWORD longestName = 0;
  DWORD largestData = 0;
  if (OpenKeyForRead(root, key, opened) != ERROR_SUCCESS ||
      RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       &longestName, &largestData, nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  DynamicArray<wchar_t> name(static_cast<uint64_t>(longestName) + 1);
  DynamicArray<BYTE> data(static_cast<uint64_t>(largestData) + 1);
  int visited = 0;
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = longestName + 1;
    DWORD type = REG_NONE;
    DWORD size = largestData + 1;
    const LONG status = RegEnumValueW(opened.Get(), index, name.Data(), &nameLength, nullptr, &type,
                                      data.Data(), &size);
    if (status != ERROR_SUCCESS) break;
    visit(context, name.Data(), type, data.Data(), size);
    ++visited;
  }
  return visited;
}

void DeleteValue(SettingsRoot root, const wchar_t* key, const wchar_t* valueName) {
  switch (RouteOfChange(root, key)) {
    case Route::SettingsFile: {
      wchar_t name[kTextCapacity];
      EntryName(root, key, valueName, name);
      RemoveEntries(name, valueName[0] == 0);
      return;
    }
    case Route::Suppressed: return;
    case Route::Registry: break;
  }
  RegistryKey opened;
  LONG status = OpenKey(root, key, KEY_WRITE, opened);
  if (status == ERROR_SUCCESS) status = RegDeleteValueW(opened.Get(), valueName);
  wchar_t path[kShortTextCapacity];
  BuildKeyPath(root, key, path, kShortTextCapacity);
  ReportRegistry(L"delete", root, path, valueName, status);
}

void DeleteKey(SettingsRoot root, const wchar_t* key) {
  switch (RouteOfChange(root, key)) {
    case Route::SettingsFile: {
      wchar_t prefix[kTextCapacity];
      EntryName(root, key, L"", prefix);
      RemoveEntries(prefix, true);
      return;
    }
    case Route::Suppressed: return;
    case Route::Registry: break;
  }
  wchar_t path[kShortTextCapacity];
  BuildKeyPath(root, key, path, kShortTextCapacity);
  const LONG status = RegDeleteKeyExW(root, path, registryView, 0);
  // One level only: a key that another program has given sub-keys stays as its own, no failure.
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && HasSubKeys(root, path)) {
    wchar_t object[700];
    DescribeKey(root, path, nullptr, object, 700);
    ReportAction(L"delete key", object, Outcome::Kept);
    return;
  }
  ReportRegistry(L"delete key", root, path, nullptr, status);
}

bool DeleteKeyIfEmpty(SettingsRoot root, const wchar_t* key) {
  if (RouteOf(root, key) != Route::Registry) return false;
  RegistryKey opened;
  if (OpenKey(root, key, KEY_QUERY_VALUE, opened) != ERROR_SUCCESS) return true;
  DWORD subKeys = 1;
  DWORD values = 1;
  if (RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
      subKeys != 0 || values != 0) {
    return false;
  }
  wchar_t path[kShortTextCapacity];
  BuildKeyPath(root, key, path, kShortTextCapacity);
  const LONG status = RegDeleteKeyExW(root, path, registryView, 0);
  ReportRegistry(L"delete key", root, path, nullptr, status);
  return status == ERROR_SUCCESS;
}

void DeleteKeyTree(SettingsRoot root, const wchar_t* key) {
  switch (RouteOfChange(root, key)) {
    case Route::SettingsFile:
      DeleteKey(root, key);
      return;
    case Route::Suppressed: return;
    case Route::Registry: break;
  }
  wchar_t path[kShortTextCapacity];
  BuildKeyPath(root, key, path, kShortTextCapacity);
  // Deleting while enumerating by index skips siblings; passes repeat until one deletes nothing.
  int deleted = 0;
  do {
    deleted = 0;
    DeleteTreePass(root, path, deleted);
  } while (deleted != 0);
  // The passes report only what went: a key still there was refused, and is said so once.
  RegistryKey left;
  if (RegOpenKeyExW(root, path, 0, registryView | KEY_QUERY_VALUE, left.Receive()) == ERROR_SUCCESS) {
    ReportRegistry(L"delete key", root, path, nullptr, RegDeleteKeyExW(root, path, registryView, 0));
  }
}

int RefusedRegistryChanges() { return refusedChanges; }

DWORD ReadUserDword(const wchar_t* key, const wchar_t* valueName, DWORD defaultValue) {
  return ReadDword(HKEY_CURRENT_USER, key, valueName, defaultValue);
}

bool ReadUserString(const wchar_t* key, const wchar_t* valueName, wchar_t* out,
                    const wchar_t* defaultText, size_t capacity) {
  return ReadString(HKEY_CURRENT_USER, key, valueName, out, defaultText, capacity);
}

LONG WriteUserDword(const wchar_t* key, const wchar_t* valueName, DWORD value) {
  return WriteDword(HKEY_CURRENT_USER, key, valueName, value);
}

LONG WriteUserString(const wchar_t* key, const wchar_t* valueName, const wchar_t* text) {
  return WriteString(HKEY_CURRENT_USER, key, valueName, text);
}

void DeleteUserValue(const wchar_t* key, const wchar_t* valueName) {
  DeleteValue(HKEY_CURRENT_USER, key, valueName);
}

int VisitSubKeys(SettingsRoot root, const wchar_t* key, SubKeyVisitor visit, void* context) {
  if (RouteOf(root, key) != Route::Registry) return 0;
  RegistryKey opened;
  if (OpenKeyForRead(root, key, opened) != ERROR_SUCCESS) return 0;
  int visited = 0;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(opened.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    visit(context, name);
    ++visited;
  }
  return visited;
}

void SetRegistryView(REGSAM view) { registryView = view; }
