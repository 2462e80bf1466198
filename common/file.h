// One operating-system file handle with the program's conventions: names up to kPathCapacity characters
// retried in the long "\\?\" form, access and sharing chosen by mode bits, reads and writes that
// work around known system limits, errors reported to the error handler, and removal of a
// created file that is abandoned before it was closed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/path_names.h"

// Open modes.
constexpr unsigned kOpenUpdate = 1;      // write access as well
constexpr unsigned kOpenWrite = 2;       // GENERIC_WRITE instead of GENERIC_READ
constexpr unsigned kOpenShareWrite = 4;  // others may write meanwhile
constexpr unsigned kOpenExclusive = 8;   // others may not read

// Create modes.
constexpr unsigned kCreateWriteOnly = 2;      // GENERIC_WRITE only
constexpr unsigned kCreateShareRead = 0x10;   // others may read meanwhile
constexpr unsigned kCreateKeepTrailing = 0x20;  // try a name ending in "." or blank as given too
constexpr unsigned kCreateNew = 0x40;  // fail when anything has the name (a file, or a link to one)

// Read's failure result.
constexpr uint32_t kReadFailed = 0xFFFFFFFFu;

class File {
 public:
  File() = default;
  // A created file still open is closed and deleted: whoever writes a file must Close it, so a
  // file left half-written by an error that unwinds the stack is gone afterwards.
  virtual ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file (mode: kOpen* bits). True on success; reports nothing. A file this
  // object still holds is finished first (see the destructor).
  virtual bool Open(const wchar_t* name, unsigned mode);
  // Closes the handle; true when there was nothing to close or it closed. A failure is reported
  // (close error) and gives false.
  virtual bool Close();
  // Reads up to count bytes: the number read (0 at the end), or kReadFailed.
  virtual uint32_t Read(void* buffer, uint32_t count);
  // Moves to offset from method (FILE_BEGIN, FILE_CURRENT, FILE_END); negative offsets from the
  // current position or the end are made absolute first. Without a handle it succeeds at once.
  virtual bool Seek(int64_t offset, DWORD method);
  // The current position (a failure is reported as a seek error and gives 0).
  virtual int64_t Tell();
  virtual bool IsOpened() const { return handle_ != INVALID_HANDLE_VALUE; }

  // Open with mode 0; a failure is reported as an open error (error handler code 6).
  bool OpenWithReport(const wchar_t* name);
  // Creates or truncates (mode: kCreate* bits). A name ending in "." or a blank goes to the
  // long form unless kCreateKeepTrailing is given. True on success. A file this object still
  // holds is finished first (see the destructor).
  bool Create(const wchar_t* name, unsigned mode);
  // Writes count bytes; true on success. Zero bytes succeed without a system call.
  bool Write(const void* buffer, uint32_t count);
  // Reads the standard input and writes the standard output instead of a file.
  void UseStandardStreams();

  const wchar_t* FileName() const { return fileName_; }

 private:
  enum class HandleType { Ordinary = 0, StandardStream = 1 };

  HANDLE StreamHandle(DWORD which) const;
  bool SetPosition(int64_t offset, DWORD method);
  void CloseAndDelete();
  void CloseBeforeReuse();

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  HandleType handleType_ = HandleType::Ordinary;
  bool created_ = false;
  wchar_t fileName_[kPathCapacity] = {};
};

// Free bytes available to the caller on the volume of path (its folder part; no folder part
// means the current volume). 0 when the query fails or the answer cannot be trusted.
uint64_t GetFreeDiskSpace(const wchar_t* path);
