#include "common/path_names.h"

#include <windows.h>

#include <cwchar>

#include "common/text_operations.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool HasDrivePrefix(const wchar_t* path) { return path[0] != 0 && path[1] == L':'; }

constexpr wchar_t kLongPrefix[] = L"\\\\?\\";

}  // namespace

const wchar_t* NamePart(const wchar_t* path) {
  const wchar_t* name = path;
  for (const wchar_t* p = path; *p != 0; ++p) {
    if (IsSeparator(*p)) name = p + 1;
  }
  if (name == path && HasDrivePrefix(path)) name = path + 2;
  return name;
}

wchar_t* NamePart(wchar_t* path) {
  return const_cast<wchar_t*>(NamePart(static_cast<const wchar_t*>(path)));
}

const wchar_t* LastChar(const wchar_t* path) {
  const size_t length = wcslen(path);
  return length == 0 ? path : path + length - 1;
}

wchar_t* LastChar(wchar_t* path) {
  return const_cast<wchar_t*>(LastChar(static_cast<const wchar_t*>(path)));
}

void AddTrailingSeparator(wchar_t* path, size_t capacity) {
  const size_t length = wcslen(path);
  if (length != 0 && path[length - 1] != L'\\') AppendText(path, L"\\", capacity);
}

wchar_t* RemoveName(wchar_t* path) {
  wchar_t* name = NamePart(path);
  const size_t before = static_cast<size_t>(name - path);
  // Keep the separator when it is the root: "\f", "X:\f" (and "X:f", whose name follows the drive).
  const bool keepSeparator = before < 2 || (HasDrivePrefix(path) && before < 4);
  if (!keepSeparator && IsSeparator(name[-1])) --name;
  *name = 0;
  return name;
}

void ReplaceName(wchar_t* path, const wchar_t* name, size_t capacity) {
  wchar_t* namePart = NamePart(path);
  const size_t offset = static_cast<size_t>(namePart - path);
  if (offset < capacity) CopyText(namePart, name, capacity - offset);
}

void FolderPart(const wchar_t* path, wchar_t* out, size_t capacity) {
  const size_t folderLength = static_cast<size_t>(NamePart(path) - path);
  const size_t kept = folderLength < capacity ? folderLength + 1 : capacity;
  CopyText(out, path, kept);
}

void JoinPath(const wchar_t* folder, const wchar_t* name, wchar_t* out, size_t capacity) {
  wchar_t joined[kPathCapacity];
  CopyText(joined, folder, kPathCapacity);
  AddTrailingSeparator(joined, kPathCapacity);
  AppendText(joined, name, kPathCapacity);
  CopyText(out, joined, capacity);
}

bool IsPlainFileName(const wchar_t* name) {
  if (name[0] == 0 || wcsstr(name, L"..") != nullptr) return false;
  for (const wchar_t* p = name; *p != 0; ++p) {
    if (*p < 32 || wcschr(L"\\/:*?\"<>|", *p) != nullptr) return false;
  }
  return true;
}

bool IsDriveLetterPath(const wchar_t* path) {
  return IsAlpha(UpperChar(path[0])) && path[1] == L':';
}

bool IsFullPath(const wchar_t* path) {
  return (path[0] == L'\\' && path[1] == L'\\') ||
         (IsDriveLetterPath(path) && IsSeparator(path[2]));
}

namespace {

bool BuildLongPath(const wchar_t* path, wchar_t* out, size_t capacity) {
  const size_t length = wcslen(path);
  if (length == 0) return false;
  // A path that already has the prefix is its own long form; prefixing it again would name
  // something else ("\\?\\\?\C:\..."), so the caller keeps its first result.
  if (wcsncmp(path, kLongPrefix, 4) == 0) return false;

  if (IsDriveLetterPath(path) && IsSeparator(path[2])) {
    if (capacity <= length + 4) return false;
    CopyText(out, kLongPrefix, capacity);
    AppendText(out, path, capacity);
    return true;
  }
  if (IsFullPath(path)) {  // \\server\share\...
    if (capacity <= length + 6) return false;
    CopyText(out, L"\\\\?\\UNC", capacity);
    AppendText(out, path + 1, capacity);
    return true;
  }

  wchar_t current[kPathCapacity];
  const DWORD currentLength = GetCurrentDirectoryW(2047, current);
  if (currentLength == 0 || currentLength > 2047) return false;

  if (IsSeparator(path[0])) {  // rooted on the current drive
    if (capacity <= length + 6) return false;
    CopyText(out, kLongPrefix, capacity);
    wchar_t drive[3] = {current[0], current[1], 0};
    AppendText(out, drive, capacity);
    AppendText(out, path, capacity);
    return true;
  }

  AddTrailingSeparator(current, kPathCapacity);
  const wchar_t* relative = path;
  if (relative[0] == L'.' && IsSeparator(relative[1])) relative += 2;
  if (capacity <= length + wcslen(current) + 4) return false;
  CopyText(out, kLongPrefix, capacity);
  AppendText(out, current, capacity);
  AppendText(out, relative, capacity);
  return true;
}

}  // namespace

bool MakeLongPath(const wchar_t* path, wchar_t* out, size_t capacity) {
  if (!BuildLongPath(path, out, capacity)) return false;
  // The system takes a long-form path as it stands: "/" separates nothing there.
  for (wchar_t* p = out; *p != 0; ++p) {
    if (*p == L'/') *p = L'\\';
  }
  return true;
}
