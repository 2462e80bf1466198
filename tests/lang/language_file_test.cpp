#include "lang/language_file.h"

#include <gtest/gtest.h>

#include <string>

#include "common/crc32.h"
#include "resources/english_texts.h"
#include "tests/support/english_texts.h"
#include "tests/support/product_state.h"
#include "tests/support/scratch_folder.h"

namespace {

const std::string kMarker = "***messages***";

std::wstring TranslateWith(const LanguageFile& file, const wchar_t* source, int kind,
                           const wchar_t* context, size_t capacity = 1024) {
  std::wstring out(capacity, L'#');
  file.Translate(source, out.data(), capacity, kind, context);
  return out.c_str();
}

// The hash key of a text as a language file writes it.
std::string HashKey(char kind, const std::string& context, const std::string& text) {
  const std::string bytes = std::string(1, kind) + context + text;
  char key[9];
  snprintf(key, sizeof key, "%08x", static_cast<unsigned>(Crc32(bytes.data(), bytes.size())));
  return key;
}

class LanguageFileTest : public testing::Test {
 protected:
  // Writes bytes as a language file and loads it into file_.
  void Load(const std::string& bytes) {
    const std::wstring path = folder_ / L"test.lng";
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    file_.Load(path.c_str());
  }
  std::wstring Lookup(const wchar_t* source, int kind = KIND_STRING,
                      const wchar_t* context = nullptr, size_t capacity = 1024) {
    return TranslateWith(file_, source, kind, context, capacity);
  }

  ScratchFolder folder_{L"language_file"};
  LanguageFile file_;
};

}  // namespace

TEST_F(LanguageFileTest, WithoutAFileEveryLookupGivesItsSource) {
  EXPECT_FALSE(file_.IsLoaded());
  EXPECT_EQ(L"Uninstall Quobex", Lookup(L"Uninstall Quobex"));
  file_.Load((folder_ / L"absent.lng").c_str());
  EXPECT_FALSE(file_.IsLoaded());
  Load("IDS_UNINSTALLQBX \"no marker above\"\r\n");
  EXPECT_FALSE(file_.IsLoaded());
  EXPECT_EQ(L"Uninstall Quobex", Lookup(L"Uninstall Quobex"));
  wchar_t same[32] = L"in place";
  file_.Translate(same, same, 32, KIND_STRING, nullptr);
  EXPECT_STREQ(L"in place", same);
}

TEST_F(LanguageFileTest, SymbolicKeysBecomeHashedLinesOfTheirEnglishTexts) {
  Load("Translator's notes before the marker: IDS_UNINSTALLQBX \"ignored\"\r\n" + kMarker +
       "\r\n:STRINGS\r\nIDS_UNINSTTITLE  \"Titel\"  a comment after the quote\r\n"
       "IDS_UNINSTALLQBX\t\t Deinstallieren  \r\nIDS_NOSUCHKEY \"never\"\r\n"
       "IDS_QBXHELP\r\n:DIALOG SETUPDLG\r\nCAPTION \"Einrichtung\"\r\nIDOK \"Gut\"\r\n"
       ":DIALOG DONEDLG\r\nIDOK \"Fertig\"\r\n:STRINGS\r\nIDS_BETA \"Vorschau\"\r\n");
  ASSERT_TRUE(file_.IsLoaded());
  EXPECT_EQ(L"Titel", Lookup(EnglishText(IDS_UNINSTTITLE)));
  EXPECT_EQ(L"Deinstallieren  ", Lookup(EnglishText(IDS_UNINSTALLQBX)))
      << "an unquoted value runs to the line end, blanks included";
  EXPECT_EQ(EnglishText(IDS_QBXHELP), Lookup(EnglishText(IDS_QBXHELP))) << "a key without a value";
  EXPECT_EQ(L"Vorschau", Lookup(EnglishText(IDS_BETA)));
  EXPECT_EQ(L"Einrichtung", Lookup(L"Quobex setup", KIND_DIALOG, L"SETUPDLG"));
  EXPECT_EQ(L"Gut", Lookup(L"OK", KIND_DIALOG, L"SETUPDLG"));
  EXPECT_EQ(L"Fertig", Lookup(L"OK", KIND_DIALOG, L"DONEDLG")) << "each dialog its own";
  EXPECT_EQ(L"OK", Lookup(L"OK", KIND_DIALOG, L"SETUPCONTEXTITEMS"));
  EXPECT_EQ(L"OK", Lookup(L"OK")) << "a string is another kind";
}

TEST_F(LanguageFileTest, HashedLinesAreFoundAsWrittenAndOtherLinesNever) {
  const std::string hash = HashKey('s', "", "Plain text");
  std::string upper = hash;
  for (char& c : upper) c = static_cast<char>(toupper(c));
  const std::string other = HashKey('s', "", "Other text");
  Load(kMarker + "\n" + hash + "=\"lower\"\n" + "\r\n" + upper + "=\"upper\"\n" +
       " IDS_BETA \"blank first\"\n1DS_BETA \"digit first\"\n-IDS_BETA \"punctuation\"\n" +
       other + "=\"after an empty line\"");
  EXPECT_EQ(L"lower", Lookup(L"Plain text"));
  EXPECT_EQ(L"beta", Lookup(L"beta"));
  EXPECT_EQ(L"after an empty line", Lookup(L"Other text"));

  Load(kMarker + "\n" + upper + "=\"upper only\"\n");
  EXPECT_EQ(L"Plain text", Lookup(L"Plain text")) << "uppercase hex digits are never found";
}

TEST_F(LanguageFileTest, EscapesQuotesAndLengthLimits) {
  const std::string longValue(300, 'v');
  Load(kMarker + "\n:STRINGS\nIDS_UNINSTTITLE \"line one\\nline two \\\"quoted\\\" back\\\\slash \\t\\x\"\n"
       "IDS_QBXHELP \"  padded  \" tail\nIDS_BETA " + longValue);
  EXPECT_EQ(L"line one\nline two \"quoted\" back\\slash \t\\x", Lookup(EnglishText(IDS_UNINSTTITLE)))
      << "the escaped quote is the last quote: the cut keeps everything before it";
  EXPECT_EQ(L"  padded  ", Lookup(EnglishText(IDS_QBXHELP)));
  EXPECT_EQ(std::wstring(255, L'v'), Lookup(EnglishText(IDS_BETA)))
      << "the last line without a line end is cut at 255 characters";
  EXPECT_EQ(L"  pad", Lookup(EnglishText(IDS_QBXHELP), KIND_STRING, nullptr, 6));
}

TEST_F(LanguageFileTest, MarkerIsFoundAcrossABlockBoundaryInBothForms) {
  const std::string body = "\r\nIDS_BETA \"gefunden\"\r\n";
  Load(std::string(8185, ' ') + kMarker + body);
  EXPECT_EQ(L"gefunden", Lookup(L"beta")) << "8-bit marker across 8192";

  std::string wide;
  for (char c : std::string(4090, ' ') + kMarker + body) {
    wide.push_back(c);
    wide.push_back('\0');
  }
  Load(wide);
  EXPECT_EQ(L"gefunden", Lookup(L"beta")) << "UTF-16LE marker across 8192";

  Load(std::string(2100000, ' ') + kMarker + body);
  EXPECT_FALSE(file_.IsLoaded()) << "past 256 blocks";
}

TEST_F(LanguageFileTest, EightBitFilesAreConvertedFromTheAnsiCodePage) {
  Load(kMarker + "\n:STRINGS\nIDS_BETA \"Vorabversion f\xFCr Tests\"\n");
  EXPECT_EQ(L"Vorabversion f\x00FCr Tests", Lookup(L"beta"));
}

TEST_F(LanguageFileTest, DialogSizeForms) {
  struct Case {
    const char* line;
    bool scaled;
    int width;
    int height;
  };
  const Case cases[] = {
      {"SIZE 120*110", true, 120, 110}, {"SIZE 120 * 110", true, 120, 100},
      {"SIZE 100*100", false, 100, 100}, {"SIZE 150", false, 100, 100},
      {"SIZE \"90*100\"", true, 90, 100}, {"CAPTION \"x\"", false, 100, 100},
      // Outside 50 to 300 a percentage counts as 100: no overflow, no dialog too small to use.
      {"SIZE 0*0", false, 100, 100}, {"SIZE 99999999999*1", false, 100, 100},
      {"SIZE -50*200", true, 100, 200}, {"SIZE 300*50", true, 300, 50}, {"SIZE 301*49", false, 100, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Load(kMarker + "\n:DIALOG SETUPDLG\n" + c.line + "\n");
    int width = -1;
    int height = -1;
    EXPECT_EQ(c.scaled, file_.GetDialogScale(L"SETUPDLG", width, height));
    EXPECT_EQ(c.width, width);
    EXPECT_EQ(c.height, height);
    EXPECT_FALSE(file_.GetDialogScale(L"DONEDLG", width, height));
  }
}

TEST_F(LanguageFileTest, DirectionHeadingAndEntry) {
  Load(kMarker + "\n:DIRECTION RTL\n");
  file_.DecideDirection(GetModuleHandleW(nullptr));
  EXPECT_TRUE(file_.IsRightToLeft());
  Load(kMarker + "\n:DIRECTION rtl\n");
  file_.DecideDirection(GetModuleHandleW(nullptr));
  EXPECT_FALSE(file_.IsRightToLeft());
  Load(kMarker + "\n:DIRECTIONS RTL\n");
  EXPECT_FALSE(file_.IsRightToLeft()) << "a heading must be a whole word";
  Load(kMarker + "\n" + HashKey('$', "LTR", "LTR") + "=RTL\n");
  EXPECT_FALSE(file_.IsRightToLeft());
  file_.DecideDirection(GetModuleHandleW(nullptr));
  EXPECT_TRUE(file_.IsRightToLeft()) << "by the hashed LTR entry";
}

TEST_F(LanguageFileTest, TheShippedLanguageFilesLoad) {
  const std::wstring folder = TestProgramFolder() + L"\\lang\\";
  file_.Load((folder + L"german.lng").c_str());
  EXPECT_EQ(L"Quobex deinstallieren", Lookup(EnglishText(IDS_UNINSTALLQBX)));
  file_.DecideDirection(GetModuleHandleW(nullptr));
  EXPECT_FALSE(file_.IsRightToLeft());
  file_.Load((folder + L"hebrew.lng").c_str());
  EXPECT_EQ(L"\x05D4\x05E1\x05E8\x05EA Quobex", Lookup(EnglishText(IDS_UNINSTALLQBX)));
  file_.DecideDirection(GetModuleHandleW(nullptr));
  EXPECT_TRUE(file_.IsRightToLeft());
}
