#include "common/system_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/probe.h"
#include "tests/support/scratch_folder.h"

namespace {

TEST(SystemFolders, LoadSystemLibraryIgnoresCopiesInTheCurrentFolder) {
  ScratchFolder folder(L"startup_libraries");
  // A planted library of a system name, and one that exists only in the current folder.
  ASSERT_TRUE(WriteFileBytes(folder / L"riched20.dll", "MZ not a library"));
  ASSERT_TRUE(WriteFileBytes(folder / L"qbxplanted.dll", "MZ not a library"));
  CurrentFolder current(folder.Path());

  HMODULE richEdit = LoadSystemLibrary(L"riched20.dll");
  ASSERT_NE(nullptr, richEdit);
  wchar_t loaded[2048];
  GetModuleFileNameW(richEdit, loaded, 2048);
  wchar_t system[2048];
  GetSystemDirectoryW(system, 2048);
  EXPECT_EQ(0, _wcsnicmp(loaded, system, wcslen(system))) << "loaded from the system folder";
  FreeLibrary(richEdit);

  EXPECT_EQ(nullptr, LoadSystemLibrary(L"qbxplanted.dll"));
}

}  // namespace
