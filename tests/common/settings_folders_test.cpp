#include "common/settings_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/probe.h"
#include "tests/support/product_state.h"
#include "tests/support/scratch_folder.h"

namespace {

std::wstring AppDataFolder() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder);
  return folder;
}

class SettingsFolders : public testing::Test {
 protected:
  CleanProductState clean_;

  static void SetAppDataOverride(const std::wstring& value) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Quobex\\Paths", 0,
                                             nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    RegSetValueExW(key, L"AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
};

}  // namespace

TEST_F(SettingsFolders, UserDataFolderIsCreatedOnlyWhenAsked) {
  const std::wstring expected = AppDataFolder() + L"\\Quobex";
  wchar_t folder[2048];
  EXPECT_FALSE(GetUserDataFolder(folder, 2048, false));
  EXPECT_EQ(expected, folder) << "the path is given even when it does not exist";
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(expected.c_str()));
  EXPECT_TRUE(GetUserDataFolder(folder, 2048, true));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(expected.c_str()));
  EXPECT_TRUE(GetUserDataFolder(folder, 2048, false));
}

TEST_F(SettingsFolders, SettingsFolderPrefersAnExistingAppDataOverride) {
  ScratchFolder redirected(L"settings_redirected");
  wchar_t folder[2048];
  GetSettingsFolder(folder, 2048, true);
  EXPECT_EQ(AppDataFolder() + L"\\Quobex", folder);

  SetAppDataOverride(redirected.Path());
  GetSettingsFolder(folder, 2048, false);
  EXPECT_EQ(redirected.Path(), folder);

  SetAppDataOverride(redirected / L"missing");
  GetSettingsFolder(folder, 2048, false);
  EXPECT_EQ(AppDataFolder() + L"\\Quobex", folder) << "an override that does not exist is ignored";

  // A value longer than the byte limit (capacity characters are capacity / 2 of them) is absent.
  SetAppDataOverride(redirected.Path());
  wchar_t small[16];
  GetSettingsFolder(small, 16, false);
  EXPECT_STRNE(redirected.Path().substr(0, 15).c_str(), small);
}

TEST_F(SettingsFolders, CandidatesAreTheSettingsFolderThenTheProgramFolder) {
  wchar_t folder[2048];
  EXPECT_TRUE(GetCandidateFolder(1, folder, 2048, false));
  EXPECT_EQ(TestProgramFolder(), folder);
  EXPECT_TRUE(GetCandidateFolder(0, folder, 2048, false));
  EXPECT_FALSE(GetCandidateFolder(2, folder, 2048, false));
  EXPECT_FALSE(GetCandidateFolder(-1, folder, 2048, false));
}

// Run from a copy of this program in a scratch folder, so that "beside the program" is inside
// the prefix: checks FindSettingsFile with the file beside the program, then in both places.
TEST_F(SettingsFolders, DISABLED_FindSettingsFileProbe) {
  const std::wstring programFolder = TestProgramFolder();
  const std::wstring besideProgram = programFolder + L"\\Quobex.ini";
  const std::wstring inSettings = AppDataFolder() + L"\\Quobex\\Quobex.ini";
  ASSERT_TRUE(WriteFileBytes(besideProgram, "program"));
  wchar_t found[2048];
  FindSettingsFile(L"Quobex.ini", found, 2048, true, false);
  EXPECT_EQ(besideProgram, found);
  FindSettingsFile(L"Quobex.ini", found, 2048, false, false);
  EXPECT_EQ(programFolder + L"\\Quobex.ini", found)
      << "without searchAll: the settings folder's candidate, here the program folder";

  wchar_t folder[2048];
  ASSERT_TRUE(GetUserDataFolder(folder, 2048, true));
  ASSERT_TRUE(WriteFileBytes(inSettings, "settings"));
  FindSettingsFile(L"Quobex.ini", found, 2048, true, false);
  EXPECT_EQ(inSettings, found) << "the settings folder wins";
  FindSettingsFile(L"*.ini", found, 2048, true, false);
  EXPECT_EQ(AppDataFolder() + L"\\Quobex\\*.ini", found) << "masks are matched too";

  DeleteFileW(besideProgram.c_str());
  FindSettingsFile(L"absent.ini", found, 2048, true, false);
  EXPECT_EQ(programFolder + L"\\absent.ini", found) << "nowhere: the program folder's path";
}

TEST_F(SettingsFolders, FindSettingsFileSearchesTheSettingsFolderThenBesideTheProgram) {
  ScratchFolder copy(L"settings_program_copy");
  EXPECT_EQ(0u, RunProbe(L"SettingsFolders.DISABLED_FindSettingsFileProbe", copy.Path()));
}
