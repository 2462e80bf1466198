#include "uninstall/removal_batch.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "common/path_names.h"
#include "common/text_operations.h"

namespace {

// The interpreter's own commands cannot take longer paths; the short form names the same file.
void PathForInterpreter(const wchar_t* path, wchar_t* out, size_t capacity) {
  CopyText(out, path, capacity);
  wchar_t longPath[2048];
  if (wcslen(path) < MAX_PATH || !IsDriveLetterPath(path) || !MakeLongPath(path, longPath, 2048)) {
    return;
  }
  wchar_t shortPath[2048];
  const DWORD length = GetShortPathNameW(longPath, shortPath, 2048);
  // The answer keeps the "\\?\" of the question, which the interpreter does not take.
  if (length > 4 && length < 2048 && wcslen(shortPath + 4) < MAX_PATH) {
    CopyText(out, shortPath + 4, capacity);
  }
}

// "%NAME%" or "!NAME!".
void Reference(const wchar_t* variable, BatchExpansion expansion, wchar_t* out) {
  const wchar_t* mark = expansion == BatchExpansion::Delayed ? L"!" : L"%";
  FormatText(out, 64, L"%s%s%s", mark, variable, mark);
}

void PutLine(File& file, const wchar_t* format, const wchar_t* first, const wchar_t* second = L"",
             const wchar_t* third = L"") {
  wchar_t line[1024];
  FormatText(line, 1024, format, first, second, third);
  WriteBatchLine(file, line);
}

void GetInterpreterPath(wchar_t* out, size_t capacity) {
  out[0] = 0;
  const DWORD length = GetEnvironmentVariableW(L"COMSPEC", out, static_cast<DWORD>(capacity));
  if (length != 0 && length < capacity) return;
  // Without COMSPEC the files would stay behind for good: the system's own interpreter will do.
  const UINT folderLength = GetSystemDirectoryW(out, static_cast<UINT>(capacity));
  if (folderLength == 0 || folderLength >= capacity) out[0] = 0;
  if (out[0] != 0) JoinPath(out, L"cmd.exe", out, capacity);
}

// The folder the interpreter runs in: the parent of the installation folder, so that no process
// holds the installation folder as its current folder when the batch file removes it.
void GetBatchWorkingFolder(const wchar_t* folder, const wchar_t* batchPath, wchar_t* out,
                           size_t capacity) {
  wchar_t parent[2048];
  CopyText(parent, folder, 2048);
  RemoveName(parent);
  PathForInterpreter(parent, out, capacity);
  // A process cannot start in a folder that long: the batch file's folder is outside too.
  if (wcslen(out) >= MAX_PATH) FolderPart(batchPath, out, capacity);
}

}  // namespace

void WriteBatchLine(File& file, const wchar_t* text) {
  const size_t capacity = 2 * wcslen(text) + 4;
  char* converted = static_cast<char*>(malloc(capacity));
  if (converted == nullptr) return;
  WideToAnsi(text, converted, capacity);
  file.Write(converted, static_cast<uint32_t>(strlen(converted)));
  free(converted);
}

BatchExpansion ChooseBatchExpansion(const wchar_t* const* values, int count) {
  bool percent = false;
  bool exclamation = false;
  for (int i = 0; i < count; ++i) {
    percent = percent || wcschr(values[i], L'%') != nullptr;
    exclamation = exclamation || wcschr(values[i], L'!') != nullptr;
  }
  return percent && !exclamation ? BatchExpansion::Delayed : BatchExpansion::Percent;
}

bool WriteRemovalBatch(const wchar_t* batchPath, bool silent, BatchExpansion expansion) {
  File file;
  if (!file.Create(batchPath, kCreateWriteOnly)) return false;
  wchar_t program[64];
  wchar_t folder[64];
  wchar_t batch[64];
  Reference(kBatchProgramVariable, expansion, program);
  Reference(kBatchFolderVariable, expansion, folder);
  Reference(kBatchFileVariable, expansion, batch);
  WriteBatchLine(file, L"@echo off\r\n");
  // The first run waits two seconds: by then this program has ended and its file can go.
  PutLine(file, L"\"%s\" /wait\r\n", program);
  for (int attempt = 0; attempt < 5; ++attempt) {
    PutLine(file, L"del \"%s\"\r\nrd \"%s\"\r\nif not exist \"%s\" goto done\r\n", program, folder,
            program);
  }
  WriteBatchLine(file, L":done\r\n");
  if (!silent) PutLine(file, L"if exist \"%s\" \"%s\" /warning\r\n", program, program);
  PutLine(file, L"del \"%s\"\r\n", batch);
  return file.Close();
}

bool StartRemovalBatch(const wchar_t* program, const wchar_t* folder, const wchar_t* batchPath,
                       bool silent) {
  wchar_t values[3][2048];
  PathForInterpreter(program, values[0], 2048);
  PathForInterpreter(folder, values[1], 2048);
  PathForInterpreter(batchPath, values[2], 2048);
  const wchar_t* const texts[] = {values[0], values[1], values[2]};
  const BatchExpansion expansion = ChooseBatchExpansion(texts, 3);
  if (!WriteRemovalBatch(batchPath, silent, expansion)) return false;
  SetEnvironmentVariableW(kBatchProgramVariable, values[0]);
  SetEnvironmentVariableW(kBatchFolderVariable, values[1]);
  SetEnvironmentVariableW(kBatchFileVariable, values[2]);

  wchar_t interpreter[2048];
  GetInterpreterPath(interpreter, 2048);
  // /d: no AutoRun command of the user's may run first; /v: the expansion the file was written
  // for, whatever the registry's default. The doubled quotes keep the path quoted whatever it holds.
  wchar_t commandLine[4200];
  FormatText(commandLine, 4200, L"\"%s\" /d /v:%s /c \"\"%s\"\"", interpreter,
             expansion == BatchExpansion::Delayed ? L"on" : L"off", values[2]);
  wchar_t workingFolder[2048];
  GetBatchWorkingFolder(folder, batchPath, workingFolder, 2048);
  SetCurrentDirectoryW(workingFolder);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, workingFolder,
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
