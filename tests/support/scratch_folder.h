// Folders that a test owns inside the Wine prefix, removed with everything in them.
#pragma once

#include <string>

// A fresh, empty folder C:\qbxtest\<name> (any earlier one of that name is removed first);
// removed again when the object goes away.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  // Path() + "\" + name.
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Makes folder the current one while it lives, then the one before again.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::wstring& folder);
  ~CurrentFolder();
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  wchar_t previous_[2048] = {};
};

// Deletes a folder and everything below it (long paths included); true when it is gone.
bool RemoveTree(const std::wstring& path);
// Writes bytes to a new file (replacing an old one); true on success.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The whole content of a file, or "" when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
// The folder of the running test program, with no trailing separator.
std::wstring TestProgramFolder();
