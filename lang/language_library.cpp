#include "lang/language_library.h"

#include <cwchar>

#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/scoped_handles.h"
#include "common/static_order.h"
#include "common/text_operations.h"
#include "lang/language_file.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kStringBufferCount = 8;
constexpr int kStringCapacity = kShortTextCapacity;

wchar_t stringBuffers[kStringBufferCount][kStringCapacity];
int lastStringBuffer = 0;

HMODULE ownModule = nullptr;
HMODULE currentResourceModule = nullptr;

// How the library is mapped: as an image of resources that no other process may write while it
// is mapped (Windows 6.0 and later: a change under the dialog templates being parsed would be
// read as it happens), as a pure data file (Windows NT from XP SP2 on, which loads one safely),
// or, before that, loaded as a library (0).
DWORD LibraryLoadFlags() {
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof version;  // 284 bytes: the extended form
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) return 0;
#pragma GCC diagnostic pop
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
  if (version.dwMajorVersion >= 6) return LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;
  return version.dwMajorVersion == 5 && version.wServicePackMajor >= 2 ? LOAD_LIBRARY_AS_DATAFILE : 0;
}

// Releases the library at process end: constructed before the language file and the settings
// file, so it goes last.
struct LanguageLibrary {
  ScopedLibrary Library;
};
LanguageLibrary languageLibrary QBX_INIT_ORDER(QBX_INIT_LANGUAGE_LIBRARY);

}  // namespace

HMODULE OwnModule() {
  if (ownModule == nullptr) ownModule = GetModuleHandleW(nullptr);
  return ownModule;
}

HMODULE DialogModule(const wchar_t* name) {
  HMODULE current = CurrentResourceModule();
  return FindResourceW(current, name, RT_DIALOG) != nullptr ? current : OwnModule();
}

INT_PTR ShowDialog(const wchar_t* name, HWND parent, DLGPROC procedure) {
  return DialogBoxParamW(DialogModule(name), name, parent, procedure, 0);
}

HMODULE CurrentResourceModule() {
  return currentResourceModule != nullptr ? currentResourceModule : OwnModule();
}

bool LanguageLibraryLoaded() { return languageLibrary.Library.Valid(); }

void FreeLanguageLibrary() {
  if (!languageLibrary.Library.Valid()) return;
  languageLibrary.Library.Reset();
  currentResourceModule = OwnModule();
}

void LoadLanguageLibrary(HMODULE module, const wchar_t* path) {
  FreeLanguageLibrary();
  wchar_t libraryPath[kPathCapacity] = {};
  if (path != nullptr) {
    CopyText(libraryPath, path, kPathCapacity);
  } else {
    const DWORD length = GetModuleFileNameW(nullptr, libraryPath, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) libraryPath[0] = 0;
  }
  // Without the program's own path there is no folder to take the library from: a bare
  // "qbxlng.dll" would be looked for along the search path.
  if (libraryPath[0] == 0) {
    ownModule = module;
    currentResourceModule = module;
    return;
  }
  ReplaceName(libraryPath, kLanguageLibraryName, kPathCapacity);
  LocalizedFilePath(libraryPath, libraryPath, kPathCapacity);
  const DWORD flags = LibraryLoadFlags();
  HMODULE library = flags != 0 ? LoadLibraryExW(libraryPath, nullptr, flags) : LoadLibraryW(libraryPath);
  languageLibrary.Library.Reset(library);
  ownModule = module;
  currentResourceModule = library != nullptr ? library : module;
}

void LoadLanguage(const wchar_t* fileName) {
  wchar_t path[kPathCapacity];
  LocalizedFilePath(fileName, path, kPathCapacity);
  gLanguageFile.Load(path);
  gLanguageFile.DecideDirection(CurrentResourceModule());
  if (gLanguageFile.IsRightToLeft()) SetProcessDefaultLayout(LAYOUT_RTL);
}

LONG LocalizedFilePath(const wchar_t* name, wchar_t* out, size_t capacity) {
  if (out != name) CopyText(out, name, capacity);
  RegistryKey key;
  const LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, kGeneralKeyPath, 0, KEY_QUERY_VALUE,
                                    key.Receive());
  if (status != ERROR_SUCCESS) return status;

  const size_t nameLength = wcslen(name);
  wchar_t folder[kPathCapacity] = {};
  DWORD bytes = nameLength < 2047 ? static_cast<DWORD>((2047 - nameLength) * sizeof(wchar_t)) : 0;
  if (RegQueryValueExW(key.Get(), L"LanguageFolder", nullptr, nullptr, reinterpret_cast<BYTE*>(folder),
                       &bytes) == ERROR_SUCCESS) {
    folder[bytes / sizeof(wchar_t) < 2047 ? bytes / sizeof(wchar_t) : 2047] = 0;
    wchar_t candidate[kPathCapacity];
    const DWORD expanded = ExpandEnvironmentStringsW(folder, candidate, kPathCapacity);
    if (expanded != 0 && expanded <= kPathCapacity) {
      AddTrailingSeparator(candidate, kPathCapacity);
      AppendText(candidate, NamePart(name), kPathCapacity);
      if (PathExists(candidate)) CopyText(out, candidate, capacity);
    }
  }
  return ERROR_SUCCESS;
}

namespace {

wchar_t* NextStringBuffer() {
  lastStringBuffer = (lastStringBuffer + 1) % kStringBufferCount;
  wchar_t* buffer = stringBuffers[lastStringBuffer];
  buffer[0] = 0;
  return buffer;
}

}  // namespace

const wchar_t* GetOwnString(UINT id) {
  wchar_t* buffer = NextStringBuffer();
  LoadStringW(OwnModule(), id, buffer, kStringCapacity);
  return buffer;
}

const wchar_t* GetHomePageAddress() {
  const wchar_t* address = GetString(IDS_HOMEURL);
  return IsWebAddress(address) ? address : GetOwnString(IDS_HOMEURL);
}

const wchar_t* GetString(UINT id) {
  wchar_t* buffer = NextStringBuffer();
  // A language file translates the English texts; the library's own strings are then not used.
  if (gLanguageFile.IsLoaded()) {
    LoadStringW(OwnModule(), id, buffer, kStringCapacity);
  } else if (LoadStringW(CurrentResourceModule(), id, buffer, kStringCapacity) == 0) {
    LoadStringW(OwnModule(), id, buffer, kStringCapacity);
  }
  Translate(buffer, buffer, kStringCapacity, KIND_STRING, nullptr);
  return buffer;
}
