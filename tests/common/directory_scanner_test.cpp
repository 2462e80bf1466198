#include "common/directory_scanner.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/support/scratch_folder.h"

TEST(DirectoryScanner, NeverReturnsDotEntriesAndTellsMissingFromEmpty) {
  ScratchFolder root(L"scanner");
  CreateDirectoryW((root / L"empty").c_str(), nullptr);
  CreateDirectoryW((root / L"full").c_str(), nullptr);
  CreateDirectoryW((root / L"full\\sub").c_str(), nullptr);
  ASSERT_TRUE(WriteFileBytes(root / L"full\\a.txt", "a"));
  ASSERT_TRUE(WriteFileBytes(root / L"full\\b.dat", "bb"));

  DirectoryScanner scanner;
  ScanEntry entry;
  scanner.SetMask((root / L"empty\\*").c_str());
  EXPECT_FALSE(scanner.Next(entry));
  EXPECT_FALSE(entry.Error);

  scanner.SetMask((root / L"missing\\*").c_str());
  EXPECT_FALSE(scanner.Next(entry));
  EXPECT_FALSE(entry.Error) << "a missing folder is \"nothing found\"";

  scanner.SetMask(L"");
  EXPECT_FALSE(scanner.Next(entry));

  scanner.SetMask((root / L"full\\*").c_str());
  std::set<std::wstring> names;
  while (scanner.Next(entry)) {
    names.insert(entry.Name);
    EXPECT_EQ(entry.Name == root / L"full\\sub", entry.IsDir);
  }
  EXPECT_FALSE(entry.Error);
  EXPECT_EQ((std::set<std::wstring>{root / L"full\\a.txt", root / L"full\\b.dat",
                                    root / L"full\\sub"}),
            names);

  scanner.SetMask((root / L"full\\*.txt").c_str());
  ASSERT_TRUE(scanner.Next(entry));
  EXPECT_EQ(root / L"full\\a.txt", entry.Name);
  EXPECT_FALSE(scanner.Next(entry));
}

TEST(DirectoryScanner, ProbeFileRefusesWildcardsAndMatchExistsAcceptsThem) {
  ScratchFolder root(L"probe");
  ASSERT_TRUE(WriteFileBytes(root / L"present.ini", "x"));
  ScanEntry entry;
  EXPECT_FALSE(ProbeFile((root / L"pres?nt.ini").c_str(), entry));
  EXPECT_FALSE(entry.Error);
  EXPECT_TRUE(ProbeFile((root / L"present.ini").c_str(), entry));
  EXPECT_EQ(1u, entry.Size);
  EXPECT_FALSE(ProbeFile((root / L"absent.ini").c_str(), entry));
  EXPECT_FALSE(entry.Error);

  EXPECT_TRUE(MatchExists((root / L"present.ini").c_str()));
  EXPECT_TRUE(MatchExists((root / L"*.ini").c_str()));
  EXPECT_FALSE(MatchExists((root / L"*.lng").c_str()));
  EXPECT_FALSE(MatchExists((root / L"absent.ini").c_str()));
}
