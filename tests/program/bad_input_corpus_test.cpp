// The built program on a corpus of generated bad inputs (a fixed seed, so every run sees the
// same cases): language files, portable settings files, command lines and "sfxcmd", registry
// values of the wrong type or size, and installation lists. For every case: no crash, no hang,
// no file outside the case's installation folder and the settings folders created, changed or
// deleted, and a settings file never saved with less than it held.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/integration_sandbox.h"
#include "tests/support/machine_snapshot.h"
#include "tests/support/process_runner.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"

namespace {

using Bytes = std::string;

struct Case {
  std::wstring Folder;     // the case's installation folder, holding a copy of the program
  std::wstring Arguments;  // after the program's path
  std::map<std::wstring, std::wstring> Environment;
  std::wstring Then = L"";  // the arguments of a second run in the folder once the first has ended
};

// Silent setups that write nothing outside the installation folder: no links, no templates.
const wchar_t kQuietSetup[] = L"/setup /S /initA0D0M0P0S0";

class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}
  int Number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int percent) { return Number(0, 99) < percent; }
  char Byte() { return static_cast<char>(Number(0, 255)); }
  Bytes Garbage(int length) {
    Bytes bytes;
    for (int i = 0; i < length; ++i) bytes += Byte();
    return bytes;
  }
  template <typename T>
  const T& Pick(const std::vector<T>& items) { return items[Number(0, static_cast<int>(items.size()) - 1)]; }

 private:
  std::mt19937 random_;
};

Bytes Utf16(const std::wstring& text, bool mark) { return (mark ? Bytes("\xFF\xFE") : Bytes()) + Utf16Bytes(text); }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A crashed case's input, kept for a replay in C:\qbx-crashes\<what>-case<index> (below the test
// program's prefix): the files of its folder but the program, and in "replay.txt" the command
// line and the variables it ran with.
std::wstring KeepForReplay(const Case& c, const char* what, size_t index) {
  const std::wstring kept = L"C:\\qbx-crashes\\" + std::wstring(what, what + strlen(what)) + L"-case" +
                            std::to_wstring(index);
  CreateDirectoryW(L"C:\\qbx-crashes", nullptr);
  CreateDirectoryW(kept.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((c.Folder + L"\\*").c_str(), &found);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) {
    const std::wstring name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && name != L"Uninstall.exe") {
      CopyFileW((c.Folder + L"\\" + name).c_str(), (kept + L"\\" + name).c_str(), FALSE);
    }
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  std::wstring replay = L"Uninstall.exe " + c.Arguments + L"\r\n";
  for (const auto& [name, value] : c.Environment) replay += name + L"=" + value + L"\r\n";
  WriteFileBytes(kept + L"\\replay.txt", Utf16(replay, true));
  return kept;
}

// The debugger's reports of processes that none of the cases started (Wine's own services): taken
// from C:\qbx-crashes and printed, never counted against a case. The cases' own reports are taken
// by the process that waited for them (process_runner.h) before this looks.
int NoteOtherProcessesCrashes(const char* what) {
  int count = 0;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(L"C:\\qbx-crashes\\*.txt", &found);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) {
    const std::wstring path = std::wstring(L"C:\\qbx-crashes\\") + found.cFileName;
    printf("%s: a crash of process %s, not a case's (passed over):\n%s\n", what, Narrow(found.cFileName).c_str(),
           ReadFileBytes(path).c_str());
    DeleteFileW(path.c_str());
    ++count;
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  return count;
}

// Runs every case, at most eight at a time; each must end within 30 s with a documented code. A
// crash of a case's process fails the case whatever module the faulting address lies in (the
// program's faults often show in the C runtime or ntdll: an overrun in wcslen, a double free), and
// its input is kept for a replay. It is never run again: an intermittent crash is a fault too.
void RunAll(const std::vector<Case>& cases, const char* what) {
  struct Running {
    size_t Index;
    bool Second;  // the case's Then run
    std::unique_ptr<StartedProcess> Process;
  };
  auto start = [&](size_t index, bool second) {
    const Case& c = cases[index];
    auto process = std::make_unique<StartedProcess>(
        StartProcess(c.Folder + L"\\Uninstall.exe", second ? c.Then : c.Arguments, c.Folder, c.Environment));
    if (!process->Started()) ADD_FAILURE() << what << " case " << index << " did not start, error " << GetLastError();
    return Running{index, second, std::move(process)};
  };
  auto documented = [](DWORD code) { return code <= 2 || code == 1618 || code == 1639 || code == 3010; };
  std::vector<Running> running;
  size_t next = 0;
  int failures = 0;
  // True when the run may go on to the case's Then run.
  auto finish = [&](Running& run) {
    const std::wstring& arguments = run.Second ? cases[run.Index].Then : cases[run.Index].Arguments;
    DWORD exitCode = 99;
    const bool ended = run.Process->Started() && run.Process->WaitForExit(30000, exitCode);
    if (ended && documented(exitCode)) return true;
    ++failures;
    if (!run.Process->Started()) return false;  // already reported
    const std::wstring kept = ended && IsExceptionCode(exitCode) ? KeepForReplay(cases[run.Index], what, run.Index) : L"";
    ADD_FAILURE() << what << " case " << run.Index << (ended ? " ended with code " : " hung, code ") << std::hex
                  << exitCode << ", arguments: " << Narrow(arguments.substr(0, 300))
                  << (kept.empty() ? "" : "; its input is kept in " + Narrow(kept));
    return false;
  };
  while (next < cases.size() || !running.empty()) {
    while (next < cases.size() && running.size() < 8) running.push_back(start(next++, false));
    Running run = std::move(running.front());
    running.erase(running.begin());
    if (finish(run) && !run.Second && !cases[run.Index].Then.empty()) running.push_back(start(run.Index, true));
  }
  const int others = NoteOtherProcessesCrashes(what);
  if (cases.size() > 1) printf("%s: %zu cases, %d failed, %d crashes of other processes\n", what, cases.size(), failures, others);
}

// Where the random cases start from: fixed, so that every run sees the same ones; the stress
// runs (ctest label "stress") name theirs through QBX_CORPUS_SEED.
unsigned CorpusSeed() {
  wchar_t text[16] = {};
  return GetEnvironmentVariableW(L"QBX_CORPUS_SEED", text, 16) > 0 ? wcstoul(text, nullptr, 10) : 20261208;
}

// How many of a corpus's cases run: a quarter in the suite, which has twenty minutes on two cores
// for everything (each kind of case still comes several times over); all of them in the stress
// runs, which name their seed (the suite's own among them).
int CaseCount(int all) {
  wchar_t text[16] = {};
  return GetEnvironmentVariableW(L"QBX_CORPUS_SEED", text, 16) > 0 ? all : all / 4;
}

class BadInputCorpus : public testing::Test {
 protected:
  void SetUp() override { before_ = Outside(TakeFileSnapshot(L"C:")); }

  // A fresh installation folder for case index, with the program in it: a hard link is a copy
  // at no cost of disk or time, but an uninstall needs a file of its own, which no other running
  // case holds when its batch file deletes it.
  std::wstring NewCase(int index, bool copy = false) {
    const std::wstring folder = scratch_ / (L"case" + std::to_wstring(index));
    CreateDirectoryW(folder.c_str(), nullptr);
    if (copy || !CreateHardLinkW((folder + L"\\Uninstall.exe").c_str(), BuiltProgramPath().c_str(), nullptr)) {
      EXPECT_TRUE(InstallProgramCopy(folder));
    }
    return folder;
  }

  // Every file outside the cases (and outside the per-user settings folder and the crash reports).
  FileSnapshot Outside(FileSnapshot files) const {
    std::wstring scratch = scratch_.Path();
    std::wstring settings = UserDataFolder();
    CharLowerBuffW(scratch.data(), static_cast<DWORD>(scratch.size()));
    CharLowerBuffW(settings.data(), static_cast<DWORD>(settings.size()));
    std::erase_if(files, [&](const auto& entry) {
      return entry.first.starts_with(scratch) || entry.first.starts_with(settings) ||
             entry.first.starts_with(L"c:\\qbx-crashes");
    });
    return files;
  }

  void TearDown() override { EXPECT_EQ("", FileDifference(before_, Outside(TakeFileSnapshot(L"C:")))); }

  IntegrationSandbox sandbox_;
  ScratchFolder scratch_{L"corpus"};
  Generator random_{CorpusSeed()};
  FileSnapshot before_;
};

}  // namespace

TEST_F(BadInputCorpus, LanguageFiles) {
  const Bytes marker = "***messages***\r\n";
  const std::vector<Bytes> keys = {"IDS_UNINSTALLQBX", "IDS_CANNOTOPENLIST", "IDS_UNINSTALLSHOULDDELETE",
                                   "IDS_QUOBEXHELP", "IDS_WHATSNEWNAME", "IDS_HOMEURL", "IDC_ASSOCALL",
                                   "CAPTION", "IDOK", "SIZE", "NOSUCHKEY"};
  std::vector<Case> cases;
  for (int i = 0; i < CaseCount(800); ++i) {
    Bytes text;
    const int kind = i % 10;
    auto line = [&] {
      Bytes value = kind == 9 ? random_.Pick<Bytes>({"%s%s%s", "%n", "%x%p%*d", "%", "%99999s", "%ls"})
                              : random_.Garbage(random_.Number(0, 40));
      return random_.Pick(keys) + " \"" + value + (kind == 6 ? "\\" : "\"") + "\r\n";
    };
    auto section = [&] {
      return random_.Pick<Bytes>({":STRINGS\r\n", ":DIALOG SETUPDLG\r\n", ":DIALOG DONEDLG\r\n",
                                  ":DIRECTION " + random_.Pick<Bytes>({"RTL", "LTR", "", "rtl\x01"}) + "\r\n",
                                  ":DIALOG\r\n", ":" + random_.Garbage(5) + "\r\n"});
    };
    switch (kind) {
      case 2: text = random_.Garbage(random_.Number(0, 3000)); break;  // no marker
      case 3: text = Bytes(8192 - random_.Number(0, 20), 'x').append(marker).append(section()).append(line()); break;
      case 5: text = marker + section(); while (text.size() < 600 * 1024) text += line(); break;
      case 7: text = marker + ":STRINGS\r\n"; for (int k = 0; k < 10000; ++k) text += line(); break;
      case 8:
        text = marker + ":DIALOG SETUPDLG\r\nSIZE " +
               random_.Pick<Bytes>({"0*0", "99999999999*1", "-50*-50", "*", "", "300*300", "1*99999",
                                    "50*", "abc"}) + "\r\n:DIRECTION " + random_.Garbage(3) + "\r\n";
        break;
      default:
        text = random_.Garbage(random_.Number(0, 100)) + marker;
        for (int k = random_.Number(1, 30); k > 0; --k) text += random_.Chance(20) ? section() : line();
    }
    if (kind == 1 || kind == 4) {
      std::wstring wide;
      for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
      text = Utf16(wide, true) + (kind == 4 ? "x" : "");
    }
    const std::wstring folder = NewCase(i);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\uninstall.lng", text));
    // Setups show the translated dialogs (and accept them at once); the rest translate nothing
    // but are started all the same.
    cases.push_back({folder, kind >= 8 && i % 20 >= 18 ? kQuietSetup : L"/noe",
                     {{L"sfxcmd", L""}, {L"sfxname", L""}}});
  }
  RunAll(cases, "uninstall.lng");
}

// A settings file, once rewritten, must hold every entry name it held; it may only be rewritten
// when it could be read whole.
TEST_F(BadInputCorpus, PortableSettingsFiles) {
  const std::vector<std::wstring> names = {L"Global\\Integration", L"Global\\SaveSettings", L"Global\\AppData",
                                           L"HKCU\\Setup\\Links\\Desktop", L"HKCU\\Setup\\.zip\\Type",
                                           L"HKCU\\General\\LanguageFolder", L"HKLM\\exe64", L"HKCU\\X"};
  std::vector<Case> cases;
  std::vector<std::pair<std::wstring, Bytes>> files;
  for (int i = 0; i < CaseCount(300); ++i) {
    std::wstring text;
    for (int k = random_.Number(0, 12); k > 0; --k) {
      std::wstring value = random_.Chance(50) ? std::to_wstring(random_.Number(-2, 3))
                                              : L"\"" + std::to_wstring(random_.Number(0, 99999)) + L"\"";
      text += random_.Pick(names) + (random_.Chance(5) ? L"" : L"=") + value +
              (random_.Chance(10) ? L"\r" : L"\r\n");
    }
    const int kind = i % 9;
    Bytes bytes;
    switch (kind) {
      case 0: bytes = Utf16(text, true); break;
      case 1: bytes = Bytes("\xEF\xBB\xBF").append(text.begin(), text.end()).append("\xC3\xA9"); break;
      case 2: bytes = Utf16(text, false); break;                                 // no mark
      case 3: bytes = Bytes(text.begin(), text.end()) + Bytes("\0x=1", 4); break;  // a zero inside
      case 4:
        bytes = Bytes("\xEF\xBB\xBF").append(text.begin(), text.end());
        bytes += random_.Pick<Bytes>({"\xC3\x28", "\xF8\x88\x80\x80\x80", "\xFC\x84\x80\x80\x80\x80"});
        break;
      case 5: bytes = Bytes("HKCU\\Long=\"").append(1024 * 1024, 'L').append("\"\r\n"); break;
      case 6: bytes = random_.Garbage(random_.Number(0, 500)); break;
      default: bytes = Bytes(text.begin(), text.end());
    }
    const std::wstring folder = NewCase(i);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\Quobex.ini", bytes));
    files.push_back({folder + L"\\Quobex.ini", bytes});
    cases.push_back({folder, kQuietSetup, {{L"sfxcmd", L""}, {L"sfxname", L""}}});
  }
  RunAll(cases, "Quobex.ini");
  int rewritten = 0;
  for (const auto& [path, original] : files) {
    const Bytes now = ReadFileBytes(path);
    if (now == original) continue;
    ++rewritten;
    // Only a text read whole may be rewritten: UTF-16 or UTF-8 behind its mark, or ANSI without
    // a zero; the system's own conversions tell what it held.
    std::wstring before;
    bool whole = original.find('\0') == Bytes::npos;
    if (original.starts_with("\xFF\xFE")) {
      before.assign(reinterpret_cast<const wchar_t*>(original.data() + 2), (original.size() - 2) / 2);
      whole = original.size() % 2 == 0 && before.find(L'\0') == std::wstring::npos;
    } else {
      const bool utf8 = original.starts_with("\xEF\xBB\xBF");
      const Bytes text = original.substr(utf8 ? 3 : 0);
      before.resize(text.size());
      const int length = MultiByteToWideChar(utf8 ? CP_UTF8 : CP_ACP, utf8 ? MB_ERR_INVALID_CHARS : 0, text.data(),
                                             static_cast<int>(text.size()), before.data(), static_cast<int>(before.size()));
      whole = whole && (length > 0 || text.empty());
      before.resize(length > 0 ? length : 0);
    }
    EXPECT_TRUE(whole) << "rewritten though not read whole: " << std::string(path.begin(), path.end());
    const std::wstring saved(reinterpret_cast<const wchar_t*>(now.data() + 2), (now.size() - 2) / 2);
    for (size_t start = 0; start < before.size();) {
      const size_t end = before.find_first_of(L"\r\n", start);
      const std::wstring line = before.substr(start, end - start);
      const size_t equals = line.find(L'=');
      if (equals != std::wstring::npos && IsCharAlphaW(line[0]) && line[0] < 128) {
        EXPECT_NE(std::wstring::npos, saved.find(line.substr(0, equals + 1)))
            << "an entry was lost from " << std::string(path.begin(), path.end());
      }
      start = end == std::wstring::npos ? end : end + 1;
    }
  }
  printf("Quobex.ini: %d files rewritten\n", rewritten);
}

TEST_F(BadInputCorpus, CommandLinesAndInstallerSwitches) {
  const std::vector<std::wstring> tokens = {L"/S", L"-s", L"/S2", L"/setup", L"-SETUPx", L"/msi", L"/init",
                                            L"/noex", L"/noexplorer", L"/", L"-", L"\"", L"\"\"", L"/x",
                                            L"\"/init A1 D0\"", L"/sfx", L"\t", L"\u00e9\u30bd", L"/initA"};
  std::vector<Case> cases;
  const std::wstring folder = NewCase(0);
  for (int i = 0; i < CaseCount(650); ++i) {
    std::wstring line;
    for (int k = random_.Number(0, 12); k > 0; --k) {
      std::wstring token = random_.Pick(tokens);
      if (token == L"/init" || token == L"/initA") {
        for (int n = random_.Number(0, 60); n > 0; --n) token += static_cast<wchar_t>(random_.Number(33, 126));
      }
      line += token + (random_.Chance(80) ? L" " : L"");
    }
    if (i % 50 == 0) line += L" /" + std::wstring(32000 - line.size(), L'x');
    // Never a wait (two seconds each), never a warning or a question nobody answers: every run
    // is silent and counts a switch, so it is no uninstall either.
    for (const wchar_t* stop : {L"wai", L"WAI", L"war", L"WAR"}) {
      for (size_t at; (at = line.find(stop)) != std::wstring::npos;) line[at] = L'_';
    }
    std::wstring installer = random_.Pick(tokens) + random_.Pick(tokens);
    if (i % 25 == 0) installer = std::wstring(1100, L's');
    // An open quote would take the closing switches into its argument: the program would then
    // rightly show its dialogs to nobody. Close it as the command line's reader sees it ("" is a
    // quote character, a lone " opens or closes).
    bool quoted = false;
    for (size_t at = 0; at < line.size(); ++at) {
      if (line[at] == L'"') line[at + 1] == L'"' ? void(++at) : void(quoted = !quoted);
    }
    if (quoted) line += L" \"";
    // The last initial options win: a setup among the switches makes no links.
    cases.push_back({folder, line + L" /initA0D0M0P0S0 /S /noe", {{L"sfxcmd", installer}, {L"sfxname", L""}}});
  }
  RunAll(cases, "command line");
}

// Run one by one: each case's values are in the one registry.
TEST_F(BadInputCorpus, RegistryValuesOfTheWrongTypeOrSize) {
  const std::vector<std::pair<std::wstring, std::wstring>> values = {
      {L"Software\\Quobex\\Setup\\.zip", L"Set"},      {L"Software\\Quobex\\Setup\\.zip", L"Type"},
      {L"Software\\Quobex\\Setup\\.zip", L"Exist"},    {L"Software\\Quobex\\Setup\\.zip", L"ShellNew"},
      {L"Software\\Quobex\\Setup\\Links", L"Desktop"}, {L"Software\\Quobex\\Setup", L"ShellExt"},
      {L"Software\\Quobex\\Setup\\MenuItems", L"AlwaysArc"},
      {L"Software\\Quobex\\General", L"LanguageFolder"},
      {L"Software\\Quobex\\Interface\\Themes", L"ShellExtIcon"}, {L"Software\\Quobex\\Paths", L"AppData"}};
  const std::wstring folder = NewCase(0);
  int count = 0;
  for (int i = 0; i < 30; ++i) {
    IntegrationSandbox::Clean();
    for (int k = random_.Number(1, 6); k > 0; --k) {
      const auto& [key, name] = random_.Pick(values);
      const DWORD type = random_.Pick<DWORD>({REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_QWORD, 77});
      WriteRawValue(HKEY_CURRENT_USER, key, name, type, random_.Garbage(random_.Pick<int>({0, 1, 3, 5, 4100, 70000})));
    }
    RunAll({{folder, kQuietSetup, {{L"sfxcmd", L""}, {L"sfxname", L""}}}}, "registry");
    ++count;
  }
  printf("registry values: %d cases\n", count);
}

TEST_F(BadInputCorpus, InstallationLists) {
  const std::wstring victim = scratch_.Path() + L"-victim.txt";  // beside the cases, not in one
  ASSERT_TRUE(WriteFileBytes(victim, "not the product's"));
  const std::vector<Bytes> lines = {"..\\..\\corpus-victim.txt", "C:\\qbxtest\\corpus-victim.txt",
                                    "\\qbxtest\\corpus-victim.txt", "\\\\?\\C:\\qbxtest\\corpus-victim.txt",
                                    "C:..\\..\\corpus-victim.txt", "CON", "NUL", "COM1", "sub\\LPT1.txt",
                                    "own.txt.", "own.txt ", ". .\\own.txt", "own.txt", "sub", "sub\\f.txt",
                                    "own.txt:stream", "Uninstall.exe", "Uninstall.lst", "*", "sub\\..\\own.txt"};
  std::vector<Case> cases;
  for (int i = 0; i < CaseCount(250); ++i) {
    Bytes list;
    const int kind = i % 5;
    for (int k = random_.Number(0, 20); k > 0; --k) {
      if (kind == 0) list += random_.Garbage(random_.Number(0, 200));
      else if (kind == 1 && random_.Chance(10)) list += Bytes(100 * 1024, 'a');
      else if (kind == 2 && random_.Chance(30)) list += Bytes("own.txt\0..\\..\\corpus-victim.txt", 31);
      else list += random_.Pick(lines);
      list += random_.Pick<Bytes>({"\r\n", "\n", "\r", " \r\n", "\t\n"});
    }
    const std::wstring folder = NewCase(i, true);
    CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\own.txt", "ours"));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\sub\\f.txt", "ours"));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\Uninstall.lst", list));
    cases.push_back({folder, L"/S", {{L"sfxcmd", L""}}});
  }
  RunAll(cases, "Uninstall.lst");
  // The batch files finish before the files outside the cases are compared.
  EXPECT_TRUE(WaitForSelfRemovals(60000));
  EXPECT_EQ("not the product's", ReadFileBytes(victim));
  DeleteFileW(victim.c_str());
}

// Outside CI (ctest label "stress"): whole setups and uninstalls of 100 installations, eight runs
// at a time, for what happens once in thousands of runs. The runs take turns through the run
// lock; each must end as documented, and none may crash.
TEST_F(BadInputCorpus, DISABLED_SetupAndUninstallCycles) {
  std::vector<Case> cases;
  for (int i = 0; i < 100; ++i) {
    const std::wstring folder = NewCase(i, true);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\Quobex.exe", "ours"));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\Uninstall.lst", "Quobex.exe\r\nUninstall.exe\r\n"));
    cases.push_back({folder, L"/setup /S /noexplorer /initA11111111111111111D1M1P1S1",
                     {{L"sfxcmd", L""}, {L"sfxname", L""}}, L"/S"});
  }
  RunAll(cases, "setup and uninstall");
  EXPECT_TRUE(WaitForSelfRemovals(60000));
}
