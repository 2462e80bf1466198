// Built twice: as shortcuts_test (the prefix's Windows 7) and into integration_xp_test, which
// Wine tells it runs on Windows XP (QBX_XP_BRANCH).
#include "integration/shortcuts.h"

#include "lang/language_file.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "settings/settings_file.h"
#include "tests/support/english_texts.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/shell_links.h"

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

IntegrationOptions Links(bool desktop, bool startMenu, bool programs) {
  IntegrationOptions options = {};
  options.Slots[kSlotDesktop] = desktop ? 1 : 0;
  options.Slots[kSlotStartMenu] = startMenu ? 1 : 0;
  options.Slots[kSlotPrograms] = programs ? 1 : 0;
  return options;
}

class Shortcuts : public testing::Test {
 protected:
  void SetUp() override {
    // A multithreaded apartment creates no window. A window would start Wine's desktop process,
    // which briefly opens every new file on the desktop, so that a deletion racing it fails with
    // a sharing violation that no Windows would give.
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IntegrationSandbox::PlaceProductFiles();
  }
  void TearDown() override {
    IntegrationSandbox::Clean();
    CoUninitialize();
  }
  const std::wstring executable_ = IntegrationSandbox::File(L"Quobex.exe");
  const std::wstring userDesktop_ = ShellFolder(CSIDL_DESKTOPDIRECTORY);
  IntegrationSandbox sandbox_;
};

}  // namespace

TEST_F(Shortcuts, LinksAreCreatedWithTheirPropertiesAndRemovedAgain) {
  const std::wstring icon = IntegrationSandbox::File(L"Quobex.chm");
  wchar_t groupFolder[2048] = {};
  SetShortcuts(Links(true, true, true), groupFolder, 2048, icon.c_str());
#ifdef QBX_XP_BRANCH
  const std::wstring desktopLink = userDesktop_ + L"\\Quobex.lnk";
  const std::wstring startLink = ShellFolder(CSIDL_STARTMENU) + L"\\Quobex.lnk";
#else
  const std::wstring desktopLink = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Quobex.lnk";
  const std::wstring startLink = ShellFolder(CSIDL_COMMON_STARTMENU) + L"\\Quobex.lnk";
#endif
  const LinkInfo desktop = ReadLink(desktopLink);
  ASSERT_TRUE(desktop.Loaded);
  EXPECT_EQ(executable_, desktop.Target);
  EXPECT_EQ(EnglishText(IDS_QUOBEXDESC), desktop.Description);
  EXPECT_EQ(icon, desktop.IconFile);
  EXPECT_EQ(0, desktop.IconIndex);
  EXPECT_EQ(L"", desktop.WorkingFolder) << "the desktop link gets no working folder";

  const LinkInfo start = ReadLink(startLink);
  ASSERT_TRUE(start.Loaded);
  EXPECT_EQ(executable_, start.Target);
  EXPECT_EQ(userDesktop_, start.WorkingFolder);

  const std::wstring group = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Quobex";
  EXPECT_EQ(group, groupFolder) << "the all-users group is the one shown after setup";
  const LinkInfo help = ReadLink(group + L"\\" + EnglishText(IDS_QUOBEXHELP) + L".lnk");
  ASSERT_TRUE(help.Loaded);
  EXPECT_EQ(IntegrationSandbox::File(L"Quobex.chm"), help.Target);
  EXPECT_EQ(L"", help.IconFile) << "only the main program's link gets the theme icon";
  const LinkInfo whatsNew = ReadLink(group + L"\\" + EnglishText(IDS_WHATSNEW) + L".lnk");
  EXPECT_EQ(IntegrationSandbox::File(EnglishText(IDS_WHATSNEWNAME)), whatsNew.Target);
  EXPECT_EQ(icon, ReadLink(group + L"\\Quobex.lnk").IconFile);

  SetShortcuts(Links(false, false, false), groupFolder, 2048, nullptr);
  EXPECT_FALSE(Exists(desktopLink));
  EXPECT_FALSE(Exists(startLink));
  EXPECT_FALSE(Exists(group));
  EXPECT_FALSE(Exists(ShellFolder(CSIDL_PROGRAMS) + L"\\Quobex"));
}

TEST_F(Shortcuts, ProgramGroupsAreEmptiedRefilledAndSkipMissingTargets) {
  DeleteFileW(IntegrationSandbox::File(L"Qbx.txt").c_str());
  for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    const std::wstring group = ShellFolder(csidl) + L"\\Quobex";
    CreateDirectoryW(group.c_str(), nullptr);
    CreateDirectoryW((group + L"\\Kept folder").c_str(), nullptr);
    ASSERT_TRUE(WriteLinkWithHotkey(group + L"\\Old name.lnk", executable_, 0));
  }
  SetShortcuts(Links(false, false, true), nullptr, 0, nullptr);
  for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    const std::wstring group = ShellFolder(csidl) + L"\\Quobex";
    SCOPED_TRACE(testing::Message() << csidl);
    EXPECT_FALSE(Exists(group + L"\\Old name.lnk"));
    EXPECT_TRUE(Exists(group + L"\\Kept folder"));
    EXPECT_TRUE(ReadLink(group + L"\\Quobex.lnk").Loaded);
    EXPECT_FALSE(Exists(group + L"\\" + EnglishText(IDS_QBXHELP) + L".lnk")) << "no Qbx.txt";
    EXPECT_EQ(userDesktop_, ReadLink(group + L"\\Quobex.lnk").WorkingFolder);
    EXPECT_EQ(L"", ReadLink(group + L"\\Quobex.lnk").IconFile);
    EXPECT_EQ(EnglishText(IDS_QUOBEXDESC), ReadLink(group + L"\\Quobex.lnk").Description);
  }
}

// The user's group may hold what the user (or anyone the user's Programs folder lets in) put
// there: setup and removal take out only links into the installation folder, or into the one the
// installed-programs entry names from a setup before.
TEST_F(Shortcuts, TheUsersGroupLosesOnlyTheProductsLinks) {
  const std::wstring group = ShellFolder(CSIDL_PROGRAMS) + L"\\Quobex";
  const std::wstring notepad = ShellFolder(CSIDL_WINDOWS) + L"\\notepad.exe";
  ASSERT_TRUE(WriteRawString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quobex archiver",
                             L"InstallLocation", L"C:\\qbxtest\\earlier\\"));
  CreateDirectoryW(group.c_str(), nullptr);
  CreateDirectoryW((group + L"\\sub").c_str(), nullptr);
  const struct {
    const wchar_t* Name;
    std::wstring Target;  // empty: a plain file
    bool Product;
  } entries[] = {
      {L"Old name.lnk", executable_, true},
      {L"Earlier.lnk", L"C:\\qbxtest\\earlier\\Quobex.exe", true},
      {L"Sibling.lnk", IntegrationSandbox::Folder() + L"-other\\Quobex.exe", false},
      {L"Mine.lnk", notepad, false},
      {L"Quobex.lnk", notepad, false},
      {L"Not a link.lnk", L"", false},
      {L"keep.txt", L"", false},
      {L"sub\\deep.txt", L"", false},
  };
  for (const auto& entry : entries) {
    const std::wstring path = group + L"\\" + entry.Name;
    ASSERT_TRUE(entry.Target.empty() ? WriteFileBytes(path, "someone's") : WriteLinkWithHotkey(path, entry.Target, 0));
  }
  for (bool programs : {true, false}) {
    SCOPED_TRACE(programs ? "setup" : "removal");
    SetShortcuts(Links(false, false, programs), nullptr, 0, nullptr);
    for (const auto& entry : entries) {
      SCOPED_TRACE(testing::Message() << std::wstring(entry.Name).size());
      EXPECT_EQ(!entry.Product, Exists(group + L"\\" + entry.Name));
    }
    EXPECT_EQ(notepad, ReadLink(group + L"\\Quobex.lnk").Target) << "a name taken is left as it is";
    EXPECT_EQ(programs, ReadLink(group + L"\\" + EnglishText(IDS_QUOBEXHELP) + L".lnk").Loaded);
    EXPECT_EQ("someone's", ReadFileBytes(group + L"\\sub\\deep.txt"));
  }
}

TEST_F(Shortcuts, AnExistingLinkKeepsItsHotkey) {
  const std::wstring link = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Quobex\\Quobex.lnk";
  CreateDirectoryW((ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Quobex").c_str(), nullptr);
  const std::wstring desktopLink = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Quobex.lnk";
  const WORD hotkey = MAKEWORD('Q', HOTKEYF_CONTROL | HOTKEYF_ALT);
  ASSERT_TRUE(WriteLinkWithHotkey(desktopLink, L"C:\\Old\\Quobex.exe", hotkey));
  ASSERT_TRUE(CreateShortcut(executable_.c_str(), desktopLink.c_str(), nullptr, L"New", nullptr));
  const LinkInfo updated = ReadLink(desktopLink);
  EXPECT_EQ(executable_, updated.Target);
  EXPECT_EQ(L"New", updated.Description);
  EXPECT_EQ(hotkey, updated.Hotkey);
  EXPECT_FALSE(CreateShortcut(executable_.c_str(), L"C:\\qbxtest\\no such folder\\x.lnk", nullptr,
                              nullptr, nullptr));
}

TEST_F(Shortcuts, IntegrationSwitchedOffTouchesNoLinkOrFolder) {
  ASSERT_TRUE(PlaceProgramSettingsFile("Global\\Integration=0\r\n"));
  LoadSettingsFile();  // in a run, the settings read before have loaded it
  const std::wstring group = ShellFolder(CSIDL_PROGRAMS) + L"\\Quobex";
  CreateDirectoryW(group.c_str(), nullptr);
  const std::wstring userLink = userDesktop_ + L"\\Quobex.lnk";
  ASSERT_TRUE(WriteFileBytes(userLink, "a user's link"));
  wchar_t groupFolder[2048] = L"unchanged";
  SetShortcuts(Links(false, true, false), groupFolder, 2048, nullptr);
  EXPECT_TRUE(Exists(group));
  EXPECT_TRUE(Exists(userLink));
  EXPECT_FALSE(Exists(ShellFolder(CSIDL_COMMON_STARTMENU) + L"\\Quobex.lnk"));
  EXPECT_STREQ(L"unchanged", groupFolder);
}

TEST_F(Shortcuts, AJunctionGroupFolderIsNeitherFilledNorRemoved) {
  // The test prefix holds C:\qbx-fixtures\programs\Quobex, a junction to a folder with a file that
  // is not ours; the program folders are pointed at its parent for the test.
  const std::wstring parent = L"C:\\qbx-fixtures\\programs";
  const std::wstring precious = L"C:\\qbx-fixtures\\junction-target\\precious.txt";
  ASSERT_NE(0u, GetFileAttributesW((parent + L"\\Quobex").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
  const std::wstring shellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  const std::wstring userPrograms = ReadRawString(HKEY_CURRENT_USER, shellFolders, L"Programs");
  const std::wstring commonPrograms = ReadRawString(HKEY_LOCAL_MACHINE, shellFolders, L"Common Programs");
  ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, shellFolders, L"Programs", parent));
  ASSERT_TRUE(WriteRawString(HKEY_LOCAL_MACHINE, shellFolders, L"Common Programs", parent));
  const std::wstring groupSeen = ShellFolder(CSIDL_PROGRAMS);
  IntegrationSandbox::PlaceProductFiles();
  wchar_t groupFolder[2048] = L"unchanged";
  SetShortcuts(Links(false, false, true), groupFolder, 2048, nullptr);
  SetShortcuts(Links(false, false, false), nullptr, 0, nullptr);
  WriteRawString(HKEY_CURRENT_USER, shellFolders, L"Programs", userPrograms, REG_EXPAND_SZ);
  WriteRawString(HKEY_LOCAL_MACHINE, shellFolders, L"Common Programs", commonPrograms, REG_EXPAND_SZ);
  EXPECT_EQ(parent, groupSeen) << "the redirection took effect";
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((parent + L"\\Quobex").c_str()));
  EXPECT_EQ("not ours", ReadFileBytes(precious));
  EXPECT_FALSE(Exists(L"C:\\qbx-fixtures\\junction-target\\Quobex.lnk")) << "not filled";
  EXPECT_STREQ(L"unchanged", groupFolder) << "not shown after setup either";

  // The user's program folder itself reached through the link: no group is made where it leads.
  ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, shellFolders, L"Programs", parent + L"\\Quobex"));
  SetShortcuts(Links(false, false, true), nullptr, 0, nullptr);
  WriteRawString(HKEY_CURRENT_USER, shellFolders, L"Programs", userPrograms, REG_EXPAND_SZ);
  EXPECT_FALSE(Exists(L"C:\\qbx-fixtures\\junction-target\\Quobex"));
}

TEST_F(Shortcuts, SpecialFoldersAndPlainFolderRemoval) {
  wchar_t folder[300];
  EXPECT_TRUE(GetSpecialFolder(folder, 300, CSIDL_PROGRAMS));
  EXPECT_EQ(ShellFolder(CSIDL_PROGRAMS), folder);
  wchar_t small[200];
  EXPECT_FALSE(GetSpecialFolder(small, 200, CSIDL_PROGRAMS)) << "260 characters are needed";
  EXPECT_STREQ(L"unknown_folder", small);
  wchar_t tiny[8];
  EXPECT_FALSE(GetSpecialFolder(tiny, 8, CSIDL_PROGRAMS));
  EXPECT_STREQ(L"unknown", tiny);

  ScratchFolder root(L"folder_tree");
  CreateDirectoryW((root / L"tree").c_str(), nullptr);
  CreateDirectoryW((root / L"tree\\deep").c_str(), nullptr);
  ASSERT_TRUE(WriteFileBytes(root / L"tree\\deep\\f.txt", "x"));
  ASSERT_TRUE(WriteFileBytes(root / L"file.txt", "x"));
  RemoveFolderTree((root / L"tree").c_str());
  EXPECT_FALSE(Exists(root / L"tree"));
  RemoveFolderTree((root / L"file.txt").c_str());
  EXPECT_TRUE(Exists(root / L"file.txt")) << "a file is no folder tree";
}

#ifndef QBX_XP_BRANCH
// The user's desktop is where the user's settings say, through a link the user made too: only a
// link an earlier version left there goes, never another file of its name.
TEST_F(Shortcuts, OnVistaTheDesktopLinkMovesToAllUsers) {
  const std::wstring shellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  const std::wstring setting = ReadRawString(HKEY_CURRENT_USER, shellFolders, L"Desktop");
  const std::wstring notepad = ShellFolder(CSIDL_WINDOWS) + L"\\notepad.exe";
  const std::wstring junction = L"C:\\qbx-fixtures\\programs\\Quobex";  // leads to junction-target
  const struct {
    std::wstring Desktop;
    std::wstring Link;    // where the link's name is reached
    std::wstring Target;  // empty: a plain file
    bool Goes;
  } cases[] = {
      {userDesktop_, userDesktop_ + L"\\Quobex.lnk", executable_, true},
      {userDesktop_, userDesktop_ + L"\\Quobex.lnk", notepad, false},
      {userDesktop_, userDesktop_ + L"\\Quobex.lnk", L"", false},
      {junction, L"C:\\qbx-fixtures\\junction-target\\Quobex.lnk", executable_, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Link.size() << " " << c.Target.size());
    ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, shellFolders, L"Desktop", c.Desktop));
    ASSERT_TRUE(c.Target.empty() ? WriteFileBytes(c.Link, "someone's") : WriteLinkWithHotkey(c.Link, c.Target, 0));
    SetShortcuts(Links(true, false, false), nullptr, 0, nullptr);
    WriteRawString(HKEY_CURRENT_USER, shellFolders, L"Desktop", setting, REG_EXPAND_SZ);
    EXPECT_EQ(!c.Goes, Exists(c.Link));
    DeleteFileW(c.Link.c_str());
  }
  EXPECT_TRUE(ReadLink(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Quobex.lnk").Loaded);
}
#else
TEST_F(Shortcuts, BeforeVistaLinksStayWithTheUser) {
  SetShortcuts(Links(true, true, false), nullptr, 0, nullptr);
  EXPECT_TRUE(ReadLink(userDesktop_ + L"\\Quobex.lnk").Loaded);
  EXPECT_TRUE(ReadLink(ShellFolder(CSIDL_STARTMENU) + L"\\Quobex.lnk").Loaded);
  EXPECT_FALSE(Exists(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Quobex.lnk"));
  EXPECT_FALSE(Exists(ShellFolder(CSIDL_COMMON_STARTMENU) + L"\\Quobex.lnk"));
}
#endif

// A translation becomes a file name here: only a plain name is taken, else the English one.
TEST_F(Shortcuts, TranslatedNamesThatLeadElsewhereGiveWayToTheEnglishOnes) {
  IntegrationSandbox::PlaceProductFiles();
  ScratchFolder folder(L"hostile_language");
  ASSERT_TRUE(WriteFileBytes(folder / L"uninstall.lng",
                             "***messages***\r\n:STRINGS\r\n"
                             "IDS_QUOBEXHELP \"..\\\\..\\\\evil\"\r\n"
                             "IDS_QBXHELP \"\"\r\n"
                             "IDS_WHATSNEWNAME \"C:\\\\Windows\\\\win.ini\"\r\n"
                             "IDS_WHATSNEW \"Neu\"\r\n"));
  gLanguageFile.Load((folder / L"uninstall.lng").c_str());
  SetShortcuts(Links(false, false, true), nullptr, 0, nullptr);
  gLanguageFile.Load((folder / L"none.lng").c_str());
  const std::wstring group = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Quobex";
  EXPECT_TRUE(Exists(group + L"\\" + EnglishText(IDS_QUOBEXHELP) + L".lnk"));
  EXPECT_TRUE(Exists(group + L"\\" + EnglishText(IDS_QBXHELP) + L".lnk")) << "an empty name";
  EXPECT_EQ(IntegrationSandbox::File(L"WhatsNew.txt"), ReadLink(group + L"\\Neu.lnk").Target)
      << "a plain translation is used";
  EXPECT_FALSE(Exists(ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\..\\evil.lnk"));
}
