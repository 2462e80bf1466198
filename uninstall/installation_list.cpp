#include "uninstall/installation_list.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "common/file.h"
#include "common/file_operations.h"
#include "common/text_operations.h"

namespace {

constexpr size_t kLongestLine = 2047;  // bytes

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Names that Windows maps to a device in any folder, also with an extension or trailing blanks.
bool IsDeviceName(const wchar_t* component, size_t length) {
  size_t base = 0;
  while (base < length && component[base] != L'.') ++base;
  while (base > 0 && component[base - 1] == L' ') --base;
  wchar_t name[8] = {};
  if (base == 0 || base > 7) return false;
  for (size_t i = 0; i < base; ++i) name[i] = UpperChar(component[i]);
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (wcscmp(name, device) == 0) return true;
  }
  return base == 4 && (wcsncmp(name, L"COM", 3) == 0 || wcsncmp(name, L"LPT", 3) == 0) &&
         name[3] >= L'1' && name[3] <= L'9';
}

bool IsContainedComponent(const wchar_t* component, size_t length) {
  // "..", and "...", ". ." which the system shortens to it.
  bool onlyDotsAndBlanks = true;
  for (size_t i = 0; i < length; ++i) {
    if (component[i] != L'.' && component[i] != L' ') onlyDotsAndBlanks = false;
  }
  return !(length != 0 && onlyDotsAndBlanks) && !IsDeviceName(component, length);
}

}  // namespace

bool IsContainedEntry(const wchar_t* entry) {
  if (entry[0] == 0 || IsSeparator(entry[0])) return false;
  for (const wchar_t* p = entry; *p != 0; ++p) {
    if (*p < 32 || wcschr(L":*?\"<>|", *p) != nullptr) return false;
  }
  for (const wchar_t* component = entry;;) {
    size_t length = 0;
    while (component[length] != 0 && !IsSeparator(component[length])) ++length;
    if (!IsContainedComponent(component, length)) return false;
    if (component[length] == 0) return true;
    component += length + 1;
  }
}

bool InstallationList::Load(const wchar_t* listPath, const wchar_t* folder) {
  File file;
  if (!file.Open(listPath, 0)) return false;
  DynamicArray<char> bytes;
  for (;;) {
    constexpr uint32_t kPiece = 65536;
    const uint64_t before = bytes.Count();
    bytes.Grow(kPiece);
    const uint32_t read = file.Read(bytes.Data() + before, kPiece);
    if (read == kReadFailed) return false;
    bytes.Shrink(before + read);
    if (read == 0) break;
  }
  file.Close();

  const char* end = bytes.Data() + bytes.Count();
  for (const char* line = bytes.Data(); line < end;) {
    const char* next = static_cast<const char*>(memchr(line, '\n', static_cast<size_t>(end - line)));
    const char* lineEnd = next != nullptr ? next : end;
    const char* kept = lineEnd;
    while (kept > line && (kept[-1] == ' ' || kept[-1] == '\t' || kept[-1] == '\r')) --kept;
    const size_t length = static_cast<size_t>(kept - line);
    // A zero byte would end the text early and a cut line would name something else: both could
    // delete a file that the installer never listed.
    if (length != 0 && length <= kLongestLine && memchr(line, 0, length) == nullptr) {
      char text[kLongestLine + 1];
      memcpy(text, line, length);
      text[length] = 0;
      Add(text, folder);
    }
    line = lineEnd + 1;
  }
  return true;
}

void InstallationList::Add(const char* line, const wchar_t* folder) {
  wchar_t entry[kListedPathCapacity];
  if (!AnsiToWide(line, entry, kListedPathCapacity) || !IsContainedEntry(entry)) return;
  wchar_t path[kListedPathCapacity];
  const size_t folderLength = wcslen(folder);
  if (folderLength + wcslen(entry) >= kListedPathCapacity) return;
  CopyText(path, folder, kListedPathCapacity);
  AppendText(path, entry, kListedPathCapacity);

  // Every folder between the installation folder and the entry must be a real folder: through a
  // junction or symbolic link the entry would name a file of somebody else's.
  wchar_t* lastSeparator = nullptr;
  for (wchar_t* p = path + folderLength; *p != 0; ++p) {
    if (IsSeparator(*p) && p[1] != 0) lastSeparator = p;
  }
  if (lastSeparator != nullptr) {
    const wchar_t separator = *lastSeparator;
    *lastSeparator = 0;
    const bool known = wcscmp(path, checkedFolder_) == 0;
    for (wchar_t* p = path + folderLength; !known; ++p) {
      const wchar_t saved = *p;
      if (saved != 0 && !IsSeparator(saved)) continue;
      *p = 0;
      const DWORD attributes = QueryAttributes(path);
      *p = saved;
      if (attributes != INVALID_FILE_ATTRIBUTES && IsReparseAttr(attributes)) return;
      if (saved == 0) break;
    }
    CopyText(checkedFolder_, path, kListedPathCapacity);
    *lastSeparator = separator;
  }
  const uint64_t start = text_.Count();
  const size_t length = wcslen(path) + 1;
  text_.Grow(length);
  memcpy(text_.Data() + start, path, length * sizeof(wchar_t));
  starts_.Push(start);
}
