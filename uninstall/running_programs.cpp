#include "uninstall/running_programs.h"

#include <tlhelp32.h>

#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/procedure_address.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "uninstall/message_box.h"
#include "uninstall/run_state.h"

namespace {

// How many programs the message names before "and N more": it must fit on any screen.
constexpr size_t kShownPrograms = 5;

using QueryImageNameFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);

// Windows XP has neither QueryFullProcessImageNameW nor the limited query right: there the
// image is the first entry of the process's module list, and the account needs the full right.
struct ImageQuery {
  QueryImageNameFunction QueryImageName;
  DWORD Access;
};

ImageQuery ChooseImageQuery() {
  auto query = ProcedureAddress<QueryImageNameFunction>(GetModuleHandleW(L"kernel32"), "QueryFullProcessImageNameW");
  return {query, query != nullptr ? static_cast<DWORD>(PROCESS_QUERY_LIMITED_INFORMATION)
                                  : static_cast<DWORD>(PROCESS_QUERY_INFORMATION)};
}

bool QueryImagePath(const ImageQuery& query, HANDLE process, DWORD id, wchar_t* out, size_t capacity) {
  if (query.QueryImageName != nullptr) {
    DWORD length = static_cast<DWORD>(capacity);
    return process != nullptr && query.QueryImageName(process, 0, out, &length) && length < capacity;
  }
  ScopedHandle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, id));
  MODULEENTRY32W module = {};
  module.dwSize = sizeof module;
  if (!modules.Valid() || !Module32FirstW(modules.Get(), &module)) return false;
  CopyText(out, module.szExePath, capacity);
  return true;
}

// Whether the file at path, where it really is (links followed), lies below folderFinal.
bool LiesBelow(const wchar_t* path, const wchar_t* folderFinal) {
  ScopedHandle file;
  TryWithLongPath(path, [&](const wchar_t* p) {
    file.Reset(CreateFileW(p, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.Valid();
  });
  wchar_t final[kPathCapacity];
  return file.Valid() && QueryFinalPath(file.Get(), final, kPathCapacity) && IsBelowFolder(final, folderFinal);
}

// "DOMAIN\name" of the process's account, or "".
void QueryUser(HANDLE process, wchar_t* out, size_t capacity) {
  CopyText(out, L"", capacity);
  ScopedHandle token;
  if (process == nullptr || !OpenProcessToken(process, TOKEN_QUERY, token.Receive())) return;
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &size)) return;
  wchar_t name[64];
  wchar_t domain[64];
  DWORD nameLength = 64;
  DWORD domainLength = 64;
  SID_NAME_USE use;
  if (LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name, &nameLength, domain,
                        &domainLength, &use)) {
    FormatText(out, capacity, L"%s\\%s", domain, name);
  }
}

DWORD SessionOf(DWORD id) {
  DWORD session = kUnknownSession;
  return ProcessIdToSessionId(id, &session) ? session : kUnknownSession;
}

RunningProgram* FindListed(RunningPrograms& programs, DWORD id) {
  for (size_t i = 0; i < programs.Count; ++i) {
    if (programs.Listed[i].Id == id) return &programs.Listed[i];
  }
  return nullptr;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM context) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  RunningProgram* program = FindListed(*reinterpret_cast<RunningPrograms*>(context), id);
  if (program != nullptr && IsWindowVisible(window)) ++program->Windows;
  return TRUE;
}

// Posted, not sent: a program that does not answer cannot hold this run up.
BOOL CALLBACK PostClose(HWND window, LPARAM context) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  const RunningProgram* program = FindListed(*reinterpret_cast<RunningPrograms*>(context), id);
  if (program != nullptr && program->Windows != 0 && IsWindowVisible(window)) PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

void LogRunningPrograms(const RunningPrograms& programs) {
  for (size_t i = 0; i < programs.Count; ++i) {
    const RunningProgram& program = programs.Listed[i];
    LogLine(L"running from the installation folder: %s (id %lu, session %ld, user %s, visible windows %lu)",
            program.Image, program.Id, static_cast<long>(program.Session), program.User[0] != 0 ? program.User : L"?",
            program.Windows);
  }
  if (programs.Total > programs.Count) {
    LogLine(L"and %llu more", static_cast<unsigned long long>(programs.Total - programs.Count));
  }
}

// The message naming the programs: Try Again (IDTRYAGAIN), Continue (IDCONTINUE) or Cancel.
int AskAboutRunningPrograms(const RunningPrograms& programs) {
  wchar_t lines[kTextCapacity];
  DescribeRunningPrograms(programs, kShownPrograms, lines, kTextCapacity);
  wchar_t text[kTextCapacity + kShortTextCapacity];
  FormatWithText(text, GetString(IDS_RUNNINGPROGRAMS), lines);
  return ShowMessageBox(nullptr, text, GetString(IDS_UNINSTALLQBX),
                        MB_CANCELTRYCONTINUE | MB_ICONWARNING | MB_SETFOREGROUND);
}

}  // namespace

void FindRunningPrograms(const wchar_t* folder, RunningPrograms& programs) {
  programs.Count = programs.Total = 0;
  wchar_t folderFinal[kPathCapacity];
  {
    ScopedHandle opened(OpenFolderItself(folder, 0));
    if (!opened.Valid() || !QueryFinalPath(opened.Get(), folderFinal, kPathCapacity)) return;
  }
  const ImageQuery query = ChooseImageQuery();
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  if (!snapshot.Valid() || !Process32FirstW(snapshot.Get(), &entry)) return;
  const DWORD self = GetCurrentProcessId();
  do {
    const DWORD id = entry.th32ProcessID;
    if (id == 0 || id == self) continue;
    ScopedHandle process(OpenProcess(query.Access, FALSE, id));
    wchar_t image[kPathCapacity];
    if (!QueryImagePath(query, process.Get(), id, image, kPathCapacity) || !LiesBelow(image, folderFinal)) continue;
    ++programs.Total;
    if (programs.Count == kListedProgramsCapacity) continue;
    RunningProgram& program = programs.Listed[programs.Count++];
    program.Id = id;
    program.Session = SessionOf(id);
    program.Windows = 0;
    CopyText(program.Image, NamePart(image), MAX_PATH);
    QueryUser(process.Get(), program.User, 128);
  } while (Process32NextW(snapshot.Get(), &entry));
  // Only the windows of this run's desktop are enumerated: those a WM_CLOSE from here can reach.
  if (programs.Count != 0) EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&programs));
}

void DescribeRunningPrograms(const RunningPrograms& programs, size_t shownCapacity, wchar_t* out, size_t capacity) {
  CopyText(out, L"", capacity);
  const DWORD ownSession = SessionOf(GetCurrentProcessId());
  const size_t shown = programs.Count < shownCapacity ? programs.Count : shownCapacity;
  wchar_t number[24];
  for (size_t i = 0; i < shown; ++i) {
    const RunningProgram& program = programs.Listed[i];
    wchar_t detail[kShortTextCapacity] = {};
    if (program.Session != ownSession && program.Session != kUnknownSession) {
      FormatWithText(detail, GetString(IDS_OTHERSESSION), program.User[0] != 0 ? program.User : L"?");
    } else if (program.Windows == 1) {
      CopyText(detail, GetString(IDS_ONEWINDOW));
    } else if (program.Windows > 1) {
      IntToText(program.Windows, number, 24);
      FormatWithText(detail, GetString(IDS_WINDOWS), number);
    }
    if (i != 0) AppendText(out, L"\n", capacity);
    AppendText(out, program.Image, capacity);
    if (detail[0] == 0) continue;
    AppendText(out, L" (", capacity);
    AppendText(out, detail, capacity);
    AppendText(out, L")", capacity);
  }
  if (programs.Total > shown) {
    IntToText(static_cast<int64_t>(programs.Total - shown), number, 24);
    wchar_t more[kShortTextCapacity];
    FormatWithText(more, GetString(IDS_MOREPROGRAMS), number);
    AppendText(out, L"\n", capacity);
    AppendText(out, more, capacity);
  }
}

void AskRunningProgramsToClose(const RunningPrograms& programs, DWORD milliseconds) {
  // Held from before the message is posted, so that a process id taken again after the end is
  // never waited for.
  ScopedHandle processes[kListedProgramsCapacity];
  for (size_t i = 0; i < programs.Count; ++i) {
    const RunningProgram& program = programs.Listed[i];
    if (program.Windows == 0) {
      LogLine(L"%s (id %lu) has no window on this run's desktop: not asked to close", program.Image, program.Id);
    } else {
      processes[i].Reset(OpenProcess(SYNCHRONIZE, FALSE, program.Id));
    }
  }
  EnumWindows(PostClose, reinterpret_cast<LPARAM>(&programs));
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (size_t i = 0; i < programs.Count; ++i) {
    if (programs.Listed[i].Windows == 0) continue;
    const ULONGLONG now = GetTickCount64();
    const DWORD wait = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    // A process that cannot even be opened has ended already.
    const bool ended = !processes[i].Valid() || WaitForSingleObject(processes[i].Get(), wait) == WAIT_OBJECT_0;
    LogLine(L"asked %s (id %lu) to close: %s", programs.Listed[i].Image, programs.Listed[i].Id,
            ended ? L"it ended" : L"still running at the end of the wait");
  }
}

bool SettleRunningPrograms(const wchar_t* folder) {
  static RunningPrograms programs;  // some 25 KB: kept off the stack
  FindRunningPrograms(folder, programs);
  if (programs.Total == 0) return true;
  LogRunningPrograms(programs);
  if (gRunState.CloseApps) {
    AskRunningProgramsToClose(programs, gRunState.CloseAppsSeconds * 1000);
    FindRunningPrograms(folder, programs);
  }
  while (!gRunState.Silent && programs.Total != 0) {
    const int answer = AskAboutRunningPrograms(programs);
    if (answer == IDCONTINUE) {
      LogLine(L"Continue: the files of the programs still running wait for the next restart");
      return true;
    }
    if (answer != IDTRYAGAIN) {
      LogLine(L"the programs still running were not closed and the removal was cancelled: nothing removed");
      return false;
    }
    FindRunningPrograms(folder, programs);
    LogLine(L"Try Again: %llu still running", static_cast<unsigned long long>(programs.Total));
    LogRunningPrograms(programs);
  }
  return true;
}
