#include "integration/shortcuts.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "common/directory_scanner.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"
#include "integration/user_program_group.h"
#include "integration/windows_version.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "settings/registry_store.h"

namespace {

// A translated text that becomes a file name: a translator's "..\x" or "C:\x" would put the link
// (or point it) outside the program group, so only a plain name is taken, else the English one.
void CopyFileNameText(wchar_t* out, UINT id) {
  const wchar_t* text = GetString(id);
  CopyText(out, IsPlainFileName(text) ? text : GetOwnString(id), kShortTextCapacity);
}

void BuildGroupEntries(GroupEntry (&entries)[4]) {
  CopyText(entries[0].Target, kMainProgram, kShortTextCapacity);
  CopyText(entries[0].Name, kProductName, kShortTextCapacity);
  CopyText(entries[1].Target, kHelpFileName, kShortTextCapacity);
  CopyFileNameText(entries[1].Name, IDS_QUOBEXHELP);
  CopyText(entries[2].Target, L"Qbx.txt", kShortTextCapacity);
  CopyFileNameText(entries[2].Name, IDS_QBXHELP);
  CopyFileNameText(entries[3].Target, IDS_WHATSNEWNAME);
  CopyFileNameText(entries[3].Name, IDS_WHATSNEW);
}

// Deletes the files of an existing folder (its subfolders stay), so that links of a language or
// version before do not linger beside the new ones.
void EmptyFolderOfFiles(const wchar_t* folder) {
  if (!PathExists(folder)) return;
  ForEachEntry(folder, L"*", [](const ScanEntry& entry) {
    if (!entry.IsDir) RemoveFile(entry.Name);
    return true;
  });
}

void FillProgramGroup(const wchar_t* folder, const GroupEntry (&entries)[4],
                      const wchar_t* workingFolder, const wchar_t* icon) {
  wchar_t programFolder[kPathCapacity];
  GetProgramFolder(programFolder, kPathCapacity);
  const wchar_t* description = GetString(IDS_QUOBEXDESC);
  for (int i = 0; i < 4; ++i) {
    wchar_t link[kPathCapacity];
    JoinPath(folder, entries[i].Name, link, 2047);
    AppendText(link, L".lnk", 2047);
    wchar_t target[kPathCapacity];
    JoinPath(programFolder, entries[i].Target, target, kPathCapacity);
    if (PathExists(target)) {
      CreateShortcut(target, link, workingFolder, description, i == 0 ? icon : nullptr);
    }
  }
}

void SetLink(bool on, const wchar_t* target, const wchar_t* link, const wchar_t* workingFolder,
             const wchar_t* description, const wchar_t* icon) {
  if (on) {
    CreateShortcut(target, link, workingFolder, description, icon);
  } else {
    RemoveFile(link);
  }
}

// A program group: emptied of old links, created and filled; or removed with everything in it.
// True when it was filled.
bool SetProgramGroup(bool on, const wchar_t* group, const GroupEntry (&entries)[4],
                     const wchar_t* workingFolder, const wchar_t* icon) {
  if (!on) {
    RemoveFolderTree(group);
    return false;
  }
  // A group folder that is a junction or link leads somewhere that is not ours to empty or fill.
  const DWORD attributes = QueryAttributes(group);
  if (attributes != INVALID_FILE_ATTRIBUTES && IsReparseAttr(attributes)) return false;
  EmptyFolderOfFiles(group);
  if (!PathExists(group)) CreateFolder(group, false, 0);
  FillProgramGroup(group, entries, workingFolder, icon);
  return true;
}

}  // namespace

bool GetSpecialFolder(wchar_t* out, size_t capacity, int csidl) {
  if (capacity > 259 && SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, out) == S_OK) {
    return true;
  }
  CopyText(out, L"unknown_folder", capacity);
  return false;
}

bool CreateShortcut(const wchar_t* target, const wchar_t* linkPath, const wchar_t* workingFolder,
                    const wchar_t* description, const wchar_t* icon) {
  ComPointer<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.ReceiveVoid()))) {
    return false;
  }
  ComPointer<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return false;
  file->Load(linkPath, STGM_READWRITE);  // an existing link keeps what is not set below
  link->SetPath(target);
  if (description != nullptr) link->SetDescription(description);
  link->SetIconLocation(icon != nullptr ? icon : L"", 0);
  if (workingFolder != nullptr) link->SetWorkingDirectory(workingFolder);
  const HRESULT saved = file->Save(linkPath, TRUE);
  ReportAction(L"write link", linkPath, SUCCEEDED(saved) ? Outcome::Done : Outcome::Failed,
               static_cast<DWORD>(saved));
  return SUCCEEDED(saved);
}

void RemoveFolderTree(const wchar_t* folder) {
  const DWORD attributes = GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return;
  }
  // SHFileOperationW takes a list of paths ended by a second zero.
  wchar_t list[kPathCapacity + 1] = {};
  CopyText(list, folder, kPathCapacity);
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = list;
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
  const int result = SHFileOperationW(&operation);
  ReportAction(L"delete folder tree", folder, result == 0 ? Outcome::Done : Outcome::Failed,
               static_cast<DWORD>(result));
}

void SetShortcuts(const IntegrationOptions& options, wchar_t* groupFolder, size_t capacity,
                  const wchar_t* icon) {
  if (!IntegrationEnabled()) return;
  const bool vistaOrLater = WindowsVersion() >= kWindowsVista;
  wchar_t executable[kPathCapacity];
  GetProgramFilePath(kMainProgram, executable, kPathCapacity);

  wchar_t desktopFolder[kPathCapacity];
  const bool haveDesktop = GetSpecialFolder(desktopFolder, kPathCapacity, CSIDL_DESKTOPDIRECTORY);
  if (vistaOrLater) {
    // Links now go to the all-users desktop; one an earlier version left on the user's goes, and
    // nothing else: the user's desktop is where the user's settings say.
    if (haveDesktop) RemoveUserProductLink(desktopFolder, kMainProgramLink);
    GetSpecialFolder(desktopFolder, kPathCapacity, CSIDL_COMMON_DESKTOPDIRECTORY);
  } else if (!haveDesktop) {
    return;
  }
  wchar_t workingFolder[kPathCapacity];
  GetSpecialFolder(workingFolder, kPathCapacity, CSIDL_DESKTOPDIRECTORY);
  wchar_t description[kShortTextCapacity];
  CopyText(description, GetString(IDS_QUOBEXDESC), kShortTextCapacity);

  wchar_t link[kPathCapacity];
  JoinPath(desktopFolder, kMainProgramLink, link, kPathCapacity);
  SetLink(options.Slots[kSlotDesktop] != 0, executable, link, nullptr, description, icon);
  wchar_t startMenu[kPathCapacity];
  GetSpecialFolder(startMenu, kPathCapacity, vistaOrLater ? CSIDL_COMMON_STARTMENU : CSIDL_STARTMENU);
  JoinPath(startMenu, kMainProgramLink, link, kPathCapacity);
  SetLink(options.Slots[kSlotStartMenu] != 0, executable, link, workingFolder, description, icon);

  GroupEntry entries[4];
  BuildGroupEntries(entries);
  const bool groupOn = options.Slots[kSlotPrograms] != 0;
  wchar_t parent[kPathCapacity];
  wchar_t group[kPathCapacity];
  // The user's group holds what the user put there too: only the product's links go.
  if (GetSpecialFolder(parent, kPathCapacity, CSIDL_PROGRAMS) &&
      SetUserProgramGroup(groupOn, parent, entries, workingFolder, description, icon) && groupFolder != nullptr) {
    JoinPath(parent, kProductName, group, kPathCapacity);
    CopyText(groupFolder, group, capacity);
  }

  if (!GetSpecialFolder(parent, kPathCapacity, CSIDL_COMMON_PROGRAMS)) return;
  JoinPath(parent, kProductName, group, kPathCapacity);
  // The all-users group is the one every user sees: it is the one to show after setup.
  if (SetProgramGroup(groupOn, group, entries, workingFolder, icon) && groupFolder != nullptr &&
      PathExists(group)) {
    CopyText(groupFolder, group, capacity);
  }
}
