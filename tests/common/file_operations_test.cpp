#include "common/file_operations.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/directory_scanner.h"
#include "common/file.h"
#include "common/folder_handles.h"
#include "common/folder_walk.h"
#include "tests/support/scratch_folder.h"

namespace {

// A chain of folders below root whose full path is longer than the classic 260 characters.
std::wstring DeepFolderPath(const std::wstring& root) {
  std::wstring path = root;
  for (int level = 0; path.size() < 300; ++level) {
    path += L"\\level-" + std::to_wstring(level) + L"-abcdefghijklmnopqrstuvwxyz";
  }
  return path;
}

}  // namespace

TEST(FileOperations, LongPathChainIsCreatedProbedEnumeratedAndRemoved) {
  ScratchFolder root(L"deep_chain");
  const std::wstring deep = DeepFolderPath(root.Path());
  ASSERT_GT(deep.size(), 260u);

  // Each level through CreateFolder; the ones past the classic limit need the long form.
  for (size_t at = root.Path().size() + 1; at <= deep.size(); ++at) {
    if (at == deep.size() || deep[at] == L'\\') {
      const std::wstring level = deep.substr(0, at);
      ASSERT_EQ(CreateFolderResult::Created, CreateFolder(level.c_str(), false, 0)) << level.size();
    }
  }
  EXPECT_TRUE(PathExists(deep.c_str()));
  EXPECT_TRUE(IsDirectoryAttr(QueryAttributes(deep.c_str())));

  const std::wstring file = deep + L"\\payload.txt";
  {
    File writer;
    ASSERT_TRUE(writer.Create(file.c_str(), 0x11));
    ASSERT_TRUE(writer.Write("12345", 5));
    ASSERT_TRUE(writer.Close());
  }
  ScanEntry entry;
  ASSERT_TRUE(ProbeFile(file.c_str(), entry));
  EXPECT_EQ(5u, entry.Size);
  EXPECT_FALSE(entry.IsDir);
  EXPECT_EQ(file, entry.Name);

  DirectoryScanner scanner;
  scanner.SetMask((deep + L"\\*").c_str());
  ASSERT_TRUE(scanner.Next(entry));
  EXPECT_EQ(file, entry.Name);
  EXPECT_FALSE(scanner.Next(entry));
  EXPECT_FALSE(entry.Error);
  scanner.Close();

  EXPECT_TRUE(ApplyAttributes(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
  // Wine adds FILE_ATTRIBUTE_ARCHIVE to what it stores; Windows keeps exactly what was set.
  EXPECT_NE(0u, QueryAttributes(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(RemoveFile(file.c_str()));
  EXPECT_FALSE(PathExists(file.c_str()));
  EXPECT_TRUE(RemoveTree(root.Path() + L"\\level-0-abcdefghijklmnopqrstuvwxyz"));
}

TEST(FileOperations, NamesEndingInADotAreKeptThroughTheLongForm) {
  ScratchFolder root(L"trailing_dot");
  const std::wstring folder = root / L"dotted.";
  ASSERT_EQ(CreateFolderResult::Created, CreateFolder(folder.c_str(), false, 0));
  EXPECT_TRUE(PathExists(folder.c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((root / L"dotted").c_str()))
      << "the plain call would have created \"dotted\"";

  const std::wstring file = folder + L"\\file.";
  {
    File writer;
    ASSERT_TRUE(writer.Create(file.c_str(), 0x11));
    ASSERT_TRUE(writer.Close());
  }
  DirectoryScanner scanner;
  scanner.SetMask((folder + L"\\*").c_str());
  ScanEntry entry;
  ASSERT_TRUE(scanner.Next(entry));
  EXPECT_EQ(file, entry.Name);
  EXPECT_TRUE(RemoveFile(file.c_str()));
  EXPECT_FALSE(PathExists(file.c_str()));
}

TEST(FileOperations, CreateFolderTellsAnExistingFolderFromAMissingParent) {
  ScratchFolder root(L"create_folder");
  EXPECT_EQ(CreateFolderResult::Created,
            CreateFolder((root / L"hidden").c_str(), true, FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN),
            QueryAttributes((root / L"hidden").c_str()) &
                (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(CreateFolderResult::Failed, CreateFolder((root / L"hidden").c_str(), false, 0));
  EXPECT_EQ(CreateFolderResult::ParentMissing,
            CreateFolder((root / L"missing\\child").c_str(), false, 0));
  EXPECT_EQ(CreateFolderResult::ParentMissing,
            CreateFolder((root / L"missing\\child.").c_str(), false, 0));
}

TEST(FileOperations, MissingPathsAndAttributes) {
  EXPECT_FALSE(PathExists(L"C:\\qbxtest\\no such file"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, QueryAttributes(L""));
  EXPECT_FALSE(RemoveFile(L"C:\\qbxtest\\no such file"));
  EXPECT_FALSE(IsDirectoryAttr(INVALID_FILE_ATTRIBUTES));
  EXPECT_TRUE(IsDirectoryAttr(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_TRUE(IsReparseAttr(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(IsReparseAttr(FILE_ATTRIBUTE_DIRECTORY));
}

// What the uninstall deletes or schedules must lie below the installation folder: a folder whose
// name only begins with the installation folder's is beside it, not in it.
TEST(FileOperations, BelowAFolderMeansPastItsSeparator) {
  const struct {
    const wchar_t* path;
    const wchar_t* folder;
    bool below;
  } cases[] = {{L"C:\\Programs\\Quobex\\docs", L"C:\\Programs\\Quobex", true},
               {L"c:\\programs\\quobex\\Docs", L"C:\\Programs\\Quobex", true},
               {L"C:\\Programs\\Quobex Data\\docs", L"C:\\Programs\\Quobex", false},
               {L"C:\\Programs\\QuobexData", L"C:\\Programs\\Quobex", false},
               {L"C:\\Programs\\Quobex", L"C:\\Programs\\Quobex", false},
               {L"C:\\Programs\\Quobex\\", L"C:\\Programs\\Quobex", false},
               {L"C:\\Programs", L"C:\\", true},
               {L"D:\\Programs", L"C:\\", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.path << " below " << c.folder);
    EXPECT_EQ(c.below, IsBelowFolder(c.path, c.folder));
  }
}

TEST(FileOperations, WildcardsAndFileTimes) {
  struct Case {
    const wchar_t* path;
    bool wildcards;
  };
  const Case cases[] = {
      {L"C:\\x\\*.txt", true}, {L"C:\\x\\a?", true},  {L"C:\\x\\a", false},
      {L"\\\\?\\C:\\x", false}, {L"\\\\?C:", true},   {L"\\\\?\\C:\\*", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.wildcards, HasWildcards(c.path));
  }
  EXPECT_FALSE(HasWildcards(nullptr));

  EXPECT_EQ(100u, FileTimeToNs(FILETIME{1, 0}));
  EXPECT_EQ((uint64_t{1} << 32) * 100, FileTimeToNs(FILETIME{0, 1}));
}


// A file's attributes belong to every name it has: marking a read-only file with a second name
// (a hard link someone made to their own file) resets nothing and deletes nothing; with one name,
// the attribute is reset and the file goes.
TEST(FileOperations, MarkForDeletionResetsNoAttributeOfAFileWithASecondName) {
  ScratchFolder root(L"mark_for_deletion");
  ASSERT_TRUE(WriteFileBytes(root / L"theirs.txt", "theirs"));
  ASSERT_TRUE(WriteFileBytes(root / L"alone.txt", "alone"));
  ASSERT_TRUE(CreateHardLinkW((root / L"linked.txt").c_str(), (root / L"theirs.txt").c_str(), nullptr));
  for (const wchar_t* name : {L"theirs.txt", L"alone.txt"}) {
    ASSERT_TRUE(SetFileAttributesW((root / name).c_str(), FILE_ATTRIBUTE_READONLY));
  }
  HANDLE folder = OpenFolderItself(root.Path().c_str(), 0);
  ASSERT_NE(INVALID_HANDLE_VALUE, folder);
  for (const wchar_t* name : {L"linked.txt", L"alone.txt"}) {
    SCOPED_TRACE(testing::Message() << std::string(name, name + wcslen(name)));
    HANDLE entry = nullptr;
    ASSERT_EQ(0, OpenEntryOfFolder(folder, name, FILE_NON_DIRECTORY_FILE, entry));
    EXPECT_EQ(wcscmp(name, L"alone.txt") == 0, MarkForDeletion(entry));
    CloseHandle(entry);
  }
  CloseHandle(folder);
  EXPECT_NE(0u, GetFileAttributesW((root / L"theirs.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ("theirs", ReadFileBytes(root / L"linked.txt"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((root / L"alone.txt").c_str()));
  SetFileAttributesW((root / L"theirs.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The walk to a folder and the file opened in it: a folder reached through a link a user made is
// refused and named where the walk stopped (Wine keeps no access lists: no link is followed); a
// file is had only as a plain file with one name, created only as new.
TEST(FileOperations, AWalkRefusesLinksOnTheWayAndAnythingButAPlainFile) {
  ScratchFolder root(L"folder_walk");
  ASSERT_TRUE(WriteFileBytes(root / L"plain.txt", "plain"));
  ASSERT_TRUE(CreateHardLinkW((root / L"second.txt").c_str(), (root / L"plain.txt").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(root / L"alone.txt", "alone"));
  ASSERT_TRUE(CreateDirectoryW((root / L"sub").c_str(), nullptr));
  wchar_t stopped[2048];
  HANDLE linked = OpenFolderByWalk(L"C:\\qbx-fixtures\\swap\\linked\\docs\\deeper", stopped, 2048);
  EXPECT_EQ(INVALID_HANDLE_VALUE, linked);
  EXPECT_STREQ(L"C:\\qbx-fixtures\\swap\\linked\\docs", stopped);
  HANDLE folder = OpenFolderByWalk(root.Path().c_str(), stopped, 2048);
  ASSERT_NE(INVALID_HANDLE_VALUE, folder);
  const struct {
    const wchar_t* name;
    EntryOpening opening;
    bool had;
  } cases[] = {{L"alone.txt", EntryOpening::Existing, true}, {L"second.txt", EntryOpening::Existing, false},
               {L"sub", EntryOpening::ExistingOrNew, false}, {L"alone.txt", EntryOpening::New, false},
               {L"missing.txt", EntryOpening::Existing, false}, {L"..", EntryOpening::ExistingOrNew, false},
               {L"new.txt", EntryOpening::New, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
    HANDLE file = OpenPlainFileInFolder(folder, c.name, GENERIC_WRITE, FILE_SHARE_READ, c.opening);
    EXPECT_EQ(c.had, file != INVALID_HANDLE_VALUE);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  // Whoever opens relative to the folder: a name that separates reaches nothing below or above it.
  ASSERT_TRUE(WriteFileBytes(root / L"sub\\inner.txt", "inner"));
  for (const wchar_t* name : {L"sub\\inner.txt", L"sub/inner.txt", L"..\\folder_walk\\alone.txt"}) {
    HANDLE opened = nullptr;
    EXPECT_GT(0, OpenRelativeToFolder(folder, name, GENERIC_READ, FILE_SHARE_READ, FILE_OPEN, FILE_NON_DIRECTORY_FILE,
                                      opened));
    EXPECT_EQ(nullptr, opened);
  }
  CloseHandle(folder);
  EXPECT_EQ("plain", ReadFileBytes(root / L"second.txt"));
  EXPECT_EQ("alone", ReadFileBytes(root / L"alone.txt"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((root / L"missing.txt").c_str()));
}
