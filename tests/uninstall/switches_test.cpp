#include "uninstall/switches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uninstall/run_state.h"

namespace {

std::vector<std::wstring> SplitArguments(const wchar_t* text, size_t capacity = 1024) {
  std::vector<std::wstring> arguments;
  std::vector<wchar_t> argument(capacity + 1, L'#');
  for (const wchar_t* next = text; (next = NextArgument(next, argument.data(), capacity)) != nullptr;) {
    arguments.push_back(argument.data());
  }
  return arguments;
}

struct ParseResult {
  bool setupRequested = false;
  bool uninstallRequested = false;
  RunState state = {};
};

ParseResult Parse(const wchar_t* installerText, const wchar_t* commandLine) {
  gRunState = {};
  ParseResult result;
  ParseSwitches(SwitchPass::Installer, installerText, result.setupRequested,
                result.uninstallRequested);
  ParseSwitches(SwitchPass::CommandLine, commandLine, result.setupRequested,
                result.uninstallRequested);
  result.state = gRunState;
  gRunState = {};
  return result;
}

}  // namespace

TEST(NextArgument, SplitsOnBlanksAndTabsOutsideQuotes) {
  using Args = std::vector<std::wstring>;
  EXPECT_EQ((Args{L"C:\\Program Files\\Quobex\\Uninstall.exe", L"/setup", L"/S"}),
            SplitArguments(L"\"C:\\Program Files\\Quobex\\Uninstall.exe\"  /setup\t/S"));
  EXPECT_EQ((Args{L"/init A1 D0"}), SplitArguments(L"\"/init A1 D0\""));
  EXPECT_EQ((Args{L"a\"b", L"\"\"", L"x\"y z"}), SplitArguments(L"a\"\"b \"\"\"\" \"x\"\"y z\""));
  EXPECT_EQ((Args{L"half quoted"}), SplitArguments(L"half\" quoted"));
  EXPECT_EQ(Args{}, SplitArguments(L"   \t "));
  EXPECT_EQ(Args{}, SplitArguments(L""));
}

TEST(NextArgument, CutsLongArgumentsButConsumesThemWhole) {
  const std::wstring longArgument(1500, L'x');
  const std::wstring text = L"/" + longArgument + L" /next";
  const auto arguments = SplitArguments(text.c_str());
  ASSERT_EQ(2u, arguments.size());
  EXPECT_EQ(1023u, arguments[0].size());
  EXPECT_EQ(L"/next", arguments[1]);
  EXPECT_EQ((std::vector<std::wstring>{L"ab", L"cd"}), SplitArguments(L"abcdef cdef", 3));
}

TEST(ParseSwitches, CommandLineExamples) {
  struct Case {
    const wchar_t* commandLine;
    bool setup;
    bool uninstall;
    bool silent;
    bool msi;
    bool noExplorer;
    const wchar_t* initOptions;
  };
  const Case cases[] = {
      {L"Uninstall.exe", false, true, false, false, false, L""},
      {L"Uninstall.exe /S", false, true, true, false, false, L""},
      {L"Uninstall.exe -s", false, true, true, false, false, L""},
      {L"Uninstall.exe /S2", false, true, true, false, false, L""},
      {L"Uninstall.exe /S:x", false, true, true, false, false, L""},
      {L"Uninstall.exe /setup /S", true, false, true, false, false, L""},
      {L"Uninstall.exe -SETUP", true, false, false, false, false, L""},
      {L"Uninstall.exe /setupS", true, false, false, false, false, L""},
      {L"Uninstall.exe /setupx", true, false, false, false, false, L""},
      {L"Uninstall.exe /sfx", false, false, false, false, false, L""},
      {L"Uninstall.exe /set", false, false, false, false, false, L""},
      {L"Uninstall.exe /msi", false, false, false, true, false, L""},
      {L"Uninstall.exe /msiexec /setup", true, false, false, true, false, L""},
      {L"Uninstall.exe /noex", false, false, false, false, true, L""},
      {L"Uninstall.exe /noexplorer", false, false, false, false, true, L""},
      {L"Uninstall.exe /noe", false, false, false, false, false, L""},
      {L"Uninstall.exe /", false, false, false, false, false, L""},
      {L"Uninstall.exe -", false, false, false, false, false, L""},
      {L"Uninstall.exe /INIT", false, false, false, false, false, L""},
      {L"Uninstall.exe /initA1D0", false, false, false, false, false, L"A1D0"},
      {L"Uninstall.exe \"/init A1 D0\" /setup", true, false, false, false, false, L" A1 D0"},
      {L"Uninstall.exe \"/initA\"\"1\"", false, false, false, false, false, L"A\"1"},
      {L"Uninstall.exe /init0123456789012345678901234567890123456789ABCDEFGHIJ", false, false,
       false, false, false, L"012345678901234567890123456789012345678"},
      {L"Uninstall.exe setup msi", false, true, false, false, false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandLine);
    const ParseResult result = Parse(L"", c.commandLine);
    EXPECT_EQ(c.setup, result.setupRequested);
    EXPECT_EQ(c.uninstall, result.uninstallRequested);
    EXPECT_EQ(c.silent, result.state.Silent);
    EXPECT_EQ(c.msi, result.state.Msi);
    EXPECT_EQ(c.noExplorer, result.state.NoExplorer);
    EXPECT_STREQ(c.initOptions, result.state.InitOptions);
  }
}

TEST(ParseSwitches, InstallerVariableCanOnlyMakeTheRunSilent) {
  ParseResult result = Parse(L"/setup /msi /noexplorer /initA1", L"Uninstall.exe");
  EXPECT_FALSE(result.setupRequested);
  EXPECT_TRUE(result.uninstallRequested) << "only the command line decides the uninstall run";
  EXPECT_FALSE(result.state.Msi);
  EXPECT_FALSE(result.state.NoExplorer);
  EXPECT_STREQ(L"", result.state.InitOptions);

  result = Parse(L"-s", L"Uninstall.exe /setup");
  EXPECT_TRUE(result.setupRequested);
  EXPECT_TRUE(result.state.Silent);
  EXPECT_FALSE(result.uninstallRequested);

  result = Parse(L"/S", L"Uninstall.exe");
  EXPECT_TRUE(result.state.Silent);
  EXPECT_TRUE(result.uninstallRequested);
}

TEST(ParseSwitches, InstallerPassNeverRequestsUninstall) {
  bool setupRequested = false;
  bool uninstallRequested = true;
  gRunState = {};
  ParseSwitches(SwitchPass::Installer, L"", setupRequested, uninstallRequested);
  EXPECT_FALSE(uninstallRequested);
  EXPECT_FALSE(setupRequested);
}

// "/closeapps" is compared whole and, like "/log", not counted: "/S /closeapps" still uninstalls;
// a misspelt one is a switch the program does not know. Only the command line asks for it.
TEST(ParseSwitches, CloseAppsIsComparedWholeAndNotCounted) {
  const struct {
    const wchar_t* installer;
    const wchar_t* commandLine;
    bool uninstall;
    bool closeApps;
    uint32_t seconds;
    bool unknown;
  } cases[] = {
      {L"", L"Uninstall.exe /S /closeapps", true, true, 30, false},
      {L"", L"Uninstall.exe -CLOSEAPPS=2 /S", true, true, 2, false},
      {L"", L"Uninstall.exe /closeapps=99999", true, true, 99999, false},
      {L"", L"Uninstall.exe /closeapps=100000", false, false, 0, true},
      {L"", L"Uninstall.exe /closeapps=", false, false, 0, true},
      {L"", L"Uninstall.exe /closeapps=30s", false, false, 0, true},
      {L"", L"Uninstall.exe /closeapp", false, false, 0, true},
      {L"", L"Uninstall.exe /closeappsx", false, false, 0, true},
      {L"/S /closeapps", L"Uninstall.exe", true, false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commandLine);
    const ParseResult result = Parse(c.installer, c.commandLine);
    EXPECT_EQ(c.uninstall, result.uninstallRequested);
    EXPECT_EQ(c.closeApps, result.state.CloseApps);
    EXPECT_EQ(c.seconds, result.state.CloseAppsSeconds);
    EXPECT_EQ(c.unknown, result.state.UnknownSwitch);
  }
}
