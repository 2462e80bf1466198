#include "integration/file_classes.h"

#include <windows.h>
#include <shlobj.h>

#include "common/path_names.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/text_operations.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "settings/registry_store.h"

namespace {

struct FileClass {
  const wchar_t* Name;
  UINT Description;
  bool RecoveryIcon;
};

constexpr FileClass kFileClasses[] = {
    {kArchiveClass, IDS_QUOBEXARC, false},
    {kZipClass, IDS_QUOBEXZIPARC, false},
    {kRecoveryClass, IDS_QBXRECVOL, true},
};

// The open command, and the icon unless one is set already (a user's or another program's choice
// of icon stays).
void WriteCommandAndIcon(const wchar_t* className, const wchar_t* command, const wchar_t* icon) {
  wchar_t key[kShortTextCapacity];
  FormatText(key, L"%s\\shell\\open\\command", className);
  WriteString(HKEY_CLASSES_ROOT, key, L"", command);
  FormatText(key, L"%s\\DefaultIcon", className);
  wchar_t current[kPathCapacity];
  ReadString(HKEY_CLASSES_ROOT, key, L"", current, L"", kPathCapacity);
  if (current[0] == 0) WriteString(HKEY_CLASSES_ROOT, key, L"", icon);
}

}  // namespace

bool RegisterFileClasses() {
  wchar_t executable[kPathCapacity];
  GetProgramFilePath(kMainProgram, executable, kPathCapacity);
  wchar_t command[2080];
  FormatText(command, L"\"%s\" \"%%1\"", executable);
  wchar_t archiveIcon[2080];
  FormatText(archiveIcon, L"%s,0", executable);
  wchar_t recoveryIcon[2080];
  FormatText(recoveryIcon, L"%s,1", executable);

  for (const FileClass& fileClass : kFileClasses) {
    if (fileClass.RecoveryIcon) WriteString(HKEY_CLASSES_ROOT, kRecoveryExtension, L"", kRecoveryClass);
    const LONG status = WriteString(HKEY_CLASSES_ROOT, fileClass.Name, L"",
                                    GetString(fileClass.Description));
    // Only the very first write tells whether there are rights to write the classes at all.
    if (status == ERROR_ACCESS_DENIED && &fileClass == &kFileClasses[0]) return false;
    WriteCommandAndIcon(fileClass.Name, command,
                        fileClass.RecoveryIcon ? recoveryIcon : archiveIcon);
  }
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return true;
}
