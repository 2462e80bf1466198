#include "integration/application_registration.h"

#include <gtest/gtest.h>

#include <string>

#include "lang/language_file.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/probe.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"

namespace {

const std::wstring kAppPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quobex.exe";
const std::wstring kUninstall =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quobex archiver";

DWORD Number(const RawValue& value) {
  return value.Type == REG_DWORD ? *reinterpret_cast<const DWORD*>(value.Bytes.data()) : 0xFFFFFFFF;
}

class ApplicationRegistration : public testing::Test {
 protected:
  IntegrationSandbox sandbox_;
};

}  // namespace

TEST_F(ApplicationRegistration, AppPathsInBothViewsAndTheMachineProductKey) {
  ASSERT_TRUE(RegisterAppPath());
  const std::wstring folder = IntegrationSandbox::Folder();
  for (REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_32KEY}}) {
    SCOPED_TRACE(view);
    EXPECT_EQ(folder + L"\\Quobex.exe", ReadRawString(HKEY_LOCAL_MACHINE, kAppPaths, L"", view));
    EXPECT_EQ(folder, ReadRawString(HKEY_LOCAL_MACHINE, kAppPaths, L"Path", view));
  }
  EXPECT_EQ(folder + L"\\Quobex.exe", ReadRawString(HKEY_LOCAL_MACHINE, L"Software\\Quobex", L"exe64"));
}

TEST_F(ApplicationRegistration, UninstallEntryHoldsEveryValueWithItsType) {
  WriteUninstallEntry(UninstallEntryValues::All);
  const std::wstring folder = IntegrationSandbox::Folder();
  struct TextCase {
    const wchar_t* name;
    std::wstring text;
  };
  const TextCase texts[] = {
      {L"DisplayName", L"Quobex 5.80 beta 1 (64-bit)"},
      {L"DisplayVersion", L"5.80.1"},
      {L"UninstallString", L"\"" + folder + L"\\application_registration_test.exe\""},
      {L"DisplayIcon", folder + L"\\Quobex.exe"},
      {L"InstallLocation", folder + L"\\"},
      {L"Publisher", L"Ostrel GmbH"},
  };
  for (const TextCase& c : texts) {
    SCOPED_TRACE(testing::Message() << c.name);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), ReadRawValue(HKEY_LOCAL_MACHINE, kUninstall, c.name).Type);
    EXPECT_EQ(c.text, ReadRawString(HKEY_LOCAL_MACHINE, kUninstall, c.name));
  }
  const struct {
    const wchar_t* name;
    DWORD number;
  } numbers[] = {{L"VersionMajor", 5}, {L"VersionMinor", 80}, {L"NoModify", 1}, {L"NoRepair", 1},
                 {L"Language", 0}};
  for (const auto& c : numbers) {
    SCOPED_TRACE(testing::Message() << c.name);
    EXPECT_EQ(c.number, Number(ReadRawValue(HKEY_LOCAL_MACHINE, kUninstall, c.name)));
  }
}

TEST_F(ApplicationRegistration, VersionTextFollowsTheLanguage) {
  wchar_t text[64] = L"";
  AppendVersionText(text, 64);
  EXPECT_STREQ(L"5.80 beta 1 (64-bit)", text) << "no leading blank on an empty text";
  gLanguageFile.Load((TestProgramFolder() + L"\\lang\\german.lng").c_str());
  wchar_t german[64] = L"Quobex";
  AppendVersionText(german, 64);
  gLanguageFile.Unload();
  EXPECT_STREQ(L"Quobex 5.80 Beta 1 (64 Bit)", german);
  wchar_t cut[12] = L"Quobex";
  AppendVersionText(cut, 12);
  EXPECT_STREQ(L"Quobex 5.80", cut);
}

// Run from a copy at the root of drive C: (by the test below).
TEST_F(ApplicationRegistration, DISABLED_DriveRootProbe) {
  ASSERT_TRUE(RegisterAppPath());
  EXPECT_EQ(L"C:\\", ReadRawString(HKEY_LOCAL_MACHINE, kAppPaths, L"Path"));
  EXPECT_EQ(L"C:\\Quobex.exe", ReadRawString(HKEY_LOCAL_MACHINE, kAppPaths, L""));
  WriteUninstallEntry(UninstallEntryValues::All);
  EXPECT_EQ(L"C:\\", ReadRawString(HKEY_LOCAL_MACHINE, kUninstall, L"InstallLocation"));
  EXPECT_EQ(L"C:\\Quobex.exe", ReadRawString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayIcon"));
}

TEST_F(ApplicationRegistration, AProgramAtADriveRootKeepsTheRootsSeparator) {
  EXPECT_EQ(0u, RunProbe(L"ApplicationRegistration.DISABLED_DriveRootProbe", L"C:"));
  DeleteFileW(L"C:\\application_registration_test.exe");
}
