#include "tests/support/scratch_folder.h"

#include <windows.h>

std::wstring TestProgramFolder() {
  wchar_t path[2048];
  GetModuleFileNameW(nullptr, path, 2048);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

bool RemoveTree(const std::wstring& path) {
  // Work in the long form so that trees deeper than MAX_PATH and names ending in "." go too.
  const std::wstring longPath = path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path;
  const DWORD attributes = GetFileAttributesW(longPath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return RemoveDirectoryW(longPath.c_str()) != 0;
    return DeleteFileW(longPath.c_str()) != 0;
  }
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((longPath + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") RemoveTree(longPath + L"\\" + name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(longPath.c_str()) != 0;
}

ScratchFolder::ScratchFolder(const std::wstring& name) : path_(L"C:\\qbxtest\\" + name) {
  RemoveTree(path_);
  CreateDirectoryW(L"C:\\qbxtest", nullptr);
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  CloseHandle(file);
  return bytes;
}

CurrentFolder::CurrentFolder(const std::wstring& folder) {
  GetCurrentDirectoryW(2048, previous_);
  SetCurrentDirectoryW(folder.c_str());
}

CurrentFolder::~CurrentFolder() { SetCurrentDirectoryW(previous_); }
