#include "integration/apply_integration.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/english_texts.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/shell_links.h"

namespace {

class ApplyIntegrationTest : public testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }  // see shortcuts_test
  void TearDown() override { CoUninitialize(); }
  IntegrationSandbox sandbox_;
};

}  // namespace

// Everything a default setup writes, from the rules of each step, against what appeared.
TEST_F(ApplyIntegrationTest, DefaultApplyWritesExactlyTheExpectedKeysValuesAndLinks) {
  IntegrationSandbox::PlaceProductFiles();
  IntegrationOptions options = {};
  LoadIntegrationOptions(options);
  const RegistrySnapshot machineBefore = TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, L"Software");
  const RegistrySnapshot userBefore = TakeRegistrySnapshot(HKEY_CURRENT_USER, L"Software");
  wchar_t groupFolder[2048] = L"unchanged";
  ASSERT_TRUE(ApplyIntegration(options, groupFolder, 2048));

  const std::wstring folder = IntegrationSandbox::Folder();
  const std::wstring executable = folder + L"\\Quobex.exe";
  const std::wstring command = L"\"" + executable + L"\" \"%1\"";
  const std::wstring clsid32 = L"{6F0C2A94-3B71-4E58-A1D6-9C47E2B05D31}";
  const std::wstring clsid64 = L"{6F0C2A94-3B72-4E58-A1D6-9C47E2B05D31}";
  RegistrySnapshot machine;
  RegistrySnapshot user;
  auto classes = [&](const std::wstring& key, const std::wstring& name, SnapshotValue value) {
    machine[L"Software\\Classes\\" + key + L"|" + name] = value;
  };
  machine[L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quobex.exe|"] = TextValue(executable);
  machine[L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quobex.exe|Path"] = TextValue(folder);
  machine[L"Software\\Quobex|exe64"] = TextValue(executable);
  machine[L"Software\\RegisteredApplications|Quobex"] = TextValue(L"Software\\Quobex\\Capabilities");
  machine[L"Software\\Quobex\\Capabilities|ApplicationDescription"] = TextValue(L"Quobex");
  for (const std::wstring& id : {clsid32, clsid64}) {
    machine[L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved|" + id] =
        TextValue(L"Quobex shell extension");
    for (const wchar_t* key : {L"Quobex\\shellex\\ContextMenuHandlers\\", L"Quobex\\shellex\\PropertySheetHandlers\\",
                               L"Quobex.ZIP\\shellex\\ContextMenuHandlers\\",
                               L"Quobex.ZIP\\shellex\\PropertySheetHandlers\\",
                               L"exefile\\shellex\\PropertySheetHandlers\\"}) {
      classes(key + id, L"", TextValue(L""));
    }
  }
  for (const auto& [handler, id] : {std::pair{L"Quobex32", clsid32}, std::pair{L"Quobex", clsid64}}) {
    for (const wchar_t* key : {L"*\\shellex\\ContextMenuHandlers\\", L"Folder\\shellex\\ContextMenuHandlers\\",
                               L"Folder\\shellex\\DragDropHandlers\\", L"Drive\\shellex\\DragDropHandlers\\",
                               L"lnkfile\\shellex\\ContextMenuHandlers\\"}) {
      classes(key + std::wstring(handler), L"", TextValue(id));
    }
  }
  classes(L"Quobex\\shellex\\DropHandler", L"", TextValue(clsid64));
  classes(L"Quobex.ZIP\\shellex\\DropHandler", L"", TextValue(clsid64));
  classes(L"CLSID\\" + clsid64, L"", TextValue(L"Quobex"));
  classes(L"CLSID\\" + clsid64 + L"\\InProcServer32", L"", TextValue(folder + L"\\qbxext.dll"));
  classes(L"CLSID\\" + clsid64 + L"\\InProcServer32", L"ThreadingModel", TextValue(L"Apartment"));
  for (const MemberExtension& member : ExpectedMembers()) {
    const std::wstring productClass = member.Slot == 1 ? L"Quobex.ZIP" : L"Quobex";
    machine[L"Software\\Quobex\\Capabilities\\FileAssociations|" + member.Extension] = TextValue(productClass);
    if (member.Slot == kFamilyJar) continue;  // off by default
    classes(member.Extension, L"", TextValue(productClass));
    const std::wstring saved = L"Software\\Quobex\\Setup\\" + member.Extension + L"|";
    machine[saved + L"Exist"] = NumberValue(0);
    machine[saved + L"Type"] = TextValue(L"");
    machine[saved + L"ShellNew"] = TextValue(L"");
  }
  for (int n = 0; n < 30; ++n) {
    wchar_t volume[8];
    wsprintfW(volume, L".q%02u", n);
    classes(volume, L"", TextValue(L"Quobex"));
  }
  classes(L".qbx\\ShellNew", L"FileName", TextValue(folder + L"\\qbxnew.dat"));
  classes(L".zip\\ShellNew", L"FileName", TextValue(folder + L"\\zipnew.dat"));
  classes(L".rev", L"", TextValue(L"Quobex.REV"));
  const struct {
    const wchar_t* Name;
    UINT Description;
    const wchar_t* Icon;
  } fileClasses[] = {{L"Quobex", IDS_QUOBEXARC, L",0"}, {L"Quobex.ZIP", IDS_QUOBEXZIPARC, L",0"},
                     {L"Quobex.REV", IDS_QBXRECVOL, L",1"}};
  for (const auto& fileClass : fileClasses) {
    classes(fileClass.Name, L"", TextValue(EnglishText(fileClass.Description)));
    classes(fileClass.Name + std::wstring(L"\\shell\\open\\command"), L"", TextValue(command));
    classes(fileClass.Name + std::wstring(L"\\DefaultIcon"), L"", TextValue(executable + fileClass.Icon));
  }

  // The 32-bit view holds its own copies; where a platform keeps them physically differs. The
  // record of the keys setup had to create depends on what the system had before.
  RegistrySnapshot machineAdded =
      AddedOrChanged(machineBefore, TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, L"Software"));
  std::erase_if(machineAdded, [](const auto& entry) {
    return entry.first.find(L"Wow6432Node") != std::wstring::npos ||
           entry.first.starts_with(L"Software\\Quobex\\CreatedKeys|");
  });
  EXPECT_EQ("", SnapshotDifference(machine, machineAdded));
  EXPECT_EQ("", SnapshotDifference(
                    user, AddedOrChanged(userBefore, TakeRegistrySnapshot(HKEY_CURRENT_USER, L"Software"))));
  RecordProperty("MachineValues", static_cast<int>(machine.size()));
  RecordProperty("UserValues", static_cast<int>(user.size()));

  const std::wstring appPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quobex.exe";
  EXPECT_EQ(executable, ReadRawString(HKEY_LOCAL_MACHINE, appPaths, L"", KEY_WOW64_32KEY));
  EXPECT_EQ(folder, ReadRawString(HKEY_LOCAL_MACHINE, appPaths, L"Path", KEY_WOW64_32KEY));
  EXPECT_EQ(folder + L"\\qbxext32.dll",
            ReadRawString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid32 + L"\\InProcServer32", L"",
                          KEY_WOW64_32KEY));

  // Files: the two templates and the program groups; no desktop or Start menu link by default.
  EXPECT_EQ(std::string("Qbx!\x1A\x07\x01\x00\xC1\xDF\x5F\x56\x03\x01\x04\x00\x1D\x77\x56\x51\x03\x05\x04\x00", 24),
            ReadFileBytes(folder + L"\\qbxnew.dat"));
  EXPECT_EQ(std::string("PK\x05\x06", 4) + std::string(18, '\0'), ReadFileBytes(folder + L"\\zipnew.dat"));
  const std::wstring commonGroup = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Quobex";
  EXPECT_EQ(commonGroup, groupFolder);
  for (const std::wstring& group : {ShellFolder(CSIDL_PROGRAMS) + L"\\Quobex", commonGroup}) {
    for (UINT name : {IDS_QUOBEXHELP, IDS_QBXHELP, IDS_WHATSNEW}) {
      EXPECT_NE(INVALID_FILE_ATTRIBUTES,
                GetFileAttributesW((group + L"\\" + EnglishText(name) + L".lnk").c_str()));
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((group + L"\\Quobex.lnk").c_str()));
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
            GetFileAttributesW((ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Quobex.lnk").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
            GetFileAttributesW((ShellFolder(CSIDL_COMMON_STARTMENU) + L"\\Quobex.lnk").c_str()));
}

// The icon a user set goes into links every account sees only when it is one of the
// installation's own: anything else (another folder, a way out of the installation folder, a
// folder whose name only begins like it, a network path) leaves them the program's icon.
TEST_F(ApplyIntegrationTest, AllUsersLinksTakeTheUsersIconOnlyFromTheInstallation) {
  const std::wstring folder = IntegrationSandbox::Folder();
  ScratchFolder other(L"icons");
  const std::wstring sibling = folder + L"-icons";  // C:\qbx-icons: begins like C:\qbx
  const struct {
    std::wstring Icon;
    bool Taken;
  } cases[] = {{folder + L"\\Themes\\own.ico", true},
               {other / L"own.ico", false},
               {folder + L"\\Themes\\..\\..\\" + sibling.substr(3) + L"\\own.ico", false},
               {sibling + L"\\own.ico", false},
               {L"\\\\qbx-no-host\\share\\own.ico", false}};
  CreateDirectoryW((folder + L"\\Themes").c_str(), nullptr);
  CreateDirectoryW(sibling.c_str(), nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Icon);
    IntegrationSandbox::Clean();
    IntegrationSandbox::PlaceProductFiles();
    ASSERT_TRUE(c.Icon.starts_with(L"\\\\") || WriteFileBytes(c.Icon, "an icon"));
    ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, L"Software\\Quobex\\Interface\\Themes", L"ShellExtIcon", c.Icon));
    IntegrationOptions options = {};
    LoadIntegrationOptions(options);
    options.Slots[kSlotDesktop] = options.Slots[kSlotStartMenu] = options.Slots[kSlotPrograms] = 1;
    ASSERT_TRUE(ApplyIntegration(options, nullptr, 0));
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS}) {
      const std::wstring link = ShellFolder(csidl) + (csidl == CSIDL_COMMON_PROGRAMS ? L"\\Quobex" : L"") + L"\\Quobex.lnk";
      const LinkInfo info = ReadLink(link);
      ASSERT_TRUE(info.Loaded) << csidl;
      EXPECT_EQ(c.Taken ? c.Icon : L"", info.IconFile) << csidl;
    }
  }
  RemoveTree(folder + L"\\Themes");
  RemoveTree(sibling);
}
