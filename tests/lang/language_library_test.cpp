#include "lang/language_library.h"

#include <gtest/gtest.h>

#include <string>

#include "lang/language_file.h"
#include "resources/lang/german_texts.h"
#include "tests/support/english_texts.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"

namespace {

const std::wstring kGeneralKey = L"Software\\Quobex\\General";

std::wstring LanguageFolder() { return TestProgramFolder() + L"\\lang"; }

// Each test starts and ends with no library, no language file and no product keys.
class LanguageLibraryTest : public testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    FreeLanguageLibrary();
    gLanguageFile.Unload();
    CleanProductState::Clean();
  }
  // Loads the library that lies in folder (path's name part is replaced by "qbxlng.dll").
  static void LoadLibraryFrom(const std::wstring& folder) {
    LoadLanguageLibrary(GetModuleHandleW(nullptr), (folder + L"\\Uninstall.exe").c_str());
  }
};

#define QBX_GERMAN_ENTRY(id, text) {id, L"" text},
struct GermanString {
  UINT Id;
  const wchar_t* Text;
};
// The German texts as the library is built from them (UTF-8 source, wide literals).
const GermanString kGermanStrings[] = {QBX_GERMAN_STRINGS(QBX_GERMAN_ENTRY)};
#undef QBX_GERMAN_ENTRY

}  // namespace

TEST_F(LanguageLibraryTest, WithoutALibraryStringsComeFromTheProgram) {
  EXPECT_FALSE(LanguageLibraryLoaded());
  EXPECT_EQ(OwnModule(), CurrentResourceModule());
  EXPECT_STREQ(EnglishText(IDS_UNINSTALLQBX), GetString(IDS_UNINSTALLQBX));
  EXPECT_STREQ(L"", GetString(5198)) << "a missing string is empty";
  LoadLibraryFrom(L"C:\\qbxtest\\no library here");
  EXPECT_FALSE(LanguageLibraryLoaded());
  EXPECT_EQ(GetModuleHandleW(nullptr), CurrentResourceModule());
}

TEST_F(LanguageLibraryTest, TheLibraryIsLoadedAsDataAndServesItsStrings) {
  LoadLibraryFrom(LanguageFolder());
  ASSERT_TRUE(LanguageLibraryLoaded());
  EXPECT_NE(OwnModule(), CurrentResourceModule());
  // A library loaded as a data file has its low bits set: none of its code can run. From
  // Windows 6.0 on it is mapped as an image of resources that no process may write meanwhile.
  EXPECT_EQ(2u, reinterpret_cast<uintptr_t>(CurrentResourceModule()) & 3);
  const HANDLE writer = CreateFileW((LanguageFolder() + L"\\qbxlng.dll").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  for (const GermanString& german : kGermanStrings) {
    SCOPED_TRACE(german.Id);
    EXPECT_STREQ(german.Text, GetString(german.Id));
  }
  EXPECT_STREQ(L"only in the program", GetString(5199)) << "missing in the library";
  FreeLanguageLibrary();
  EXPECT_FALSE(LanguageLibraryLoaded());
  EXPECT_EQ(OwnModule(), CurrentResourceModule());
  EXPECT_STREQ(EnglishText(IDS_UNINSTALLQBX), GetString(IDS_UNINSTALLQBX));
}

TEST_F(LanguageLibraryTest, ALanguageFileWinsOverTheLibraryForStrings) {
  ScratchFolder folder(L"language_precedence");
  ASSERT_TRUE(WriteFileBytes(folder / L"uninstall.lng",
                             "***messages***\r\n:STRINGS\r\nIDS_UNINSTALLQBX \"from the file\"\r\n"));
  LoadLibraryFrom(LanguageFolder());
  gLanguageFile.Load((folder / L"uninstall.lng").c_str());
  EXPECT_STREQ(L"from the file", GetString(IDS_UNINSTALLQBX));
  EXPECT_STREQ(EnglishText(IDS_BETA), GetString(IDS_BETA))
      << "not in the file: English, not the library's \"Beta\"";
}

TEST_F(LanguageLibraryTest, TheLibraryMatchesTheGermanLanguageFile) {
  gLanguageFile.Load((LanguageFolder() + L"\\german.lng").c_str());
  for (const GermanString& german : kGermanStrings) {
    SCOPED_TRACE(german.Id);
    EXPECT_STREQ(german.Text, GetString(german.Id));
  }
}

TEST_F(LanguageLibraryTest, NineCallsWrapAroundTheEightBuffers) {
  const wchar_t* first = GetString(IDS_BETA);
  for (int i = 0; i < 7; ++i) EXPECT_NE(first, GetString(IDS_64BIT));
  EXPECT_EQ(first, GetString(IDS_32BIT));
  EXPECT_STREQ(EnglishText(IDS_32BIT), first);
}

TEST_F(LanguageLibraryTest, LanguageFolderOverridesFilesThatItHolds) {
  ScratchFolder folder(L"language_folder");
  CreateDirectoryW((folder / L"de").c_str(), nullptr);
  ASSERT_TRUE(WriteFileBytes(folder / L"de\\uninstall.lng", "x"));
  SetEnvironmentVariableW(L"QBX_LANGUAGES", folder.Path().c_str());

  wchar_t path[2048];
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, LocalizedFilePath(L"uninstall.lng", path, 2048)) << "no key";
  EXPECT_STREQ(L"uninstall.lng", path);

  ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, kGeneralKey, L"LanguageFolder",
                             L"%QBX_LANGUAGES%\\de", REG_EXPAND_SZ));
  EXPECT_EQ(ERROR_SUCCESS, LocalizedFilePath(L"uninstall.lng", path, 2048));
  EXPECT_EQ(folder / L"de\\uninstall.lng", path);
  wcscpy(path, L"C:\\Program Files\\Quobex\\uninstall.lng");
  LocalizedFilePath(path, path, 2048);
  EXPECT_EQ(folder / L"de\\uninstall.lng", path) << "only the name part counts; out may be name";
  LocalizedFilePath(L"C:\\Q\\license.txt", path, 2048);
  EXPECT_STREQ(L"C:\\Q\\license.txt", path) << "not in the folder: unchanged";
  SetEnvironmentVariableW(L"QBX_LANGUAGES", nullptr);
}

TEST_F(LanguageLibraryTest, ALibraryInTheLanguageFolderIsPreferred) {
  ScratchFolder folder(L"language_folder_library");
  ASSERT_TRUE(CopyFileW((LanguageFolder() + L"\\qbxlng.dll").c_str(),
                        (folder / L"qbxlng.dll").c_str(), FALSE));
  ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, kGeneralKey, L"LanguageFolder", folder.Path()));
  LoadLibraryFrom(L"C:\\qbxtest\\no library here");
  ASSERT_TRUE(LanguageLibraryLoaded());
  EXPECT_STREQ(L"Quobex deinstallieren", GetString(IDS_UNINSTALLQBX));
  FreeLanguageLibrary();
}

TEST_F(LanguageLibraryTest, ADialogTheLibraryLacksComesFromTheProgram) {
  LoadLibraryFrom(LanguageFolder());
  EXPECT_EQ(CurrentResourceModule(), DialogModule(L"SETUPDLG"));
  // Any library without dialog templates, in the place of the language library.
  ScratchFolder folder(L"language_without_dialogs");
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\version.dll").c_str(), (folder / L"qbxlng.dll").c_str(), FALSE));
  LoadLibraryFrom(folder.Path());
  ASSERT_TRUE(LanguageLibraryLoaded());
  EXPECT_EQ(OwnModule(), DialogModule(L"SETUPDLG"));
  EXPECT_STREQ(EnglishText(IDS_HOMEURL), GetOwnString(IDS_HOMEURL));
  FreeLanguageLibrary();
}
