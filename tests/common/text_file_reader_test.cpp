#include "common/text_file_reader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace {

using Lines = std::vector<std::wstring>;

Lines Collect(StringList& list) {
  Lines lines;
  const wchar_t* line = nullptr;
  while (list.Next(&line)) lines.push_back(line);
  return lines;
}

class TextFileReader : public testing::Test {
 protected:
  // The lines of a file holding bytes, read with options; fails the test when the read fails.
  Lines Read(const std::string& bytes, const TextReadOptions& options = {}) {
    const std::wstring path = folder_ / L"text.txt";
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    StringList list;
    EXPECT_TRUE(ReadTextFile(path.c_str(), list, options));
    return Collect(list);
  }

  ScratchFolder folder_{L"text_reader"};
};

}  // namespace

TEST_F(TextFileReader, EncodingsAreDetectedFromTheBytes) {
  struct Case {
    const char* what;
    std::string bytes;
    Lines lines;
  };
  const Case cases[] = {
      {"UTF-16 LE", std::string("\xFF\xFE" "A\0\r\0\n\0B\0", 10), {L"A", L"B"}},
      {"UTF-16 BE", std::string("\xFE\xFF\0A\0\n\0B", 8), {L"A", L"B"}},
      {"UTF-8 with mark", "\xEF\xBB\xBF" "abc", {L"abc"}},
      {"invalid UTF-8 behind a mark: ANSI, mark included", "\xEF\xBB\xBF" "a\xFF",
       {L"\x00EF\x00BB\x00BF" L"a\x00FF"}},
      {"UTF-8 without a mark: ANSI", "\xC3\xA4", {L"\x00C3\x00A4"}},
      {"the mark alone is too short for detection", "\xFF\xFE", {L"\x00FF\x00FE"}},
      {"UTF-16 mark with printable high bytes: ANSI", "\xFF\xFE" "A B ",
       {L"\x00FF\x00FE" L"A B"}},
      {"a zero unit ends a UTF-16 text", std::string("\xFF\xFE" "A\0\0\0\n\0B\0", 10), {L"A"}},
      {"U+1F600 in UTF-8", "\xEF\xBB\xBF\xF0\x9F\x98\x80", {L"\xD83D\xDE00"}},
      {"odd last byte of UTF-16 is ignored", std::string("\xFF\xFE" "A\0B", 5), {L"A"}},
      {"empty file", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.lines, Read(c.bytes));
  }
}

TEST_F(TextFileReader, LinesAreSplitTrimmedAtTheEndAndNeverEmpty) {
  EXPECT_EQ((Lines{L"a", L"b"}), Read("a\r\n\r\n\r\nb"));
  EXPECT_EQ((Lines{L"a", L"b", L"c"}), Read("a\rb\nc\n"));
  EXPECT_EQ(Lines{}, Read("   \r\n\t\r\n"));
  EXPECT_EQ((Lines{L"x = 1", L" lead"}), Read("x = 1 \t\r\n lead"));
  EXPECT_EQ((Lines{L"\"q\"", L"// kept"}), Read("\"q\"\n// kept")) << "filters are off by default";
}

TEST_F(TextFileReader, LineFilters) {
  TextReadOptions comments;
  comments.CutComments = true;
  EXPECT_EQ((Lines{L"abc", L"abc", L"x"}), Read("abc // note\nabc //x//y\n// only\nx", comments));

  TextReadOptions quotes;
  quotes.StripQuotes = true;
  EXPECT_EQ((Lines{L"q", L"\"open", L" padded "}), Read("\"q\"\n\"open\n\"\n\" padded \"", quotes));

  TextReadOptions variables;
  variables.ExpandVariables = true;
  wchar_t systemRoot[MAX_PATH];
  GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH);
  SetEnvironmentVariableW(L"QBX_EMPTY", L"");
  EXPECT_EQ((Lines{std::wstring(systemRoot) + L"\\x", L"a%TEMP%"}),
            Read("%SystemRoot%\\x\na%TEMP%\n%QBX_EMPTY%", variables));
}

TEST_F(TextFileReader, ForcedEncodings) {
  TextReadOptions utf8;
  utf8.Encoding = TEXT_UTF8;
  EXPECT_EQ((Lines{L"\x00E4" L"x"}), Read("\xC3\xA4x\n", utf8)) << "no mark needed";
  EXPECT_EQ((Lines{L"ok"}), Read("ok\xFFgone", utf8)) << "decoding stops at a bad byte";

  TextReadOptions oem;
  oem.Encoding = TEXT_OEM;
  EXPECT_EQ((Lines{L"\x00E4"}), Read("\x84", oem)) << "code page 437's a-umlaut";

  TextReadOptions utf16;
  utf16.Encoding = TEXT_UTF16;
  EXPECT_EQ((Lines{L"AB"}), Read(std::string("A\0B\0", 4), utf16)) << "little endian by default";
}

TEST_F(TextFileReader, MissingFilesFailQuietlyUnlessReported) {
  StringList list;
  list.Add(L"before");
  EXPECT_FALSE(ReadTextFile((folder_ / L"absent.txt").c_str(), list, {}));
  EXPECT_EQ(Lines{L"before"}, Collect(list)) << "lines are appended, never cleared";

  TextReadOptions reported;
  reported.ReportOpenError = true;
  try {
    ReadTextFile((folder_ / L"absent.txt").c_str(), list, reported);
    FAIL() << "no throw";
  } catch (QBX_EXIT code) {
    EXPECT_EQ(QBX_EXIT_OPEN_ERROR, code);
  }
}

TEST_F(TextFileReader, StandardInputAndAFailingRead) {
  HANDLE previous = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writeEnd, "one\r\ntwo", 8, &written, nullptr));
  CloseHandle(writeEnd);
  SetStdHandle(STD_INPUT_HANDLE, readEnd);
  StringList list;
  EXPECT_TRUE(ReadTextFile(nullptr, list, {}));
  EXPECT_EQ((Lines{L"one", L"two"}), Collect(list));
  CloseHandle(readEnd);

  // An input that cannot be read (a handle without read access): the failure is not a count.
  ASSERT_TRUE(WriteFileBytes(folder_ / L"w.txt", "never read"));
  HANDLE writeOnly = CreateFileW((folder_ / L"w.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writeOnly);
  SetStdHandle(STD_INPUT_HANDLE, writeOnly);
  StringList failed;
  EXPECT_FALSE(ReadTextFile(L"", failed, {}));
  EXPECT_EQ(0u, failed.Count());
  SetStdHandle(STD_INPUT_HANDLE, previous);
  CloseHandle(writeOnly);
}

TEST(StringList, AddNextAndClear) {
  StringList list;
  list.Add(L"a");
  list.Add(nullptr);
  list.Add(L"bc");
  EXPECT_EQ(3u, list.Count());
  EXPECT_EQ((Lines{L"a", L"", L"bc"}), Collect(list));
  const wchar_t* line = L"unchanged";
  EXPECT_FALSE(list.Next(&line));
  EXPECT_EQ(nullptr, line);
  EXPECT_FALSE(list.Next(nullptr));
  list.Clear();
  EXPECT_EQ(0u, list.Count());
  list.Add(L"again");
  EXPECT_EQ(Lines{L"again"}, Collect(list));
}

TEST(TextEncodingDetection, ValidUtf8AndDecoding) {
  struct Case {
    const char* bytes;
    bool valid;
  };
  const Case cases[] = {
      {"plain", true}, {"\xC3\xA4", true}, {"\xF0\x9F\x98\x80", true},
      {"\x80", false}, {"\xC3", false},    {"\xC3\x41", false},
      {"\xFE\x80\x80\x80\x80\x80\x80", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(c.valid, IsValidUtf8(reinterpret_cast<const uint8_t*>(c.bytes), strlen(c.bytes)));
  }

  wchar_t wide[8];
  EXPECT_TRUE(Utf8ToWide(reinterpret_cast<const uint8_t*>("\xF0\x9F\x98\x80!"), wide, 8));
  EXPECT_STREQ(L"\xD83D\xDE00!", wide);
  EXPECT_FALSE(Utf8ToWide(reinterpret_cast<const uint8_t*>("ab\xF4\x90\x80\x80" "c"), wide, 8))
      << "above U+10FFFF: skipped, decoding goes on";
  EXPECT_STREQ(L"abc", wide);
  EXPECT_FALSE(Utf8ToWide(reinterpret_cast<const uint8_t*>("abcdef"), wide, 4));
  EXPECT_STREQ(L"abc", wide) << "no room: stopped and terminated";
  EXPECT_FALSE(Utf8ToWide(reinterpret_cast<const uint8_t*>("a\xF0\x9F\x98\x80"), wide, 3));
  EXPECT_STREQ(L"a", wide) << "a pair is stored whole or not at all";
}
