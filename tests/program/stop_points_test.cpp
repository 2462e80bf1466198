// Every setup and uninstall run can be stopped after any single change and run again: a setup
// then ends as one whole run would, an uninstall with nothing of the product left. Proved with
// the test build of the program (uninstall_stops.exe), which ends itself like a task kill right
// after the change its environment names and lists every change it makes: a whole setup and
// uninstall with every option on, and other programs' owners present, is stopped at every change
// in turn and run again. After each stop the files of drive C: are compared whole, and of the
// registry every key that a run of the program wrote, created or deleted, with what is below it
// and the keys above it (the whole registry takes seconds to read under Wine: it is compared
// whole before and after each sweep, and no run may touch a key that the whole runs did not).
//
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "resources/dialog_texts.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/machine_snapshot.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry_values.h"
#include "tests/support/sample_installation.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stop_points.h"
#include "tests/support/window_automation.h"
#include "uninstall/run_lock.h"

namespace {

using Environment = std::map<std::wstring, std::wstring>;

const wchar_t kSetup[] = L"/setup /S /initA11111111111111111D1M1P1S1";

std::wstring StoppingProgram() { return TestProgramFolder() + L"\\uninstall_stops.exe"; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The changes a run's trace lists, one description each.
std::vector<std::string> TracedChanges(const std::wstring& trace) {
  std::vector<std::string> changes;
  const std::string text = ReadFileBytes(trace);
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = text.substr(start, end - start);
    changes.push_back(line.substr(line.find(' ') + 1));
  }
  return changes;
}

// Which of a run's changes a sweep stops after.
enum class Sampling {
  Every,      // every one
  LikeItems,  // of like changes (the same but for numbers and extensions: the 30 volume keys,
              // the previous owner of each archive type), the first, second and last
  Kinds,      // the first of each kind: like changes, whatever their value or file name
  Areas,      // the first of each action on each key or folder below a root
};

// QBX_STOP_POINTS=every, like-items or kinds in the environment overrides what a test takes.
Sampling SamplingFor(Sampling fallback) {
  wchar_t text[32] = {};
  GetEnvironmentVariableW(L"QBX_STOP_POINTS", text, 32);
  const std::wstring name = text;
  return name == L"every" ? Sampling::Every : name == L"like-items" ? Sampling::LikeItems
         : name == L"kinds"  ? Sampling::Kinds : fallback;
}

std::string KindOf(std::string change, Sampling sampling) {
  static const std::regex items("\\\\\\.[A-Za-z0-9]+|[0-9]+|\\{[-0-9A-F]+\\}");
  if (sampling != Sampling::LikeItems) {
    static const std::regex valueOrFileName(", value .*(: [a-z ]+)$|\\\\[^\\\\]*(: [a-z ]+)$");
    change = std::regex_replace(change, valueOrFileName, "$1$2");
  }
  change = std::regex_replace(change, items, "#");
  if (sampling == Sampling::Areas) {
    static const std::regex area("^([a-z ]+ (HK..|C:)\\\\[^\\\\,:]*).*$");
    change = std::regex_replace(change, area, "$1");
  }
  return change;
}

// The changes to stop after (1-based, in order).
std::vector<int> StopPointsOf(const std::vector<std::string>& changes, Sampling sampling) {
  std::map<std::string, std::vector<int>> kinds;
  for (size_t n = 0; n < changes.size(); ++n) {
    const std::string kind = sampling == Sampling::Every ? std::to_string(n) : KindOf(changes[n], sampling);
    kinds[kind].push_back(static_cast<int>(n + 1));
  }
  std::vector<int> points;
  for (const auto& [kind, ns] : kinds) {
    for (size_t i = 0; i < ns.size(); ++i) {
      const bool likeItem = sampling == Sampling::LikeItems && (i == 1 || i + 1 == ns.size());
      if (i == 0 || likeItem) points.push_back(ns[i]);
    }
  }
  std::sort(points.begin(), points.end());
  return points;
}

// The private folder a stopped uninstall run created, from its changes ("" when none).
std::wstring CreatedPrivateFolder(const std::vector<std::string>& changes) {
  const std::regex created("^create folder (.*\\\\QbxUninstall-[0-9A-F]+): done$");
  for (const std::string& change : changes) {
    std::smatch match;
    if (!std::regex_match(change, match, created)) continue;
    const std::string folder = match[1];
    return std::wstring(folder.begin(), folder.end());
  }
  return L"";
}

// The private folders of uninstall runs go when their batch files end, seconds later: compared
// once at the end, not after every run. The traces of the runs are the test's own, in a folder
// that is there from the start.
void WithoutSelfRemovals(FileSnapshot& files) {
  std::erase_if(files, [](const auto& entry) {
    return entry.first.find(L"\\temp\\qbxuninstall-") != std::wstring::npos ||
           entry.first.starts_with(L"c:\\qbxtest\\stops\\traces\\");
  });
}

// A registry key as a trace names it: "HKCR\\.zip", "HKLM\\...", a value after ", value ", the
// 32-bit view after " (32-bit view)".
struct TracedKey {
  HKEY Root;
  std::wstring Path;
  REGSAM View;
  bool operator<(const TracedKey& other) const {
    return std::tie(Root, View, Path) < std::tie(other.Root, other.View, other.Path);
  }
};

std::vector<TracedKey> TracedKeys(const std::vector<std::string>& changes) {
  const std::regex key("(HKCR|HKLM|HKCU)\\\\(.*?)(, value .*)?( \\(32-bit view\\))?: [a-z ]+.*$");
  std::vector<TracedKey> keys;
  for (const std::string& change : changes) {
    std::smatch match;
    if (!std::regex_search(change, match, key)) continue;
    const std::string root = match[1];
    const std::string path = match[2];
    keys.push_back({root == "HKCR" ? HKEY_CLASSES_ROOT : root == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                    std::wstring(path.begin(), path.end()), match[4].matched ? KEY_WOW64_32KEY : REGSAM{0}});
  }
  return keys;
}

// The registry as far as the program's runs reach: below each key they touched, and whether each
// key above it is there. Files are those of drive C:, whole.
class TracedMachine {
 public:
  // The schedule of deletions at the next restart is written by the system for the program.
  TracedMachine() { keys_.insert({HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0}); }

  void Add(const std::vector<std::string>& changes) {
    for (const TracedKey& key : TracedKeys(changes)) keys_.insert(key);
    // A key below another one is read with it.
    for (auto key = keys_.begin(); key != keys_.end();) {
      auto next = std::next(key);
      while (next != keys_.end() && next->Root == key->Root && next->View == key->View &&
             next->Path.size() > key->Path.size() && next->Path.compare(0, key->Path.size(), key->Path) == 0 &&
             next->Path[key->Path.size()] == L'\\') {
        covered_.insert(*next);
        next = keys_.erase(next);
      }
      key = next;
    }
  }

  // The keys of changes that no whole run touched.
  std::string Unknown(const std::vector<std::string>& changes) const {
    std::string unknown;
    for (const TracedKey& key : TracedKeys(changes)) {
      if (!keys_.count(key) && !covered_.count(key)) unknown += std::string(key.Path.begin(), key.Path.end()) + "\n";
    }
    return unknown;
  }

  MachineSnapshot Take() const {
    MachineSnapshot snapshot;
    for (const TracedKey& key : keys_) {
      const std::wstring root = key.Root == HKEY_CLASSES_ROOT ? L"HKCR" : key.Root == HKEY_LOCAL_MACHINE ? L"HKLM" : L"HKCU";
      const std::wstring prefix = root + (key.View != 0 ? L"32\\" : L"\\");
      for (const auto& [name, value] : TakeRegistrySnapshot(key.Root, key.Path, key.View, true)) {
        snapshot.Machine[prefix + name] = value;
      }
      for (size_t separator = key.Path.rfind(L'\\'); separator != std::wstring::npos && separator > 0;
           separator = key.Path.rfind(L'\\', separator - 1)) {
        const std::wstring parent = key.Path.substr(0, separator);
        if (RawKeyExists(key.Root, parent, key.View)) snapshot.Machine[prefix + parent] = {REG_NONE, "key"};
      }
    }
    snapshot.Files = TakeFileSnapshot(L"C:");
    WithoutSelfRemovals(snapshot.Files);
    return snapshot;
  }

 private:
  std::set<TracedKey> keys_;
  std::set<TracedKey> covered_;  // below one of keys_
};

class StopPoints : public testing::Test {
 protected:
  struct Scenario {
    bool Portable;      // the installer's settings file lies beside the program from the start
    bool OtherAccount;  // another account uninstalls: the setup user's product key is not there
    Sampling Points;    // which changes to stop after, unless the environment says otherwise
  };

  // Each stop point starts from the machine of the sweep's start: where the one before failed,
  // what it left is cleared first.
  void StartOver() {
    if (HasFailure()) {
      IntegrationSandbox::Clean();
      PlaceOtherProgramsOwners();
      RemoveTree(folder_);
    }
    LayOut();
  }

  // A folder listed before its files, a read-only file, and the help viewer's index files, which
  // nobody lists.
  void LayOut() {
    std::vector<std::wstring> files = {L"Quobex.exe", L"Quobex.chm", L"Qbx.txt", L"WhatsNew.txt",
                                       L"qbxext.dll", L"qbxext32.dll", L"docs\\", L"docs\\readme.txt",
                                       L"quobex.gid", L"quobex.fts"};
    std::string list = "docs\r\nQuobex.exe\r\nQuobex.chm\r\ndocs\\readme.txt\r\nQbx.txt\r\nWhatsNew.txt\r\n"
                       "qbxext.dll\r\nqbxext32.dll\r\nUninstall.exe\r\n";
    if (scenario_.Portable) {
      files.push_back(L"Quobex.ini");
      list += "Quobex.ini\r\n";
    }
    LayOutInstallation(folder_, files, list, StoppingProgram());
    ASSERT_TRUE(SetFileAttributesW((folder_ + L"\\docs\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    if (scenario_.Portable) {
      ASSERT_TRUE(WriteFileBytes(folder_ + L"\\Quobex.ini", "Global\\Integration=1\r\n"));
    }
  }

  // Runs the program of the installation folder and lists its changes in changes: its exit code
  // (99 when it did not end in 30 s). With stopAfter it stops itself after that change.
  DWORD Run(const std::wstring& arguments, std::vector<std::string>& changes, int stopAfter = 0,
            const Environment& extra = {}) {
    const std::wstring trace = traces_ / (L"run" + std::to_wstring(++runs_) + L".txt");
    Environment environment = {{L"sfxcmd", L""}, {L"sfxname", L""}, {kChangeTraceVariable, trace}};
    environment.insert(extra.begin(), extra.end());
    if (stopAfter != 0) environment[kStopAfterChangeVariable] = std::to_wstring(stopAfter);
    StartedProcess program = StartProcess(folder_ + L"\\Uninstall.exe", arguments, folder_, environment);
    DWORD exitCode = 99;
    EXPECT_TRUE(program.WaitForExit(30000, exitCode)) << "still running";
    changes = TracedChanges(trace);
    DeleteFileW(trace.c_str());
    return exitCode;
  }

  // A run of an iteration: its changes must lie where the whole runs' did.
  DWORD RunChecked(const std::wstring& arguments, int stopAfter = 0) {
    std::vector<std::string> changes;
    const DWORD exitCode = Run(arguments, changes, stopAfter);
    EXPECT_EQ("", machine_.Unknown(changes)) << "keys no whole run touched";
    lastChanges_ = changes;
    return exitCode;
  }

  // An uninstall run, by another account when the scenario says so: the setup user's product key
  // is then out of reach.
  DWORD Uninstall(int stopAfter = 0) {
    if (scenario_.OtherAccount) DeleteRawTree(HKEY_CURRENT_USER, L"Software\\Quobex");
    return RunChecked(L"/S", stopAfter);
  }

  // A whole setup and uninstall, counting their changes; every stop point of both after it.
  void Sweep(const Scenario& scenario) {
    scenario_ = scenario;
    const ULONGLONG start = GetTickCount64();
    PlaceOtherProgramsOwners();
    const MachineSnapshot wholeBefore = TakeMachineSnapshot();

    std::vector<std::string> setupChanges;
    std::vector<std::string> uninstallChanges;
    LayOut();
    ASSERT_EQ(0u, Run(kSetup, setupChanges)) << "setup";
    machine_.Add(setupChanges);
    if (scenario_.OtherAccount) DeleteRawTree(HKEY_CURRENT_USER, L"Software\\Quobex");
    // As a deployment tool runs it, in an environment a user may have set: COMSPEC names another
    // program, and the temporary folder holds a link, at the batch file's old name, to a file that
    // is not ours (a fixture of the test prefix).
    ASSERT_TRUE(InstallProgramCopy(scratch_.Path(), L"other.exe"));
    ASSERT_EQ(0u, Run(L"/S", uninstallChanges, 0,
                      {{L"COMSPEC", scratch_ / L"other.exe"}, {L"TEMP", L"C:\\qbx-fixtures\\temp"},
                       {L"TMP", L"C:\\qbx-fixtures\\temp"}})) << "uninstall";
    machine_.Add(uninstallChanges);
    EXPECT_FALSE(Exists(folder_)) << "the folder is gone when the run ends";
    // The next version, copied in the moment the run has ended, is never touched by its batch file.
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    ASSERT_TRUE(InstallProgramCopy(folder_));
    ASSERT_TRUE(WriteFileBytes(folder_ + L"\\Quobex.exe", "next version"));
    EXPECT_TRUE(WaitForSelfRemovals(20000)) << "the system's interpreter ran the batch file";
    EXPECT_EQ(ReadFileBytes(BuiltProgramPath()), ReadFileBytes(folder_ + L"\\Uninstall.exe"));
    EXPECT_EQ("next version", ReadFileBytes(folder_ + L"\\Quobex.exe"));
    EXPECT_EQ("not ours", ReadFileBytes(L"C:\\qbx-fixtures\\junction-target\\precious.txt"));
    RemoveTree(folder_);
    DeleteFileW((scratch_ / L"other.exe").c_str());
    ASSERT_EQ("", MachineDifference(wholeBefore, TakeMachineSnapshot()));
    const MachineSnapshot before = machine_.Take();
    // A second run after a complete one, from an empty list, finds nothing of its own to remove.
    LayOutInstallation(folder_, {}, "", StoppingProgram());
    EXPECT_EQ(0u, RunChecked(L"/S"));
    EXPECT_EQ("", MachineDifference(before, machine_.Take()));
    LayOut();
    ASSERT_EQ(0u, RunChecked(kSetup));
    const MachineSnapshot installed = machine_.Take();
    ASSERT_EQ(0u, Uninstall());

    const Sampling sampling = SamplingFor(scenario.Points);
    // Another account's setup is the setup of the first sweep: only its uninstall differs.
    const std::vector<int> setupPoints =
        scenario.OtherAccount ? std::vector<int>() : StopPointsOf(setupChanges, sampling);
    for (int n : setupPoints) {
      SCOPED_TRACE(testing::Message() << "setup stopped after change " << n << ": " << setupChanges[n - 1]);
      StartOver();
      ASSERT_EQ(kStoppedExitCode, RunChecked(kSetup, n));
      ASSERT_EQ(0u, RunChecked(kSetup));
      EXPECT_EQ("", MachineDifference(installed, machine_.Take()));
      ASSERT_EQ(0u, Uninstall());
      EXPECT_EQ("", MachineDifference(before, machine_.Take()));
    }

    const std::vector<int> uninstallPoints = StopPointsOf(uninstallChanges, sampling);
    int leftOutside = 0;
    for (int n : uninstallPoints) {
      SCOPED_TRACE(testing::Message() << "uninstall stopped after change " << n << ": " << uninstallChanges[n - 1]);
      StartOver();
      ASSERT_EQ(0u, RunChecked(kSetup));
      ASSERT_EQ(kStoppedExitCode, Uninstall(n));
      // Once the program has left its folder for its private one, nothing can start it again:
      // what is left is that private folder, and the installation folder with at most the list.
      if (Exists(folder_ + L"\\Uninstall.exe")) {
        EXPECT_EQ(0u, Uninstall());
      } else {
        ++leftOutside;
        const FileSnapshot left = TakeFileSnapshot(folder_);
        EXPECT_TRUE(left.empty() || (left.size() == 1 && left.begin()->first.ends_with(L"\\uninstall.lst")));
        RemoveTree(folder_);
        const std::wstring created = CreatedPrivateFolder(lastChanges_);
        ASSERT_NE(L"", created);
        RemoveTree(created);
      }
      EXPECT_EQ("", MachineDifference(before, machine_.Take()));
    }
    EXPECT_TRUE(WaitForSelfRemovals(60000));
    EXPECT_EQ("", MachineDifference(wholeBefore, TakeMachineSnapshot()));
    printf("stop points: setup %zu of %zu changes, uninstall %zu of %zu changes (%d of them after the "
           "program left its folder); compared whole: %zu registry keys and values, %zu files; "
           "after each stop: %zu keys and values, the files; %llu s\n",
           setupPoints.size(), setupChanges.size(), uninstallPoints.size(), uninstallChanges.size(),
           leftOutside,
           wholeBefore.Machine.size() + wholeBefore.Machine32.size() + wholeBefore.User.size() +
               wholeBefore.User32.size(),
           wholeBefore.Files.size(), installed.Machine.size(), (GetTickCount64() - start) / 1000);
  }

  IntegrationSandbox sandbox_;
  ScratchFolder scratch_{L"stops"};
  ScratchFolder traces_{L"stops\\traces"};
  const std::wstring folder_ = scratch_ / L"Quobex";
  Scenario scenario_ = {};
  TracedMachine machine_;
  int runs_ = 0;
  std::vector<std::string> lastChanges_;
};

}  // namespace

// Built twice, so that the two halves run side by side: the plain sweep (with the check of the
// shipped program) in stop_points_test, the variants and the runs at once in
// stop_points_variants_test.
#ifndef QBX_STOP_VARIANTS

// In the test suite the first change of each kind (the stops within a run of like changes end
// alike); with QBX_STOP_POINTS=like-items the first, second and last of each run of like
// changes, with QBX_STOP_POINTS=every every change (ctest labels stop-points-like-items and
// stop-points-every, outside CI: they take several times longer).
TEST_F(StopPoints, EverySetupAndUninstallCanBeStoppedAnywhereAndRunAgain) {
  Sweep({false, false, Sampling::Kinds});
}

#else

TEST_F(StopPoints, APortableInstallationLosesNothingWhereverItStops) { Sweep({true, false, Sampling::Areas}); }

TEST_F(StopPoints, AnotherAccountsUninstallGivesEverythingBackWhereverItStops) {
  Sweep({false, true, Sampling::Areas});
}

// Two runs at once take turns: an uninstall started while a setup shows its dialog waits for it
// and changes nothing meanwhile, then removes what the setup did.
TEST_F(StopPoints, TwoRunsAtOnceTakeTurns) {
  PlaceOtherProgramsOwners();
  const MachineSnapshot before = TakeMachineSnapshot();
  LayOut();
  const Environment environment = {{L"sfxcmd", L""}, {L"sfxname", L""}};
  StartedProcess setup = StartProcess(folder_ + L"\\Uninstall.exe", L"/setup /noexplorer", folder_, environment);
  HWND dialog = WaitForProcessWindowTitled(setup.Id(), L"#32770", L"" SETUPDLG_CAPTION, 15000);
  ASSERT_NE(nullptr, dialog);
  const MachineSnapshot asked = TakeMachineSnapshot();
  StartedProcess uninstall = StartProcess(folder_ + L"\\Uninstall.exe", L"/S", folder_, environment);
  DWORD exitCode = 99;
  EXPECT_FALSE(uninstall.WaitForExit(2000, exitCode)) << "the uninstall waits for the setup";
  EXPECT_EQ("", MachineDifference(asked, TakeMachineSnapshot()));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  HWND done = WaitForProcessWindowTitled(setup.Id(), L"#32770", L"" DONEDLG_CAPTION, 15000);
  ASSERT_NE(nullptr, done);
  ClickButton(done, IDOK);
  ASSERT_TRUE(setup.WaitForExit(10000, exitCode));
  EXPECT_EQ(0u, exitCode);
  ASSERT_TRUE(uninstall.WaitForExit(30000, exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_TRUE(WaitForSelfRemovals(20000));
  EXPECT_EQ("", MachineDifference(before, TakeMachineSnapshot()));
}

// A deployment tool retries on 1618: the run waited a minute for its turn and changed nothing.
TEST_F(StopPoints, ARunThatDoesNotGetItsTurnWithinAMinuteEndsWith1618) {
  LayOut();
  const MachineSnapshot before = TakeMachineSnapshot();
  HANDLE lock = CreateMutexW(nullptr, TRUE, kRunLockName);
  ASSERT_NE(nullptr, lock);
  DWORD exitCode = 99;
  StartedProcess uninstall = StartProcess(folder_ + L"\\Uninstall.exe", L"/S", folder_, {{L"sfxcmd", L""}});
  ASSERT_TRUE(uninstall.WaitForExit(90000, exitCode));
  EXPECT_EQ(1618u, exitCode);
  EXPECT_EQ("", MachineDifference(before, TakeMachineSnapshot()));
  ReleaseMutex(lock);
  CloseHandle(lock);
}

#endif

#ifndef QBX_STOP_VARIANTS

// A crash ends the run with the exception's code, as without the program's filter; the log says
// where it happened, and the debugger's report, which the tests print, places it in the program.
TEST_F(StopPoints, ACrashEndsTheRunWithItsCodeAndTheLogSaysWhere) {
  LayOut();
  const std::wstring log = scratch_ / L"run.log";
  StartedProcess program = StartProcess(folder_ + L"\\Uninstall.exe", std::wstring(kSetup) + L" /log=" + log, folder_,
                                        {{L"sfxcmd", L""}, {kStopAfterChangeVariable, L"1"}, {kStopByVariable, L"crash"}});
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(30000, exitCode));
  EXPECT_EQ(0xC0000005u, exitCode);
  const std::string text = ReadFileBytes(log);
  EXPECT_TRUE(std::regex_search(text, std::regex("  unhandled exception c0000005 at Uninstall\\.exe\\+0x[0-9a-f]+\r\n$")))
      << text;
  EXPECT_TRUE(CrashedInModule(program.CrashReport(), "Uninstall.exe")) << program.CrashReport();
  EXPECT_FALSE(CrashedInModule(program.CrashReport(), "kernel32.dll"));
}

// What stops the test build is in the test build only.
TEST(StopBuild, TheShippedProgramHasNoStopPoints) {
  const std::wstring name = kStopAfterChangeVariable;
  const std::string marker(reinterpret_cast<const char*>(name.data()), name.size() * sizeof(wchar_t));
  EXPECT_NE(std::string::npos, ReadFileBytes(StoppingProgram()).find(marker));
  EXPECT_EQ(std::string::npos, ReadFileBytes(BuiltProgramPath()).find(marker));
}

#endif
