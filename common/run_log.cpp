#include "common/run_log.h"

#include <cstdarg>
#include <cwchar>

#include "common/change_points.h"
#include "common/file_operations.h"
#include "common/folder_walk.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/random_text.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"

namespace {

// Lives until the process ends; the system closes it then.
HANDLE logFile = INVALID_HANDLE_VALUE;

constexpr size_t kLineCapacity = 4096;

const wchar_t* OutcomeText(Outcome outcome) {
  switch (outcome) {
    case Outcome::Done: return L"done";
    case Outcome::AlreadyGone: return L"already gone";
    case Outcome::LeftToAnotherProgram: return L"left to another program";
    case Outcome::Kept: return L"kept";
    case Outcome::Scheduled: return L"left for the next restart";
    case Outcome::Failed: return L"failed";
  }
  return L"";
}

// A control character (a line break above all) in a name or a command line would forge lines of
// the log: each is written as "<U+XXXX>".
void EscapeControlCharacters(const wchar_t* text, wchar_t* out, size_t capacity) {
  size_t length = 0;
  for (; *text != 0 && length + 9 < capacity; ++text) {
    if (*text < 0x20 || *text == 0x7F) {
      length += static_cast<size_t>(FormatText(out + length, capacity - length, L"<U+%04X>", *text));
    } else {
      out[length++] = *text;
    }
  }
  out[length] = 0;
}

void WriteLine(const wchar_t* text) {
  if (logFile == INVALID_HANDLE_VALUE) return;
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t escaped[kLineCapacity];
  EscapeControlCharacters(text, escaped, kLineCapacity);
  wchar_t line[kLineCapacity + 40];
  FormatText(line, kLineCapacity + 40, L"%04u-%02u-%02u %02u:%02u:%02u.%03u  %s\r\n", now.wYear,
             now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, escaped);
  // Up to three bytes of UTF-8 per UTF-16 unit.
  char bytes[3 * (kLineCapacity + 40)];
  const int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof bytes, nullptr, nullptr);
  DWORD written = 0;
  if (length > 1) WriteFile(logFile, bytes, static_cast<DWORD>(length - 1), &written, nullptr);
}

// Where the log could not be had: the folder or file of the path given where the walk stopped.
wchar_t refusedAt[kPathCapacity] = {};

// The log a packager names: an elevated run must never write through what another account put on
// the way. The folder is walked from its root without following a link a user could have made
// (folder_walk.h), and the log opened in it is kept only when it is a plain file on a disk with no
// other name, new or then emptied; a link, a folder, a device, a pipe or a file with a second name
// (a hard link to another file) is left as it is.
HANDLE OpenNamedLog(const wchar_t* path) {
  wchar_t full[kPathCapacity];
  CopyText(refusedAt, path, kPathCapacity);
  const DWORD length = GetFullPathNameW(path, kPathCapacity, full, nullptr);
  if (length == 0 || length >= kPathCapacity) return INVALID_HANDLE_VALUE;
  wchar_t folderPath[kPathCapacity];
  FolderPart(full, folderPath, kPathCapacity);
  ScopedHandle folder(OpenFolderByWalk(folderPath, refusedAt, kPathCapacity));
  if (!folder.Valid()) return INVALID_HANDLE_VALUE;
  CopyText(refusedAt, full, kPathCapacity);
  ScopedHandle file(
      OpenPlainFileInFolder(folder.Get(), NamePart(full), GENERIC_WRITE, FILE_SHARE_READ, EntryOpening::ExistingOrNew));
  if (!file.Valid() || !SetEndOfFile(file.Get())) return INVALID_HANDLE_VALUE;
  refusedAt[0] = 0;
  return file.Take();
}

// A new log in the temporary folder. The temporary folder of SYSTEM is writable by every user:
// reached as a named one is, under a new name nobody can predict, never one that exists.
HANDLE OpenNewLog() {
  wchar_t folderPath[kPathCapacity];
  const DWORD length = GetTempPathW(kPathCapacity, folderPath);
  if (length == 0 || length >= kPathCapacity) return INVALID_HANDLE_VALUE;
  ScopedHandle folder(OpenFolderByWalk(folderPath, refusedAt, kPathCapacity));
  if (!folder.Valid()) return INVALID_HANDLE_VALUE;
  CopyText(refusedAt, folderPath, kPathCapacity);
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t random[17];
  for (int attempt = 0; attempt < 4 && RandomHexText(random, 17, 8); ++attempt) {
    wchar_t name[80];
    FormatText(name, QBX_PRODUCT_NAME L"-Uninstall-%04u%02u%02u-%02u%02u%02u-%s.log", now.wYear, now.wMonth,
               now.wDay, now.wHour, now.wMinute, now.wSecond, random);
    HANDLE file = OpenPlainFileInFolder(folder.Get(), name, GENERIC_WRITE, FILE_SHARE_READ, EntryOpening::New);
    if (file != INVALID_HANDLE_VALUE) {
      refusedAt[0] = 0;
      return file;
    }
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool OpenRunLog(const wchar_t* path) {
  logFile = path[0] != 0 ? OpenNamedLog(path) : OpenNewLog();
  return logFile != INVALID_HANDLE_VALUE;
}

const wchar_t* RunLogRefusal() { return refusedAt; }

void LogLine(const wchar_t* format, ...) {
  if (logFile == INVALID_HANDLE_VALUE) return;
  wchar_t text[kLineCapacity];
  va_list arguments;
  va_start(arguments, format);
  FormatTextV(text, kLineCapacity, format, arguments);
  va_end(arguments);
  WriteLine(text);
}

namespace {

LONG WINAPI LogUnhandledException(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  HMODULE module = nullptr;
  wchar_t path[kPathCapacity] = L"?";
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(record.ExceptionAddress), &module);
  if (module != nullptr) GetModuleFileNameW(module, path, kPathCapacity);
  LogLine(L"unhandled exception %08lx at %s+0x%llx", record.ExceptionCode, NamePart(path),
          static_cast<unsigned long long>(static_cast<const char*>(record.ExceptionAddress) -
                                          reinterpret_cast<const char*>(module)));
  // The system goes on as without this filter: its debugger, then the end of the process.
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void LogUnhandledExceptions() { SetUnhandledExceptionFilter(LogUnhandledException); }

void ReportAction(const wchar_t* action, const wchar_t* object, Outcome outcome, DWORD error) {
  // Callers read the error of the call they report after this.
  const DWORD lastError = GetLastError();
  wchar_t text[kLineCapacity];
  FormatText(text, kLineCapacity, L"%s %s: %s", action, object, OutcomeText(outcome));
  if (outcome == Outcome::Failed) {
    wchar_t reason[kShortTextCapacity] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   reason, kShortTextCapacity, nullptr);
    // The system's texts end with a line break.
    for (wchar_t* end = reason + wcslen(reason); end > reason && (end[-1] == L'\r' || end[-1] == L'\n');) {
      *--end = 0;
    }
    wchar_t detail[600];
    FormatText(detail, L", error %lu (%s)", error, reason);
    AppendText(text, detail, kLineCapacity);
  }
  WriteLine(text);
  if (outcome == Outcome::Done) AfterChange(text);
  SetLastError(lastError);
}
