#include "tests/support/sample_installation.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/window_automation.h"

void LayOutInstallation(const std::wstring& folder, const std::vector<std::wstring>& files,
                        const std::string& list, const std::wstring& program) {
  const std::wstring longFolder = folder.rfind(L"\\\\?\\", 0) == 0 ? folder : L"\\\\?\\" + folder;
  CreateDirectoryW(longFolder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(program.c_str(), (longFolder + L"\\Uninstall.exe").c_str(), FALSE));
  for (const std::wstring& file : files) {
    if (file.back() == L'\\') {
      ASSERT_TRUE(CreateDirectoryW((longFolder + L"\\" + file).c_str(), nullptr));
    } else {
      ASSERT_TRUE(WriteFileBytes(longFolder + L"\\" + file, "stand-in"));
    }
  }
  ASSERT_TRUE(WriteFileBytes(longFolder + L"\\Uninstall.lst", list));
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW((path.starts_with(L"\\\\?\\") ? path : L"\\\\?\\" + path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void PlaceOtherProgramsOwners() {
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Other.Zip"));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"NullFile", L""));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"ItemName", L"@other.dll,-7"));
  ASSERT_TRUE(WriteRawValue(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"Data", REG_BINARY,
                            std::string("PK\x05\x06\0\0\x01", 7)));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".iso", L"", L"Other.Iso"));
  // The owners' classes exist: a record in a settings file is given back only when they do.
  for (const wchar_t* owner : {L"Other.Zip", L"Other.Iso"}) {
    ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, owner + std::wstring(L"\\shell\\open\\command"), L"",
                               L"\"C:\\Other\\other.exe\" \"%1\""));
  }
  HKEY emptyList = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Folder\\shellex\\DragDropHandlers", 0,
                                           nullptr, 0, KEY_WRITE, nullptr, &emptyList, nullptr));
  RegCloseKey(emptyList);
  DeleteRawTree(HKEY_CLASSES_ROOT, L"Drive\\shellex");
}

StartedProcess StartStandIn(const std::wstring& path, const std::wstring& arguments) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  if (!CopyFileW((TestProgramFolder() + L"\\stand_in_program.exe").c_str(), path.c_str(), FALSE)) {
    return StartedProcess(nullptr, 0);
  }
  StartedProcess process = StartProcess(path, arguments, system);
  if (process.Started() && WaitForProcessWindow(process.Id(), L"QbxStandIn", 10000) == nullptr) process.Stop();
  return process;
}
