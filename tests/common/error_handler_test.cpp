#include "common/error_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/dynamic_array.h"

namespace {

struct Notification {
  uint32_t Code;
  std::wstring First;
  std::wstring Second;
};

std::vector<Notification> received;

void RecordNotification(uint32_t code, const wchar_t* const arguments[8]) {
  received.push_back({code, arguments[0], arguments[1]});
}

class ErrorReports : public testing::Test {
 protected:
  void SetUp() override {
    received.clear();
    handler_.SetSink(RecordNotification);
    gErrorHandler.SetSink(RecordNotification);
  }
  void TearDown() override { gErrorHandler.SetSink(nullptr); }

  ErrorHandler handler_;
};

}  // namespace

TEST_F(ErrorReports, CloseErrorsOnlyRaiseTheCodeToTwo) {
  handler_.SetExitCode(QBX_EXIT_CLOSE_ERROR);
  EXPECT_EQ(QBX_EXIT_CLOSE_ERROR, handler_.ExitCode());
  handler_.SetExitCode(QBX_EXIT_OPEN_ERROR);
  handler_.SetExitCode(QBX_EXIT_CLOSE_ERROR);
  EXPECT_EQ(QBX_EXIT_OPEN_ERROR, handler_.ExitCode()) << "6 stays";
  handler_.ReportCloseError(L"a.txt");
  EXPECT_EQ(QBX_EXIT_OPEN_ERROR, handler_.ExitCode());
  EXPECT_EQ(4u, handler_.ErrorCount());
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ(NOTIFY_CLOSE, received[0].Code);
  EXPECT_EQ(L"a.txt", received[0].First);
}

TEST_F(ErrorReports, OpenErrorsCarryAZeroThenTheName) {
  handler_.ReportOpenError(L"C:\\x\\Quobex.ini");
  EXPECT_EQ(QBX_EXIT_OPEN_ERROR, handler_.ExitCode());
  EXPECT_EQ(1u, handler_.ErrorCount());
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ(NOTIFY_OPEN, received[0].Code);
  EXPECT_EQ(L"0", received[0].First);
  EXPECT_EQ(L"C:\\x\\Quobex.ini", received[0].Second);
}

TEST_F(ErrorReports, QuietSuppressesCloseAndSeekNotificationsOnly) {
  handler_.SetQuiet(true);
  handler_.ReportCloseError(L"a");
  handler_.ReportSeekError(L"b");
  handler_.ReportLargeFileWriteError(L"c");
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ(NOTIFY_LARGE_FILE_WRITE, received[0].Code);
  EXPECT_EQ(QBX_EXIT_CLOSE_ERROR, handler_.ExitCode());
  EXPECT_FALSE(handler_.AskRetry(L"a"));
}

TEST_F(ErrorReports, MemoryErrorsThrowEightAndCountTwice) {
  try {
    handler_.ReportMemoryError();
    FAIL() << "no throw";
  } catch (QBX_EXIT code) {
    EXPECT_EQ(QBX_EXIT_MEMORY, code);
  }
  EXPECT_EQ(QBX_EXIT_MEMORY, handler_.ExitCode());
  EXPECT_EQ(2u, handler_.ErrorCount());
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ(NOTIFY_MEMORY, received[0].Code);

  ErrorHandler recorder;
  recorder.RecordMemoryError();
  EXPECT_EQ(QBX_EXIT_MEMORY, recorder.ExitCode());
  EXPECT_EQ(1u, recorder.ErrorCount());
}

TEST_F(ErrorReports, ArrayLimitSendsTheMessageAndThrowsEightLeavingTheArrayIntact) {
  DynamicArray<uint8_t> bytes;
  bytes.SetMaxCount(10);
  bytes.SetWipe(true);
  bytes.Grow(10);
  bytes[9] = 0x5A;
  try {
    bytes.Grow(1);
    FAIL() << "no throw";
  } catch (QBX_EXIT code) {
    EXPECT_EQ(QBX_EXIT_MEMORY, code);
  }
  ASSERT_EQ(2u, received.size());
  EXPECT_EQ(NOTIFY_MESSAGE, received[0].Code);
  EXPECT_EQ(L"Maximum allowed array size (10) is exceeded", received[0].First);
  EXPECT_EQ(NOTIFY_MEMORY, received[1].Code);
  EXPECT_EQ(10u, bytes.Count()) << "a caught failure leaves no count beyond the elements";
  EXPECT_EQ(0x5A, bytes[9]);
}

