#include "tests/support/product_state.h"

#include <windows.h>
#include <shlobj.h>

#include "tests/support/scratch_folder.h"

std::wstring UserDataFolder() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder);
  return std::wstring(folder) + L"\\Quobex";
}

void CleanProductState::Clean() {
  RemoveTree(UserDataFolder());
  DeleteFileW((TestProgramFolder() + L"\\Quobex.ini").c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quobex");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Quobex");
}

bool PlaceUserSettingsFile(const std::string& bytes) {
  CreateDirectoryW(UserDataFolder().c_str(), nullptr);
  return WriteFileBytes(UserDataFolder() + L"\\Quobex.ini", bytes);
}

bool PlaceProgramSettingsFile(const std::string& bytes) {
  return WriteFileBytes(TestProgramFolder() + L"\\Quobex.ini", bytes);
}

std::string Utf16Bytes(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}
