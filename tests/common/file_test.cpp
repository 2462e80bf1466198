#include "common/file.h"

#include <gtest/gtest.h>

#include <string>

#include "common/file_operations.h"
#include "tests/support/scratch_folder.h"

namespace {

// Puts a handle in place of the standard input while it lives.
class StandardInput {
 public:
  explicit StandardInput(HANDLE handle) : previous_(GetStdHandle(STD_INPUT_HANDLE)) {
    SetStdHandle(STD_INPUT_HANDLE, handle);
  }
  ~StandardInput() { SetStdHandle(STD_INPUT_HANDLE, previous_); }

 private:
  HANDLE previous_;
};

}  // namespace

TEST(File, CreatedFileDestroyedWithoutCloseIsGoneAClosedOneStays) {
  ScratchFolder folder(L"file_lifetime");
  const std::wstring abandoned = folder / L"abandoned.tmp";
  const std::wstring kept = folder / L"kept.txt";
  {
    File file;
    ASSERT_TRUE(file.Create(abandoned.c_str(), 0x11));
    ASSERT_TRUE(file.Write("half", 4));
  }
  EXPECT_FALSE(PathExists(abandoned.c_str()));
  {
    File file;
    ASSERT_TRUE(file.Create(kept.c_str(), 0x11));
    ASSERT_TRUE(file.Write("whole", 5));
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ("whole", ReadFileBytes(kept));
  {
    File file;  // opened, not created: destruction only closes it
    ASSERT_TRUE(file.Open(kept.c_str(), 0));
  }
  EXPECT_TRUE(PathExists(kept.c_str()));
}

TEST(File, UsingAnObjectAgainFinishesTheFileItHeld) {
  ScratchFolder folder(L"file_reuse");
  const std::wstring first = folder / L"first.txt";
  const std::wstring second = folder / L"second.txt";
  File file;
  ASSERT_TRUE(file.Create(first.c_str(), 0));
  ASSERT_TRUE(file.Create(second.c_str(), 0));
  EXPECT_FALSE(PathExists(first.c_str())) << "a created file never closed is deleted";
  ASSERT_TRUE(file.Close());
  ASSERT_TRUE(file.Open(second.c_str(), 0));
  ASSERT_TRUE(file.Open(second.c_str(), 0));
  file.Close();
  EXPECT_TRUE(DeleteFileW(second.c_str())) << "no handle of the first open is left";
}

TEST(File, SeekMakesNegativeOffsetsAbsolute) {
  ScratchFolder folder(L"file_seek");
  const std::wstring path = folder / L"hundred.bin";
  ASSERT_TRUE(WriteFileBytes(path, std::string(100, 'x')));
  File file;
  ASSERT_TRUE(file.Open(path.c_str(), 0));
  ASSERT_TRUE(file.Seek(-10, FILE_END));
  EXPECT_EQ(90, file.Tell());
  ASSERT_TRUE(file.Seek(-30, FILE_CURRENT));
  EXPECT_EQ(60, file.Tell());
  ASSERT_TRUE(file.Seek(5, FILE_CURRENT));
  EXPECT_EQ(65, file.Tell());
  char bytes[64];
  EXPECT_EQ(35u, file.Read(bytes, 64));
  EXPECT_EQ(0u, file.Read(bytes, 64)) << "0 at the end";
  EXPECT_TRUE(file.Close());
  EXPECT_TRUE(file.Seek(10, FILE_BEGIN)) << "no handle: nothing to do";
  EXPECT_TRUE(file.Close()) << "nothing to close";
}

TEST(File, ZeroByteWritesSucceedWithoutAFile) {
  File file;
  EXPECT_TRUE(file.Write("", 0));
  EXPECT_FALSE(file.IsOpened());
}

TEST(File, WritesFailOnAFileOpenedForReading) {
  ScratchFolder folder(L"file_readonly_handle");
  const std::wstring path = folder / L"r.txt";
  ASSERT_TRUE(WriteFileBytes(path, "abc"));
  File file;
  ASSERT_TRUE(file.Open(path.c_str(), 0));
  EXPECT_FALSE(file.Write("x", 1));
  EXPECT_EQ("abc", ReadFileBytes(path));
}

TEST(File, ModeBitsChooseAccessAndSharing) {
  ScratchFolder folder(L"file_modes");
  const std::wstring path = folder / L"m.txt";
  ASSERT_TRUE(WriteFileBytes(path, "abc"));
  {
    File exclusive;
    ASSERT_TRUE(exclusive.Open(path.c_str(), 8));
    File reader;
    EXPECT_FALSE(reader.Open(path.c_str(), 0)) << "others may not read";
  }
  {
    File update;
    ASSERT_TRUE(update.Open(path.c_str(), 1 | 4));
    EXPECT_TRUE(update.Write("Z", 1));
    File sharer;
    EXPECT_TRUE(sharer.Open(path.c_str(), 4)) << "both allow writers";
  }
  EXPECT_EQ("Zbc", ReadFileBytes(path));
  {
    File creator;
    ASSERT_TRUE(creator.Create(path.c_str(), 0x10 | 2));
    File reader;
    EXPECT_FALSE(reader.Open(path.c_str(), 0)) << "a reader must let the creator write";
    ASSERT_TRUE(creator.Close());
  }
  EXPECT_EQ("", ReadFileBytes(path)) << "created anew";
}

TEST(File, OpensAndCreatesThroughTheLongForm) {
  ScratchFolder folder(L"file_long");
  std::wstring deep = folder.Path();
  while (deep.size() < 280) {
    deep += L"\\0123456789abcdefghij";
    CreateFolder(deep.c_str(), false, 0);
  }
  const std::wstring path = deep + L"\\long.txt";
  {
    File file;
    ASSERT_TRUE(file.Create(path.c_str(), 0x11));
    ASSERT_TRUE(file.Write("deep", 4));
    ASSERT_TRUE(file.Close());
  }
  File file;
  ASSERT_TRUE(file.Open(path.c_str(), 0));
  char bytes[8] = {};
  EXPECT_EQ(4u, file.Read(bytes, 8));
  EXPECT_STREQ("deep", bytes);
  EXPECT_STREQ(path.c_str(), file.FileName()) << "the name as given, not its long form";
}

TEST(File, CreateKeepsATrailingDotAndOpenFailsQuietly) {
  ScratchFolder folder(L"file_dot");
  const std::wstring dotted = folder / L"name.";
  {
    File file;
    ASSERT_TRUE(file.Create(dotted.c_str(), 0x11));
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder / L"name").c_str()));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((L"\\\\?\\" + dotted).c_str()));

  File missing;
  EXPECT_FALSE(missing.Open((folder / L"absent").c_str(), 0));
  EXPECT_FALSE(missing.IsOpened());
}

TEST(File, StandardInputWhoseWriterHasFinishedReadsAsTheEnd) {
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writeEnd, "piped", 5, &written, nullptr));
  CloseHandle(writeEnd);
  {
    StandardInput input(readEnd);
    File file;
    file.UseStandardStreams();
    char bytes[100000];
    EXPECT_EQ(5u, file.Read(bytes, sizeof bytes));
    EXPECT_EQ(0u, file.Read(bytes, sizeof bytes));
    EXPECT_TRUE(file.Close());
  }
  CloseHandle(readEnd);
}

TEST(File, FreeDiskSpaceOfTheVolumeOrZero) {
  EXPECT_GT(GetFreeDiskSpace(L"C:\\windows\\win.ini"), 0u);
  EXPECT_GT(GetFreeDiskSpace(L"relative.txt"), 0u) << "no folder part: the current volume";
  EXPECT_EQ(0u, GetFreeDiskSpace(L"Q:\\no such volume\\x"));
}
