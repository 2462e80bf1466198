#include "integration/file_classes.h"

#include <gtest/gtest.h>

#include <string>

#include "lang/language_file.h"
#include "tests/support/english_texts.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"

namespace {

class FileClasses : public testing::Test {
 protected:
  IntegrationSandbox sandbox_;
};

}  // namespace

TEST_F(FileClasses, KeepAnIconAlreadySet) {
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L"Quobex\\DefaultIcon", L"", L"C:\\Other\\icons.dll,3"));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L"Quobex\\shell\\open\\command", L"", L"old"));
  ASSERT_TRUE(RegisterFileClasses());
  const std::wstring executable = IntegrationSandbox::File(L"Quobex.exe");
  EXPECT_EQ(L"C:\\Other\\icons.dll,3", ReadRawString(HKEY_CLASSES_ROOT, L"Quobex\\DefaultIcon", L""));
  EXPECT_EQ(L"\"" + executable + L"\" \"%1\"",
            ReadRawString(HKEY_CLASSES_ROOT, L"Quobex\\shell\\open\\command", L""));
  EXPECT_EQ(executable + L",1", ReadRawString(HKEY_CLASSES_ROOT, L"Quobex.REV\\DefaultIcon", L""));
  EXPECT_EQ(L"Quobex.REV", ReadRawString(HKEY_CLASSES_ROOT, L".rev", L""));
  EXPECT_EQ(EnglishText(IDS_QUOBEXZIPARC), ReadRawString(HKEY_CLASSES_ROOT, L"Quobex.ZIP", L""));

  gLanguageFile.Load((TestProgramFolder() + L"\\lang\\german.lng").c_str());
  ASSERT_TRUE(RegisterFileClasses());
  gLanguageFile.Unload();
  EXPECT_EQ(L"Quobex-ZIP-Archiv", ReadRawString(HKEY_CLASSES_ROOT, L"Quobex.ZIP", L""))
      << "a second setup rewrites the descriptions in its language";
}
