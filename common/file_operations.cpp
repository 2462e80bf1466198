#include "common/file_operations.h"

#include <winternl.h>

#include <cwchar>

#include "common/path_names.h"
#include "common/run_log.h"
#include "common/text_operations.h"

namespace {

bool IsNotFound(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A deletion's line in the run log: done, nothing there, or the error.
bool ReportDeletion(const wchar_t* action, const wchar_t* path, bool deleted) {
  const DWORD error = deleted ? 0 : GetLastError();
  ReportAction(action, path, deleted ? Outcome::Done : IsNotFound(error) ? Outcome::AlreadyGone : Outcome::Failed,
               error);
  return deleted;
}

}  // namespace

DWORD QueryAttributes(const wchar_t* path) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  TryWithLongPath(path, [&](const wchar_t* p) {
    attributes = GetFileAttributesW(p);
    return attributes != INVALID_FILE_ATTRIBUTES;
  });
  return attributes;
}

bool PathExists(const wchar_t* path) { return QueryAttributes(path) != INVALID_FILE_ATTRIBUTES; }

bool ApplyAttributes(const wchar_t* path, DWORD attributes) {
  return TryWithLongPath(path, [&](const wchar_t* p) { return SetFileAttributesW(p, attributes) != 0; });
}

bool RemoveFile(const wchar_t* path) {
  return ReportDeletion(L"delete file", path,
                        TryWithLongPath(path, [](const wchar_t* p) { return DeleteFileW(p) != 0; }));
}

bool RemoveFolder(const wchar_t* path) {
  return ReportDeletion(L"delete folder", path,
                        TryWithLongPath(path, [](const wchar_t* p) { return RemoveDirectoryW(p) != 0; }));
}

bool MovePath(const wchar_t* from, const wchar_t* to, DWORD flags) {
  bool moved = MoveFileExW(from, to, flags) != 0;
  if (!moved) {
    wchar_t longFrom[kPathCapacity];
    wchar_t longTo[kPathCapacity];
    moved = MakeLongPath(from, longFrom, kPathCapacity) && MakeLongPath(to, longTo, kPathCapacity) &&
            MoveFileExW(longFrom, longTo, flags);
  }
  wchar_t object[4200];
  FormatText(object, L"%s to %s", from, to);
  ReportAction(L"move", object, moved ? Outcome::Done : Outcome::Failed, moved ? 0 : GetLastError());
  return moved;
}

HANDLE OpenForAttributes(const wchar_t* path) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  TryWithLongPath(path, [&](const wchar_t* p) {
    handle = CreateFileW(p, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                         nullptr);
    // A file in use is not found under its long name either: that error is the one to keep.
    return handle != INVALID_HANDLE_VALUE || GetLastError() == ERROR_SHARING_VIOLATION;
  });
  return handle;
}

bool QueryFinalPath(HANDLE handle, wchar_t* out, size_t capacity) {
  const DWORD length = GetFinalPathNameByHandleW(handle, out, static_cast<DWORD>(capacity),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length != 0 && length < capacity) return true;
  // Wine answers only paths shorter than MAX_PATH there; its object name is the same path in
  // the "\\??\\" form, whatever its length.
  alignas(OBJECT_NAME_INFORMATION) BYTE buffer[sizeof(OBJECT_NAME_INFORMATION) + 8192];
  ULONG size = 0;
  if (!NT_SUCCESS(NtQueryObject(handle, ObjectNameInformation, buffer, sizeof buffer, &size))) return false;
  const UNICODE_STRING& name = reinterpret_cast<OBJECT_NAME_INFORMATION*>(buffer)->Name;
  const size_t characters = name.Length / sizeof(wchar_t);
  if (characters < 4 || characters >= capacity || wcsncmp(name.Buffer, L"\\??\\", 4) != 0) return false;
  wmemcpy(out, name.Buffer, characters);
  out[characters] = 0;
  out[1] = L'\\';  // "\\\\?\\", as GetFinalPathNameByHandleW writes it
  return true;
}

bool IsBelowFolder(const wchar_t* path, const wchar_t* folder) {
  const size_t length = wcslen(folder);
  // A drive's root ends with its separator already.
  const size_t separator = length > 0 && folder[length - 1] == L'\\' ? length - 1 : length;
  return wcslen(path) > separator + 1 && path[separator] == L'\\' &&
         CompareStringOrdinal(path, static_cast<int>(separator), folder, static_cast<int>(separator),
                              TRUE) == CSTR_EQUAL;
}

LONG OpenEntryOfFolder(HANDLE folder, const wchar_t* name, ULONG options, HANDLE& opened) {
  UNICODE_STRING text;
  text.Buffer = const_cast<PWSTR>(name);
  text.Length = text.MaximumLength = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK status = {};
  opened = nullptr;
  return NtOpenFile(&opened, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE, &attributes,
                    &status, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    options | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT);
}

LONG MoveEntryIntoFolder(HANDLE entry, HANDLE folder, const wchar_t* name, bool replace) {
  // FILE_RENAME_INFORMATION: the name follows the fixed part.
  struct RenameInformation {
    BOOLEAN ReplaceIfExists;
    HANDLE RootDirectory;
    ULONG FileNameLength;
    WCHAR FileName[MAX_PATH];
  } information = {static_cast<BOOLEAN>(replace ? TRUE : FALSE), folder, 0, {}};
  const size_t length = wcslen(name);
  if (length >= MAX_PATH) return static_cast<LONG>(0xC0000033);  // STATUS_OBJECT_NAME_INVALID
  wmemcpy(information.FileName, name, length);
  information.FileNameLength = static_cast<ULONG>(length * sizeof(wchar_t));
  IO_STATUS_BLOCK status = {};
  constexpr auto kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
  return NtSetInformationFile(entry, &status, &information, sizeof information, kFileRenameInformation);
}

HANDLE OpenFolderItself(const wchar_t* path, DWORD access) {
  HANDLE folder = INVALID_HANDLE_VALUE;
  TryWithLongPath(path, [&](const wchar_t* p) {
    folder = CreateFileW(p, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE | access,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return folder != INVALID_HANDLE_VALUE;
  });
  BY_HANDLE_FILE_INFORMATION information = {};
  if (folder != INVALID_HANDLE_VALUE &&
      (!GetFileInformationByHandle(folder, &information) || !IsDirectoryAttr(information.dwFileAttributes) ||
       IsReparseAttr(information.dwFileAttributes))) {
    CloseHandle(folder);
    folder = INVALID_HANDLE_VALUE;
  }
  return folder;
}

bool IsFolderWhereItsNameLeads(const wchar_t* folder) {
  // Every folder on the way, from the first below the root ("C:\", "\\server\share\") to the
  // folder itself, is a folder and no link. Asked by name, each component as it is: short names
  // and paths beyond the classic limit included.
  wchar_t path[kPathCapacity];
  CopyText(path, folder, kPathCapacity);
  size_t at = wcsncmp(path, L"\\\\?\\", 4) == 0 ? 4 : 0;
  if (path[at] == L'\\' && path[at + 1] == L'\\') {
    for (int separators = 0; path[at] != 0 && separators < 4; ++at) separators += path[at] == L'\\';
  } else if (path[at] != 0 && path[at + 1] == L':') {
    at += 3;
  }
  for (;; ++at) {
    if (path[at] != L'\\' && path[at] != 0) continue;
    const wchar_t kept = path[at];
    path[at] = 0;
    const DWORD attributes = QueryAttributes(path);
    if (!IsDirectoryAttr(attributes) || IsReparseAttr(attributes)) return false;
    if (kept == 0 || path[at + 1] == 0) return true;
    path[at] = kept;
  }
}

bool IsPlainFile(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information = {};
  return GetFileInformationByHandle(handle, &information) &&
         (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
         information.nNumberOfLinks == 1;
}

bool IsPlainFileOrNone(const wchar_t* path) {
  HANDLE handle = OpenForAttributes(path);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  const bool plain = IsPlainFile(handle);
  CloseHandle(handle);
  return plain;
}

FileIdentity IdentityOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information = {};
  if (!GetFileInformationByHandle(handle, &information)) return {};
  return {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow, true};
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.Known && b.Known && a.Volume == b.Volume && a.High == b.High && a.Low == b.Low;
}

bool MarkForDeletion(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  if (SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition)) {
    return true;
  }
  const DWORD error = GetLastError();
  FILE_BASIC_INFO basic = {};
  constexpr DWORD kStopping = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  // The attributes are the file's, not its name's: a file with another name elsewhere (a hard
  // link someone made to their own file) keeps them, and this name with it.
  BY_HANDLE_FILE_INFORMATION information = {};
  if (error != ERROR_ACCESS_DENIED || !GetFileInformationByHandle(handle, &information) ||
      (!IsDirectoryAttr(information.dwFileAttributes) && information.nNumberOfLinks != 1) ||
      !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
      (basic.FileAttributes & kStopping) == 0) {
    SetLastError(error);
    return false;
  }
  basic.FileAttributes &= ~kStopping;
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (!SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic)) {
    SetLastError(error);
    return false;
  }
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

bool CopyOpenedFile(HANDLE source, const wchar_t* target) {
  HANDLE created = CreateFileW(target, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return false;
  bool copied = SetFilePointer(source, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
  BYTE buffer[16384];
  while (copied) {
    DWORD read = 0;
    if (!ReadFile(source, buffer, sizeof buffer, &read, nullptr)) copied = false;
    if (!copied || read == 0) break;
    DWORD written = 0;
    copied = WriteFile(created, buffer, read, &written, nullptr) && written == read;
  }
  // A half copy goes with its handle.
  if (!copied) static_cast<void>(MarkForDeletion(created));
  CloseHandle(created);
  return copied;
}

CreateFolderResult CreateFolder(const wchar_t* path, bool applyAttributes, DWORD attributes) {
  const wchar_t last = *LastChar(path);
  bool created = last != L' ' && last != L'.' && CreateDirectoryW(path, nullptr) != 0;
  if (!created) {
    wchar_t longPath[kPathCapacity];
    if (QueryAttributes(path) == INVALID_FILE_ATTRIBUTES && MakeLongPath(path, longPath, kPathCapacity)) {
      created = CreateDirectoryW(longPath, nullptr) != 0;
    }
  }
  if (created) {
    ReportAction(L"create folder", path, Outcome::Done);
    if (applyAttributes) ApplyAttributes(path, attributes);
    return CreateFolderResult::Created;
  }
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
             ? CreateFolderResult::ParentMissing
             : CreateFolderResult::Failed;
}

bool IsDirectoryAttr(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsReparseAttr(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool HasWildcards(const wchar_t* path) {
  if (path == nullptr) return false;
  if (wcsncmp(path, L"\\\\?\\", 4) == 0) path += 4;
  return wcspbrk(path, L"*?") != nullptr;
}

uint64_t FileTimeToNs(const FILETIME& time) {
  const uint64_t ticks = static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  return ticks * 100;
}
