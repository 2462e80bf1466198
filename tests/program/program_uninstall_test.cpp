// The uninstall run of the built program, started as Windows starts it from the list of installed
// programs, and the batch file that removes the program after it. Built twice: the second build
// (QBX_JA_BRANCH) runs in Wine's Japanese code page 932.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/english_texts.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/machine_snapshot.h"
#include "tests/support/process_runner.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_values.h"
#include "tests/support/sample_installation.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/window_automation.h"

namespace {

#ifndef QBX_JA_BRANCH
const wchar_t kPrecious[] = L"C:\\qbx-fixtures\\junction-target\\precious.txt";  // not ours

std::vector<std::wstring> StaticTexts(HWND box) { return ChildTexts(box, L"Static"); }

// The lines of a run's log without their time, which each line must begin with.
std::vector<std::wstring> LogLines(const std::wstring& path) {
  std::vector<std::wstring> lines;
  const std::string bytes = ReadFileBytes(path);
  for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = bytes.substr(start, end - start);
    EXPECT_TRUE(line.size() > 25 && line[4] == '-' && line[10] == ' ' && line[13] == ':' && line[19] == '.')
        << line;
    if (line.size() > 25) lines.emplace_back(line.begin() + 25, line.end());  // ASCII paths only
  }
  return lines;
}

bool ShowsText(HWND box, UINT id) {
  for (const std::wstring& text : StaticTexts(box)) {
    if (text == EnglishText(id)) return true;
  }
  return false;
}

// The texts of PendingFileRenameOperations: pairs of source and target, "" for a deletion; the
// list ends with one more empty text.
const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
std::vector<std::wstring> PendingOperations() {
  const RawValue value = ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  std::vector<std::wstring> texts;
  const auto* text = reinterpret_cast<const wchar_t*>(value.Bytes.data());
  const size_t count = value.Bytes.size() / sizeof(wchar_t);
  for (size_t start = 0, i = 0; i < count; ++i) {
    if (text[i] != 0) continue;
    texts.emplace_back(text + start, i - start);
    start = i + 1;
  }
  while (!texts.empty() && texts.back().empty() && texts.size() % 2 == 1) texts.pop_back();
  return texts;
}

// Keeps the restart's schedule as it was before the test, for the tests that add to it.
class KeptPendingOperations {
 public:
  ~KeptPendingOperations() {
    if (before_.Exists) {
      WriteRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", before_.Type, before_.Bytes);
      return;
    }
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key);
    RegDeleteValueW(key, L"PendingFileRenameOperations");
    RegCloseKey(key);
  }

 private:
  const RawValue before_ = ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
};

#endif

class ProgramUninstall : public testing::Test {
 protected:
  IntegrationSandbox sandbox_;
  ScratchFolder scratch_{L"uninstall"};
};

}  // namespace

#ifndef QBX_JA_BRANCH

// The installer's settings file, whenever it came: handed to the setup run ("sfxname"), that run
// keeps its records there already; put beside the program after a setup (as versions before
// copied it), the uninstall finds what that setup recorded in the registry, and removes what it
// wrote there even when the file keeps the program away from the registry.
TEST_F(ProgramUninstall, AnInstallersSettingsFileNeverHidesWhatTheSetupDid) {
  const struct {
    bool Integration;
    bool BeforeSetup;
  } cases[] = {{true, true}, {false, true}, {true, false}, {false, false}};
  PlaceOtherProgramsOwners();
  ScratchFolder installer(L"installer");
  ASSERT_TRUE(WriteFileBytes(installer / L"quobex.ini", "Global\\Integration=1\r\n"));
  const MachineSnapshot before = TakeMachineSnapshot();
  const std::wstring folder = scratch_ / L"Quobex";
  for (const auto& c : cases) {
    const std::string settings = std::string("Global\\Integration=") + (c.Integration ? "1" : "0") + "\r\n";
    SCOPED_TRACE(testing::Message() << settings << (c.BeforeSetup ? "given to setup" : "copied after setup"));
    LayOutInstallation(folder, {L"Quobex.exe"}, "Quobex.exe\r\nQuobex.ini\r\nUninstall.exe\r\n");
    ASSERT_TRUE(WriteFileBytes(installer / L"quobex.ini", settings));
    ASSERT_EQ(0u, RunInstalledProgram(folder, L"/setup /S /initA11 /noexplorer",
                             {{L"sfxname", c.BeforeSetup ? installer / L"quobex580.exe" : L""}}));
    const bool registryKeptAway = c.BeforeSetup && !c.Integration;
    EXPECT_EQ(registryKeptAway ? L"Other.Zip" : L"Quobex.ZIP", ReadRawString(HKEY_CLASSES_ROOT, L".zip", L""));
    if (!c.BeforeSetup) {
      ASSERT_TRUE(CopyFileW((installer / L"quobex.ini").c_str(), (folder + L"\\Quobex.ini").c_str(), TRUE));
    }

    EXPECT_EQ(0u, RunInstalledProgram(folder, L"/S"));
    EXPECT_TRUE(WaitForSelfRemovals(20000));
    // The installer's file is the test's own: as it was, everything must be.
    ASSERT_TRUE(WriteFileBytes(installer / L"quobex.ini", "Global\\Integration=1\r\n"));
    EXPECT_EQ("", MachineDifference(before, TakeMachineSnapshot()));
  }
}

// With no settings file beside the program, the uninstall takes the per-user one as its store: a
// file the user's own processes write. One written after setup names a program class as the
// owner of .zip: .zip goes back to the owner of the machine's own record instead, the product's
// classes go, and the log says why.
TEST_F(ProgramUninstall, APerUserSettingsFileSteersNothingMachineWide) {
  PlaceOtherProgramsOwners();
  const std::wstring folder = scratch_ / L"Quobex";
  LayOutInstallation(folder, {L"Quobex.exe"}, "Quobex.exe\r\nUninstall.exe\r\n");
  ASSERT_EQ(0u, RunInstalledProgram(folder, L"/setup /S /initA11 /noexplorer"));
  ASSERT_EQ(L"Quobex.ZIP", ReadRawString(HKEY_CLASSES_ROOT, L".zip", L""));
  ASSERT_TRUE(PlaceUserSettingsFile("HKLM\\Setup\\.zip\\Exist=1\r\nHKLM\\Setup\\.zip\\Type=\"exefile\"\r\n"));
  const std::wstring log = scratch_ / L"uninstall.log";
  EXPECT_EQ(0u, RunInstalledProgram(folder, L"/S \"/log=" + log + L"\""));
  EXPECT_TRUE(WaitForSelfRemovals(20000));
  EXPECT_EQ(L"Other.Zip", ReadRawString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.zip", L""));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Quobex.ZIP"));
  const std::wstring refusal = L"the previous owner of .zip recorded in the settings file " + UserDataFolder() +
                               L"\\Quobex.ini is not given back machine-wide: its class exefile is one of "
                               L"Windows' program or script classes";
  const std::vector<std::wstring> lines = LogLines(log);
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), refusal));
}

TEST_F(ProgramUninstall, InteractiveRunAsksFirstAndLeavesFilesInUseForTheRestart) {
  const std::wstring folder = scratch_ / L"Quobex";
  const std::wstring docs = folder + L"\\docs";
  LayOutInstallation(folder, {L"Quobex.exe", L"docs\\", L"docs\\busy.exe.0.tmp", L"locked.dat", L"plain.txt"},
         "docs\r\ndocs\\busy.exe\r\nlocked.dat\r\nplain.txt\r\nUninstall.exe\r\nQuobex.exe\r\n");
  ASSERT_TRUE(CopyFileW(BuiltProgramPath().c_str(), (docs + L"\\busy.exe").c_str(), FALSE));
  ASSERT_EQ(0u, RunInstalledProgram(folder, L"/setup /S /initD1"));
  const MachineSnapshot installed = TakeMachineSnapshot();

  // No: nothing changes.
  {
    StartedProcess program = StartInstalledProgram(folder, L"");
    HWND box = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 10000);
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(ShowsText(box, IDS_CONTINUEUNINSTALL));
    // Held from the start: nobody can put another file at its name, to be moved out and run.
    EXPECT_FALSE(MoveFileW((folder + L"\\Uninstall.exe").c_str(), (folder + L"\\Renamed.exe").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    ClickButton(box, IDNO);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(10000, exitCode));
    EXPECT_EQ(1u, exitCode);
    EXPECT_EQ("", MachineDifference(installed, TakeMachineSnapshot()));
  }

  // Yes, with a running program and a file held open without delete sharing among the files.
  const KeptPendingOperations pendingBefore;
  StartedProcess busy = StartProcess(docs + L"\\busy.exe", L"/wait /wait /wait /wait /wait /wait /wait /wait /wait /wait",
                                     ShellFolder(CSIDL_SYSTEM));
  HANDLE locked = CreateFileW((folder + L"\\locked.dat").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, locked);
  const std::wstring log = scratch_ / L"run.log";
  StartedProcess program = StartInstalledProgram(folder, L"\"/log=" + log + L"\"");
  HWND box = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 10000);
  ASSERT_NE(nullptr, box);
  ClickButton(box, IDYES);
  // The running program is named first (it has no window); Continue goes on all the same.
  std::wstring running = EnglishText(IDS_RUNNINGPROGRAMS);
  running.replace(running.find(L"%s"), 2, L"busy.exe");
  HWND named = nullptr;
  HWND restart = nullptr;
  const ULONGLONG deadline = GetTickCount64() + 15000;
  while (restart == nullptr && GetTickCount64() < deadline) {
    HWND shown = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 100);
    const std::vector<std::wstring> texts = shown != nullptr ? StaticTexts(shown) : std::vector<std::wstring>{};
    if (named == nullptr && std::find(texts.begin(), texts.end(), running) != texts.end()) {
      named = shown;
      ClickButton(named, IDCONTINUE);
    }
    if (shown != nullptr && shown != box && shown != named && ShowsText(shown, IDS_REBOOTREQUIRED)) restart = shown;
  }
  EXPECT_NE(nullptr, named) << "busy.exe was not named";
  ASSERT_NE(nullptr, restart) << "no restart message";
  ClickButton(restart, IDOK);
  DWORD exitCode = 99;
  while (!program.WaitForExit(20, exitCode)) {
    HWND again = WaitForProcessWindow(program.Id(), L"#32770", 0);
    EXPECT_TRUE(again == nullptr || again == restart) << "a second message";
  }
  EXPECT_EQ(3010u, exitCode);
  CloseHandle(locked);

  // The running program left for a private folder, and its folder could go at once.
  EXPECT_FALSE(Exists(docs)) << "emptied";
  EXPECT_TRUE(Exists(folder + L"\\locked.dat")) << "could not be moved either";
  EXPECT_FALSE(Exists(folder + L"\\plain.txt"));
  EXPECT_FALSE(Exists(folder + L"\\Uninstall.exe")) << "moved out, for its batch file";
  // The files first, then their folders, which a restart deletes once they are gone.
  const std::vector<std::wstring> pending = PendingOperations();
  ASSERT_LE(8u, pending.size());
  const std::wstring moved = pending.end()[-4].substr(4);
  EXPECT_TRUE(moved.starts_with(ShellFolder(CSIDL_WINDOWS) + L"\\Temp\\QbxRestart-")) << std::string(moved.begin(), moved.end());
  const std::vector<std::wstring> expected = {L"\\??\\" + moved + L"\\busy.exe", L"",
                                              L"\\??\\" + folder + L"\\locked.dat", L"",
                                              L"\\??\\" + moved, L"",
                                              L"\\??\\" + folder, L""};
  EXPECT_EQ(expected, std::vector<std::wstring>(pending.end() - 8, pending.end()));
  const std::vector<std::wstring> lines = LogLines(log);
  for (const std::wstring& line :
       {L"move " + docs + L"\\busy.exe to " + moved + L"\\busy.exe: done",
        L"schedule the deletion at the next restart of " + moved + L"\\busy.exe: done",
        L"delete " + docs + L"\\busy.exe: left for the next restart",
        L"schedule the deletion at the next restart of " + folder + L"\\locked.dat: done",
        L"delete file " + folder + L"\\plain.txt: done",
        L"delete file " + docs + L"\\busy.exe.0.tmp: done",
        std::wstring(L"exit code 3010: removed; files wait for the next restart")}) {
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line)) << std::string(line.begin(), line.end());
  }
  EXPECT_EQ(L"exit code 3010: removed; files wait for the next restart", lines.back());
  EXPECT_TRUE(WaitForSelfRemovals(20000)) << "the batch file deletes the program";

  // Before the restart, a user puts a link to another folder where the program's folder was (the
  // prefix's fixture: Wine's programs can neither make nor move a link): the restart deletes
  // the program's file and private folder, and nothing through the link.
  busy.Stop();
  const std::wstring other = L"C:\\qbx-fixtures\\junction-target";
  ASSERT_TRUE(WriteFileBytes(other + L"\\busy.exe", "not ours"));
  ASSERT_TRUE(MoveFileW(folder.c_str(), (folder + L"-real").c_str()));
  ASSERT_TRUE(MoveFileW(L"C:\\qbx-fixtures\\swap\\linked", folder.c_str()));
  StartedProcess wineboot = StartProcess(ShellFolder(CSIDL_SYSTEM) + L"\\wineboot.exe", L"-r", ShellFolder(CSIDL_SYSTEM));
  ASSERT_TRUE(wineboot.WaitForExit(60000, exitCode));
  EXPECT_FALSE(Exists(moved)) << "gone with its file";
  EXPECT_EQ("not ours", ReadFileBytes(other + L"\\busy.exe"));
  EXPECT_EQ("not ours", ReadFileBytes(other + L"\\precious.txt"));
  MoveFileW(folder.c_str(), L"C:\\qbx-fixtures\\swap\\linked");
  DeleteFileW((other + L"\\busy.exe").c_str());

}

// What can go neither now nor at once is never "removed": the program held open without delete
// sharing (as a virus scanner may) cannot leave its folder, and it and the folder wait for the
// restart (3010); so does the folder that another process has as its current folder (3010); a
// file in use that the system will not even schedule leaves the run at 2.
TEST_F(ProgramUninstall, WhatCannotGoNowIsNeverCalledRemoved) {
  const KeptPendingOperations pendingBefore;
  const std::wstring folder = scratch_ / L"Quobex";
  // A silent uninstall while the file name is held open without delete sharing.
  auto runHolding = [&](const wchar_t* name, const std::wstring& arguments = L"/S") {
    HANDLE held = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, held);
    const DWORD exitCode = RunInstalledProgram(folder, arguments);
    CloseHandle(held);
    return exitCode;
  };
  // The list may name a file by its 8.3 name: it is the file that counts, not the spelling.
  auto listShortName = [&](const wchar_t* name, const std::string& rest) {
    wchar_t shortPath[MAX_PATH] = {};
    EXPECT_NE(0u, GetShortPathNameW((folder + L"\\" + name).c_str(), shortPath, MAX_PATH));
    const std::wstring shortName = wcsrchr(shortPath, L'\\') + 1;
    EXPECT_NE(name, shortName);
    EXPECT_TRUE(WriteFileBytes(folder + L"\\Uninstall.lst", std::string(shortName.begin(), shortName.end()) + "\r\n" + rest));
    return shortName;
  };
  LayOutInstallation(folder, {L"plain.txt", L"long file name.txt"}, "");
  listShortName(L"long file name.txt", "plain.txt\r\nUninstall.exe\r\n");
  EXPECT_EQ(3010u, runHolding(L"Uninstall.exe"));
  EXPECT_FALSE(Exists(folder + L"\\plain.txt"));
  EXPECT_FALSE(Exists(folder + L"\\long file name.txt"));
  const std::vector<std::wstring> pending = PendingOperations();
  for (const std::wstring& left : {folder + L"\\Uninstall.exe", folder}) {
    EXPECT_NE(pending.end(), std::find(pending.begin(), pending.end(), L"\\??\\" + left))
        << std::string(left.begin(), left.end());
  }

  LayOutInstallation(folder, {}, "Uninstall.exe\r\n");
  StartedProcess holder = StartProcess(BuiltProgramPath(), L"/wait /wait /wait /wait /wait", folder);
  EXPECT_EQ(3010u, RunInstalledProgram(folder, L"/S"));
  EXPECT_TRUE(Exists(folder));
  EXPECT_EQ(L"\\??\\" + folder, PendingOperations().end()[-2]);
  DWORD exitCode = 99;
  EXPECT_TRUE(holder.WaitForExit(20000, exitCode));

  LayOutInstallation(folder, {L"locked.dat"}, "locked.dat\r\nUninstall.exe\r\n");
  ASSERT_TRUE(WriteRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", REG_DWORD,
                            std::string(4, '\0')));
  EXPECT_EQ(2u, runHolding(L"locked.dat"));
  EXPECT_TRUE(Exists(folder + L"\\locked.dat"));
  // The same for a file the list names by its 8.3 name, and the log says which.
  LayOutInstallation(folder, {L"locked data file.dat"}, "");
  const std::wstring shortName = listShortName(L"locked data file.dat", "Uninstall.exe\r\n");
  const std::wstring log = scratch_ / L"short.log";
  EXPECT_EQ(2u, runHolding(L"locked data file.dat", L"/S \"/log=" + log + L"\""));
  EXPECT_TRUE(Exists(folder + L"\\locked data file.dat"));
  const std::vector<std::wstring> lines = LogLines(log);
  EXPECT_NE(lines.end(), std::find_if(lines.begin(), lines.end(), [&](const std::wstring& line) {
              return line.starts_with(L"schedule the deletion at the next restart of " + folder + L"\\" + shortName + L": failed");
            }));
  EXPECT_TRUE(WaitForSelfRemovals(20000));
}

// What the product wrote and could not take away ends the run with 2, and the log says what; a
// key that another program has added keys to is that program's too: it stays, and the run ends 0.
TEST_F(ProgramUninstall, ARegistryKeyOfTheProductsLeftBehindEndsWithTwo) {
  const std::wstring folder = scratch_ / L"Quobex";
  const std::wstring log = scratch_ / L"uninstall.log";
  const struct {
    HKEY Root;
    const wchar_t* Key;  // given a sub-key by another program after the setup
    DWORD ExitCode;
    const wchar_t* Line;
  } cases[] = {
      {HKEY_CLASSES_ROOT, L".arj", 0, L"delete key HKCR\\.arj: kept"},
      {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quobex archiver", 2,
       L"the entry in the list of installed programs could not be deleted"},
  };
  ASSERT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".arj")) << "the product creates it";
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.Key, c.Key + wcslen(c.Key)));
    LayOutInstallation(folder, {L"Quobex.exe"}, "Quobex.exe\r\nUninstall.exe\r\n");
    ASSERT_EQ(0u, RunInstalledProgram(folder, L"/setup /S /initA1111"));
    ASSERT_TRUE(WriteRawValue(c.Root, std::wstring(c.Key) + L"\\Another", L"", REG_SZ, std::string("x\0\0\0", 4)));
    EXPECT_EQ(c.ExitCode, RunInstalledProgram(folder, L"/S \"/log=" + log + L"\""));
    EXPECT_TRUE(WaitForSelfRemovals(20000));
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(RawKeyExists(c.Root, c.Key));
    const std::vector<std::wstring> lines = LogLines(log);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), c.Line));
    EXPECT_EQ(L"exit code " + std::to_wstring(c.ExitCode) + (c.ExitCode == 0 ? L": removed" : L": not removed, or not all (see the lines above)"),
              lines.back());
    EXPECT_EQ(L"", ReadRawString(HKEY_CLASSES_ROOT, L".arj", L"")) << "no class of the product's";
    IntegrationSandbox::Clean();
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".arj");
  }
}

TEST_F(ProgramUninstall, WithoutTheListNothingIsRemovedAndOnlyAPersonIsTold) {
  const std::wstring folder = scratch_ / L"Quobex";
  LayOutInstallation(folder, {L"Quobex.exe"}, "Quobex.exe\r\n");
  ASSERT_EQ(0u, RunInstalledProgram(folder, L"/setup /S"));
  ASSERT_TRUE(DeleteFileW((folder + L"\\Uninstall.lst").c_str()));
  const MachineSnapshot installed = TakeMachineSnapshot();

  // Silent: no message, which nobody would click away; a deployment tool reads 2.
  StartedProcess silent = StartInstalledProgram(folder, L"/S");
  DWORD exitCode = 99;
  for (const ULONGLONG deadline = GetTickCount64() + 10000; !silent.WaitForExit(20, exitCode) && GetTickCount64() < deadline;) {
    EXPECT_FALSE(ProcessHasVisibleWindow(silent.Id())) << "a silent run shows a window";
  }
  EXPECT_EQ(2u, exitCode);

  // A person confirms, and is told.
  StartedProcess program = StartInstalledProgram(folder, L"");
  HWND question = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 10000);
  ASSERT_NE(nullptr, question);
  ClickButton(question, IDYES);
  HWND box = nullptr;
  for (const ULONGLONG deadline = GetTickCount64() + 10000; box == nullptr && GetTickCount64() < deadline;) {
    HWND shown = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 100);
    if (shown != nullptr && shown != question) box = shown;
  }
  ASSERT_NE(nullptr, box);
  const std::vector<std::wstring> texts = StaticTexts(box);
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(),
                                   L"Cannot open Uninstall.lst. Nothing has been removed."));
  ClickButton(box, IDOK);
  ASSERT_TRUE(program.WaitForExit(10000, exitCode));
  EXPECT_EQ(2u, exitCode);
  EXPECT_EQ("", MachineDifference(installed, TakeMachineSnapshot()));
}

TEST_F(ProgramUninstall, ListedPathsThatLeadOutsideTheFolderAreLeftAlone) {
  // The test prefix holds C:\qbx-fixtures\programs\Quobex, a symbolic link to a folder with a
  // file that is not ours; an installation in C:\qbx-fixtures\programs has it among its entries.
  const std::wstring folder = L"C:\\qbx-fixtures\\programs";
  const std::wstring precious = kPrecious;
  ASSERT_TRUE(Exists(precious));
  const std::wstring victims[] = {L"C:\\qbx-fixtures\\victim.txt", scratch_ / L"victim.txt"};
  for (const std::wstring& victim : victims) ASSERT_TRUE(WriteFileBytes(victim, "not ours"));
  // An installation folder that is such a link is left whole (2): the passes would take the
  // listed names from wherever it leads, and the log says why.
  const std::wstring linked = folder + L"\\Quobex";
  const std::wstring log = scratch_ / L"linked.log";
  LayOutInstallation(linked, {L"own.txt"}, "own.txt\r\nUninstall.exe\r\n");
  EXPECT_EQ(2u, RunInstalledProgram(linked, L"/S \"/log=" + log + L"\""));
  EXPECT_NE(std::string::npos, ReadFileBytes(log).find("is a link, or reached through one: nothing removed"));
  for (const wchar_t* name : {L"\\Uninstall.exe", L"\\own.txt", L"\\Uninstall.lst"}) {
    EXPECT_TRUE(Exists(linked + name)) << name;
    DeleteFileW((linked + name).c_str());
  }
  LayOutInstallation(folder, {L"own.txt", L"sub\\"},
         "..\\victim.txt\r\n"
         "sub\\..\\..\\victim.txt\r\n"
         ". .\\victim.txt\r\n"
         "C:\\qbxtest\\uninstall\\victim.txt\r\n"
         "C:..\\victim.txt\r\n"
         "\\qbxtest\\uninstall\\victim.txt\r\n"
         "/qbxtest/uninstall/victim.txt\r\n"
         "\\\\?\\C:\\qbxtest\\uninstall\\victim.txt\r\n"
         "\\\\.\\C:\\qbxtest\\uninstall\\victim.txt\r\n"
         "\\\\localhost\\C$\\qbxtest\\uninstall\\victim.txt\r\n"
         "own.txt:stream\r\n"
         "Quobex\\precious.txt\r\n"
         "Quobex\r\n"
         "own.txt\r\nsub\r\nUninstall.exe\r\n");
  EXPECT_EQ(0u, RunInstalledProgram(folder, L"/S"));
  for (const wchar_t* name : {L"\\Uninstall.exe", L"\\own.txt", L"\\sub"}) EXPECT_FALSE(Exists(folder + name));
  for (const std::wstring& victim : victims) EXPECT_TRUE(Exists(victim)) << std::string(victim.begin(), victim.end());
  EXPECT_TRUE(Exists(precious));
  EXPECT_TRUE(WaitForSelfRemovals(20000));
  DeleteFileW(victims[0].c_str());
}

// The user's Programs and Desktop folders are the user's to point anywhere, at a folder that
// holds someone else's "Quobex" and "Quobex.lnk" among others: setup and uninstall take out the
// product's links there and nothing else, and the folder stays while it holds anything.
TEST_F(ProgramUninstall, ARedirectedUserProgramsFolderKeepsWhatOthersPutThere) {
  const std::wstring shellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  const RawValue programs = ReadRawValue(HKEY_CURRENT_USER, shellFolders, L"Programs");
  const std::wstring victim = L"C:\\qbxtest\\victim";
  const std::wstring group = victim + L"\\Quobex";
  RemoveTree(victim);
  ASSERT_TRUE(CreateDirectoryW(victim.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(group.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((group + L"\\sub").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(group + L"\\keep.txt", "someone's"));
  ASSERT_TRUE(WriteFileBytes(group + L"\\sub\\deep.txt", "someone's"));
  ASSERT_TRUE(WriteFileBytes(victim + L"\\Quobex.lnk", "someone's"));
  const RawValue desktop = ReadRawValue(HKEY_CURRENT_USER, shellFolders, L"Desktop");
  ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, shellFolders, L"Programs", victim, REG_EXPAND_SZ));
  ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, shellFolders, L"Desktop", victim, REG_EXPAND_SZ));
  const std::wstring folder = scratch_ / L"Quobex";
  LayOutInstallation(folder, {L"Quobex.exe"}, "Quobex.exe\r\nUninstall.exe\r\n");
  const DWORD setup = RunInstalledProgram(folder, L"/setup /S /initA1D1M1P1");
  const bool linked = Exists(group + L"\\Quobex.lnk");
  const bool keptAfterSetup = Exists(group + L"\\keep.txt");
  const DWORD uninstall = RunInstalledProgram(folder, L"/S");
  WriteRawValue(HKEY_CURRENT_USER, shellFolders, L"Programs", programs.Type, programs.Bytes);
  WriteRawValue(HKEY_CURRENT_USER, shellFolders, L"Desktop", desktop.Type, desktop.Bytes);
  EXPECT_EQ(0u, setup);
  EXPECT_EQ("someone's", ReadFileBytes(victim + L"\\Quobex.lnk")) << "the user's desktop there too";
  EXPECT_TRUE(linked) << "the product's link was made there";
  EXPECT_TRUE(keptAfterSetup);
  EXPECT_EQ(0u, uninstall);
  EXPECT_FALSE(Exists(group + L"\\Quobex.lnk"));
  EXPECT_EQ("someone's", ReadFileBytes(group + L"\\keep.txt"));
  EXPECT_EQ("someone's", ReadFileBytes(group + L"\\sub\\deep.txt"));
  EXPECT_TRUE(WaitForSelfRemovals(20000));
  RemoveTree(victim);
}

#endif

// One silent run per folder name, all at once: every folder is gone when its run ends (one
// started by its short form, as a folder that deep must be, still knows its own file).
TEST_F(ProgramUninstall, EveryInstallationFolderGoesWhateverItsName) {
  struct Case {
    std::wstring Name;
    bool WithSettingsFile;
  };
#ifdef QBX_JA_BRANCH
  ASSERT_EQ(932u, GetACP());
  // The second byte of "\u30bd" in code page 932 is that of "\\".
  const std::vector<Case> cases = {{L"\u30bd\u30d5\u30c8 100%", false}};
#else
  const std::wstring deep = std::wstring(110, L'L') + L"\\" + std::wstring(110, L'M') + L"\\" +
                            std::wstring(110, L'N');
  const std::vector<Case> cases = {{L"100% Tools & Co", true},
                                   {L"Caret^ and bang! & x", false},
                                   {L"\u041f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440", false},
                                   {deep, false}};
#endif
  std::vector<std::wstring> folders;
  std::vector<std::unique_ptr<StartedProcess>> runs;
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::wstring folder = scratch_ / (L"names" + std::to_wstring(i)) + L"\\" + cases[i].Name;
    for (size_t separator = scratch_.Path().size(); (separator = folder.find(L'\\', separator + 1)) != std::wstring::npos;) {
      CreateDirectoryW((L"\\\\?\\" + folder.substr(0, separator)).c_str(), nullptr);
    }
    LayOutInstallation(folder, {L"data.txt", L"sub\\", L"sub\\x.txt"}, "data.txt\r\nsub\\x.txt\r\nsub\r\nUninstall.exe\r\n");
    if (cases[i].WithSettingsFile) {
      // A portable settings file among the listed files is not written back after its deletion.
      ASSERT_TRUE(WriteFileBytes(folder + L"\\Quobex.ini", "Global\\Integration=0\r\n"));
      ASSERT_TRUE(WriteFileBytes(folder + L"\\Uninstall.lst", "data.txt\r\nsub\\x.txt\r\nsub\r\nQuobex.ini\r\n"));
    }
    // Like Windows, Wine starts no program by a path of MAX_PATH or more: the short form of its
    // folder, in the "\\\\?\\" form, is how.
    std::wstring program = folder + L"\\Uninstall.exe";
    if (program.size() >= MAX_PATH) {
      wchar_t shortFolder[MAX_PATH] = {};
      GetShortPathNameW((L"\\\\?\\" + folder).c_str(), shortFolder, MAX_PATH);
      program = std::wstring(shortFolder) + L"\\Uninstall.exe";
    }
    runs.emplace_back(new StartedProcess(StartProcess(program, L"/S", L"C:\\qbxtest", {{L"sfxcmd", L""}})));
    folders.push_back(folder);
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    DWORD exitCode = 99;
    EXPECT_TRUE(runs[i]->WaitForExit(30000, exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_FALSE(Exists(folders[i])) << std::string(folders[i].begin(), folders[i].end());
  }
  EXPECT_TRUE(WaitForSelfRemovals(20000));
}
