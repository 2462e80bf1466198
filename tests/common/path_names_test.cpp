#include "common/path_names.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"

TEST(PathNames, NamePartRemoveNameAndFolderPart) {
  struct Case {
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* withoutName;
    const wchar_t* folder;
  };
  const Case cases[] = {
      {L"C:\\dir\\f", L"f", L"C:\\dir", L"C:\\dir\\"},
      {L"C:\\f", L"f", L"C:\\", L"C:\\"},
      {L"C:f", L"f", L"C:", L"C:"},
      {L"C:name", L"name", L"C:", L"C:"},
      {L"\\f", L"f", L"\\", L"\\"},
      {L"f", L"f", L"", L""},
      {L"dir/sub\\f", L"f", L"dir/sub", L"dir/sub\\"},
      {L"dir\\f", L"f", L"dir", L"dir\\"},
      {L"C:\\dir\\", L"", L"C:\\dir", L"C:\\dir\\"},
      {L"\\\\srv\\sh\\x", L"x", L"\\\\srv\\sh", L"\\\\srv\\sh\\"},
      {L"", L"", L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_STREQ(c.name, NamePart(c.path));
    wchar_t buffer[64];
    wcscpy(buffer, c.path);
    RemoveName(buffer);
    EXPECT_STREQ(c.withoutName, buffer);
    FolderPart(c.path, buffer, 64);
    EXPECT_STREQ(c.folder, buffer);
  }
  wchar_t cut[4];
  FolderPart(L"C:\\dir\\f", cut, 4);
  EXPECT_STREQ(L"C:\\", cut);
}

TEST(PathNames, SeparatorsAndJoins) {
  struct Case {
    const wchar_t* path;
    const wchar_t* withSeparator;
  };
  const Case cases[] = {
      {L"C:\\dir/", L"C:\\dir/\\"}, {L"", L""}, {L"C:\\dir", L"C:\\dir\\"}, {L"C:\\", L"C:\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    wchar_t buffer[64];
    wcscpy(buffer, c.path);
    AddTrailingSeparator(buffer, 64);
    EXPECT_STREQ(c.withSeparator, buffer);
  }
  wchar_t full[4] = L"abc";
  AddTrailingSeparator(full, 4);
  EXPECT_STREQ(L"abc", full) << "no room: unchanged";

  wchar_t joined[2048];
  JoinPath(L"C:\\Program Files\\Quobex", L"Quobex.exe", joined, 2048);
  EXPECT_STREQ(L"C:\\Program Files\\Quobex\\Quobex.exe", joined);
  JoinPath(L"C:\\", L"x", joined, 2048);
  EXPECT_STREQ(L"C:\\x", joined);
  wcscpy(joined, L"C:\\w");
  JoinPath(joined, L"name", joined, 8);  // out may be the folder itself
  EXPECT_STREQ(L"C:\\w\\na", joined);

  wchar_t replaced[15] = L"C:\\a\\old.exe";
  ReplaceName(replaced, L"quobex.ini", 15);
  EXPECT_STREQ(L"C:\\a\\quobex.in", replaced);
}

TEST(PathNames, FullAndDriveLetterPaths) {
  EXPECT_TRUE(IsFullPath(L"C:\\x"));
  EXPECT_TRUE(IsFullPath(L"c:/x"));
  EXPECT_TRUE(IsFullPath(L"\\\\srv\\sh"));
  EXPECT_FALSE(IsFullPath(L"C:x"));
  EXPECT_FALSE(IsFullPath(L"\\x"));
  EXPECT_FALSE(IsFullPath(L"x"));
  EXPECT_TRUE(IsDriveLetterPath(L"i:"));
  EXPECT_FALSE(IsDriveLetterPath(L"1:"));
  EXPECT_FALSE(IsDriveLetterPath(L""));
}

TEST(PathNames, MakeLongPathOfFullPaths) {
  struct Case {
    const wchar_t* path;
    const wchar_t* longForm;
  };
  const Case cases[] = {
      {L"C:\\x", L"\\\\?\\C:\\x"},
      {L"C:/x/y", L"\\\\?\\C:\\x\\y"},  // the long form takes "\\" only
      {L"\\\\srv\\sh\\x", L"\\\\?\\UNC\\srv\\sh\\x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    wchar_t out[64];
    ASSERT_TRUE(MakeLongPath(c.path, out, 64));
    EXPECT_STREQ(c.longForm, out);
  }
  wchar_t out[64];
  EXPECT_FALSE(MakeLongPath(L"", out, 64));
  EXPECT_FALSE(MakeLongPath(L"C:\\x", out, 8)) << "8 characters would be needed with the terminator";
  EXPECT_TRUE(MakeLongPath(L"C:\\x", out, 9));
  EXPECT_FALSE(MakeLongPath(L"\\\\?\\C:\\x", out, 64)) << "never prefixed twice";
  EXPECT_FALSE(MakeLongPath(L"\\\\?\\UNC\\srv\\sh", out, 64));
}

TEST(PathNames, MakeLongPathCompletesRelativePathsFromTheCurrentFolder) {
  ScratchFolder folder(L"long_path_current");
  wchar_t previous[2048];
  GetCurrentDirectoryW(2048, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
  const std::wstring current = folder.Path();  // C:\qbxtest\long_path_current

  struct Case {
    const wchar_t* path;
    std::wstring longForm;
  };
  const Case cases[] = {
      {L".\\x", L"\\\\?\\" + current + L"\\x"},
      {L"./x", L"\\\\?\\" + current + L"\\x"},
      {L"x", L"\\\\?\\" + current + L"\\x"},
      {L"..\\x", L"\\\\?\\" + current + L"\\..\\x"},
      {L".x", L"\\\\?\\" + current + L"\\.x"},
      {L"\\x", L"\\\\?\\C:\\x"},
      {L"/x", L"\\\\?\\C:\\x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    wchar_t out[2048];
    EXPECT_TRUE(MakeLongPath(c.path, out, 2048));
    EXPECT_EQ(c.longForm, out);
  }
  wchar_t out[2048];
  const size_t needed = 4 + current.size() + 1 + 1;  // prefix, folder, separator, "x"
  EXPECT_FALSE(MakeLongPath(L"x", out, needed));
  EXPECT_TRUE(MakeLongPath(L"x", out, needed + 1));
  SetCurrentDirectoryW(previous);
}

TEST(PathNames, PlainFileNamesOnly) {
  for (const wchar_t* name : {L"Quobex help", L"WhatsNew.txt", L"Hilfe (deutsch).txt", L"a.b"}) {
    EXPECT_TRUE(IsPlainFileName(name)) << std::wstring(name).size();
  }
  for (const wchar_t* name : {L"", L"..", L"..\\x", L"a\\b", L"a/b", L"C:x", L"x:y", L"a..b",
                              L"a*", L"a?", L"a\"b", L"a<b", L"a|b", L"a\tb"}) {
    EXPECT_FALSE(IsPlainFileName(name)) << std::wstring(name).size();
  }
}
