#include "common/run_log.h"

#include <cstdarg>
#include <cwchar>

#include "common/change_points.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/random_text.h"
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

HANDLE CreateLog(const wchar_t* path, DWORD disposition) {
  return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// True when the opened file is the one its name names in its folder: a link at the name (which
// some systems follow even when told not to) resolves to another name or another folder.
bool IsFileOfItsName(HANDLE file, const wchar_t* path) {
  wchar_t final[kPathCapacity];
  wchar_t folder[kPathCapacity];
  wchar_t folderFinal[kPathCapacity];
  wchar_t longPath[kPathCapacity];
  FolderPart(path, folder, kPathCapacity);
  HANDLE opened = CreateFileW(folder[0] != 0 ? folder : L".", FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return false;
  const bool folderKnown = QueryFinalPath(opened, folderFinal, kPathCapacity);
  CloseHandle(opened);
  const DWORD length = GetLongPathNameW(path, longPath, kPathCapacity);
  if (!folderKnown || !QueryFinalPath(file, final, kPathCapacity) || length == 0 || length >= kPathCapacity) {
    return false;
  }
  AddTrailingSeparator(folderFinal, kPathCapacity);
  AppendText(folderFinal, NamePart(longPath), kPathCapacity);
  return CompareStringOrdinal(final, -1, folderFinal, -1, TRUE) == CSTR_EQUAL;
}

// The log a packager names: an elevated run must never write through what another account put at
// that name. The name itself is opened (a link is not followed) and kept only when it is a plain
// file on a disk with no other name, new or emptied; a link, a folder, a device, a pipe or a file
// with a second name (a hard link to another file) is left as it is.
HANDLE OpenNamedLog(const wchar_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  const bool plain = GetFileType(file) == FILE_TYPE_DISK && IsPlainFile(file) && IsFileOfItsName(file, path);
  if (!plain || !SetEndOfFile(file)) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

}  // namespace

bool OpenRunLog(const wchar_t* path) {
  if (path[0] != 0) {
    logFile = OpenNamedLog(path);
  } else {
    wchar_t folder[kPathCapacity];
    const DWORD length = GetTempPathW(kPathCapacity, folder);
    wchar_t random[17];
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    // The temporary folder of SYSTEM is writable by every user: a new name, never an existing
    // file or a link planted there.
    for (int attempt = 0; attempt < 4 && logFile == INVALID_HANDLE_VALUE; ++attempt) {
      if (length == 0 || length >= kPathCapacity || !RandomHexText(random, 17, 8)) break;
      wchar_t name[80];
      FormatText(name, QBX_PRODUCT_NAME L"-Uninstall-%04u%02u%02u-%02u%02u%02u-%s.log", now.wYear, now.wMonth,
                 now.wDay, now.wHour, now.wMinute, now.wSecond, random);
      wchar_t logPath[kPathCapacity];
      JoinPath(folder, name, logPath, kPathCapacity);
      logFile = CreateLog(logPath, CREATE_NEW);
    }
  }
  return logFile != INVALID_HANDLE_VALUE;
}

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
