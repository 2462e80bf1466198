#include "uninstall/installation_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace {

std::vector<std::wstring> Paths(const InstallationList& list) {
  std::vector<std::wstring> paths;
  for (uint64_t i = 0; i < list.Count(); ++i) paths.push_back(list.Path(i));
  return paths;
}

}  // namespace

TEST(InstallationList, OnlyEntriesInsideTheFolderAreContained) {
  const struct {
    const wchar_t* entry;
    bool contained;
  } cases[] = {
      {L"Quobex.exe", true},       {L"docs\\readme.txt", true}, {L"docs/readme.txt", true},
      {L" leading blank", true},   {L"a..b\\c.txt", true},      {L"sub\\", true},
      {L"CONFIG.SYS", true},       {L"COM10", true},            {L"", false},
      {L"..", false},              {L"..\\x", false},           {L"a\\..\\..\\x", false},
      {L"a/../x", false},          {L". .\\x", false},          {L"...\\x", false},
      {L".\\x", false},            {L"C:\\x", false},           {L"C:x", false},
      {L"\\x", false},             {L"/x", false},              {L"\\\\server\\share\\x", false},
      {L"\\\\?\\C:\\x", false},    {L"\\\\.\\C:", false},       {L"x.txt:stream", false},
      {L"a*b", false},             {L"a?b", false},             {L"a\tb", false},
      {L"NUL", false},             {L"sub\\con.txt", false},    {L"com1", false},
      {L"LPT9 .log", false},       {L"CONOUT$", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::wstring(c.entry).size() << " characters, case "
                                    << (&c - cases));
    EXPECT_EQ(c.contained, IsContainedEntry(c.entry));
  }
}

TEST(InstallationList, LinesAreTrimmedAndUnsafeOnesSkipped) {
  ScratchFolder folder(L"installation_list");
  const std::string overLong(2048, 'x');
  ASSERT_TRUE(WriteFileBytes(folder / L"Uninstall.lst",
                             "a.txt  \r\nb.txt\t\r\r\n   \r\n\r\n c.txt\n" +
                                 std::string("zero\0.txt\r\n", 11) + overLong + "\r\n" +
                                 overLong.substr(1) + "\r\n..\\up.txt\r\nlast"));
  InstallationList list;
  ASSERT_TRUE(list.Load((folder / L"Uninstall.lst").c_str(), (folder.Path() + L"\\").c_str()));
  const std::wstring base = folder.Path() + L"\\";
  EXPECT_EQ((std::vector<std::wstring>{base + L"a.txt", base + L"b.txt", base + L" c.txt",
                                       base + std::wstring(2047, L'x'), base + L"last"}),
            Paths(list));

  InstallationList missing;
  EXPECT_FALSE(missing.Load((folder / L"none.lst").c_str(), (folder.Path() + L"\\").c_str()));
}

TEST(InstallationList, EntriesThroughALinkedFolderAreSkipped) {
  // The test prefix holds C:\qbx-fixtures\programs\Quobex, a symbolic link to another folder.
  ScratchFolder folder(L"installation_list");
  ASSERT_TRUE(WriteFileBytes(folder / L"Uninstall.lst",
                             "Quobex\\precious.txt\r\nQuobex\r\nQuobex/precious.txt\r\nown.txt\r\n"));
  InstallationList list;
  ASSERT_TRUE(list.Load((folder / L"Uninstall.lst").c_str(), L"C:\\qbx-fixtures\\programs\\"));
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\qbx-fixtures\\programs\\Quobex",
                                       L"C:\\qbx-fixtures\\programs\\own.txt"}),
            Paths(list));
}
