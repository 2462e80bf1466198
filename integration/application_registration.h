// The two machine-wide entries that make the installed product known to Windows: App Paths (the
// main executable started by name) and the entry in the list of installed programs.
#pragma once

#include <cstddef>

// App Paths "Quobex.exe" in both registry views, and "exe64" in the machine product key. False
// when the first write was refused for lack of rights (nothing else is written then).
[[nodiscard]] bool RegisterAppPath();

// "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quobex archiver": name, version, this
// program (quoted) as the uninstaller, icon, location, publisher; then the quiet uninstaller
// (" /S"), the size of the installation folder's files, the date of the setup run and the home
// page. A repeated setup run writes them all again. Essential writes only the name and the two
// uninstall commands: a setup writes them before anything else, so that a setup stopped half way
// can still be removed.
enum class UninstallEntryValues { Essential, All };
void WriteUninstallEntry(UninstallEntryValues which);

// The installation folder that the uninstall entry in the registry names ("InstallLocation"),
// into out (capacity characters): during a setup run that has not yet rewritten it, the folder
// of the setup before. False when there is none.
bool ReadRecordedInstallationFolder(wchar_t* out, size_t capacity);

// True when the uninstall entry in the registry (whatever a settings file says) starts program.
bool UninstallEntryStarts(const wchar_t* program);

// Deletes the uninstall entry, then App Paths "Quobex.exe" in both registry views (one level
// each: a key that someone gave sub-keys stays). False, and logged, when the uninstall entry is
// still there.
bool DeleteApplicationEntries();

// Appends " 5.80 <beta> 1 (<64-bit>)" (no leading blank when text is empty) in the current
// language, within capacity characters.
void AppendVersionText(wchar_t* text, size_t capacity);
