#include "uninstall/switches.h"

#include <windows.h>

#include <cstdint>

#include "common/path_names.h"
#include "common/text_operations.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "uninstall/message_box.h"
#include "uninstall/run_state.h"

namespace {

enum class Keyword { Setup, Msi, Init, Wait, NoExplorer, Warning };

struct KeywordEntry {
  const wchar_t* Name;
  size_t ComparedLength;
  Keyword Meaning;
};

// Tested in this order; the first match wins. A switch matches when its first ComparedLength
// characters equal the keyword's, so "/noex" is "noexplorer" and "/setupx" is "setup".
constexpr KeywordEntry kKeywords[] = {
    {L"setup", 5, Keyword::Setup},     {L"msi", 3, Keyword::Msi},
    {L"init", 4, Keyword::Init},       {L"wait", 4, Keyword::Wait},
    {L"noexplorer", 4, Keyword::NoExplorer}, {L"warning", 7, Keyword::Warning},
};

bool IsSilentSwitch(const wchar_t* name) {
  return UpperChar(name[0]) == L'S' && !IsAlpha(name[1]);
}

// "log" or "log=<file>" (the file may be quoted, as any argument).
bool IsLogSwitch(const wchar_t* name) {
  return CompareNoCaseN(name, L"log", 3) == 0 && (name[3] == 0 || name[3] == L'=');
}

// "closeapps" or "closeapps=<seconds>", 1 to 5 digits, compared whole: a deployment tool's typo
// ("/closeapp", "/closeapps=30s") is a switch the program does not know, never a run that goes on
// without closing anything. seconds: the wait asked for, else the default.
bool IsCloseAppsSwitch(const wchar_t* name, uint32_t& seconds) {
  constexpr uint32_t kDefaultSeconds = 30;
  if (CompareNoCaseN(name, L"closeapps", 9) != 0) return false;
  if (name[9] == 0) {
    seconds = kDefaultSeconds;
    return true;
  }
  if (name[9] != L'=') return false;
  size_t digits = 0;
  while (IsDigit(name[10 + digits])) ++digits;
  if (digits == 0 || digits > 5 || name[10 + digits] != 0) return false;
  seconds = static_cast<uint32_t>(ParseInt(name + 10));
  return true;
}

void ApplyKeyword(const wchar_t* name, bool& setupRequested) {
  for (const KeywordEntry& entry : kKeywords) {
    if (CompareNoCaseN(name, entry.Name, entry.ComparedLength) != 0) continue;
    switch (entry.Meaning) {
      case Keyword::Setup: setupRequested = true; break;
      case Keyword::Msi: gRunState.Msi = true; break;
      case Keyword::Init: CopyText(gRunState.InitOptions, name + 4, 40); break;
      case Keyword::Wait: Sleep(2000); break;
      case Keyword::NoExplorer: gRunState.NoExplorer = true; break;
      case Keyword::Warning: ShowUninstallWarning(); break;
    }
    return;
  }
  gRunState.UnknownSwitch = true;
}

}  // namespace

const wchar_t* NextArgument(const wchar_t* source, wchar_t* destination, size_t capacity) {
  while (*source == L' ' || *source == L'\t') ++source;
  if (*source == 0) return nullptr;
  size_t length = 0;
  auto put = [&](wchar_t c) {
    if (length + 1 < capacity) destination[length++] = c;
  };
  bool quoted = false;
  for (; *source != 0 && (quoted || (*source != L' ' && *source != L'\t')); ++source) {
    if (*source == L'"') {
      if (source[1] == L'"') {
        put(L'"');
        ++source;
      } else {
        quoted = !quoted;
      }
    } else {
      put(*source);
    }
  }
  if (capacity != 0) destination[length] = 0;
  return source;
}

void ParseSwitches(SwitchPass pass, const wchar_t* text, bool& setupRequested,
                   bool& uninstallRequested) {
  int count = 0;
  wchar_t argument[kTextCapacity];
  for (const wchar_t* next = text; (next = NextArgument(next, argument, kTextCapacity)) != nullptr;) {
    if (argument[0] != L'-' && argument[0] != L'/') continue;
    const wchar_t* name = argument + 1;
    if (IsSilentSwitch(name)) {
      gRunState.Silent = true;
      continue;
    }
    // Asking for a log changes nothing of what the run does: "/S /log" still uninstalls.
    if (IsLogSwitch(name)) {
      if (pass == SwitchPass::CommandLine) {
        gRunState.Log = true;
        CopyText(gRunState.LogPath, name[3] == L'=' ? name + 4 : L"", kTextCapacity);
      }
      continue;
    }
    // Nor does asking the product's running programs to close: "/S /closeapps" still uninstalls.
    if (uint32_t seconds = 0; IsCloseAppsSwitch(name, seconds)) {
      if (pass == SwitchPass::CommandLine) {
        gRunState.CloseApps = true;
        gRunState.CloseAppsSeconds = seconds;
      }
      continue;
    }
    ++count;
    if (pass == SwitchPass::CommandLine) ApplyKeyword(name, setupRequested);
  }
  uninstallRequested = pass == SwitchPass::CommandLine && count == 0;
}

void ShowUninstallWarning() {
  wchar_t programPath[kPathCapacity] = {};
  GetModuleFileNameW(nullptr, programPath, kPathCapacity);
  wchar_t text[kShortTextCapacity];
  FormatText(text, L"%s\n", GetString(IDS_UNINSTALLCOMPLETED));
  wchar_t deleteHint[kShortTextCapacity];
  FormatWithText(deleteHint, GetString(IDS_UNINSTALLSHOULDDELETE), programPath);
  AppendText(text, deleteHint, kShortTextCapacity);
  ShowMessageBox(nullptr, text, GetString(IDS_UNINSTALLQBX),
                 MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}
