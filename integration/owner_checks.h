// Checks of a previous owner's record that a user could have written (a settings file, a user's
// key) before what it names is written into the machine's classes, which every account uses.
// Each check is true when the record may go there; else it fills reason (capacity characters,
// always terminated) with why not, in the run log's words.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// A class to name as an extension's class machine-wide: a plain name (letters, digits, ".", "_",
// "-") of a class that exists under HKLM\Software\Classes (read there, never through
// HKEY_CLASSES_ROOT, which merges the user's own classes over the machine's), that is none of
// Windows' program or script classes (a fixed list, the machine classes of their extensions, and
// what AssocIsDangerous says where the system has it), and none of whose verbs runs the opened
// file itself as the program ("%1" or %L first on the command line) unless a DelegateExecute
// handler carries it out. A class's CurVer is checked the same way.
bool IsSoundOwnerClass(const wchar_t* type, wchar_t* reason, size_t capacity);

// A saved value of an extension's new-file key: only a value that names data (FileName, ItemName,
// IconPath, MenuText as text; NullFile; Data as bytes), and no text naming a network or device
// path. data holds size bytes as the registry stores them.
bool IsSoundNewFileValue(DWORD type, const wchar_t* name, const uint8_t* data, DWORD size, wchar_t* reason,
                         size_t capacity);

// True when path (or the file an indirect "@<file>,-<id>" text names) is a network path
// ("\\host\share", "//host"), a device or object path ("\\.\", "\\?\", "\??\") or a device name
// such as "NUL" or "COM1": what the system opens there reaches another machine or no file at all.
bool IsNetworkOrDevicePath(const wchar_t* path);
