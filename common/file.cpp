#include "common/file.h"

#include "common/error_handler.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/text_operations.h"

namespace {

constexpr uint32_t kPipeReadLimit = 20000;
constexpr uint32_t kLockedReadLimit = 32768;
constexpr uint32_t kStreamWritePiece = 16384;

HANDLE CreateWithLongRetry(const wchar_t* name, bool tryPlain, DWORD access, DWORD sharing,
                           DWORD disposition, DWORD flags) {
  if (tryPlain) {
    HANDLE handle = CreateFileW(name, access, sharing, nullptr, disposition, flags, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
  }
  wchar_t longName[kPathCapacity];
  if (!MakeLongPath(name, longName, kPathCapacity)) return INVALID_HANDLE_VALUE;
  return CreateFileW(longName, access, sharing, nullptr, disposition, flags, nullptr);
}

}  // namespace

File::~File() { CloseBeforeReuse(); }

// A file still open when the object is used again is finished as the destructor would: a
// created one is closed and deleted (it was never completed), any other closed.
void File::CloseBeforeReuse() {
  if (!IsOpened()) return;
  if (created_ && handleType_ == HandleType::Ordinary) {
    CloseAndDelete();
  } else {
    Close();
  }
}

void File::CloseAndDelete() {
  Close();
  RemoveFile(fileName_);
}

HANDLE File::StreamHandle(DWORD which) const {
  return handleType_ == HandleType::StandardStream ? GetStdHandle(which) : handle_;
}

bool File::Open(const wchar_t* name, unsigned mode) {
  CloseBeforeReuse();
  DWORD access = (mode & kOpenWrite) ? GENERIC_WRITE : GENERIC_READ;
  if (mode & kOpenUpdate) access |= GENERIC_WRITE;
  DWORD sharing = (mode & kOpenExclusive) ? 0 : FILE_SHARE_READ;
  if (mode & kOpenShareWrite) sharing |= FILE_SHARE_WRITE;
  HANDLE handle = CreateWithLongRetry(name, true, access, sharing, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN);
  if (handle == INVALID_HANDLE_VALUE) return false;
  handle_ = handle;
  handleType_ = HandleType::Ordinary;
  created_ = false;
  CopyText(fileName_, name, kPathCapacity);
  return true;
}

bool File::OpenWithReport(const wchar_t* name) {
  if (Open(name, 0)) return true;
  gErrorHandler.ReportOpenError(name);
  return false;
}

bool File::Create(const wchar_t* name, unsigned mode) {
  CloseBeforeReuse();
  const DWORD access = (mode & kCreateWriteOnly) ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
  const DWORD sharing = (mode & kCreateShareRead) ? FILE_SHARE_READ : 0;
  // The system drops a trailing "." or blank from a plain name and would create another file;
  // only the long form keeps it.
  const wchar_t last = *LastChar(name);
  const bool tryPlain = (mode & kCreateKeepTrailing) || (last != L'.' && last != L' ');
  const DWORD disposition = (mode & kCreateNew) ? CREATE_NEW : CREATE_ALWAYS;
  handle_ = CreateWithLongRetry(name, tryPlain, access, sharing, disposition, 0);
  handleType_ = HandleType::Ordinary;
  created_ = true;
  CopyText(fileName_, name, kPathCapacity);
  return handle_ != INVALID_HANDLE_VALUE;
}

void File::UseStandardStreams() {
  if (IsOpened()) Close();
  handleType_ = HandleType::StandardStream;
  created_ = false;
  fileName_[0] = 0;
  // A marker value: the real handles are fetched at each call and never closed.
  handle_ = nullptr;
}

bool File::Close() {
  if (!IsOpened()) return true;
  const bool ordinary = handleType_ == HandleType::Ordinary;
  HANDLE handle = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  handleType_ = HandleType::Ordinary;
  if (!ordinary || CloseHandle(handle)) return true;
  gErrorHandler.ReportCloseError(fileName_);
  return false;
}

uint32_t File::Read(void* buffer, uint32_t count) {
  const bool stream = handleType_ == HandleType::StandardStream;
  HANDLE handle = StreamHandle(STD_INPUT_HANDLE);
  for (;;) {
    DWORD read = 0;
    if (ReadFile(handle, buffer, count, &read, nullptr)) return read;
    const DWORD error = GetLastError();
    const DWORD type = GetFileType(handle);
    if ((type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) && count > kPipeReadLimit) {
      count = kPipeReadLimit;  // consoles and pipes refuse large reads
      continue;
    }
    if (stream && error == ERROR_BROKEN_PIPE) return 0;  // the writer has finished
    if (!stream && error == ERROR_LOCK_VIOLATION && count > kLockedReadLimit) {
      count = kLockedReadLimit;
      continue;
    }
    if (stream || !gErrorHandler.AskRetry(fileName_)) return kReadFailed;
  }
}

bool File::Write(const void* buffer, uint32_t count) {
  if (count == 0) return true;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  if (handleType_ == HandleType::StandardStream) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    for (uint32_t done = 0; done < count;) {
      const DWORD piece = count - done < kStreamWritePiece ? count - done : kStreamWritePiece;
      DWORD written = 0;
      if (!WriteFile(output, bytes + done, piece, &written, nullptr)) return false;
      done += written;
    }
    return true;
  }
  for (;;) {
    DWORD written = 0;
    if (WriteFile(handle_, bytes, count, &written, nullptr)) return true;
    const DWORD error = GetLastError();
    const int64_t position = Tell();
    const uint64_t freeSpace = GetFreeDiskSpace(fileName_);
    SetLastError(error);
    // A full disk is not the only reason: FAT volumes end every file at 4 GiB.
    if (freeSpace > count && position - count <= 0xFFFFFFFFLL &&
        position + count > 0xFFFFFFFFLL) {
      gErrorHandler.ReportLargeFileWriteError(fileName_);
    }
    if (!gErrorHandler.AskRetry(fileName_)) return false;
    if (written > 0 && written < count) Seek(position - written, FILE_BEGIN);
  }
}

bool File::SetPosition(int64_t offset, DWORD method) {
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(handle_, static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
    gErrorHandler.ReportSeekError(fileName_);
    return false;
  }
  return true;
}

bool File::Seek(int64_t offset, DWORD method) {
  if (!IsOpened() || handleType_ == HandleType::StandardStream) return true;
  if (offset < 0 && method == FILE_CURRENT) {
    offset += Tell();
    method = FILE_BEGIN;
  } else if (offset < 0 && method == FILE_END) {
    const int64_t remembered = Tell();
    if (!SetPosition(0, FILE_END)) return false;
    offset += Tell();
    method = FILE_BEGIN;
    if (!SetPosition(remembered, FILE_BEGIN)) return false;
  }
  return SetPosition(offset, method);
}

int64_t File::Tell() {
  if (!IsOpened() || handleType_ == HandleType::StandardStream) {
    gErrorHandler.ReportSeekError(fileName_);
    return 0;
  }
  LONG high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(handle_, 0, &high, FILE_CURRENT);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
    gErrorHandler.ReportSeekError(fileName_);
    return 0;
  }
  return static_cast<int64_t>(static_cast<uint64_t>(static_cast<DWORD>(high)) << 32 | low);
}

uint64_t GetFreeDiskSpace(const wchar_t* path) {
  wchar_t folder[kPathCapacity];
  FolderPart(path, folder, kPathCapacity);
  ULARGE_INTEGER freeToCaller = {};
  ULARGE_INTEGER total = {};
  ULARGE_INTEGER totalFree = {};
  if (!GetDiskFreeSpaceExW(folder[0] != 0 ? folder : nullptr, &freeToCaller, &total, &totalFree)) {
    return 0;
  }
  // Some network redirectors answer with garbage in the high half of the caller's count.
  if (freeToCaller.HighPart > totalFree.HighPart) return 0;
  return freeToCaller.QuadPart;
}
