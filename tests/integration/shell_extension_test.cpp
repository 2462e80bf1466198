// Built twice: as shell_extension_test (the prefix's Windows 7) and into integration_xp_test,
// which Wine tells it runs on Windows XP (QBX_XP_BRANCH).
#include "integration/shell_extension.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/integration_sandbox.h"
#include "tests/support/registry_values.h"

namespace {

const std::wstring kClsid32 = L"{6F0C2A94-3B71-4E58-A1D6-9C47E2B05D31}";
const std::wstring kClsid64 = L"{6F0C2A94-3B72-4E58-A1D6-9C47E2B05D31}";
const std::wstring kApproved = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

IntegrationOptions WithShellExtension(bool on) {
  IntegrationOptions options = {};
  options.Slots[kSlotShellExtension] = on ? 1 : 0;
  return options;
}

class ShellExtension : public testing::Test {
 protected:
  IntegrationSandbox sandbox_;
};

}  // namespace

TEST_F(ShellExtension, BothLibrariesRegisteredWithTheSixtyFourBitDropHandler) {
  IntegrationSandbox::PlaceProductFiles();
  SetShellExtensions(false, WithShellExtension(true));
  EXPECT_EQ(IntegrationSandbox::File(L"qbxext.dll"),
            ReadRawString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid64 + L"\\InProcServer32", L""));
  EXPECT_EQ(L"Apartment", ReadRawString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid64 + L"\\InProcServer32",
                                        L"ThreadingModel"));
  EXPECT_EQ(IntegrationSandbox::File(L"qbxext32.dll"),
            ReadRawString(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid32 + L"\\InProcServer32", L"",
                          KEY_WOW64_32KEY));
  EXPECT_EQ(kClsid64, ReadRawString(HKEY_CLASSES_ROOT, L"Quobex\\shellex\\DropHandler", L""));
  EXPECT_EQ(kClsid64, ReadRawString(HKEY_CLASSES_ROOT, L"Quobex.ZIP\\shellex\\DropHandler", L""));
  EXPECT_EQ(kClsid32, ReadRawString(HKEY_CLASSES_ROOT, L"*\\shellex\\ContextMenuHandlers\\Quobex32", L""));
  EXPECT_EQ(kClsid64, ReadRawString(HKEY_CLASSES_ROOT, L"Drive\\shellex\\DragDropHandlers\\Quobex", L""));
  EXPECT_TRUE(RawKeyExists(HKEY_CLASSES_ROOT, L"exefile\\shellex\\PropertySheetHandlers\\" + kClsid32));
  EXPECT_EQ(L"Quobex shell extension", ReadRawString(HKEY_LOCAL_MACHINE, kApproved, kClsid32));
}

TEST_F(ShellExtension, AMissingLibraryGetsHandlersButNoClassIdentifier) {
  SetShellExtensions(false, WithShellExtension(true));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid32, KEY_WOW64_32KEY));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid64));
  EXPECT_EQ(kClsid32, ReadRawString(HKEY_CLASSES_ROOT, L"Folder\\shellex\\DragDropHandlers\\Quobex32", L""));
  EXPECT_EQ(L"Quobex shell extension", ReadRawString(HKEY_LOCAL_MACHINE, kApproved, kClsid32));
}

TEST_F(ShellExtension, UnregisteringRemovesHandlersAndApprovalButNotForeignSubKeys) {
  IntegrationSandbox::PlaceProductFiles();
  SetShellExtensions(false, WithShellExtension(true));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L"Directory\\shellex\\ContextMenuHandlers\\Quobex", L"",
                             kClsid64));
  SetShellExtensions(false, WithShellExtension(false));
  for (const std::wstring& key : std::vector<std::wstring>{
           L"CLSID\\" + kClsid64, L"Quobex\\shellex\\DropHandler", L"Quobex.ZIP\\shellex\\DropHandler",
        L"*\\shellex\\ContextMenuHandlers\\Quobex", L"lnkfile\\shellex\\ContextMenuHandlers\\Quobex32",
        L"Quobex\\shellex\\ContextMenuHandlers\\" + kClsid64,
        L"Directory\\shellex\\ContextMenuHandlers\\Quobex"}) {
    SCOPED_TRACE(testing::Message() << std::string(key.begin(), key.end()));
    EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, key));
  }
  EXPECT_FALSE(ReadRawValue(HKEY_LOCAL_MACHINE, kApproved, kClsid32).Exists);
  EXPECT_FALSE(ReadRawValue(HKEY_LOCAL_MACHINE, kApproved, kClsid64).Exists);
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid32, KEY_WOW64_32KEY))
      << "the 32-bit library's class identifier goes from the view it was written in";

  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L"Quobex\\shellex\\DropHandler\\Other", L"", L"x"));
  SetShellExtension(false, L"qbxext.dll", kClsid64.c_str(), L"Quobex", false);
  EXPECT_TRUE(RawKeyExists(HKEY_CLASSES_ROOT, L"Quobex\\shellex\\DropHandler\\Other"))
      << "one level only: a key with sub-keys stays";
}

TEST_F(ShellExtension, RemovalDeletesTheMachineProductKeyOnEveryVersion) {
  ASSERT_TRUE(WriteRawString(HKEY_LOCAL_MACHINE, L"Software\\Quobex\\Deep\\Key", L"x", L"y"));
  SetShellExtensions(true, WithShellExtension(false));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Quobex"));
}

#ifdef QBX_XP_BRANCH

TEST_F(ShellExtension, BeforeVistaThereIsNoDefaultProgramsEntry) {
  ASSERT_TRUE(WriteRawString(HKEY_LOCAL_MACHINE, L"Software\\RegisteredApplications", L"Quobex", L"kept"));
  SetShellExtensions(false, WithShellExtension(true));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Quobex\\Capabilities"));
  EXPECT_EQ(L"kept", ReadRawString(HKEY_LOCAL_MACHINE, L"Software\\RegisteredApplications", L"Quobex"));
  SetShellExtensions(true, WithShellExtension(false));
  EXPECT_EQ(L"kept", ReadRawString(HKEY_LOCAL_MACHINE, L"Software\\RegisteredApplications", L"Quobex"))
      << "nothing there is deleted either";
}

#else

TEST_F(ShellExtension, DefaultProgramsListsEveryMemberExtension) {
  SetShellExtensions(false, WithShellExtension(false));
  EXPECT_EQ(L"Software\\Quobex\\Capabilities",
            ReadRawString(HKEY_LOCAL_MACHINE, L"Software\\RegisteredApplications", L"Quobex"));
  EXPECT_EQ(L"Quobex", ReadRawString(HKEY_LOCAL_MACHINE, L"Software\\Quobex\\Capabilities",
                                     L"ApplicationDescription"));
  const std::wstring list = L"Software\\Quobex\\Capabilities\\FileAssociations";
  for (const MemberExtension& member : ExpectedMembers()) {
    SCOPED_TRACE(testing::Message() << std::string(member.Extension.begin(), member.Extension.end()));
    EXPECT_EQ(member.Slot == 1 ? L"Quobex.ZIP" : L"Quobex",
              ReadRawString(HKEY_LOCAL_MACHINE, list, member.Extension));
  }
  EXPECT_EQ(L"Quobex.ZIP", ReadRawString(HKEY_LOCAL_MACHINE, list, L".zip"));
  EXPECT_EQ(L"Quobex", ReadRawString(HKEY_LOCAL_MACHINE, list, L".zipx"));

  SetShellExtensions(true, WithShellExtension(false));
  EXPECT_FALSE(ReadRawValue(HKEY_LOCAL_MACHINE, L"Software\\RegisteredApplications", L"Quobex").Exists);
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Quobex"));
}

#endif
