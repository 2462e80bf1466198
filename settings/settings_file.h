// The portable settings file "Quobex.ini": when one lies beside the program or in the per-user
// data folder, it stands in for the registry for the product's own settings (the routing rule is
// the registry store's). This holds the file's entries in memory, its three Global switches, and
// writes it back.
#pragma once

#include <cstdint>

enum class EntryKind : uint32_t {
  Plain = 0,   // written bare: numbers
  Quoted = 1,  // written between double quotes: texts
  Binary = 2,  // written after "bin:"; kept as read, never interpreted
};

struct SettingsEntry {
  wchar_t* name;   // as built by BuildEntryName, e.g. HKCU\Setup\Links\Desktop; owned
  wchar_t* value;  // without quotes or "bin:"; owned
  EntryKind kind;
  SettingsEntry* next;
};

// The one-time search and load; does nothing after the first call (until FreeSettingsFile).
void LoadSettingsFile();
// True once a file has been read: the product's settings then live in the list.
bool SettingsFileInUse();
// The file in use (empty until the search found one).
const wchar_t* SettingsFilePath();
// The first entry of exactly that name (case-sensitive), or null.
const SettingsEntry* FindEntry(const wchar_t* name);
// Replaces the value and kind of the first entry of that name, or appends a new one. False, with
// nothing stored, for a name holding "=" or a line break, or a value holding a line break: the
// file would read such an entry back as others (a text of another program's, saved as an earlier
// owner, could add entries of its own).
bool SetEntry(const wchar_t* name, const wchar_t* value, EntryKind kind);
// wholeKey: removes every entry whose name begins with name; else every entry named name.
void RemoveEntries(const wchar_t* name, bool wholeKey);
// True when an entry's name begins with prefix (case-sensitive).
bool AnyEntryStartsWith(const wchar_t* prefix);

// Writes the list back: UTF-16 LE with a byte order mark, entries sorted by name, CR LF line
// ends. The new content goes to a temporary file in the same folder that replaces the old file
// in one step, so a failure at any point leaves the file on disk as it was. False when nothing
// was written: no file in use, Global\SaveSettings=0, a load cut short by exhausted memory (its
// list lacks entries that are still on disk), or a failure. Memory running out on the way is
// recorded with the error handler and gives false.
bool SaveSettingsFile();
// Forgets the file and its entries; the next routed call searches again.
void FreeSettingsFile();

// The Global switches (all true while no file is in use); the first call runs the search.
bool IntegrationEnabled();
// Turns the Integration switch on for the rest of the run (the file keeps what it says).
void EnableIntegrationForThisRun();
bool AppDataSwitch();
bool SaveSettingsSwitch();
