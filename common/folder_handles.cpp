#include "common/folder_handles.h"

#include <winternl.h>

#include <cwchar>

#include "common/file_operations.h"
#include "common/path_names.h"

namespace {

constexpr DWORD kAllSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr LONG kStatusNameInvalid = static_cast<LONG>(0xC0000033);  // STATUS_OBJECT_NAME_INVALID

// A single component, as the system takes a name relative to a folder: a separator would let the
// name climb out of the folder or into another.
bool IsOneComponent(const wchar_t* name) {
  const size_t length = wcslen(name);
  return length > 0 && length < MAX_PATH && wcspbrk(name, L"\\/") == nullptr;
}

}  // namespace

bool IsLinkEntry(HANDLE folder, const wchar_t* name) {
  // Asked by the folder's own path: Wine finds no name relative to a folder handle here
  // (NtQueryAttributesFile answers "not found"), and a handle it opens is always what a link
  // leads to. On Windows the handle opened without following tells a link already.
  wchar_t path[kPathCapacity];
  if (!IsOneComponent(name) || !QueryFinalPath(folder, path, kPathCapacity)) return false;
  JoinPath(path, name, path, kPathCapacity);
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

LONG OpenRelativeToFolder(HANDLE folder, const wchar_t* name, ACCESS_MASK access, ULONG sharing, ULONG disposition,
                          ULONG options, HANDLE& opened) {
  opened = nullptr;
  if (name[0] != 0 && !IsOneComponent(name)) return kStatusNameInvalid;
  UNICODE_STRING text;
  text.Buffer = const_cast<PWSTR>(name);
  text.Length = text.MaximumLength = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
  // A pipe's server may learn who opened it, never act as the caller.
  SECURITY_QUALITY_OF_SERVICE quality = {sizeof quality, SecurityIdentification, SECURITY_STATIC_TRACKING, FALSE};
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
  attributes.SecurityQualityOfService = &quality;
  IO_STATUS_BLOCK status = {};
  const LONG result =
      NtCreateFile(&opened, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, sharing,
                   disposition, options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (result < 0) opened = nullptr;
  return result;
}

LONG OpenFolderEntry(HANDLE folder, const wchar_t* name, ACCESS_MASK access, ULONG disposition, ULONG options,
                     HANDLE& opened) {
  opened = nullptr;
  if (!IsOneComponent(name)) return kStatusNameInvalid;
  return OpenRelativeToFolder(folder, name, access | FILE_READ_ATTRIBUTES, kAllSharing, disposition, options, opened);
}

LONG OpenSubfolder(HANDLE parent, const wchar_t* name, DWORD access, bool create, HANDLE& opened) {
  HANDLE handle = nullptr;
  const LONG result = OpenFolderEntry(parent, name, access | FILE_LIST_DIRECTORY | FILE_TRAVERSE,
                                      create ? FILE_OPEN_IF : FILE_OPEN,
                                      FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT, handle);
  opened = nullptr;
  if (result < 0) return result;
  // A junction opened itself is a folder too: only its reparse mark tells it. Wine opens what a
  // link leads to whatever it is asked, and shows the mark only on the name.
  BY_HANDLE_FILE_INFORMATION information = {};
  if (!GetFileInformationByHandle(handle, &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || IsLinkEntry(parent, name)) {
    CloseHandle(handle);
    return kStatusLinkRefused;
  }
  opened = handle;
  return 0;
}

bool VisitFolderEntries(HANDLE folder, FolderEntryVisit visit, void* context) {
  alignas(FILE_FULL_DIR_INFO) BYTE buffer[16384];
  for (FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;; kind = FileFullDirectoryInfo) {
    if (!GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer)) {
      return GetLastError() == ERROR_NO_MORE_FILES;
    }
    for (const BYTE* at = buffer;;) {
      const auto& information = *reinterpret_cast<const FILE_FULL_DIR_INFO*>(at);
      const size_t length = information.FileNameLength / sizeof(wchar_t);
      const bool dots = (length == 1 && information.FileName[0] == L'.') ||
                        (length == 2 && information.FileName[0] == L'.' && information.FileName[1] == L'.');
      if (!dots && length < MAX_PATH) {
        FolderEntry entry = {};
        wmemcpy(entry.Name, information.FileName, length);
        entry.Attributes = information.FileAttributes;
        entry.Size = static_cast<uint64_t>(information.EndOfFile.QuadPart);
        if (!visit(context, entry)) return false;
      }
      if (information.NextEntryOffset == 0) break;
      at += information.NextEntryOffset;
    }
  }
}

bool ReadOpenedFile(HANDLE file, void* bytes, size_t capacity, size_t& size) {
  size = 0;
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
  for (;;) {
    const size_t room = capacity - size;
    DWORD read = 0;
    if (room == 0) {
      BYTE more = 0;  // a file with one byte more than fits is too large
      return ReadFile(file, &more, 1, &read, nullptr) && read == 0;
    }
    if (!ReadFile(file, static_cast<BYTE*>(bytes) + size, static_cast<DWORD>(room > 65536 ? 65536 : room), &read,
                  nullptr)) {
      return false;
    }
    if (read == 0) return true;
    size += read;
  }
}

bool WriteOpenedFile(HANDLE file, const void* bytes, size_t size) {
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) return false;
  for (size_t written = 0; written < size;) {
    const size_t left = size - written;
    DWORD done = 0;
    if (!WriteFile(file, static_cast<const BYTE*>(bytes) + written, static_cast<DWORD>(left > 65536 ? 65536 : left),
                   &done, nullptr) ||
        done == 0) {
      return false;
    }
    written += done;
  }
  return true;
}
