// Every registry access of the program. Each operation takes a root and a key path:
//  - under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE a key is relative to "Software\Quobex" (the
//    empty key is the product key itself) unless it begins with "\", which makes it absolute;
//  - under any other root (HKEY_CLASSES_ROOT) the key is used as it is;
//  - the null root names the settings file's own Global switches and never reaches the registry.
// Each call is routed by one rule: to the portable settings file while one is in use (the
// product's relative keys and the Global switches), to nothing when that file switches
// integration off (reads give their defaults, writes succeed doing nothing), else to the registry.
#pragma once

#include <windows.h>

#include <cstddef>

#include "settings/settings_file.h"  // IntegrationEnabled, SaveSettingsFile

using SettingsRoot = HKEY;
constexpr SettingsRoot kNullRoot = nullptr;

// Registry sub-key path of root and key into out (512 characters are used by the operations).
void BuildKeyPath(SettingsRoot root, const wchar_t* key, wchar_t* out, size_t capacity);
// Settings-file entry name: "HKCU\" or "HKLM\" (nothing for the null root), the key as passed,
// then the value name after a "\" (so an empty value name gives the key's prefix ending in "\").
void BuildEntryName(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, wchar_t* out,
                    size_t capacity);
// Runs the one-time settings file search, then: true when this call goes to the settings file.
bool InSettingsFile(SettingsRoot root, const wchar_t* key);

bool KeyExists(SettingsRoot root, const wchar_t* key);
// ReadString from the registry itself, whatever a settings file says (its Integration switch
// included): for what a run must know of the machine even when the file keeps it away.
bool ReadRegistryString(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, wchar_t* out,
                        size_t capacity);
// The stored number, or defaultValue. A stored value shorter than 4 bytes fills only the low
// bytes of the default.
DWORD ReadDword(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, DWORD defaultValue);
// Fills out (capacity in characters, always terminated) with the stored text or defaultText.
// False only when the registry was asked and failed (no key, no value, a value that does not fit).
bool ReadString(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, wchar_t* out,
                const wchar_t* defaultText, size_t capacity);
// 0 on success or when nothing is to be written; else the Windows error code (5: no rights;
// ERROR_INVALID_DATA: a name or text the settings file cannot hold, see SetEntry).
LONG WriteDword(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, DWORD value);
LONG WriteString(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, const wchar_t* text);
void DeleteValue(SettingsRoot root, const wchar_t* key, const wchar_t* valueName);
// A value of any type, data of size bytes stored as it is (the settings file keeps the bytes as
// hexadecimal text). Same result as WriteString.
LONG WriteTypedValue(SettingsRoot root, const wchar_t* key, const wchar_t* valueName, DWORD type,
                     const void* data, DWORD size);
// Calls visit for every value of a registry key with its name, type and data (size in bytes).
// Only the registry has values to walk: a key that the settings file serves, or one that the
// settings file keeps away from the registry, has none. Returns the number of values visited.
using ValueVisitor = void (*)(void* context, const wchar_t* name, DWORD type, const BYTE* data,
                              DWORD size);
int VisitValues(SettingsRoot root, const wchar_t* key, ValueVisitor visit, void* context);
// Calls visit with the name of every sub-key of a registry key (names of up to 255 characters;
// the same rule as VisitValues for what the settings file serves). Returns the number visited.
using SubKeyVisitor = void (*)(void* context, const wchar_t* name);
int VisitSubKeys(SettingsRoot root, const wchar_t* key, SubKeyVisitor visit, void* context);
// Deletes the key only when it has no sub-keys; one that has is logged as kept (another
// program's keys below it make it no longer the product's alone), not as a failure.
void DeleteKey(SettingsRoot root, const wchar_t* key);
// Deletes the key only when it holds neither values nor sub-keys. True when it is gone (or was
// not there). Registry keys only: false for what the settings file serves or keeps away.
bool DeleteKeyIfEmpty(SettingsRoot root, const wchar_t* key);
// Deletes the key and everything below it; a key that stays is logged as a failure.
void DeleteKeyTree(SettingsRoot root, const wchar_t* key);
// How many registry changes of this run the system refused so far, each logged as failed: the
// uninstall run compares the count around its removals.
int RefusedRegistryChanges();

// The same under HKEY_CURRENT_USER.
DWORD ReadUserDword(const wchar_t* key, const wchar_t* valueName, DWORD defaultValue);
bool ReadUserString(const wchar_t* key, const wchar_t* valueName, wchar_t* out,
                    const wchar_t* defaultText, size_t capacity);
LONG WriteUserDword(const wchar_t* key, const wchar_t* valueName, DWORD value);
LONG WriteUserString(const wchar_t* key, const wchar_t* valueName, const wchar_t* text);
void DeleteUserValue(const wchar_t* key, const wchar_t* valueName);

// The registry view of every later operation: KEY_WOW64_32KEY around what belongs in the 32-bit
// view (written there, or deleted there again), 0 again afterwards. The settings file ignores it.
void SetRegistryView(REGSAM view);

// The registry view chosen for the operations made while it lives, the default one (0) again
// afterwards. Here rather than with the other owners (common/scoped_handles.h): the view is this
// store's, and common/ calls nothing of ours.
class ScopedRegistryView {
 public:
  explicit ScopedRegistryView(REGSAM view) { SetRegistryView(view); }
  ~ScopedRegistryView() { SetRegistryView(0); }
  ScopedRegistryView(const ScopedRegistryView&) = delete;
  ScopedRegistryView& operator=(const ScopedRegistryView&) = delete;
};
