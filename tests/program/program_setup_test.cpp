// The setup run of the built program, started as the installer starts it and driven from outside.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "resources/dialog_texts.h"
#include "resources/resource_ids.h"
#include "tests/support/english_texts.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/product_state.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/window_automation.h"

namespace {

const std::wstring kSetup = L"Software\\Quobex\\Setup";
const std::wstring kUninstall =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quobex archiver";

DWORD StoredNumber(const std::wstring& key, const std::wstring& name) {
  const RawValue value = ReadRawValue(HKEY_CURRENT_USER, key, name);
  return value.Exists && value.Type == REG_DWORD ? *reinterpret_cast<const DWORD*>(value.Bytes.data())
                                                 : 0xFFFFFFFF;
}

class ProgramSetup : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallProgramCopy(installation_.Path()));
    for (const wchar_t* name : {L"Quobex.exe", L"Quobex.chm", L"Qbx.txt", L"WhatsNew.txt"}) {
      ASSERT_TRUE(WriteFileBytes(installation_ / name, "stand-in"));
    }
  }

  std::wstring Program() const { return installation_ / L"Uninstall.exe"; }

  StartedProcess Start(const std::wstring& arguments, const Environment& environment = {}) {
    return StartInstalledProgram(installation_.Path(), arguments, environment);
  }

  // Waits for the end of a run that must show no window at all.
  DWORD RunInvisibly(StartedProcess& program) {
    DWORD exitCode = 99;
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (!program.WaitForExit(20, exitCode) && GetTickCount64() < deadline) {
      EXPECT_FALSE(ProcessHasVisibleWindow(program.Id())) << "a silent run shows a window";
    }
    return exitCode;
  }

  IntegrationSandbox sandbox_;
  ScratchFolder installation_{L"Quobex setup"};
};

}  // namespace

TEST_F(ProgramSetup, SilentSetupStoresAndAppliesTheInitialOptions) {
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, kSetup + L"\\.7z", L"Set", REG_DWORD,
                            std::string("\0\0\0\0", 4)));
  StartedProcess program = Start(L"/setup /S /initA10101S0D1");
  ASSERT_TRUE(program.Started());
  EXPECT_EQ(0u, RunInvisibly(program));

  // Stored: A10101 sets the first five families, S0 the shell extension, D1 the desktop link.
  const struct {
    const wchar_t* key;
    const wchar_t* value;
    DWORD number;
  } stored[] = {
      {L"\\.qbx", L"Set", 1}, {L"\\.zip", L"Set", 0}, {L"\\.cab", L"Set", 1}, {L"\\.arj", L"Set", 0},
      {L"\\.lz", L"Set", 1},  {L"\\.7z", L"Set", 0},  {L"\\.tar", L"Set", 1},
      {L"", L"ShellExt", 0},  {L"\\Links", L"Desktop", 1}, {L"\\Links", L"Programs", 1},
  };
  for (const auto& c : stored) {
    SCOPED_TRACE(testing::Message() << c.key << " " << c.value);
    EXPECT_EQ(c.number, StoredNumber(kSetup + c.key, c.value));
  }
  // Applied.
  EXPECT_EQ(L"Quobex", ReadRawString(HKEY_CLASSES_ROOT, L".qbx", L""));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".zip"));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".qbx\\ShellNew")) << "no shell extension";
  EXPECT_NE(INVALID_FILE_ATTRIBUTES,
            GetFileAttributesW((ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Quobex.lnk").c_str()));
  EXPECT_EQ(L"\"" + Program() + L"\"", ReadRawString(HKEY_LOCAL_MACHINE, kUninstall, L"UninstallString"));
  // What deployment tools and the Programs panel read: the quiet removal, the size in kilobytes
  // of the installation's files (the program and four stand-ins of 8 bytes), the day, the home.
  EXPECT_EQ(L"\"" + Program() + L"\" /S", ReadRawString(HKEY_LOCAL_MACHINE, kUninstall, L"QuietUninstallString"));
  const DWORD bytes = static_cast<DWORD>(ReadFileBytes(Program()).size()) + 4 * 8;
  const RawValue size = ReadRawValue(HKEY_LOCAL_MACHINE, kUninstall, L"EstimatedSize");
  ASSERT_EQ(static_cast<DWORD>(REG_DWORD), size.Type);
  EXPECT_EQ((bytes + 1023) / 1024, *reinterpret_cast<const DWORD*>(size.Bytes.data()));
  const std::wstring date = ReadRawString(HKEY_LOCAL_MACHINE, kUninstall, L"InstallDate");
  EXPECT_TRUE(IsDateOfThisRun(date)) << std::string(date.begin(), date.end());
  EXPECT_EQ(EnglishText(IDS_HOMEURL), ReadRawString(HKEY_LOCAL_MACHINE, kUninstall, L"URLInfoAbout"));
}

TEST_F(ProgramSetup, SilentSwitchFromTheInstallerVariableAndMsiWithoutUninstallEntry) {
  StartedProcess program = Start(L"/setup /msi /inita1d1", {{L"sfxcmd", L"/S"}});
  ASSERT_TRUE(program.Started());
  EXPECT_EQ(0u, RunInvisibly(program));
  EXPECT_EQ(1u, StoredNumber(kSetup + L"\\.qbx", L"Set"));
  EXPECT_EQ(1u, StoredNumber(kSetup + L"\\Links", L"Desktop")) << "lower-case letters count";
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kUninstall)) << "an MSI package lists the product";
  EXPECT_EQ(L"Quobex", ReadRawString(HKEY_CLASSES_ROOT, L".qbx", L""));
}

// Copied before anything reads a setting: the setup run keeps its records there already, where
// every later run looks for them.
TEST_F(ProgramSetup, InstallersSettingsFileIsCopiedButNeverOverAnExistingOne) {
  ScratchFolder installer(L"installer");
  ASSERT_TRUE(WriteFileBytes(installer / L"quobex.ini", "Global\\Integration=1\r\n"));
  StartedProcess first = Start(L"/setup /S", {{L"sfxname", installer / L"quobex580.exe"}});
  EXPECT_EQ(0u, RunInvisibly(first));
  const std::string copied = ReadFileBytes(installation_ / L"Quobex.ini");
  for (const wchar_t* line : {L"Global\\Integration=1\r\n", L"HKLM\\Setup\\.zip\\Exist=0\r\n",
                              L"HKCU\\Setup\\.zip\\Set=1\r\n"}) {
    EXPECT_NE(std::string::npos, copied.find(Utf16Bytes(line))) << std::wstring(line).size();
  }
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Quobex\\Setup"));
  EXPECT_EQ("Global\\Integration=1\r\n", ReadFileBytes(installer / L"quobex.ini"));

  ASSERT_TRUE(WriteFileBytes(installation_ / L"Quobex.ini", "Global\\Integration=0\r\n"));
  ASSERT_TRUE(SetFileAttributesW((installation_ / L"Quobex.ini").c_str(), FILE_ATTRIBUTE_READONLY));
  StartedProcess second = Start(L"/setup /S", {{L"sfxname", installer / L"quobex580.exe"}});
  EXPECT_EQ(0u, RunInvisibly(second));
  EXPECT_EQ("Global\\Integration=0\r\n", ReadFileBytes(installation_ / L"Quobex.ini"));
  SetFileAttributesW((installation_ / L"Quobex.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A deployment reads only the exit code: 0 only for a setup that set the product up, or was told
// by the settings file beside the program to leave the registry alone (and says so, once).
TEST_F(ProgramSetup, ASetupEndsWithZeroOnlyWhenItDidItsWork) {
  const std::wstring log = installation_ / L"setup.log";
  auto lastLine = [&] {
    const std::string text = ReadFileBytes(log);
    const size_t last = text.rfind("\r\n", text.size() - 3);
    return last == std::string::npos ? text : text.substr(last + 2 + 25);
  };
  // Silent, no window is needed: without a display (no window of that program can be made
  // visible) it integrates all the same.
  const struct {
    const char* Settings;  // the settings file beside the program, or none
    bool Integrated;
  } cases[] = {{nullptr, true}, {"Global\\Integration=0\r\n", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Settings != nullptr ? "Integration=0" : "no settings file");
    IntegrationSandbox::Clean();
    DeleteFileW((installation_ / L"Quobex.ini").c_str());
    if (c.Settings != nullptr) {
      ASSERT_TRUE(WriteFileBytes(installation_ / L"Quobex.ini", c.Settings));
    }
    StartedProcess program = Start(L"/setup /S /initA1 \"/log=" + log + L"\"", {{L"DISPLAY", L""}});
    EXPECT_EQ(0u, RunInvisibly(program));
    EXPECT_EQ(c.Integrated, ReadRawString(HKEY_CLASSES_ROOT, L".qbx", L"") == L"Quobex");
    EXPECT_EQ(c.Integrated, RawKeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    const std::string text = ReadFileBytes(log);
    // A settings file in use is saved at the process's very end, after the exit code's line.
    if (c.Settings == nullptr) {
      EXPECT_EQ("exit code 0: set up\r\n", lastLine());
    } else {
      EXPECT_NE(std::string::npos, text.find("exit code 0: set up\r\n"));
    }
    const size_t said = text.find("sets Global\\Integration=0: the registry is left as it is");
    EXPECT_EQ(c.Settings != nullptr, said != std::string::npos);
    EXPECT_TRUE(said == std::string::npos || text.find("Integration=0: the", said + 20) == std::string::npos) << "once";
  }
  DeleteFileW((installation_ / L"Quobex.ini").c_str());

  // A person's setup whose dialog cannot be created, its own template neither (without the rich
  // edit library, which Wine can be told not to load for one program, the class of its help text
  // does not exist): 1603, nothing set up, and a message.
  IntegrationSandbox::Clean();
  const std::wstring overrides = L"Software\\Wine\\AppDefaults\\Uninstall.exe\\DllOverrides";
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, overrides, L"riched20", REG_SZ, std::string(2, '\0')));
  StartedProcess program = Start(L"/setup \"/log=" + log + L"\"");
  HWND box = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_QUOBEXDESC), 15000);
  ASSERT_NE(nullptr, box);
  const std::vector<std::wstring> texts = ChildTexts(box, L"Static");
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), EnglishText(IDS_SETUPFAILED)));
  ClickButton(box, IDOK);
  DWORD exitCode = 99;
  EXPECT_TRUE(program.WaitForExit(10000, exitCode));
  RegDeleteTreeW(HKEY_CURRENT_USER, overrides.c_str());
  EXPECT_EQ(1603u, exitCode);
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".qbx"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kUninstall)) << "a setup that changed nothing lists nothing";
  EXPECT_EQ("exit code 1603: the setup failed: its dialog could not be shown, nothing was set up\r\n", lastLine());
}

// A language library's integration dialog that the system cannot create (a control class it
// names does not exist here) gives way to the program's own, once.
TEST_F(ProgramSetup, ALanguageLibrarysDialogThatCannotBeCreatedGivesWayToTheProgramsOwn) {
  wchar_t library[MAX_PATH];
  GetModuleFileNameW(nullptr, library, MAX_PATH);
  *wcsrchr(library, L'\\') = 0;
  ASSERT_TRUE(CopyFileW((std::wstring(library) + L"\\broken\\qbxlng.dll").c_str(),
                        (installation_ / L"qbxlng.dll").c_str(), FALSE));
  const std::wstring log = installation_ / L"setup.log";
  StartedProcess program = Start(L"/setup /noexplorer \"/log=" + log + L"\"");
  HWND dialog = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" SETUPDLG_CAPTION, 15000);
  ASSERT_NE(nullptr, dialog);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  HWND done = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" DONEDLG_CAPTION, 15000);
  ASSERT_NE(nullptr, done);
  ClickButton(done, IDOK);
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(10000, exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_EQ(L"Quobex", ReadRawString(HKEY_CLASSES_ROOT, L".qbx", L""));
  EXPECT_NE(std::string::npos,
            ReadFileBytes(log).find("the language library's integration dialog cannot be shown"));
}

TEST_F(ProgramSetup, CancelEndsWithOneAndStoresNothing) {
  StartedProcess program = Start(L"/setup");
  HWND dialog = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" SETUPDLG_CAPTION, 15000);
  ASSERT_NE(nullptr, dialog);
  ClickButton(dialog, IDC_ASSOCALL);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // Escape or the close box
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(10000, exitCode));
  EXPECT_EQ(1u, exitCode);
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kSetup));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".qbx"));
}

TEST_F(ProgramSetup, InteractiveSetupIsDrivenLikeAPersonWould) {
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, kSetup + L"\\.cab", L"Set", REG_DWORD,
                            std::string("\0\0\0\0", 4)));
  StartedProcess program = Start(L"/setup /noexplorer");
  HWND dialog = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" SETUPDLG_CAPTION, 15000);
  ASSERT_NE(nullptr, dialog);

  // The boxes start from the stored options.
  EXPECT_TRUE(IsChecked(dialog, IDC_ASSOCQBX));
  EXPECT_FALSE(IsChecked(dialog, IDC_ASSOCCAB));
  EXPECT_FALSE(IsChecked(dialog, IDC_ASSOCJAR));
  EXPECT_TRUE(IsChecked(dialog, IDC_SHELLINTEGRATION));
  EXPECT_FALSE(IsChecked(dialog, IDC_SHELLCASCADED));
  EXPECT_TRUE(IsChecked(dialog, IDC_SHELLICONS));

  // Toggle all: one is unchecked, so all get checked; then all get cleared.
  ClickButton(dialog, IDC_ASSOCALL);
  for (int id = IDC_ASSOCQBX; id <= IDC_ASSOC001; ++id) EXPECT_TRUE(IsChecked(dialog, id)) << id;
  ClickButton(dialog, IDC_ASSOCALL);
  for (int id = IDC_ASSOCQBX; id <= IDC_ASSOC001; ++id) EXPECT_FALSE(IsChecked(dialog, id)) << id;
  ClickButton(dialog, IDC_ASSOCZIP);

  // The shell box enables its two sub-options, which keep their marks.
  ClickButton(dialog, IDC_SHELLINTEGRATION);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_SHELLCASCADED)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_SHELLICONS)));
  ClickButton(dialog, IDC_SHELLINTEGRATION);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_SHELLCASCADED)));
  EXPECT_TRUE(IsChecked(dialog, IDC_SHELLICONS));

  // The context menu items dialog: Cancel stores nothing, OK stores everything. A stored 2 is
  // chosen like any number but 0, not the third state of a check box.
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, kSetup + L"\\MenuItems", L"Convert", REG_DWORD,
                            std::string("\x02\0\0\0", 4)));
  for (int button : {IDCANCEL, IDOK}) {
    PostMessageW(dialog, WM_COMMAND, IDC_SETCONTEXTMENU, 0);
    HWND items = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" SETUPCONTEXTITEMS_CAPTION, 10000);
    ASSERT_NE(nullptr, items);
    EXPECT_FALSE(IsChecked(items, IDC_CONTEXTTEST));
    EXPECT_TRUE(IsChecked(items, IDC_CONTEXTCONVERT));
    EXPECT_TRUE(IsChecked(items, IDC_CONTEXTEXTRACTTO));
    EXPECT_EQ(L"*.iso", WindowText(GetDlgItem(items, IDC_CONTEXTALWAYSARC)));
    EXPECT_EQ(1023, SendDlgItemMessageW(items, IDC_CONTEXTALWAYSARC, EM_GETLIMITTEXT, 0, 0));
    ClickButton(items, button);
    EXPECT_EQ(button == IDOK, ReadRawValue(HKEY_CURRENT_USER, kSetup + L"\\MenuItems", L"ExtrTo").Exists);
  }
  const struct {
    const wchar_t* name;
    DWORD number;
  } items[] = {{L"ExtrTo", 1}, {L"ExtrHere", 1}, {L"Extr", 1}, {L"ExtrSep", 1}, {L"OpenSFX", 1},
               {L"OpenArc", 1}, {L"AddTo", 1}, {L"AddArc", 1}, {L"EmailArc", 1}, {L"EmailOpt", 1},
               {L"Test", 0}, {L"Convert", 1}, {L"SFXLocal", 1}, {L"SFXNetwork", 1}, {L"SFXOther", 1},
               {L"DragAdd", 1}, {L"DragExtr", 1}};
  for (const auto& item : items) {
    EXPECT_EQ(item.number, StoredNumber(kSetup + L"\\MenuItems", item.name)) << item.name;
  }
  EXPECT_EQ(L"*.iso", ReadRawString(HKEY_CURRENT_USER, kSetup + L"\\MenuItems", L"AlwaysArc"));

  // OK applies the choice and the completion dialog shows the installation folder.
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  HWND done = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" DONEDLG_CAPTION, 15000);
  ASSERT_NE(nullptr, done);
  EXPECT_EQ(installation_.Path(), WindowText(GetDlgItem(done, IDC_INSTFOLDER)));
  EXPECT_EQ(L"Quobex.ZIP", ReadRawString(HKEY_CLASSES_ROOT, L".zip", L""));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".qbx"));
  EXPECT_EQ(0u, StoredNumber(kSetup + L"\\.qbx", L"Set"));
  ClickButton(done, IDOK);
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(10000, exitCode));
  EXPECT_EQ(0u, exitCode);
}

// A compiled help file can start programs: whichever copy is found (the user's language folder
// first, then beside the program), a help viewer of the user's opens it (the desktop's shell
// starts it), never the elevated program itself.
TEST_F(ProgramSetup, HelpOpensOutsideTheProgramAtTheDialogsTopic) {
  ScratchFolder languages(L"language folder");
  const std::wstring help = TestProgramFolder() + L"\\data\\quobex.chm";
  ASSERT_TRUE(CopyFileW(help.c_str(), (installation_ / L"Quobex.chm").c_str(), FALSE));
  for (bool languageFolder : {true, false}) {
    SCOPED_TRACE(languageFolder ? "language folder" : "beside the program");
    if (languageFolder) {
      ASSERT_TRUE(CopyFileW(help.c_str(), (languages / L"quobex.chm").c_str(), FALSE));
      ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, L"Software\\Quobex\\General", L"LanguageFolder",
                                 languages.Path()));
    }
    const std::wstring log = languages / L"run.log";
    StartedProcess program = Start(L"/setup /noexplorer \"/log=" + log + L"\"");
    HWND dialog = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" SETUPDLG_CAPTION, 15000);
    ASSERT_NE(nullptr, dialog);
    ClickButton(dialog, IDHELP);
    // The help window carries the title of the help file it opened.
    auto waitForHelp = [&]() {
      HWND shown = nullptr;
      for (const ULONGLONG deadline = GetTickCount64() + 15000; shown == nullptr && GetTickCount64() < deadline;) {
        shown = FindWindowW(L"HH Parent", L"Quobex help from the language folder");
        if (shown == nullptr) Sleep(50);
      }
      DWORD owner = 0;
      if (shown != nullptr) GetWindowThreadProcessId(shown, &owner);
      EXPECT_NE(program.Id(), owner);
      return shown;
    };
    HWND shown = waitForHelp();
    EXPECT_NE(nullptr, shown);
    if (shown != nullptr) SendMessageW(shown, WM_CLOSE, 0, 0);

    // F1, pressed on the dialog as a person would.
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDC_ASSOCQBX));
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    shown = waitForHelp();
    EXPECT_NE(nullptr, shown) << "F1";
    if (shown != nullptr) SendMessageW(shown, WM_CLOSE, 0, 0);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(10000, exitCode));
    EXPECT_EQ(1u, exitCode);
    const std::wstring file = (languageFolder ? languages.Path() : installation_.Path()) + L"\\Quobex.chm";
    const std::string text = ReadFileBytes(log);
    const std::string line = std::string(file.begin(), file.end()) + "::/html/HELPIntegrationSettings.htm: shown by "
                             "the signed-in user's viewer";
    EXPECT_NE(std::string::npos, text.find(line)) << text;
    DeleteFileW((languages / L"quobex.chm").c_str());
  }
}

TEST_F(ProgramSetup, HelpWithoutAHelpFileLeavesTheDialogUsable) {
  StartedProcess program = Start(L"/setup /noexplorer");
  HWND dialog = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" SETUPDLG_CAPTION, 15000);
  ASSERT_NE(nullptr, dialog);
  ClickButton(dialog, IDHELP);
  SetForegroundWindow(dialog);
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
  EXPECT_EQ(nullptr, WaitForProcessWindow(program.Id(), L"HH Parent", 500)) << "no help file";
  const bool before = IsChecked(dialog, IDC_ASSOCQBX);
  ClickButton(dialog, IDC_ASSOCQBX);
  EXPECT_NE(before, IsChecked(dialog, IDC_ASSOCQBX)) << "the dialog still answers";
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(10000, exitCode));
  EXPECT_EQ(1u, exitCode);
}

TEST_F(ProgramSetup, APortableSettingsFileBesideTheProgramIsSavedAtExitInsteadOfTheRegistry) {
  ASSERT_TRUE(WriteFileBytes(installation_ / L"Quobex.ini", "HKCU\\General\\Note=\"kept\"\r\n"));
  StartedProcess program = Start(L"/setup /S /initD1S0");
  EXPECT_EQ(0u, RunInvisibly(program));
  const std::string saved = ReadFileBytes(installation_ / L"Quobex.ini");
  EXPECT_EQ("\xFF\xFE", saved.substr(0, 2)) << "written back as UTF-16 LE";
  for (const wchar_t* line : {L"Global\\Integration=1\r\n", L"Global\\SaveSettings=1\r\n",
                              L"HKCU\\General\\Note=\"kept\"\r\n", L"HKCU\\Setup\\Links\\Desktop=1\r\n",
                              L"HKCU\\Setup\\ShellExt=0\r\n", L"HKCU\\Setup\\.qbx\\Set=1\r\n"}) {
    EXPECT_NE(std::string::npos, saved.find(Utf16Bytes(line))) << std::wstring(line).size();
  }
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\Quobex")) << "the registry is not the store";
}

// A folder window shows the program group at the end of a setup run that a person watches; not
// after a silent run, one that an MSI package manages, or one told /noexplorer. The log tells
// whether the run asked the desktop's shell for it; the window itself is waited for as long as
// Wine's shell may take.
TEST_F(ProgramSetup, TheFolderWindowOpensOnlyWhenAPersonWatches) {
  const std::wstring group = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Quobex";
  auto folderWindowAppears = [&] {
    for (const ULONGLONG deadline = GetTickCount64() + 30000; GetTickCount64() < deadline; Sleep(50)) {
      for (const std::wstring& title : {group, std::wstring(L"Quobex")}) {
        if (HWND window = FindWindowW(nullptr, title.c_str())) {
          PostMessageW(window, WM_CLOSE, 0, 0);
          return true;
        }
      }
    }
    return false;
  };
  const std::wstring log = installation_ / L"setup.log";
  const std::string opened = "open " + std::string(group.begin(), group.end()) + " as the signed-in user: done\r\n";
  const struct {
    const wchar_t* arguments;
    bool window;
  } runs[] = {{L"/setup", true}, {L"/setup /S", false}, {L"/setup /msi", false}, {L"/setup /noexplorer", false}};
  for (const auto& run : runs) {
    SCOPED_TRACE(testing::Message() << std::wstring(run.arguments).size());
    StartedProcess program = Start(std::wstring(run.arguments) + L" \"/log=" + log + L"\"");
    if (wcscmp(run.arguments, L"/setup /S") != 0) {
      HWND dialog = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" SETUPDLG_CAPTION, 15000);
      ASSERT_NE(nullptr, dialog);
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      // A run that an MSI package manages shows no completion dialog: it ends instead.
      HWND done = nullptr;
      DWORD exitCode = 99;
      for (const ULONGLONG deadline = GetTickCount64() + 15000;
           done == nullptr && !program.WaitForExit(0, exitCode) && GetTickCount64() < deadline; Sleep(20)) {
        done = WaitForProcessWindowTitled(program.Id(), L"#32770", L"" DONEDLG_CAPTION, 0);
      }
      if (done != nullptr) ClickButton(done, IDOK);
    }
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(15000, exitCode));
    const std::string text = ReadFileBytes(log);
    EXPECT_EQ(run.window, text.find(opened) != std::string::npos) << text;
    if (run.window) {
      EXPECT_TRUE(folderWindowAppears());
    }
    DeleteFileW(log.c_str());
  }
}

// An uninstall left the product's files for deletion at the next restart; installed again before
// it, the product keeps its new files: the setup takes them back from the schedule, and every
// other program's operation stays.
TEST_F(ProgramSetup, ASetupBeforeTheRestartTakesItsFilesBackFromThePendingDeletions) {
  const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
  const RawValue before = ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  auto multiText = [](std::initializer_list<std::wstring> texts) {
    std::wstring joined;
    for (const std::wstring& text : texts) joined += text + L'\0';
    joined += L'\0';
    return std::string(reinterpret_cast<const char*>(joined.data()), joined.size() * sizeof(wchar_t));
  };
  const std::wstring others = L"\\??\\C:\\qbx-fixtures\\junction-target\\precious.txt";
  ASSERT_TRUE(WriteRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", REG_MULTI_SZ,
                            multiText({L"\\??\\" + installation_ / L"Quobex.exe", L"", others, L""})));
  StartedProcess program = Start(L"/setup /S /initA0D0M0P0S0 /noexplorer");
  EXPECT_EQ(0u, RunInvisibly(program));
  EXPECT_EQ(multiText({others, L""}),
            ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations").Bytes);
  if (before.Exists) {
    WriteRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", before.Type, before.Bytes);
  } else {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  }
}

// An uninstall stopped after its program left the installation folder leaves the program in a
// private folder (under the system's temporary folder, or at the volume's root) that nothing
// would remove: the next setup does. A private folder whose batch file is still at work (its
// moved program runs) is left to it.
TEST_F(ProgramSetup, ASetupRemovesWhatStoppedUninstallsLeftInTheirPrivateFolders) {
  const std::wstring temporary = ShellFolder(CSIDL_WINDOWS) + L"\\Temp\\QbxUninstall-";
  const std::vector<std::wstring> abandoned = {temporary + L"0000000000000001", L"C:\\QbxUninstall-0000000000000002",
                                               temporary + L"0000000000000003"};
  const std::wstring working = temporary + L"0000000000000004";
  for (const std::wstring& folder : {abandoned[0], abandoned[1], working}) {
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(InstallProgramCopy(folder));
  }
  ASSERT_TRUE(CreateDirectoryW(abandoned[2].c_str(), nullptr));
  for (const std::wstring& folder : {abandoned[0], working}) {
    ASSERT_TRUE(WriteFileBytes(folder + L"\\Uninstall_Qbx.Bat", "@echo off\r\n"));
  }
  StartedProcess batch = StartProcess(working + L"\\Uninstall.exe", L"/wait /wait /wait /wait", working);
  StartedProcess program = Start(L"/setup /S /initA0D0M0P0S0");
  EXPECT_EQ(0u, RunInvisibly(program));
  for (const std::wstring& folder : abandoned) {
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str())) << std::string(folder.begin(), folder.end());
  }
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((working + L"\\Uninstall_Qbx.Bat").c_str()));
  DWORD exitCode = 99;
  EXPECT_TRUE(batch.WaitForExit(20000, exitCode));
  RemoveTree(working);
}

// The per-user settings file is the store when none lies beside the program. Its folder is the
// user's: reached through a link (the prefix's C:\qbx-fixtures\programs\Quobex), the file is read
// but never saved through it, and what it points to stays as it was.
TEST_F(ProgramSetup, APerUserSettingsFileReachedThroughALinkIsNeverSavedThrough) {
  const std::wstring shellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  const RawValue appData = ReadRawValue(HKEY_CURRENT_USER, shellFolders, L"AppData");
  ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, shellFolders, L"AppData", L"C:\\qbx-fixtures\\programs", REG_EXPAND_SZ));
  const std::wstring behindTheLink = L"C:\\qbx-fixtures\\junction-target\\Quobex.ini";
  ASSERT_TRUE(WriteFileBytes(behindTheLink, "Global\\Integration=0\r\n"));
  StartedProcess program = Start(L"/setup /S /initA1D0M0P0S0");
  EXPECT_EQ(0u, RunInvisibly(program));
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kSetup)) << "the settings file was not the store";
  EXPECT_EQ("Global\\Integration=0\r\n", ReadFileBytes(behindTheLink));
  WriteRawValue(HKEY_CURRENT_USER, shellFolders, L"AppData", appData.Type, appData.Bytes);
  DeleteFileW(behindTheLink.c_str());
}
