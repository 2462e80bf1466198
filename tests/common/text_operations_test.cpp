#include "common/text_operations.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

TEST(TextOperations, BoundedCopyAndAppendKeepCapacityMinusOneAndTerminate) {
  wchar_t buffer[6];
  wmemset(buffer, L'#', 6);
  CopyText(buffer, L"abcdefgh", 6);
  EXPECT_STREQ(L"abcde", buffer);

  CopyText(buffer, L"xyz", 1);
  EXPECT_STREQ(L"", buffer);

  CopyText(buffer, L"abc", 6);
  AppendText(buffer, L"defgh", 6);
  EXPECT_STREQ(L"abcde", buffer);
  AppendText(buffer, L"z", 6);  // already capacity - 1 characters: unchanged
  EXPECT_STREQ(L"abcde", buffer);

  wmemset(buffer, L'#', 6);
  CopyText(buffer, L"abc", 0);  // capacity 0 writes nothing at all
  EXPECT_EQ(L'#', buffer[0]);

  char narrow[4];
  CopyText(narrow, "abcdef", 4);
  EXPECT_STREQ("abc", narrow);
  CopyText(narrow, "a", 4);
  AppendText(narrow, "bcdef", 4);
  EXPECT_STREQ("abc", narrow);
}

TEST(TextOperations, CaseInsensitiveComparison) {
  EXPECT_EQ(0, CompareNoCase(L"COMBOBOX", L"ComboBox"));
  EXPECT_LT(CompareNoCase(L"abc", L"abd"), 0);
  EXPECT_GT(CompareNoCase(L"b", L"A"), 0);

  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    size_t n;
    bool equal;
  };
  const Case cases[] = {
      {L"SETUP", L"setup", 5, true},      {L"set", L"setup", 5, false},
      {L"setupx", L"setup", 5, true},     {L"noex", L"noexplorer", 4, true},
      {L"no", L"noexplorer", 4, false},   {L"noe", L"noexplorer", 4, false},
      {L"NOEXPLORER", L"noexplorer", 4, true}, {L"msiexec", L"msi", 3, true},
      {L"warn", L"warning", 7, false},    {L"", L"init", 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "a=" << c.a << " b=" << c.b << " n=" << c.n);
    EXPECT_EQ(c.equal, CompareNoCaseN(c.a, c.b, c.n) == 0);
  }
}

TEST(TextOperations, UpperCharMapsLowercaseIToCapitalIUnderATurkishLocale) {
  const LCID previous = GetThreadLocale();
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_TURKISH, SUBLANG_TURKISH_TURKEY), SORT_DEFAULT));
  EXPECT_EQ(L'I', UpperChar(L'i'));
  SetThreadLocale(previous);
  EXPECT_EQ(L'S', UpperChar(L's'));
  EXPECT_EQ(L'\x00C4', UpperChar(L'\x00E4'));  // a with diaeresis
  EXPECT_EQ(L'5', UpperChar(L'5'));
}

TEST(TextOperations, CharacterClassesAreAsciiOnly) {
  EXPECT_TRUE(IsAlpha(L'a'));
  EXPECT_TRUE(IsAlpha(L'Z'));
  EXPECT_FALSE(IsAlpha(L'\x00E4'));
  EXPECT_FALSE(IsAlpha(L'2'));
  EXPECT_FALSE(IsAlpha(L':'));
  EXPECT_TRUE(IsDigit(L'0'));
  EXPECT_TRUE(IsDigit(L'9'));
  EXPECT_FALSE(IsDigit(L'\x0661'));  // Arabic-Indic one
}

TEST(TextOperations, ParseIntReadsAnOptionalSignAndLeadingDigits) {
  struct Case {
    const wchar_t* text;
    int64_t value;
  };
  const Case cases[] = {
      {L"120*110", 120}, {L"-7x", -7}, {L" 5", 0},   {L"", 0},
      {L"-", 0},         {L"007", 7},  {L"+3", 0},   {L"9223372036854775807", INT64_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "text=" << c.text);
    EXPECT_EQ(c.value, ParseInt(c.text));
  }
}

TEST(TextOperations, IntToTextDropsTheMostSignificantDigitsWhenCut) {
  struct Case {
    int64_t value;
    size_t capacity;
    const wchar_t* text;
  };
  const Case cases[] = {
      {-42, 20, L"-42"}, {1234, 3, L"34"}, {0, 2, L"0"},        {1234, 5, L"1234"},
      {7, 1, L""},       {INT64_MIN, 24, L"-9223372036854775808"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "value=" << c.value << " capacity=" << c.capacity);
    wchar_t text[24];
    IntToText(c.value, text, c.capacity);
    EXPECT_STREQ(c.text, text);
  }
}

TEST(TextOperations, FormatTextTerminatesAndReportsCutResults) {
  wchar_t text[10];
  EXPECT_EQ(9, FormatText(text, 10, L"%08x=", 0xbeefu));
  EXPECT_STREQ(L"0000beef=", text);
  EXPECT_EQ(-1, FormatText(text, 10, L"%s", L"0123456789abc"));
  EXPECT_STREQ(L"012345678", text);
  EXPECT_EQ(-1, FormatText(text, 10, L"%s", L"0123456789"));  // exactly one too many
  EXPECT_STREQ(L"012345678", text);

  char narrow[100];
  EXPECT_EQ(10, FormatText(narrow, 100, "$%s:", "SETUPDLG"));
  EXPECT_STREQ("$SETUPDLG:", narrow) << "returns the count written";
}

TEST(TextOperations, FormatWithTextFillsOnlyTheFirstTextDirective) {
  wchar_t text[64];
  EXPECT_EQ(15, FormatWithText(text, 64, L"delete %s now", L"C:\\x"));
  EXPECT_STREQ(L"delete C:\\x now", text);
  // A translator's format with more directives than arguments reads nothing more.
  FormatWithText(text, 64, L"%s and %s, %d%%", L"a");
  EXPECT_STREQ(L"a and %s, %d%", text);
  EXPECT_EQ(-1, FormatWithText(text, 8, L"[%s]", L"0123456789"));
  EXPECT_STREQ(L"[012345", text);
}

TEST(TextOperations, AnsiConversionsCutAndTerminate) {
  char narrow[6];
  EXPECT_TRUE(WideToAnsi(L"abc", narrow, 6));
  EXPECT_STREQ("abc", narrow);
  EXPECT_FALSE(WideToAnsi(L"abcdefgh", narrow, 6));
  EXPECT_STREQ("abcde", narrow) << "cut, and terminated";

  wchar_t wide[6];
  EXPECT_TRUE(AnsiToWide("xyz", wide, 6));
  EXPECT_STREQ(L"xyz", wide);
  EXPECT_FALSE(AnsiToWide("abcdefgh", wide, 6));
  EXPECT_STREQ(L"abcde", wide);
}

TEST(TextOperations, OnlyWebAddressesAreWebAddresses) {
  for (const wchar_t* address : {L"https://www.quobex.example/", L"http://x", L"HTTPS://X.EXAMPLE"}) {
    EXPECT_TRUE(IsWebAddress(address)) << std::wstring(address).size();
  }
  for (const wchar_t* address : {L"", L"C:\\Windows\\System32\\calc.exe", L"file:///C:/x", L"https:",
                                 L" https://x", L"cmd /c https://x"}) {
    EXPECT_FALSE(IsWebAddress(address)) << std::wstring(address).size();
  }
}
