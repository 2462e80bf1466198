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
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <regex>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "common/product_names.h"
#include "resources/dialog_texts.h"
#include "tests/support/change_trace.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/machine_snapshot.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry_values.h"
#include "tests/support/sample_installation.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stop_points.h"
#include "tests/support/window_automation.h"

namespace {

const wchar_t kSetup[] = L"/setup /S /initA11111111111111111D1M1P1S1";

// What each sweep measures, asserted exactly: a change the program gains or loses, or a kind of
// change that stops being stopped after, shows here first. Changes: of the whole run; kinds: the
// distinct kinds of those changes (change_trace.h, Sampling::Kinds); points: the stops the sweep
// makes in the suite's sampling; after the move-out: the uninstall stops after which the program
// had left its folder. To update them after a change to the program, run the sweeps
// (scripts/test.sh -R StopPoints) and copy each sweep's line "stop points, <sweep>: <changes>
// changes, <kinds> kinds, <points> stop points, <after> after the move-out" into this table.
struct SweepCounts {
  size_t Changes, Kinds, Points, AfterMoveOut;
};
const struct {
  const char* Sweep;
  SweepCounts Counts;
} kSweepCounts[] = {
    {"setup", {434, 107, 107, 0}},
    {"uninstall", {212, 61, 61, 3}},
    {"portable setup", {244, 86, 31, 0}},
    {"portable uninstall", {174, 55, 27, 2}},
    {"another account's uninstall", {192, 58, 25, 2}},
};

SweepCounts ExpectedCounts(const std::string& sweep) {
  for (const auto& row : kSweepCounts) {
    if (sweep == row.Sweep) return row.Counts;
  }
  ADD_FAILURE() << "no counts for the sweep " << sweep;
  return {};
}

// "" when the two lists of changes are the same; otherwise where they first differ.
std::string FirstDifference(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
  for (size_t n = 0; n < std::max(expected.size(), actual.size()); ++n) {
    const std::string wanted = n < expected.size() ? expected[n] : "(none)";
    const std::string made = n < actual.size() ? actual[n] : "(none)";
    if (wanted != made) return "change " + std::to_string(n + 1) + ": " + made + ", where the whole run made " + wanted;
  }
  return "";
}

// The stop points of this part of a sweep: with QBX_STOP_SHARD=k/n in the environment every n-th
// of them from the k-th on, so that n ctest entries share a long sweep; all of them without it.
std::vector<int> ShareOfThisPart(const std::vector<int>& points) {
  wchar_t text[16] = {};
  unsigned part = 0, parts = 0;
  if (GetEnvironmentVariableW(L"QBX_STOP_SHARD", text, 16) == 0 || swscanf(text, L"%u/%u", &part, &parts) != 2 ||
      part == 0 || part > parts) {
    return points;
  }
  std::vector<int> share;
  for (size_t i = part - 1; i < points.size(); i += parts) share.push_back(points[i]);
  return share;
}

std::wstring StoppingProgram() { return TestProgramFolder() + L"\\uninstall_stops.exe"; }

class StopPoints : public testing::Test {
 protected:
  enum class Half { Setup, Uninstall };
  struct Scenario {
    const char* Name;   // as kSweepCounts names its sweeps, with the half after it
    bool Portable;      // the installer's settings file lies beside the program from the start
    bool OtherAccount;  // another account uninstalls: the setup user's product key is not there
    Sampling Points;    // which changes to stop after, unless the environment says otherwise
  };

  // Each stop point starts from the machine of the sweep's start: the batch files of the runs
  // before have ended (a setup would otherwise take their private folders for abandoned ones and
  // remove them, changes the whole run did not make), and where the one before failed, what it
  // left is cleared first.
  void StartOver() {
    EXPECT_TRUE(WaitForSelfRemovals(60000));
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
  // Its log is kept in log_ until the next run, for the messages of failures.
  DWORD Run(const std::wstring& arguments, std::vector<std::string>& changes, int stopAfter = 0,
            const Environment& extra = {}) {
    const std::wstring trace = traces_ / (L"run" + std::to_wstring(++runs_) + L".txt");
    const std::wstring log = traces_ / (L"run" + std::to_wstring(runs_) + L".log");
    Environment environment = {{kChangeTraceVariable, trace}};
    environment.insert(extra.begin(), extra.end());
    if (stopAfter != 0) environment[kStopAfterChangeVariable] = std::to_wstring(stopAfter);
    const DWORD exitCode = RunInstalledProgram(folder_, arguments + L" \"/log=" + log + L"\"", environment);
    changes = TracedChanges(trace);
    log_ = ReadFileBytes(log);
    DeleteFileW(trace.c_str());
    DeleteFileW(log.c_str());
    return exitCode;
  }

  // A run of an iteration: its changes must lie where the whole runs' did. Stopped after change
  // n of whole, it must have made the first n changes of whole, and only those.
  DWORD RunChecked(const std::wstring& arguments, int stopAfter = 0, const std::vector<std::string>* whole = nullptr) {
    std::vector<std::string> changes;
    const DWORD exitCode = Run(arguments, changes, stopAfter);
    EXPECT_EQ("", machine_.Unknown(changes)) << "keys no whole run touched";
    if (whole != nullptr) {
      const size_t n = stopAfter == 0 ? whole->size() : static_cast<size_t>(stopAfter);
      EXPECT_EQ("", FirstDifference(MaskedChanges({whole->begin(), whole->begin() + n}), MaskedChanges(changes)));
    }
    return exitCode;
  }

  // An uninstall run, by another account when the scenario says so: the setup user's product key
  // is then out of reach.
  DWORD Uninstall(int stopAfter = 0, const std::vector<std::string>* whole = nullptr) {
    if (scenario_.OtherAccount) DeleteRawTree(HKEY_CURRENT_USER, L"Software\\Quobex");
    return RunChecked(L"/S", stopAfter, whole);
  }

  // The machine as far as the runs reach, but for the private folders of the batch files that are
  // still at work: they go seconds after their run, and are compared once they have gone, where a
  // leftover would show (after a stop past the program's move, and at the end of the sweep).
  MachineSnapshot TakeWithoutWorkingBatchFiles() const {
    MachineSnapshot snapshot = machine_.Take();
    std::erase_if(snapshot.Files, [](const auto& entry) {
      return entry.first.find(L"\\temp\\qbxuninstall-") != std::wstring::npos;
    });
    return snapshot;
  }

  // A whole setup and uninstall, their changes listed in setup and uninstall; then the runs after
  // them that need nothing stopped. Leaves in installed the machine as a whole setup leaves it.
  void RunWholeRuns(std::vector<std::string>& setup, std::vector<std::string>& uninstall, MachineSnapshot& installed) {
    LayOut();
    ASSERT_EQ(0u, Run(kSetup, setup)) << "setup";
    machine_.Add(setup);
    if (scenario_.OtherAccount) DeleteRawTree(HKEY_CURRENT_USER, L"Software\\Quobex");
    // As a deployment tool runs it, in an environment a user may have set: COMSPEC names another
    // program, and the temporary folder holds a link, at the batch file's old name, to a file that
    // is not ours (a fixture of the test prefix).
    ASSERT_TRUE(InstallProgramCopy(scratch_.Path(), L"other.exe"));
    ASSERT_EQ(0u, Run(L"/S", uninstall, 0,
                      {{L"COMSPEC", scratch_ / L"other.exe"}, {L"TEMP", L"C:\\qbx-fixtures\\temp"},
                       {L"TMP", L"C:\\qbx-fixtures\\temp"}})) << "uninstall";
    machine_.Add(uninstall);
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
    ASSERT_EQ("", MachineDifference(wholeBefore_, TakeMachineSnapshot()));
    // A second run after a complete one, from an empty list, finds nothing of its own to remove.
    const MachineSnapshot empty = machine_.Take();
    LayOutInstallation(folder_, {}, "", StoppingProgram());
    EXPECT_EQ(0u, RunChecked(L"/S"));
    EXPECT_TRUE(WaitForSelfRemovals(20000));
    EXPECT_EQ("", MachineDifference(empty, machine_.Take()));
    // The setup and uninstall that the stopped runs are checked against: whole runs in the
    // environment of the stopped ones.
    LayOut();
    ASSERT_EQ(0u, RunChecked(kSetup, 0, &setup)) << "the same changes as the first setup";
    installed = TakeWithoutWorkingBatchFiles();
    std::vector<std::string> changes;
    if (scenario_.OtherAccount) DeleteRawTree(HKEY_CURRENT_USER, L"Software\\Quobex");
    ASSERT_EQ(0u, Run(L"/S", changes));
    uninstall = changes;
  }

  // Every stop point of the setup: each stopped run is removed at once, as a person would after a
  // setup that did not end, or set up again, as an installer started once more would.
  void SweepSetup(const std::vector<std::string>& changes, const std::vector<int>& points,
                  const MachineSnapshot& installed, const MachineSnapshot& before) {
    for (int n : points) {
      SCOPED_TRACE(testing::Message() << "setup stopped after change " << n << ": " << changes[n - 1]);
      StartOver();
      ASSERT_EQ(kStoppedExitCode, RunChecked(kSetup, n, &changes)) << log_;
      ASSERT_EQ(0u, Uninstall()) << log_;
      EXPECT_EQ("", MachineDifference(before, TakeWithoutWorkingBatchFiles()));
      LayOut();
      ASSERT_EQ(kStoppedExitCode, RunChecked(kSetup, n)) << log_;
      ASSERT_EQ(0u, RunChecked(kSetup)) << log_;
      EXPECT_EQ("", MachineDifference(installed, TakeWithoutWorkingBatchFiles()));
      ASSERT_EQ(0u, Uninstall()) << log_;
      EXPECT_EQ("", MachineDifference(before, TakeWithoutWorkingBatchFiles()));
    }
  }

  // Every stop point of the uninstall, each run again after its stop; counts in leftOutside the
  // stops after which the program had left its folder.
  void SweepUninstall(const std::vector<std::string>& changes, const std::vector<int>& points,
                      const MachineSnapshot& before, size_t& leftOutside) {
    for (int n : points) {
      SCOPED_TRACE(testing::Message() << "uninstall stopped after change " << n << ": " << changes[n - 1]);
      StartOver();
      ASSERT_EQ(0u, RunChecked(kSetup)) << log_;
      ASSERT_EQ(kStoppedExitCode, Uninstall(n, &changes)) << log_;
      if (Exists(folder_ + L"\\Uninstall.exe")) {
        ASSERT_EQ(0u, Uninstall()) << log_;
        EXPECT_EQ("", MachineDifference(before, TakeWithoutWorkingBatchFiles()));
        continue;
      }
      // Once the program has left its folder for its private one, nothing can start it again:
      // the installation folder holds at most the list. The product's next setup and uninstall
      // take what the stopped run left, the private folder with the program included.
      ++leftOutside;
      const FileSnapshot left = TakeFileSnapshot(folder_);
      EXPECT_TRUE(left.empty() || (left.size() == 1 && left.begin()->first.ends_with(L"\\uninstall.lst")));
      LayOut();
      ASSERT_EQ(0u, RunChecked(kSetup)) << log_;
      ASSERT_EQ(0u, Uninstall()) << log_;
      EXPECT_TRUE(WaitForSelfRemovals(20000)) << "a private folder stays";
      EXPECT_EQ("", MachineDifference(before, machine_.Take()));
    }
  }

  // A whole setup and uninstall, counting their changes; then every stop point of one of them.
  void Sweep(const Scenario& scenario, Half half) {
    scenario_ = scenario;
    const std::string sweep = std::string(scenario.Name) + (half == Half::Setup ? "setup" : "uninstall");
    const ULONGLONG start = GetTickCount64();
    PlaceOtherProgramsOwners();
    wholeBefore_ = TakeMachineSnapshot();
    std::vector<std::string> setup;
    std::vector<std::string> uninstall;
    MachineSnapshot installed;
    ASSERT_NO_FATAL_FAILURE(RunWholeRuns(setup, uninstall, installed));
    const std::vector<std::string>& changes = half == Half::Setup ? setup : uninstall;
    const Sampling sampling = SamplingFor(scenario.Points);
    const std::vector<int> points = StopPointsOf(changes, sampling);
    const MachineSnapshot before = TakeWithoutWorkingBatchFiles();
    // Before the stops, for a sweep that does not end in time: the stops after the change that
    // moves the program out of its folder are those that should leave it outside.
    size_t movedOut = 0;
    for (size_t n = 0; n < changes.size() && movedOut == 0; ++n) {
      if (changes[n].starts_with("move ") && changes[n].find("\\Uninstall.exe to ") != std::string::npos) movedOut = n + 1;
    }
    printf("stop points, %s: %zu changes, %zu kinds, %zu stop points, %zu of them in this part, %zd after the "
           "program's move\n", sweep.c_str(), changes.size(), StopPointsOf(changes, Sampling::Kinds).size(),
           points.size(), ShareOfThisPart(points).size(),
           movedOut == 0 ? 0 : std::count_if(points.begin(), points.end(), [&](int n) { return n >= static_cast<int>(movedOut); }));
    fflush(stdout);
    size_t leftOutside = 0;
    if (half == Half::Setup) {
      SweepSetup(changes, ShareOfThisPart(points), installed, before);
    } else {
      SweepUninstall(changes, ShareOfThisPart(points), before, leftOutside);
    }
    EXPECT_TRUE(WaitForSelfRemovals(60000));
    EXPECT_EQ("", MachineDifference(wholeBefore_, TakeMachineSnapshot()));
    const SweepCounts measured = {changes.size(), StopPointsOf(changes, Sampling::Kinds).size(), points.size(),
                                  leftOutside};
    printf("stop points, %s: %zu changes, %zu kinds, %zu stop points, %zu after the move-out; compared whole: "
           "%zu registry keys and values, %zu files; after each stop: %zu keys and values, the files; %llu s\n",
           sweep.c_str(), measured.Changes, measured.Kinds, measured.Points, measured.AfterMoveOut,
           wholeBefore_.Machine.size() + wholeBefore_.Machine32.size() + wholeBefore_.User.size() +
               wholeBefore_.User32.size(),
           wholeBefore_.Files.size(), installed.Machine.size(), (GetTickCount64() - start) / 1000);
    // A sweep over a trace that lost its changes would pass having stopped nowhere. The stops
    // depend on the sampling: counted only in the suite's.
    const SweepCounts expected = ExpectedCounts(sweep);
    const char* update = "the program's changes differ from the table kSweepCounts: see its comment";
    EXPECT_EQ(expected.Changes, measured.Changes) << update;
    EXPECT_EQ(expected.Kinds, measured.Kinds) << update;
    if (sampling == scenario.Points) {
      EXPECT_EQ(expected.Points, measured.Points) << update;
      if (ShareOfThisPart(points).size() == points.size()) {
        EXPECT_EQ(expected.AfterMoveOut, measured.AfterMoveOut) << update;
      }
    }
  }

  IntegrationSandbox sandbox_;
  ScratchFolder scratch_{L"stops"};
  ScratchFolder traces_{L"stops\\traces"};
  const std::wstring folder_ = scratch_ / L"Quobex";
  Scenario scenario_ = {};
  MachineSnapshot wholeBefore_;
  TracedMachine machine_;
  int runs_ = 0;
  std::string log_;
};

}  // namespace

// In the test suite the first change of each kind (the stops within a run of like changes end
// alike); with QBX_STOP_POINTS=like-items the first, second and last of each run of like
// changes, with QBX_STOP_POINTS=every every change (ctest labels stop-points-like-items and
// stop-points-every, outside CI: they take several times longer). Each sweep is a test of its own,
// which ctest runs in a prefix of its own, beside the others (tests/CMakeLists.txt).
TEST_F(StopPoints, EverySetupCanBeStoppedAnywhereAndRunAgain) {
  Sweep({"", false, false, Sampling::Kinds}, Half::Setup);
}

TEST_F(StopPoints, EveryUninstallCanBeStoppedAnywhereAndRunAgain) {
  Sweep({"", false, false, Sampling::Kinds}, Half::Uninstall);
}

TEST_F(StopPoints, APortableSetupLosesNothingWhereverItStops) {
  Sweep({"portable ", true, false, Sampling::Areas}, Half::Setup);
}

TEST_F(StopPoints, APortableUninstallLosesNothingWhereverItStops) {
  Sweep({"portable ", true, false, Sampling::Areas}, Half::Uninstall);
}

// Its setup is the setup of the first sweep: only the uninstall differs.
TEST_F(StopPoints, AnotherAccountsUninstallGivesEverythingBackWhereverItStops) {
  Sweep({"another account's ", false, true, Sampling::Areas}, Half::Uninstall);
}

// Two runs at once take turns: an uninstall started while a setup shows its dialog waits for it
// and changes nothing meanwhile, then removes what the setup did.
TEST_F(StopPoints, TwoRunsAtOnceTakeTurns) {
  PlaceOtherProgramsOwners();
  const MachineSnapshot before = TakeMachineSnapshot();
  LayOut();
  StartedProcess setup = StartInstalledProgram(folder_, L"/setup /noexplorer");
  HWND dialog = WaitForProcessWindowTitled(setup.Id(), L"#32770", L"" SETUPDLG_CAPTION, 15000);
  ASSERT_NE(nullptr, dialog);
  const MachineSnapshot asked = TakeMachineSnapshot();
  StartedProcess uninstall = StartInstalledProgram(folder_, L"/S");
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
// Any process may create a mutex of the lock's global name; one that no administrator's process
// made holds off no run.
TEST_F(StopPoints, ARunThatDoesNotGetItsTurnWithinAMinuteEndsWith1618) {
  LayOut();
  // The lock's mutex as a process with the given owner (security descriptor text) makes it.
  auto holdLock = [](const std::wstring& owner) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW((L"O:" + owner + L"D:(A;;GA;;;WD)").c_str(),
                                                                     SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    HANDLE lock = CreateMutexW(&attributes, TRUE, kGlobalLockName);
    EXPECT_NE(nullptr, lock);
    LocalFree(descriptor);
    return lock;
  };
  const MachineSnapshot before = TakeMachineSnapshot();
  HANDLE lock = holdLock(L"BA");  // an elevated administrator's
  DWORD exitCode = 99;
  StartedProcess uninstall = StartInstalledProgram(folder_, L"/S");
  ASSERT_TRUE(uninstall.WaitForExit(90000, exitCode));
  EXPECT_EQ(1618u, exitCode);
  EXPECT_EQ("", MachineDifference(before, TakeMachineSnapshot()));
  CloseHandle(lock);

  // Owned by the user, as an unelevated process's mutex is.
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  alignas(TOKEN_USER) BYTE user[256];
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof user, &size));
  CloseHandle(token);
  wchar_t* sid = nullptr;
  ASSERT_TRUE(ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid));
  lock = holdLock(sid);
  LocalFree(sid);
  const ULONGLONG start = GetTickCount64();
  StartedProcess again = StartInstalledProgram(folder_, L"/S");
  ASSERT_TRUE(again.WaitForExit(90000, exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_GT(30000u, GetTickCount64() - start) << "it waited for the mutex";
  EXPECT_TRUE(WaitForSelfRemovals(20000));
  CloseHandle(lock);
}

// A crash ends the run with the exception's code, as without the program's filter; the log says
// where it happened, and the debugger's report, which the tests print, places it in the program.
TEST_F(StopPoints, ACrashEndsTheRunWithItsCodeAndTheLogSaysWhere) {
  LayOut();
  const std::wstring log = scratch_ / L"run.log";
  StartedProcess program = StartInstalledProgram(folder_, std::wstring(kSetup) + L" /log=" + log,
                                                 {{kStopAfterChangeVariable, L"1"}, {kStopByVariable, L"crash"}});
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(30000, exitCode));
  EXPECT_EQ(0xC0000005u, exitCode);
  const std::string text = ReadFileBytes(log);
  EXPECT_TRUE(std::regex_search(text, std::regex("  unhandled exception c0000005 at Uninstall\\.exe\\+0x[0-9a-f]+\r\n$")))
      << text;
  EXPECT_TRUE(CrashedInModule(program.CrashReport(), "Uninstall.exe")) << program.CrashReport();
  EXPECT_FALSE(CrashedInModule(program.CrashReport(), "kernel32.dll"));
}

// What stops the test build is in the test build only: told to stop (by a crash) after the first
// change and to trace, the shipped program does a whole setup and uninstall and writes no trace.
TEST_F(StopPoints, TheShippedProgramNeitherStopsNorTraces) {
  const std::wstring trace = traces_ / L"shipped.txt";
  const Environment told = {{kStopAfterChangeVariable, L"1"}, {kStopByVariable, L"crash"}, {kChangeTraceVariable, trace}};
  LayOutInstallation(folder_, {L"Quobex.exe"}, "Quobex.exe\r\nUninstall.exe\r\n");
  EXPECT_EQ(0u, RunInstalledProgram(folder_, kSetup, told));
  EXPECT_EQ(0u, RunInstalledProgram(folder_, L"/S", told));
  EXPECT_FALSE(Exists(folder_));
  EXPECT_FALSE(Exists(trace));
  EXPECT_TRUE(WaitForSelfRemovals(20000));
}
