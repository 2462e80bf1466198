#include "uninstall/integration_removal.h"

#include <gtest/gtest.h>

#include <string>

#include "integration/application_registration.h"
#include "integration/apply_integration.h"
#include "integration/integration_options.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/registry_values.h"
#include "uninstall/run_state.h"

namespace {

const std::wstring kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quobex archiver";
const std::wstring kAppPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quobex.exe";

void Install() {
  IntegrationOptions everything;
  for (uint8_t& slot : everything.Slots) slot = 1;
  ASSERT_TRUE(ApplyIntegration(everything, nullptr, 0));
  WriteUninstallEntry(UninstallEntryValues::All);
  ASSERT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, kAppPath, KEY_WOW64_32KEY));
}

}  // namespace

// An MSI package cannot be told from the command line of an uninstall run (any switch but /S
// prevents the run), so the branch is proved here.
TEST(IntegrationRemoval, AnMsiInstallationKeepsItsListEntryUntilThePackageGoes) {
  IntegrationSandbox sandbox;
  IntegrationSandbox::PlaceProductFiles();
  Install();
  gRunState.Msi = true;
  RemoveIntegration();
  RemoveProgramEntries();
  gRunState.Msi = false;
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, kUninstall));
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, kAppPath));
  for (const wchar_t* key : {L".qbx", L".zip", L".rev", L"Quobex", L"Quobex.ZIP", L"Quobex.REV",
                             L"Quobex\\shellex\\DropHandler"}) {
    EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, key)) << std::wstring(key).size();
  }
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\Quobex"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Quobex"));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L"CLSID\\{6F0C2A94-3B71-4E58-A1D6-9C47E2B05D31}",
                            KEY_WOW64_32KEY));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(IntegrationSandbox::File(L"zipnew.dat").c_str()));

  RemoveIntegration();
  RemoveProgramEntries();
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kUninstall));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kAppPath));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kAppPath, KEY_WOW64_32KEY)) << "both views";
}
