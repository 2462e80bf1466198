#include "integration/owner_checks.h"

#include <cwchar>
#include <initializer_list>

#include "common/path_names.h"
#include "common/procedure_address.h"
#include "common/system_folders.h"
#include "common/text_operations.h"
#include "settings/registry_store.h"

namespace {

// Windows' classes of programs, scripts and what opens as one (links, installer packages, help
// with scripts): an archive given one of these would run when opened. Their extensions' classes
// are looked up as well, for the names another Windows version or language gives them.
constexpr const wchar_t* kProgramClasses[] = {
    L"exefile",        L"batfile",       L"cmdfile",        L"comfile",
    L"htafile",        L"VBSFile",       L"VBEFile",        L"JSFile",
    L"JSEFile",        L"WSFFile",       L"WSHFile",        L"piffile",
    L"scrfile",        L"regfile",       L"Msi.Package",    L"Msi.Patch",
    L"MSCFile",        L"cplfile",       L"inffile",        L"lnkfile",
    L"InternetShortcut", L"scriptletfile", L"SHCmdFile",    L"chm.file",
    L"Application.Manifest", L"Application.Reference", L"jarfile",
    L"Microsoft.PowerShellScript.1", L"Microsoft.PowerShellModule.1",
};
constexpr const wchar_t* kProgramExtensions[] = {
    L".exe", L".bat", L".cmd", L".com", L".hta", L".vbs", L".vbe", L".js",  L".jse",
    L".wsf", L".wsh", L".pif", L".scr", L".reg", L".msi", L".msp", L".msc", L".cpl",
    L".inf", L".lnk", L".url", L".sct", L".scf", L".chm", L".application", L".appref-ms",
    L".jar", L".ps1", L".psm1",
};

// Programs that run the file they are given as a script or a program (interpreters, script
// hosts, launchers): a class whose verb starts one of them with the opened file runs an archive
// as code (a ZIP given to Python runs its __main__.py). Compared with the command's program name
// without its extension; a trailing "*" matches any ending ("python3", "pythonw").
constexpr const wchar_t* kScriptHosts[] = {
    L"py",       L"pyw",        L"python*",     L"pypy*",    L"perl",     L"wperl",    L"ruby",
    L"rubyw",    L"java",       L"javaw",       L"node",     L"php",      L"php-win",  L"wscript",
    L"cscript",  L"mshta",      L"powershell*", L"pwsh",     L"cmd",      L"bash",     L"sh",
    L"wsl",      L"rundll32",   L"regsvr32",    L"msiexec",  L"hh",       L"mmc",      L"control",
    L"msbuild",  L"installutil", L"regasm",     L"regsvcs",  L"cmstp",    L"tclsh*",   L"wish*",
};

// The machine's own classes key of a class or extension, read past HKEY_CLASSES_ROOT.
void MachineClassKey(const wchar_t* name, const wchar_t* below, wchar_t* key, size_t capacity) {
  FormatText(key, capacity, L"\\Software\\Classes\\%s%s%s", name, below[0] != 0 ? L"\\" : L"", below);
}

bool IsPlainClassName(const wchar_t* name) {
  size_t length = 0;
  for (; name[length] != 0; ++length) {
    const wchar_t c = name[length];
    if (!IsAlpha(c) && !IsDigit(c) && c != L'.' && c != L'_' && c != L'-') return false;
  }
  return length > 0 && length <= 255;
}

bool AssocSaysDangerous(const wchar_t* type) {
  using AssocIsDangerousFunction = BOOL(WINAPI*)(PCWSTR);
  // Shell Light-weight Utility Library 6.0.1 and later only (Windows XP SP1): asked when present.
  static const auto isDangerous =
      ProcedureAddress<AssocIsDangerousFunction>(LoadSystemLibrary(L"shlwapi.dll"), "AssocIsDangerous");
  return isDangerous != nullptr && isDangerous(type) != FALSE;
}

bool IsProgramClass(const wchar_t* type) {
  for (const wchar_t* name : kProgramClasses) {
    if (CompareNoCase(type, name) == 0) return true;
  }
  for (const wchar_t* extension : kProgramExtensions) {
    wchar_t key[kShortTextCapacity];
    MachineClassKey(extension, L"", key, kShortTextCapacity);
    wchar_t machineClass[kShortTextCapacity];
    if (ReadString(HKEY_LOCAL_MACHINE, key, L"", machineClass, L"", kShortTextCapacity) &&
        machineClass[0] != 0 && CompareNoCase(type, machineClass) == 0) {
      return true;
    }
  }
  return AssocSaysDangerous(type);
}

// True when the command line starts the opened file itself: its program is "%1", %L (the long
// name) or %0, the placeholders the shell replaces with that file.
bool CommandRunsTheFile(const wchar_t* command) {
  while (*command == L' ' || *command == L'\t') ++command;
  const bool quoted = *command == L'"';
  if (quoted) ++command;
  if (command[0] != L'%') return false;
  const wchar_t placeholder = command[1];
  const wchar_t after = placeholder != 0 ? command[2] : 0;
  const bool fileItself = placeholder == L'1' || placeholder == L'0' || placeholder == L'L' || placeholder == L'l';
  return fileItself && (quoted ? after == L'"' : after == 0 || after == L' ' || after == L'\t');
}

bool IsScriptHostName(const wchar_t* name, size_t length) {
  for (const wchar_t* host : kScriptHosts) {
    const size_t hostLength = wcslen(host);
    const bool anyEnding = host[hostLength - 1] == L'*';
    const size_t compared = anyEnding ? hostLength - 1 : hostLength;
    if ((anyEnding ? length >= compared : length == compared) && CompareNoCaseN(name, host, compared) == 0) return true;
  }
  return false;
}

// True when the program of the command line (path) is a script host: its file name without
// extension, the part up to the first ".".
bool IsScriptHostPath(const wchar_t* path, size_t length) {
  size_t start = length;
  while (start > 0 && path[start - 1] != L'\\' && path[start - 1] != L'/' && path[start - 1] != L':') --start;
  size_t end = start;
  while (end < length && path[end] != L'.') ++end;
  return IsScriptHostName(path + start, end - start);
}

// True when the command line starts a script host. A quoted program ends at its closing quote; an
// unquoted one may hold spaces ("C:\Program Files\x\py.exe %1" is started so), so each text up to
// a space is taken as the program, until one that names a file with an extension.
bool CommandStartsScriptHost(const wchar_t* command) {
  while (*command == L' ' || *command == L'\t') ++command;
  if (*command == L'"') {
    const wchar_t* closing = wcschr(command + 1, L'"');
    const size_t length = closing != nullptr ? closing - command - 1 : wcslen(command + 1);
    return IsScriptHostPath(command + 1, length);
  }
  for (size_t end = 0;; ++end) {
    if (command[end] != 0 && command[end] != L' ' && command[end] != L'\t') continue;
    if (IsScriptHostPath(command, end)) return true;
    const wchar_t* name = command + end;
    while (name > command && name[-1] != L'\\' && name[-1] != L'/') --name;
    if (command[end] == 0 || wmemchr(name, L'.', command + end - name) != nullptr) return false;
  }
}

struct VerbCheck {
  const wchar_t* Type;
  wchar_t RunningVerb[256];
};

void CheckVerb(void* context, const wchar_t* verb) {
  auto& check = *static_cast<VerbCheck*>(context);
  if (check.RunningVerb[0] != 0) return;
  wchar_t below[kShortTextCapacity];
  FormatText(below, kShortTextCapacity, L"shell\\%s\\command", verb);
  wchar_t key[kShortTextCapacity];
  MachineClassKey(check.Type, below, key, kShortTextCapacity);
  // The shell hands the verb to a DelegateExecute handler instead of starting the command line.
  wchar_t handler[kShortTextCapacity];
  ReadString(HKEY_LOCAL_MACHINE, key, L"DelegateExecute", handler, L"", kShortTextCapacity);
  if (handler[0] != 0) return;
  wchar_t command[kTextCapacity];
  ReadString(HKEY_LOCAL_MACHINE, key, L"", command, L"", kTextCapacity);
  if (CommandRunsTheFile(command) || CommandStartsScriptHost(command)) CopyText(check.RunningVerb, verb, 256);
}

// A CurVer names the class the shell uses in this one's place: up to a few steps are followed.
constexpr int kCurVerSteps = 4;

bool CheckClass(const wchar_t* type, int step, wchar_t* reason, size_t capacity) {
  wchar_t key[kShortTextCapacity];
  MachineClassKey(type, L"", key, kShortTextCapacity);
  if (!IsPlainClassName(type)) {
    FormatText(reason, capacity, L"its class \"%s\" is no plain class name", type);
    return false;
  }
  if (!KeyExists(HKEY_LOCAL_MACHINE, key)) {
    FormatText(reason, capacity, L"its class %s is no class of the machine", type);
    return false;
  }
  if (IsProgramClass(type)) {
    FormatText(reason, capacity, L"its class %s is one of Windows' program or script classes", type);
    return false;
  }
  VerbCheck verbs = {type, {}};
  MachineClassKey(type, L"shell", key, kShortTextCapacity);
  VisitSubKeys(HKEY_LOCAL_MACHINE, key, CheckVerb, &verbs);
  if (verbs.RunningVerb[0] != 0) {
    FormatText(reason, capacity, L"its class %s runs the opened file itself or through a script host (verb %s)",
               type, verbs.RunningVerb);
    return false;
  }
  MachineClassKey(type, L"CurVer", key, kShortTextCapacity);
  wchar_t current[kShortTextCapacity];
  ReadString(HKEY_LOCAL_MACHINE, key, L"", current, L"", kShortTextCapacity);
  if (current[0] == 0 || CompareNoCase(current, type) == 0) return true;
  if (step == kCurVerSteps) {
    FormatText(reason, capacity, L"its class %s leads through more than %d CurVer classes", type, kCurVerSteps);
    return false;
  }
  return CheckClass(current, step + 1, reason, capacity);
}

bool IsDeviceName(const wchar_t* path) {
  const wchar_t* name = NamePart(path);
  size_t length = 0;
  while (name[length] != 0 && name[length] != L'.' && name[length] != L':' && name[length] != L' ') ++length;
  if (length == 3) {
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"}) {
      if (CompareNoCaseN(name, device, 3) == 0) return true;
    }
  }
  return length == 4 && (CompareNoCaseN(name, L"COM", 3) == 0 || CompareNoCaseN(name, L"LPT", 3) == 0) &&
         name[3] >= L'1' && name[3] <= L'9';
}

}  // namespace

bool IsNetworkOrDevicePath(const wchar_t* path) {
  if (path[0] == L'@') ++path;  // an indirect text: "@<file>,-<id>"
  while (*path == L' ' || *path == L'"') ++path;
  const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (separator(path[0]) && separator(path[1])) return true;
  if (path[0] == L'\\' && path[1] == L'?' && path[2] == L'?' && path[3] == L'\\') return true;
  wchar_t file[kPathCapacity];
  CopyText(file, path, kPathCapacity);
  if (wchar_t* comma = wcschr(file, L','); comma != nullptr) *comma = 0;
  return IsDeviceName(file);
}

bool IsSoundOwnerClass(const wchar_t* type, wchar_t* reason, size_t capacity) {
  return CheckClass(type, 0, reason, capacity);
}

bool IsSoundNewFileValue(DWORD type, const wchar_t* name, const uint8_t* data, DWORD size, wchar_t* reason,
                         size_t capacity) {
  const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
  const bool namesData =
      (text && (CompareNoCase(name, L"FileName") == 0 || CompareNoCase(name, L"ItemName") == 0 ||
                CompareNoCase(name, L"IconPath") == 0 || CompareNoCase(name, L"MenuText") == 0)) ||
      (type == REG_SZ && CompareNoCase(name, L"NullFile") == 0) ||
      (type == REG_BINARY && CompareNoCase(name, L"Data") == 0);
  if (!namesData) {
    FormatText(reason, capacity, L"its new-file value %s is not one that names data", name);
    return false;
  }
  if (!text) return true;
  wchar_t value[kPathCapacity] = {};
  memcpy(value, data, size < sizeof value - sizeof(wchar_t) ? size : sizeof value - sizeof(wchar_t));
  if (IsNetworkOrDevicePath(value)) {
    FormatText(reason, capacity, L"its new-file value %s names a network or device path", name);
    return false;
  }
  return true;
}
