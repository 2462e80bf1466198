#include "settings/settings_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "settings/registry_store.h"
#include "tests/support/probe.h"
#include "tests/support/product_state.h"
#include "tests/support/settings_state.h"
#include "tests/support/scratch_folder.h"

namespace {

std::string Bom() { return "\xFF\xFE"; }

// What a save must write for these lines (CR LF after each).
std::string SavedImage(const std::wstring& lines) { return Bom() + Utf16Bytes(lines); }

class SettingsFile : public testing::Test {
 protected:
  std::wstring Path() const { return UserDataFolder() + L"\\Quobex.ini"; }

  // Places bytes as the settings file and loads it.
  void Load(const std::string& bytes) {
    ASSERT_TRUE(PlaceUserSettingsFile(bytes));
    LoadSettingsFile();
    ASSERT_TRUE(SettingsFileInUse());
  }

  // Loads bytes, saves, and returns what the file holds afterwards.
  std::string RoundTrip(const std::string& bytes) {
    Load(bytes);
    EXPECT_TRUE(SaveSettingsFile());
    FreeSettingsFile();
    return ReadFileBytes(Path());
  }

  CleanSettingsState clean_;
};

}  // namespace

TEST_F(SettingsFile, SavedFileIsSortedUtf16WithNormalisedSwitchesInEveryReadableEncoding) {
  const std::wstring expected =
      L"Global\\AppData=1\r\nGlobal\\Integration=0\r\nGlobal\\SaveSettings=1\r\n"
      L"HKCU\\Setup\\Links\\Desktop=1\r\n";
  const std::wstring source = L"HKCU\\Setup\\Links\\Desktop=1\nGlobal\\Integration=0";
  std::string bigEndian = "\xFE\xFF";
  for (wchar_t c : source) {
    bigEndian.push_back(static_cast<char>(c >> 8));
    bigEndian.push_back(static_cast<char>(c & 0xFF));
  }
  struct Case {
    const char* encoding;
    std::string bytes;
  };
  const Case cases[] = {
      {"ANSI", "Global\\Integration=0\r\nHKCU\\Setup\\Links\\Desktop=1\r\n"},
      {"UTF-8 with mark", "\xEF\xBB\xBFGlobal\\Integration=0\rHKCU\\Setup\\Links\\Desktop=1"},
      {"UTF-16 LE", Bom() + Utf16Bytes(source)},
      {"UTF-16 BE", bigEndian},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoding);
    EXPECT_EQ(SavedImage(expected), RoundTrip(c.bytes));
  }
}

TEST_F(SettingsFile, EmptyFileIsInUseAndSavesTheThreeSwitches) {
  EXPECT_EQ(SavedImage(L"Global\\AppData=1\r\nGlobal\\Integration=1\r\nGlobal\\SaveSettings=1\r\n"),
            RoundTrip(""));
}

TEST_F(SettingsFile, ValueFormsAreReadAndWrittenBackAsTheyWere) {
  Load("HKCU\\A=\"x\"\r\nHKCU\\B=\"x\r\nHKCU\\C=\"\"\r\nHKCU\\D=\r\nHKCU\\E=bin:0a1b\r\n"
       "HKCU\\F=a=b\"c\r\nHKCU\\G=\" padded \" \r\nHKCU\\H=bare \t\r\nHKCU\\I=BIN:x\r\n");
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    EntryKind kind;
  };
  const Case cases[] = {
      {L"HKCU\\A", L"x", EntryKind::Quoted},      {L"HKCU\\B", L"x", EntryKind::Quoted},
      {L"HKCU\\C", L"", EntryKind::Quoted},       {L"HKCU\\D", L"", EntryKind::Plain},
      {L"HKCU\\E", L"0a1b", EntryKind::Binary},   {L"HKCU\\F", L"a=b\"c", EntryKind::Plain},
      {L"HKCU\\G", L" padded ", EntryKind::Quoted}, {L"HKCU\\H", L"bare", EntryKind::Plain},
      {L"HKCU\\I", L"BIN:x", EntryKind::Plain},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SettingsEntry* entry = FindEntry(c.name);
    ASSERT_NE(nullptr, entry);
    EXPECT_STREQ(c.value, entry->value);
    EXPECT_EQ(c.kind, entry->kind);
  }
  ASSERT_TRUE(SaveSettingsFile());
  EXPECT_EQ(SavedImage(L"Global\\AppData=1\r\nGlobal\\Integration=1\r\nGlobal\\SaveSettings=1\r\n"
                       L"HKCU\\A=\"x\"\r\nHKCU\\B=\"x\"\r\nHKCU\\C=\"\"\r\nHKCU\\D=\r\n"
                       L"HKCU\\E=bin:0a1b\r\nHKCU\\F=a=b\"c\r\nHKCU\\G=\" padded \"\r\n"
                       L"HKCU\\H=bare\r\nHKCU\\I=BIN:x\r\n"),
            ReadFileBytes(Path()));
}

TEST_F(SettingsFile, LinesThatAreNoEntriesAreDropped) {
  EXPECT_EQ(SavedImage(L"Global\\AppData=1\r\nGlobal\\Integration=1\r\nGlobal\\SaveSettings=1\r\n"
                       L"HKLM\\kept=1\r\n"),
            RoundTrip(";comment=1\r\n[Section]\r\n1=one\r\n Blank=1\r\nno equals sign\r\n"
                      "=empty name\r\nHKLM\\kept=1\r\n"));
}

// Integration counts only from the file beside the program: the per-user one is the user's to
// write, and the run is elevated.
TEST_F(SettingsFile, SwitchesReadAsNumbers) {
  Load("Global\\Integration=abc\r\nGlobal\\AppData=0\r\nGlobal\\SaveSettings=-1");
  EXPECT_TRUE(IntegrationEnabled()) << "never switched off by the per-user file";
  EXPECT_FALSE(AppDataSwitch());
  EXPECT_TRUE(SaveSettingsSwitch());
  EXPECT_STREQ(L"0", FindEntry(L"Global\\Integration")->value) << "the file keeps what it says";
  EXPECT_STREQ(L"1", FindEntry(L"Global\\SaveSettings")->value);
  FreeSettingsFile();
  ASSERT_TRUE(PlaceProgramSettingsFile("Global\\Integration=abc\r\n"));
  EXPECT_FALSE(IntegrationEnabled()) << "no digits read as 0";
  FreeSettingsFile();
  ASSERT_TRUE(DeleteFileW((TestProgramFolder() + L"\\Quobex.ini").c_str()));
  ASSERT_TRUE(DeleteFileW(Path().c_str()));
  EXPECT_TRUE(IntegrationEnabled()) << "no file in use: on";

  FreeSettingsFile();
  Load("HKCU\\x=1");
  EXPECT_TRUE(IntegrationEnabled()) << "a missing switch reads as 1";
}

TEST_F(SettingsFile, SaveSettingsOffLeavesTheFileUntouched) {
  const std::string original = "Global\\SaveSettings=0\nHKCU\\Setup\\Links\\Desktop=1\n";
  Load(original);
  EXPECT_EQ(ERROR_SUCCESS, WriteUserDword(L"Setup\\Links", L"Desktop", 0));
  EXPECT_FALSE(SaveSettingsFile());
  EXPECT_EQ(original, ReadFileBytes(Path()));
}

TEST_F(SettingsFile, DuplicateNamesReadTheFirstReplaceTheFirstAndGoTogether) {
  Load("HKCU\\Dup=1\r\nHKCU\\Dup=2\r\n");
  EXPECT_EQ(1u, ReadUserDword(L"", L"Dup", 9));
  EXPECT_EQ(ERROR_SUCCESS, WriteUserDword(L"", L"Dup", 3));
  EXPECT_EQ(3u, ReadUserDword(L"", L"Dup", 9));
  ASSERT_TRUE(SaveSettingsFile());
  const std::string saved = ReadFileBytes(Path());
  EXPECT_NE(std::string::npos, saved.find(Utf16Bytes(L"HKCU\\Dup=3\r\n")));
  EXPECT_NE(std::string::npos, saved.find(Utf16Bytes(L"HKCU\\Dup=2\r\n")));
  DeleteUserValue(L"", L"Dup");
  EXPECT_EQ(nullptr, FindEntry(L"HKCU\\Dup"));
}

TEST_F(SettingsFile, SetAndRemoveEntries) {
  Load("");
  SetEntry(L"HKCU\\Setup\\A", L"1", EntryKind::Plain);
  SetEntry(L"HKCU\\Setup\\B", L"2", EntryKind::Plain);
  SetEntry(L"HKCU\\SetupX", L"3", EntryKind::Plain);
  SetEntry(L"HKCU\\Setup\\A", L"text", EntryKind::Quoted);
  EXPECT_STREQ(L"text", FindEntry(L"HKCU\\Setup\\A")->value);
  EXPECT_EQ(EntryKind::Quoted, FindEntry(L"HKCU\\Setup\\A")->kind);
  RemoveEntries(L"HKCU\\Setup\\", true);
  EXPECT_EQ(nullptr, FindEntry(L"HKCU\\Setup\\A"));
  EXPECT_EQ(nullptr, FindEntry(L"HKCU\\Setup\\B"));
  EXPECT_NE(nullptr, FindEntry(L"HKCU\\SetupX"));
  RemoveEntries(L"HKCU\\Setup", false);  // no entry of exactly that name
  EXPECT_NE(nullptr, FindEntry(L"HKCU\\SetupX"));
  SetEntry(L"HKCU\\Last", L"4", EntryKind::Plain);  // the tail is still right after removals
  ASSERT_TRUE(SaveSettingsFile());
  EXPECT_NE(std::string::npos, ReadFileBytes(Path()).find(Utf16Bytes(L"HKCU\\Last=4\r\n")));
}

TEST_F(SettingsFile, AFailedSaveLeavesThePreviousFileAsItWas) {
  const std::string original = "HKCU\\Setup\\Links\\Desktop=1\r\n";
  Load(original);
  EXPECT_EQ(ERROR_SUCCESS, WriteUserDword(L"Setup\\Links", L"Desktop", 0));

  {  // held open by another program that shares nothing
    HANDLE holder = CreateFileW(Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_FALSE(SaveSettingsFile());
    CloseHandle(holder);
  }
  EXPECT_EQ(original, ReadFileBytes(Path()));

  ASSERT_TRUE(SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(SaveSettingsFile());
  SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(original, ReadFileBytes(Path()));

  const std::wstring temporary = Path() + L"." + std::to_wstring(GetCurrentProcessId()) + L".new";
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(temporary.c_str()))
      << "no temporary file is left behind";
  // Whatever is planted at the temporary name (a file, or a link to one) is never written through.
  ASSERT_TRUE(WriteFileBytes(temporary, "planted"));
  EXPECT_FALSE(SaveSettingsFile());
  EXPECT_EQ("planted", ReadFileBytes(temporary));
  EXPECT_EQ(original, ReadFileBytes(Path()));
  DeleteFileW(temporary.c_str());
  EXPECT_TRUE(SaveSettingsFile()) << "and the next save goes through";
  EXPECT_NE(std::string::npos,
            ReadFileBytes(Path()).find(Utf16Bytes(L"HKCU\\Setup\\Links\\Desktop=0\r\n")));
}

// The file at the settings file's own name must be a plain file of one name: saved over a second
// name (a hard link that another account made to a file of its choosing), the save would swap out
// what that account meant the name to be. Such a file is read, never saved.
TEST_F(SettingsFile, AFileWithASecondNameIsNeverSavedOver) {
  const std::string original = "HKCU\\A=1\r\n";
  ASSERT_TRUE(PlaceUserSettingsFile(original));
  ScratchFolder other(L"settings_second_name");
  ASSERT_TRUE(WriteFileBytes(other / L"chosen.txt", original));
  ASSERT_TRUE(DeleteFileW(Path().c_str()));
  ASSERT_TRUE(CreateHardLinkW(Path().c_str(), (other / L"chosen.txt").c_str(), nullptr));
  LoadSettingsFile();
  ASSERT_TRUE(SettingsFileInUse());
  SetEntry(L"HKCU\\B", L"2", EntryKind::Plain);
  EXPECT_FALSE(SaveSettingsFile());
  EXPECT_EQ(original, ReadFileBytes(Path()));
  EXPECT_EQ(original, ReadFileBytes(other / L"chosen.txt"));
  FreeSettingsFile();
  DeleteFileW(Path().c_str());
}

TEST_F(SettingsFile, NoFileMeansTheRegistryAndNothingToSave) {
  LoadSettingsFile();
  EXPECT_FALSE(SettingsFileInUse());
  EXPECT_FALSE(SaveSettingsFile());
  EXPECT_FALSE(InSettingsFile(HKEY_CURRENT_USER, L"Setup"));
  // The search is made once: a file that shows up later in the run is not noticed.
  ASSERT_TRUE(PlaceUserSettingsFile("HKCU\\x=1"));
  EXPECT_FALSE(InSettingsFile(HKEY_CURRENT_USER, L"Setup"));
  FreeSettingsFile();
  EXPECT_TRUE(InSettingsFile(HKEY_CURRENT_USER, L"Setup"));
  EXPECT_TRUE(InSettingsFile(kNullRoot, L"Global"));
  EXPECT_FALSE(InSettingsFile(HKEY_CLASSES_ROOT, L".zip"));
  EXPECT_FALSE(InSettingsFile(HKEY_LOCAL_MACHINE, L"\\Software\\Microsoft"));
}

// Run from a copy of this program in a scratch folder: a file beside the program wins over the
// one in the per-user folder.
TEST_F(SettingsFile, DISABLED_BesideTheProgramProbe) {
  ASSERT_TRUE(PlaceUserSettingsFile("HKCU\\Where=2"));
  const std::wstring beside = TestProgramFolder() + L"\\Quobex.ini";
  ASSERT_TRUE(WriteFileBytes(beside, "HKCU\\Where=1"));
  LoadSettingsFile();
  EXPECT_STREQ(beside.c_str(), SettingsFilePath());
  EXPECT_EQ(1u, ReadUserDword(L"", L"Where", 0));
  FreeSettingsFile();
  DeleteFileW(beside.c_str());
}

TEST_F(SettingsFile, AFileBesideTheProgramComesFirst) {
  ScratchFolder copy(L"settings_file_beside");
  EXPECT_EQ(0u, RunProbe(L"SettingsFile.DISABLED_BesideTheProgramProbe", copy.Path()));
}

// What was not decoded would be lost by a save: such a file is used but never written back.
TEST_F(SettingsFile, AFileNotDecodedWholeIsNeverSavedOver) {
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"UTF-16 without its mark", Utf16Bytes(L"HKCU\\A=1\r\nHKCU\\B=2\r\n")},
      {"a zero byte in the middle", std::string("HKCU\\A=1\r\n\0HKCU\\B=2\r\n", 21)},
      {"a UTF-8 mark before an invalid sequence", "\xEF\xBB\xBFHKCU\\A=1\r\nHKCU\\B=\xC3\x28\r\n"},
      {"a five-byte sequence", "\xEF\xBB\xBFHKCU\\A=1\r\nHKCU\\B=\xF8\x88\x80\x80\x80\r\n"},
      {"a UTF-16 text with a lone last byte", Bom() + Utf16Bytes(L"HKCU\\A=1\r\n") + "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FreeSettingsFile();
    Load(c.bytes);
    SetEntry(L"HKCU\\C", L"3", EntryKind::Plain);
    EXPECT_FALSE(SaveSettingsFile());
    EXPECT_EQ(c.bytes, ReadFileBytes(Path()));
  }
}

TEST_F(SettingsFile, LineBreaksAndEqualsSignsThatWouldMakeOtherEntriesAreRefused) {
  Load("HKCU\\A=1\r\n");
  EXPECT_FALSE(SetEntry(L"HKCU\\B", L"x\r\nHKCU\\Injected=1", EntryKind::Quoted));
  EXPECT_FALSE(SetEntry(L"HKCU\\B\nC", L"x", EntryKind::Quoted));
  EXPECT_FALSE(SetEntry(L"HKCU\\B=C", L"x", EntryKind::Quoted));
  EXPECT_EQ(ERROR_INVALID_DATA, WriteUserString(L"Setup\\.zip", L"Type", L"Other\rHKCU\\X=1"));
  EXPECT_FALSE(AnyEntryStartsWith(L"HKCU\\B"));
  EXPECT_FALSE(AnyEntryStartsWith(L"HKCU\\Setup"));
  EXPECT_TRUE(SetEntry(L"HKCU\\B", L"x = y", EntryKind::Quoted)) << "an = in a value is fine";
}
