#include "uninstall/entry_deletion.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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
