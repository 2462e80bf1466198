#include "common/run_log.h"

#include <cstdarg>
#include <cwchar>

#include "common/change_points.h"
#include "common/path_names.h"
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
    case Outcome::Scheduled: return L"renamed and scheduled for the next restart";
    case Outcome::Failed: return L"failed";
  }
  return L"";
}

void WriteLine(const wchar_t* text) {
  if (logFile == INVALID_HANDLE_VALUE) return;
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t line[kLineCapacity + 40];
  FormatText(line, kLineCapacity + 40, L"%04u-%02u-%02u %02u:%02u:%02u.%03u  %s\r\n", now.wYear,
             now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, text);
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

}  // namespace

bool OpenRunLog(const wchar_t* path) {
  if (path[0] != 0) {
    logFile = CreateLog(path, CREATE_ALWAYS);
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
      FormatText(name, 80, L"Quobex-Uninstall-%04u%02u%02u-%02u%02u%02u-%s.log", now.wYear, now.wMonth,
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
    wchar_t reason[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   reason, 512, nullptr);
    // The system's texts end with a line break.
    for (wchar_t* end = reason + wcslen(reason); end > reason && (end[-1] == L'\r' || end[-1] == L'\n');) {
      *--end = 0;
    }
    wchar_t detail[600];
    FormatText(detail, 600, L", error %lu (%s)", error, reason);
    AppendText(text, detail, kLineCapacity);
  }
  WriteLine(text);
  if (outcome == Outcome::Done) AfterChange(text);
  SetLastError(lastError);
}
