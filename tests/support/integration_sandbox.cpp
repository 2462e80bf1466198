#include "tests/support/integration_sandbox.h"

#include <windows.h>
#include <shlobj.h>

#include "tests/support/product_state.h"
#include "tests/support/registry_values.h"
#include "tests/support/settings_state.h"
#include "tests/support/scratch_folder.h"

namespace {

const wchar_t* const kProductFiles[] = {L"Quobex.exe", L"Quobex.chm", L"Qbx.txt", L"WhatsNew.txt",
                                        L"qbxext.dll", L"qbxext32.dll", L"qbxnew.dat", L"zipnew.dat"};
const wchar_t* const kClassIds[] = {L"{6F0C2A94-3B71-4E58-A1D6-9C47E2B05D31}",
                                    L"{6F0C2A94-3B72-4E58-A1D6-9C47E2B05D31}"};

void DeleteClassesKey(const std::wstring& path) {
  DeleteRawTree(HKEY_CLASSES_ROOT, path);
  DeleteRawTree(HKEY_CLASSES_ROOT, path, KEY_WOW64_32KEY);
}

void DeleteRawValue(HKEY root, const std::wstring& path, const std::wstring& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, name.c_str());
  RegCloseKey(key);
}

}  // namespace

std::vector<MemberExtension> ExpectedMembers() {
  return {{L".qbx", 0}, {L".zip", 1},  {L".cab", 2},  {L".arj", 3},  {L".lz", 4},   {L".tlz", 4},
          {L".lzh", 5}, {L".lha", 5},  {L".7z", 6},   {L".tar", 7},  {L".gz", 8},   {L".tgz", 8},
          {L".uue", 9}, {L".xxe", 9},  {L".uu", 9},   {L".bz2", 10}, {L".tbz2", 10}, {L".bz", 10},
          {L".tbz", 10}, {L".jar", 11}, {L".iso", 12}, {L".z", 13},   {L".taz", 13}, {L".xz", 14},
          {L".txz", 14}, {L".zipx", 15}, {L".001", 16}};
}

std::wstring ShellFolder(int csidl) {
  wchar_t folder[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return L"";
  return folder;
}

std::wstring IntegrationSandbox::Folder() { return TestProgramFolder(); }
std::wstring IntegrationSandbox::File(const std::wstring& name) { return Folder() + L"\\" + name; }

void IntegrationSandbox::PlaceProductFiles() {
  for (int i = 0; i < 6; ++i) WriteFileBytes(File(kProductFiles[i]), "stand-in");
}

void IntegrationSandbox::Clean() {
  CleanSettingsState::Clean();
  for (const MemberExtension& member : ExpectedMembers()) DeleteClassesKey(member.Extension);
  for (const wchar_t* key : {L".rev", L".ace", L"Quobex", L"Quobex.ZIP", L"Quobex.REV", L"Other.Zip", L"Other.Iso"}) {
    DeleteClassesKey(key);
  }
  for (int n = 0; n < 100; ++n) {
    wchar_t volume[8];
    wsprintfW(volume, L".q%02u", n);
    DeleteClassesKey(volume);
  }
  for (const wchar_t* classId : kClassIds) {
    DeleteClassesKey(std::wstring(L"CLSID\\") + classId);
    DeleteRawValue(HKEY_LOCAL_MACHINE,
                   L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                   classId);
    DeleteClassesKey(std::wstring(L"exefile\\shellex\\PropertySheetHandlers\\") + classId);
  }
  for (const wchar_t* handler : {L"Quobex", L"Quobex32"}) {
    for (const wchar_t* format :
         {L"*\\shellex\\ContextMenuHandlers\\", L"Folder\\shellex\\ContextMenuHandlers\\",
          L"Folder\\shellex\\DragDropHandlers\\", L"Drive\\shellex\\DragDropHandlers\\",
          L"lnkfile\\shellex\\ContextMenuHandlers\\", L"Directory\\shellex\\ContextMenuHandlers\\",
          L"Directory\\shellex\\DragDropHandlers\\"}) {
      DeleteClassesKey(format + std::wstring(handler));
    }
  }
  DeleteRawValue(HKEY_LOCAL_MACHINE, L"Software\\RegisteredApplications", L"Quobex");
  const std::wstring appPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quobex.exe";
  DeleteRawTree(HKEY_LOCAL_MACHINE, appPaths);
  DeleteRawTree(HKEY_LOCAL_MACHINE, appPaths, KEY_WOW64_32KEY);
  DeleteRawTree(HKEY_LOCAL_MACHINE,
                L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quobex archiver");

  for (const wchar_t* name : kProductFiles) DeleteFileW(File(name).c_str());
  for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_STARTMENU,
                    CSIDL_COMMON_STARTMENU}) {
    DeleteFileW((ShellFolder(csidl) + L"\\Quobex.lnk").c_str());
  }
  for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    RemoveTree(ShellFolder(csidl) + L"\\Quobex");
  }
}

IntegrationSandbox::IntegrationSandbox() { Clean(); }
IntegrationSandbox::~IntegrationSandbox() { Clean(); }
