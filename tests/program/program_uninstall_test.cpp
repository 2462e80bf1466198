// The uninstall run of the built program, started as Windows starts it from the list of installed
// programs, and the batch file that removes the program after it. Built twice: the second build
// (QBX_JA_BRANCH) runs in Wine's Japanese code page 932.
#include <windows.h>

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
#include "tests/support/registry_values.h"
#include "tests/support/sample_installation.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/window_automation.h"

namespace {

using Environment = std::map<std::wstring, std::wstring>;

bool Exists(const std::wstring& path) {
  return GetFileAttributesW((L"\\\\?\\" + path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// An installation as the product's installer leaves it: the program, the files named, the list.
void LayOut(const std::wstring& folder, const std::vector<std::wstring>& files, const std::string& list) {
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr) || Exists(folder));
  ASSERT_TRUE(CopyFileW(BuiltProgramPath().c_str(), (L"\\\\?\\" + folder + L"\\Uninstall.exe").c_str(), FALSE));
  for (const std::wstring& file : files) {
    if (file.back() == L'\\') {
      ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder + L"\\" + file).c_str(), nullptr));
    } else {
      ASSERT_TRUE(WriteFileBytes(L"\\\\?\\" + folder + L"\\" + file, "stand-in"));
    }
  }
  ASSERT_TRUE(WriteFileBytes(L"\\\\?\\" + folder + L"\\Uninstall.lst", list));
}

#ifndef QBX_JA_BRANCH
const wchar_t kPrecious[] = L"C:\\qbx-fixtures\\junction-target\\precious.txt";  // not ours

// Runs the program and waits for its end: its exit code, or 99 when it is still running at 30 s.
DWORD RunProgram(const std::wstring& folder, const std::wstring& arguments, const Environment& environment = {}) {
  Environment variables = {{L"sfxcmd", L""}, {L"sfxname", L""}};
  for (const auto& [name, value] : environment) variables[name] = value;
  StartedProcess program =
      StartProcess(folder + L"\\Uninstall.exe", arguments, L"C:\\qbxtest", variables);
  DWORD exitCode = 99;
  EXPECT_TRUE(program.WaitForExit(30000, exitCode)) << "still running";
  return exitCode;
}

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
    LayOutInstallation(folder, {L"Quobex.exe"}, "Quobex.exe\r\nQuobex.ini\r\nUninstall.exe\r\n", BuiltProgramPath());
    ASSERT_TRUE(WriteFileBytes(installer / L"quobex.ini", settings));  // of the same size as before
    ASSERT_EQ(0u, RunProgram(folder, L"/setup /S /initA11 /noexplorer",
                             {{L"sfxname", c.BeforeSetup ? installer / L"quobex580.exe" : L""}}));
    const bool registryKeptAway = c.BeforeSetup && !c.Integration;
    EXPECT_EQ(registryKeptAway ? L"Other.Zip" : L"Quobex.ZIP", ReadRawString(HKEY_CLASSES_ROOT, L".zip", L""));
    if (!c.BeforeSetup) {
      ASSERT_TRUE(CopyFileW((installer / L"quobex.ini").c_str(), (folder + L"\\Quobex.ini").c_str(), TRUE));
    }

    EXPECT_EQ(0u, RunProgram(folder, L"/S"));
    EXPECT_TRUE(WaitForSelfRemovals(20000));
    EXPECT_EQ("", MachineDifference(before, TakeMachineSnapshot()));
  }
}

TEST_F(ProgramUninstall, InteractiveRunAsksFirstAndLeavesFilesInUseForTheRestart) {
  const std::wstring folder = scratch_ / L"Quobex";
  LayOut(folder, {L"Quobex.exe", L"busy.exe.0.tmp", L"locked.dat", L"plain.txt"},
         "busy.exe\r\nlocked.dat\r\nplain.txt\r\nUninstall.exe\r\nQuobex.exe\r\n");
  ASSERT_TRUE(CopyFileW(BuiltProgramPath().c_str(), (folder + L"\\busy.exe").c_str(), FALSE));
  ASSERT_EQ(0u, RunProgram(folder, L"/setup /S /initD1"));
  const MachineSnapshot installed = TakeMachineSnapshot();

  // No: nothing changes.
  {
    StartedProcess program = StartProcess(folder + L"\\Uninstall.exe", L"", folder);
    HWND box = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 10000);
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(ShowsText(box, IDS_CONTINUEUNINSTALL));
    ClickButton(box, IDNO);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(10000, exitCode));
    EXPECT_EQ(1u, exitCode);
    EXPECT_EQ("", MachineDifference(installed, TakeMachineSnapshot()));
  }

  // Yes, with a running program and a file held open without delete sharing among the files.
  const RawValue pendingBefore = ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  StartedProcess busy = StartProcess(folder + L"\\busy.exe", L"/wait /wait /wait /wait /wait /wait /wait /wait /wait /wait", folder);
  HANDLE locked = CreateFileW((folder + L"\\locked.dat").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, locked);
  const std::wstring log = scratch_ / L"run.log";
  StartedProcess program = StartProcess(folder + L"\\Uninstall.exe", L"\"/log=" + log + L"\"", folder);
  HWND box = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 10000);
  ASSERT_NE(nullptr, box);
  ClickButton(box, IDYES);
  HWND restart = nullptr;
  const ULONGLONG deadline = GetTickCount64() + 15000;
  while (restart == nullptr && GetTickCount64() < deadline) {
    HWND shown = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 100);
    if (shown != nullptr && shown != box && ShowsText(shown, IDS_REBOOTREQUIRED)) restart = shown;
  }
  ASSERT_NE(nullptr, restart) << "no restart message";
  ClickButton(restart, IDOK);
  DWORD exitCode = 99;
  while (!program.WaitForExit(20, exitCode)) {
    HWND again = WaitForProcessWindow(program.Id(), L"#32770", 0);
    EXPECT_TRUE(again == nullptr || again == restart) << "a second message";
  }
  EXPECT_EQ(3010u, exitCode);
  CloseHandle(locked);

  EXPECT_FALSE(Exists(folder + L"\\busy.exe"));
  EXPECT_TRUE(Exists(folder + L"\\busy.exe.1.tmp")) << "renamed to the first free name";
  EXPECT_TRUE(Exists(folder + L"\\locked.dat")) << "could not be renamed either";
  EXPECT_FALSE(Exists(folder + L"\\plain.txt"));
  EXPECT_FALSE(Exists(folder + L"\\Uninstall.exe")) << "moved out, for its batch file";
  // The files first, then the folder, which a restart deletes once they are gone.
  const std::vector<std::wstring> pending = PendingOperations();
  const std::vector<std::wstring> expected = {L"\\??\\" + folder + L"\\busy.exe.1.tmp", L"",
                                              L"\\??\\" + folder + L"\\locked.dat", L"",
                                              L"\\??\\" + folder, L""};
  EXPECT_EQ(expected, std::vector<std::wstring>(pending.end() - std::min(pending.size(), size_t{6}),
                                                pending.end()));
  const std::vector<std::wstring> lines = LogLines(log);
  for (const std::wstring& line :
       {L"move " + folder + L"\\busy.exe to " + folder + L"\\busy.exe.1.tmp: done",
        L"schedule the deletion at the next restart of " + folder + L"\\busy.exe.1.tmp: done",
        L"delete " + folder + L"\\busy.exe: renamed and scheduled for the next restart",
        L"schedule the deletion at the next restart of " + folder + L"\\locked.dat: done",
        L"delete file " + folder + L"\\plain.txt: done",
        std::wstring(L"exit code 3010: removed; files wait for the next restart")}) {
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line)) << std::string(line.begin(), line.end());
  }
  EXPECT_EQ(L"exit code 3010: removed; files wait for the next restart", lines.back());
  EXPECT_TRUE(WaitForSelfRemovals(20000)) << "the batch file deletes the program";

  if (pendingBefore.Exists) {
    WriteRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", pendingBefore.Type,
                  pendingBefore.Bytes);
  } else {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key);
    RegDeleteValueW(key, L"PendingFileRenameOperations");
    RegCloseKey(key);
  }
}

TEST_F(ProgramUninstall, WithoutTheListNothingIsRemovedAndOnlyAPersonIsTold) {
  const std::wstring folder = scratch_ / L"Quobex";
  LayOut(folder, {L"Quobex.exe"}, "Quobex.exe\r\n");
  ASSERT_EQ(0u, RunProgram(folder, L"/setup /S"));
  ASSERT_TRUE(DeleteFileW((folder + L"\\Uninstall.lst").c_str()));
  const MachineSnapshot installed = TakeMachineSnapshot();

  // Silent: no message, which nobody would click away; a deployment tool reads 2.
  StartedProcess silent = StartProcess(folder + L"\\Uninstall.exe", L"/S", folder);
  DWORD exitCode = 99;
  for (const ULONGLONG deadline = GetTickCount64() + 10000; !silent.WaitForExit(20, exitCode) && GetTickCount64() < deadline;) {
    EXPECT_FALSE(ProcessHasVisibleWindow(silent.Id())) << "a silent run shows a window";
  }
  EXPECT_EQ(2u, exitCode);

  // A person confirms, and is told.
  StartedProcess program = StartProcess(folder + L"\\Uninstall.exe", L"", folder);
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
  LayOut(folder, {L"own.txt", L"sub\\"},
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
  EXPECT_EQ(0u, RunProgram(folder, L"/S"));
  for (const wchar_t* name : {L"\\Uninstall.exe", L"\\own.txt", L"\\sub"}) EXPECT_FALSE(Exists(folder + name));
  for (const std::wstring& victim : victims) EXPECT_TRUE(Exists(victim)) << std::string(victim.begin(), victim.end());
  EXPECT_TRUE(Exists(precious));
  EXPECT_TRUE(WaitForSelfRemovals(20000));
  DeleteFileW(victims[0].c_str());
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
    LayOut(folder, {L"data.txt", L"sub\\", L"sub\\x.txt"}, "data.txt\r\nsub\\x.txt\r\nsub\r\nUninstall.exe\r\n");
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
