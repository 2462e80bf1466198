#include "uninstall/entry_deletion.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"

// The list is read while "docs" is a real folder; then the installation folder's content is
// swapped for a folder whose "docs" is a link to a folder that is not ours (a fixture of the
// test prefix: Wine's programs can neither make nor move a link), as a user who may write the
// installation folder could do while the run goes on.
TEST(EntryDeletion, AFolderSwappedForALinkAfterTheListWasReadLeadsToNoDeletionOutside) {
  const std::wstring swap = L"C:\\qbx-fixtures\\swap";
  const std::wstring folder = swap + L"\\inst";
  const std::wstring precious = L"C:\\qbx-fixtures\\junction-target\\precious.txt";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((folder + L"\\docs").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(folder + L"\\docs\\precious.txt", "ours"));
  ASSERT_TRUE(WriteFileBytes(folder + L"\\Uninstall.lst", "docs\\precious.txt\r\n"));
  InstallationList list;
  ASSERT_TRUE(list.Load((folder + L"\\Uninstall.lst").c_str(), (folder + L"\\").c_str()));
  ASSERT_EQ(1u, list.Count());

  ASSERT_TRUE(MoveFileW(folder.c_str(), (swap + L"\\real").c_str()));
  ASSERT_TRUE(MoveFileW((swap + L"\\linked").c_str(), folder.c_str()));
  const ListedDeletion deletion = DeleteListedEntries(list, folder.c_str(), (folder + L"\\Uninstall.exe").c_str(),
                                                      (folder + L"\\Uninstall.lst").c_str());
  EXPECT_EQ("not ours", ReadFileBytes(precious));
  EXPECT_FALSE(deletion.Failed);
  EXPECT_FALSE(deletion.RestartNeeded);

  MoveFileW(folder.c_str(), (swap + L"\\linked").c_str());
  RemoveTree(swap + L"\\real");
}

// A restart deletes a folder only once it is empty: the folders left for it are scheduled
// children before parents, whatever order the list names them in, and the installation folder
// last.
TEST(EntryDeletion, FoldersLeftForTheRestartAreScheduledDeepestFirst) {
  const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
  const RawValue before = ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  ScratchFolder scratch(L"restart_folders");
  const std::wstring folder = scratch.Path();
  for (const wchar_t* name : {L"a", L"a\\bb", L"a\\bb\\c", L"d"}) {
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\" + name).c_str(), nullptr));
  }
  ASSERT_TRUE(WriteFileBytes(folder + L"\\Uninstall.lst", "a\r\nd\r\na\\bb\\c\r\na\\bb\r\n"));
  InstallationList list;
  ASSERT_TRUE(list.Load((folder + L"\\Uninstall.lst").c_str(), (folder + L"\\").c_str()));
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  EXPECT_TRUE(ScheduleRemainingFolders(list, folder.c_str()));
  const RawValue pending = ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  std::vector<std::wstring> deleted;  // the sources of the pairs, in order
  const auto* text = reinterpret_cast<const wchar_t*>(pending.Bytes.data());
  for (size_t at = 0, count = 0; at < pending.Bytes.size() / sizeof(wchar_t); at += wcslen(text + at) + 1, ++count) {
    if (count % 2 == 0 && text[at] != 0) deleted.emplace_back(text + at + 4);  // after "\\??\\"
  }
  ASSERT_EQ(5u, deleted.size());
  EXPECT_EQ(folder + L"\\a\\bb\\c", deleted[0]);
  EXPECT_EQ(folder + L"\\a\\bb", deleted[1]);
  EXPECT_EQ((std::set<std::wstring>{folder + L"\\a", folder + L"\\d"}), (std::set<std::wstring>{deleted[2], deleted[3]}));
  EXPECT_EQ(folder, deleted[4]);
  if (before.Exists) {
    WriteRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", before.Type, before.Bytes);
  } else {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  }
}
