#include "common/error_handler.h"

#include <cstdarg>

#include "common/static_order.h"
#include "common/text_operations.h"

ErrorHandler gErrorHandler QBX_INIT_ORDER(QBX_INIT_ERROR_HANDLER);

void ErrorHandler::Notify(uint32_t code, const wchar_t* first, const wchar_t* second) {
  if (sink_ == nullptr) return;
  const wchar_t* arguments[8] = {L"", L"", L"", L"", L"", L"", L"", L""};
  if (first != nullptr) arguments[0] = first;
  if (second != nullptr) arguments[1] = second;
  sink_(code, arguments);
}

void ErrorHandler::SetExitCode(QBX_EXIT code) {
  if (code == QBX_EXIT_CLOSE_ERROR) {
    if (exitCode_ < QBX_EXIT_CLOSE_ERROR) exitCode_ = code;
  } else {
    exitCode_ = code;
  }
  ++errorCount_;
}

void ErrorHandler::ExitWith(QBX_EXIT code) {
  SetExitCode(code);
  throw code;
}

void ErrorHandler::RecordMemoryError() {
  Notify(NOTIFY_MEMORY);
  SetExitCode(QBX_EXIT_MEMORY);
}

void ErrorHandler::ReportMemoryError() {
  RecordMemoryError();
  ExitWith(QBX_EXIT_MEMORY);
}

void ErrorHandler::ReportMessage(const wchar_t* format, ...) {
  wchar_t text[kTextCapacity];
  va_list arguments;
  va_start(arguments, format);
  FormatTextV(text, kTextCapacity, format, arguments);
  va_end(arguments);
  Notify(NOTIFY_MESSAGE, text);
}

void ErrorHandler::ReportOpenError(const wchar_t* name) {
  Notify(NOTIFY_OPEN, L"0", name);
  SetExitCode(QBX_EXIT_OPEN_ERROR);
}

void ErrorHandler::ReportCloseError(const wchar_t* name) {
  if (!quiet_) Notify(NOTIFY_CLOSE, name);
  SetExitCode(QBX_EXIT_CLOSE_ERROR);
}

void ErrorHandler::ReportSeekError(const wchar_t* name) {
  if (!quiet_) Notify(NOTIFY_SEEK, name);
}

void ErrorHandler::ReportLargeFileWriteError(const wchar_t* name) {
  Notify(NOTIFY_LARGE_FILE_WRITE, name);
}

bool ErrorHandler::AskRetry(const wchar_t*) { return false; }
