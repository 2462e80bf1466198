// The run's error record: the most severe error as a QBX_EXIT code, fatal conditions thrown as
// that code, and a notification for every report to a message sink (which this program leaves
// empty: nothing reaches the user by this path).
#pragma once

#include <cstdint>

#include "common/exit_codes.h"


// Notification codes handed to the sink.
enum ErrorNotification : uint32_t {
  NOTIFY_MESSAGE = 1,
  NOTIFY_MEMORY = 7,
  NOTIFY_OPEN = 8,
  NOTIFY_CLOSE = 10,
  NOTIFY_SEEK = 11,
  NOTIFY_LARGE_FILE_WRITE = 73,
};

// Receives a notification code and its 8 text arguments (absent ones are empty texts).
using ErrorSink = void (*)(uint32_t code, const wchar_t* const arguments[8]);

class ErrorHandler {
 public:
  QBX_EXIT ExitCode() const { return exitCode_; }
  uint32_t ErrorCount() const { return errorCount_; }
  // Suppresses the close and seek notifications (their bookkeeping still happens).
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  // The sink of every notification; null discards them (the program's choice).
  void SetSink(ErrorSink sink) { sink_ = sink; }

  // Code 2 only raises a lower code to 2; any other code replaces it. Counts one error.
  void SetExitCode(QBX_EXIT code);
  // SetExitCode, then throws code.
  [[noreturn]] void ExitWith(QBX_EXIT code);
  // Notification 7, code 8, and throws 8.
  [[noreturn]] void ReportMemoryError();
  // The bookkeeping of ReportMemoryError without the throw, for the one caller that catches it.
  void RecordMemoryError();
  // printf-style text, at most 1023 characters, as notification 1; the code is unchanged.
  void ReportMessage(const wchar_t* format, ...);
  void ReportOpenError(const wchar_t* name);   // notification 8, code 6
  void ReportCloseError(const wchar_t* name);  // notification 10 unless quiet, code at least 2
  void ReportSeekError(const wchar_t* name);   // notification 11 unless quiet
  // A write failed although the volume had room and it would cross the 4 GiB file size.
  void ReportLargeFileWriteError(const wchar_t* name);  // notification 73
  // Whether a failed read or write is to be tried again: never, in this program.
  bool AskRetry(const wchar_t* name);

 private:
  void Notify(uint32_t code, const wchar_t* first = nullptr, const wchar_t* second = nullptr);

  QBX_EXIT exitCode_ = QBX_EXIT_SUCCESS;
  uint32_t errorCount_ = 0;
  bool quiet_ = false;
  ErrorSink sink_ = nullptr;
};

extern ErrorHandler gErrorHandler;
