// The language library "qbxlng.dll" (translated dialogs, strings and icons), where the program's
// resources come from, the user's language folder, and message texts by string id.
#pragma once

#include <windows.h>

#include <cstddef>

// Loads "qbxlng.dll" from the folder of path (or of the program when path is null), preferring a
// copy in the user's language folder. On systems that can, it is loaded as a data file, so that
// none of its code runs. Releases any library loaded before.
void LoadLanguageLibrary(HMODULE ownModule, const wchar_t* path);
// Start-up, once the library is loaded: the language file fileName from the user's language
// folder or beside the program into gLanguageFile, its direction decided, and every later window
// mirrored when it is right to left.
void LoadLanguage(const wchar_t* fileName);
// Releases the library; every resource comes from the program again.
void FreeLanguageLibrary();
bool LanguageLibraryLoaded();

// The module dialog templates, icons and strings are taken from first: a loaded language library,
// otherwise the program itself.
HMODULE CurrentResourceModule();
// The program's own module, the fallback for every resource.
HMODULE OwnModule();
// The module to create the dialog template name from: the current resource module when it has
// that template, else the program itself (a language library without it would make the dialog
// silently not open).
HMODULE DialogModule(const wchar_t* name);
// Runs the modal dialog of template name, taken from DialogModule(name); DialogBoxParamW's result.
INT_PTR ShowDialog(const wchar_t* name, HWND parent, DLGPROC procedure);

// out = the copy of name's file in the user's language folder (HKCU "Software\Quobex\General"
// value "LanguageFolder", environment references expanded) when one exists there, else name.
// out may be name. Returns the status of opening the key, else of closing it.
LONG LocalizedFilePath(const wchar_t* name, wchar_t* out, size_t capacity);

// The program's own (English) text of string resource id, untranslated, in the same buffers as
// GetString: for where a translated text cannot be trusted (a file name, an address to open).
const wchar_t* GetOwnString(UINT id);

// The product's home page: the translated address when it is a web address, else the program's
// own. The shell opens whatever it is given, and a translated "address" could start any program.
const wchar_t* GetHomePageAddress();

// The localized text of string resource id, in one of 8 rotating static buffers of 512
// characters: valid until 8 further calls, so several may be used within one formatted message.
// With a language file, the program's English text translated by it; else the library's text,
// or the program's when the library lacks it. A missing string gives "".
const wchar_t* GetString(UINT id);
