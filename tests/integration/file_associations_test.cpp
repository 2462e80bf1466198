#include "integration/file_associations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"

namespace {

// The previous owners are recorded machine-wide; versions before kept them in the user's key.
const std::wstring kSetup = L"Software\\Quobex\\Setup\\";

std::wstring ClassOf(const std::wstring& extension) {
  return ReadRawString(HKEY_CLASSES_ROOT, extension, L"");
}

DWORD SavedNumber(const std::wstring& extension, const std::wstring& name) {
  const RawValue value = ReadRawValue(HKEY_LOCAL_MACHINE, kSetup + extension, name);
  return value.Exists ? *reinterpret_cast<const DWORD*>(value.Bytes.data()) : 0xFFFFFFFF;
}

std::wstring Saved(const std::wstring& extension, const std::wstring& name) {
  return ReadRawString(HKEY_LOCAL_MACHINE, kSetup + extension, name);
}

class FileAssociations : public testing::Test {
 protected:
  IntegrationSandbox sandbox_;
};

}  // namespace

TEST_F(FileAssociations, TakingOverSavesTheOwnerAndReleasingGivesItBack) {
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Other.Zip"));
  SetAssociation(L".zip", true, false, false, true);
  EXPECT_EQ(L"Quobex.ZIP", ClassOf(L".zip"));
  EXPECT_EQ(1u, SavedNumber(L".zip", L"Exist"));
  EXPECT_EQ(L"Other.Zip", Saved(L".zip", L"Type"));
  EXPECT_EQ(L"", Saved(L".zip", L"ShellNew"));

  SetAssociation(L".zip", true, false, false, true);  // a second setup
  EXPECT_EQ(L"Other.Zip", Saved(L".zip", L"Type")) << "the first saved owner stays";

  SetAssociation(L".zip", false, false, false, true);
  EXPECT_EQ(L"Other.Zip", ClassOf(L".zip"));
  EXPECT_EQ(L"Other.Zip", Saved(L".zip", L"Type")) << "saved values stay until uninstall ends";
}

TEST_F(FileAssociations, AnExtensionWithoutAKeyIsRemovedAgain) {
  SetAssociation(L".7z", true, true, false, false);
  EXPECT_EQ(L"Quobex", ClassOf(L".7z"));
  EXPECT_EQ(0u, SavedNumber(L".7z", L"Exist"));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".7z\\ShellNew")) << "only own format and ZIP";
  SetAssociation(L".7z", false, true, false, false);
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".7z"));

  // A key that gained a sub-key meanwhile stays, with no class.
  SetAssociation(L".tar", true, false, false, false);
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".tar\\OpenWithProgids", L"Other", L""));
  SetAssociation(L".tar", false, false, false, false);
  EXPECT_TRUE(RawKeyExists(HKEY_CLASSES_ROOT, L".tar\\OpenWithProgids"));
  EXPECT_EQ(L"", ClassOf(L".tar"));
}

TEST_F(FileAssociations, ReleaseLeavesAnExtensionThatAnotherProgramTookSince) {
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".cab", L"", L"Before.Cab"));
  SetAssociation(L".cab", true, false, false, false);
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".cab", L"", L"After.Cab"));
  SetAssociation(L".cab", false, false, false, false);
  EXPECT_EQ(L"After.Cab", ClassOf(L".cab"));
  SetAssociation(L".arj", false, false, false, false);  // never taken at all
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".arj"));
}

TEST_F(FileAssociations, OwnClassSavedAsTheOwnerIsGivenBackAsNone) {
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".qbx", L"", L"Other.Qbx"));
  SetAssociation(L".qbx", true, false, true, false);
  for (const wchar_t* volume : {L".q00", L".q29"}) EXPECT_EQ(L"Quobex", ClassOf(volume));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".q30")) << "setup covers .q00 to .q29";
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".q75", L"", L"Quobex"));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".q45", L"", L"Other.Volume"));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".q07", L"", L"Other.Volume"));
  SetAssociation(L".qbx", false, false, true, false);
  EXPECT_EQ(L"Other.Qbx", ClassOf(L".qbx"));
  for (const wchar_t* volume : {L".q00", L".q29", L".q75"}) {
    SCOPED_TRACE(testing::Message() << volume);
    EXPECT_EQ(L"Other.Qbx", ClassOf(volume)) << "the release covers .q00 to .q99";
  }
  EXPECT_EQ(L"Other.Volume", ClassOf(L".q45")) << "another program's volumes stay";
  EXPECT_EQ(L"Other.Volume", ClassOf(L".q07"));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".q99")) << "no key that never existed";

  IntegrationSandbox::Clean();
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".qbx", L"", L"Other.Qbx"));
  SetAssociation(L".qbx", true, false, true, false);
  ASSERT_TRUE(WriteRawString(HKEY_LOCAL_MACHINE, kSetup + L".qbx", L"Type", L"QUOBEX"));
  SetAssociation(L".qbx", false, false, true, false);
  EXPECT_EQ(L"", ClassOf(L".qbx"));
  EXPECT_TRUE(RawKeyExists(HKEY_CLASSES_ROOT, L".qbx")) << "it existed before";
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".q00")) << "volume keys deleted, not restored";
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".q29"));
}

// A setup stopped right after it created a volume key leaves it empty, without the product's class:
// the release deletes such a key of ".q00" to ".q29" when the extension was not there before, and
// leaves one that another program has put something in since.
TEST_F(FileAssociations, AnEmptyVolumeKeyLeftByAStoppedSetupGoesWithTheRelease) {
  SetAssociation(L".qbx", true, false, true, false);
  DeleteRawTree(HKEY_CLASSES_ROOT, L".q05");
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, L".q05", 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr));
  RegCloseKey(key);
  DeleteRawTree(HKEY_CLASSES_ROOT, L".q06");
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".q06", L"Content Type", L"application/x-other"));
  SetAssociation(L".qbx", false, false, true, false);
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".q05"));
  EXPECT_EQ(L"application/x-other", ReadRawString(HKEY_CLASSES_ROOT, L".q06", L"Content Type"));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".q29"));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".qbx"));
}

TEST_F(FileAssociations, PreviousNewFileEntriesAreSavedAndRestored) {
  struct Case {
    const wchar_t* fileName;
    bool nullFile;
    const wchar_t* saved;
  };
  const Case cases[] = {
      {nullptr, true, L"*"},
      {L"C:\\Other\\empty.zip", true, L"C:\\Other\\empty.zip"},
      {L"C:\\Other\\empty.zip", false, L"C:\\Other\\empty.zip"},
      {nullptr, false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.saved);
    IntegrationSandbox::Clean();
    ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Other.Zip"));
    if (c.fileName != nullptr) WriteRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"FileName", c.fileName);
    if (c.nullFile) WriteRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"NullFile", L"");
    WriteRawValue(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"Data", REG_BINARY, std::string("\0PK\xff", 4));
    const RegistrySnapshot before = TakeRegistrySnapshot(HKEY_CLASSES_ROOT, L".zip\\ShellNew");

    SetAssociation(L".zip", true, true, false, true);
    EXPECT_EQ(c.saved, Saved(L".zip", L"ShellNew"));
    EXPECT_EQ(IntegrationSandbox::File(L"zipnew.dat"),
              ReadRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"FileName"));
    EXPECT_FALSE(ReadRawValue(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"NullFile").Exists)
        << "the new-file key is made anew";

    SetAssociation(L".zip", false, true, false, true);
    EXPECT_EQ("", SnapshotDifference(before, TakeRegistrySnapshot(HKEY_CLASSES_ROOT, L".zip\\ShellNew")))
        << "every value of the new-file key comes back as it was";
  }

  // An earlier version recorded the owner in the user's key, and only "ShellNew": that still
  // comes back. The user's key is the user's to write, and what it holds goes machine-wide: a
  // class that is no plain name of an existing class, or a new-file value that would start a
  // program, makes the record unused.
  auto text = [](const std::wstring& name, const std::wstring& value) {  // saved as REG_SZ
    std::wstring hex;
    for (wchar_t c : value + L'\0') {
      wchar_t bytes[8];
      wsprintfW(bytes, L"%02x%02x", c & 0xFF, c >> 8);
      hex += bytes;
    }
    return L"1:" + hex + L":" + name;
  };
  const struct {
    const wchar_t* Type;
    std::wstring Value;  // a saved new-file value, "<type>:<hex>:<name>"
    bool Used;
    bool SaysNoKey = false;  // "Exist"=0: the extension had no key, Windows' own would go
  } records[] = {{L"Other.Zip", L"", true},
                 {L"", L"", false, true},
                 {L"No.Such.Class", L"", false},
                 {L"Other.Zip\\shell", L"", false},
                 {L"Other.Zip", L"1:6300:Command", false},
                 {L"Other.Zip", L"3:0102:Data", true},
                 {L"Other.Zip", text(L"ItemName", L"@C:\\Other\\other.dll,-7"), true},
                 {L"Other.Zip", text(L"FileName", L"\\\\host\\share\\new.zip"), false},
                 {L"Other.Zip", text(L"ItemName", L"@//host/share/other.dll,-7"), false},
                 {L"Other.Zip", text(L"IconPath", L"\\\\.\\COM1"), false},
                 {L"Other.Zip", text(L"FileName", L"C:\\Other\\nul.zip"), false}};
  for (const auto& record : records) {
    SCOPED_TRACE(testing::Message() << record.Type << " " << record.Value);
    IntegrationSandbox::Clean();
    ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L"Other.Zip", L"", L"Other archiver"));
    ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Other.Zip"));
    ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"ItemName", L"@zipfldr.dll,-10194"));
    SetAssociation(L".zip", true, true, false, true);
    DeleteRawTree(HKEY_LOCAL_MACHINE, L"Software\\Quobex\\Setup");
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, kSetup + L".zip", L"Exist", REG_DWORD,
                              std::string(record.SaysNoKey ? "\0" : "\1", 1) + std::string(3, '\0')));
    if (record.Type[0] != 0) {
      ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, kSetup + L".zip", L"Type", record.Type));
    }
    ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, kSetup + L".zip", L"ShellNew", L"*"));
    if (!record.Value.empty()) {
      ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, kSetup + L".zip\\ShellNewValues", L"0", record.Value));
    }
    SetAssociation(L".zip", false, true, false, true);
    EXPECT_EQ(record.Used ? L"Other.Zip" : L"", ClassOf(L".zip"));
    EXPECT_EQ(record.Used, ReadRawValue(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"NullFile").Exists);
    EXPECT_FALSE(ReadRawValue(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"FileName").Exists);
    EXPECT_FALSE(ReadRawValue(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"Command").Exists);
    EXPECT_TRUE(RawKeyExists(HKEY_CLASSES_ROOT, L".zip\\ShellNew")) << "the key was there before setup";
  }
}

// Another account uninstalls (another administrator, or SYSTEM): the setup user's key is out of
// its reach, the machine-wide record is not.
TEST_F(FileAssociations, AnyAccountGivesBackWhatTheSetupUserHad) {
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Other.Zip"));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"ItemName", L"@other.dll,-7"));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"NullFile", L""));
  const RegistrySnapshot before = TakeRegistrySnapshot(HKEY_CLASSES_ROOT, L".zip", 0, true);
  SetAssociation(L".zip", true, true, false, true);
  DeleteRawTree(HKEY_CURRENT_USER, L"Software\\Quobex");
  SetAssociation(L".zip", false, true, false, true);
  EXPECT_EQ("", SnapshotDifference(before, TakeRegistrySnapshot(HKEY_CLASSES_ROOT, L".zip", 0, true)));
}

// A new-file entry that names the product's template is the product's, left by a setup whose
// class another program has taken since: never recorded as an owner's, and taken away again.
TEST_F(FileAssociations, TheProductsTemplateEntryIsNeverAnOwnersAndGoesWithTheProduct) {
  const std::wstring zipTemplate = IntegrationSandbox::File(L"zipnew.dat");
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Other.Zip"));
  SetAssociation(L".zip", true, true, false, true);
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Third.Zip"));  // taken, entry left
  SetAssociation(L".zip", true, true, false, true);  // the next setup
  EXPECT_EQ(L"Third.Zip", Saved(L".zip", L"Type"));
  EXPECT_EQ(L"", Saved(L".zip", L"ShellNew"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kSetup + L".zip\\ShellNewValues")) << "no value was another's";
  SetAssociation(L".zip", false, true, false, true);
  EXPECT_EQ(L"Third.Zip", ClassOf(L".zip"));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".zip\\ShellNew"));

  // Taken by another program after setup: the release leaves the class, not the template entry.
  SetAssociation(L".zip", true, true, false, true);
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Fourth.Zip"));
  SetAssociation(L".zip", false, true, false, true);
  EXPECT_EQ(L"Fourth.Zip", ClassOf(L".zip"));
  EXPECT_FALSE(ReadRawValue(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"FileName").Exists) << zipTemplate.size();
}

TEST_F(FileAssociations, TemplatesAreWrittenOnlyWhenMissingOrOfAnotherSize) {
  const std::wstring zipTemplate = IntegrationSandbox::File(L"zipnew.dat");
  ASSERT_TRUE(WriteFileBytes(zipTemplate, std::string(22, 'x')));
  SetAssociation(L".zip", true, true, false, true);
  EXPECT_EQ(std::string(22, 'x'), ReadFileBytes(zipTemplate)) << "22 bytes: not rewritten";

  ASSERT_TRUE(WriteFileBytes(zipTemplate, "short"));
  SetAssociation(L".zip", true, true, false, true);
  EXPECT_EQ(std::string("PK\x05\x06", 4) + std::string(18, '\0'), ReadFileBytes(zipTemplate));

  SetAssociation(L".qbx", true, true, true, false);
  EXPECT_EQ(24u, ReadFileBytes(IntegrationSandbox::File(L"qbxnew.dat")).size());
  EXPECT_EQ("Qbx!", ReadFileBytes(IntegrationSandbox::File(L"qbxnew.dat")).substr(0, 4));

  // A template name that is a second name of someone else's file is never written through.
  ScratchFolder elsewhere(L"template_victim");
  ASSERT_TRUE(WriteFileBytes(elsewhere / L"victim.dat", "not ours"));
  ASSERT_TRUE(DeleteFileW(zipTemplate.c_str()));
  ASSERT_TRUE(CreateHardLinkW(zipTemplate.c_str(), (elsewhere / L"victim.dat").c_str(), nullptr));
  SetAssociation(L".zip", true, true, false, true);
  EXPECT_EQ("not ours", ReadFileBytes(elsewhere / L"victim.dat"));
  DeleteFileW(zipTemplate.c_str());
}

TEST_F(FileAssociations, WithoutTheShellExtensionNewFileKeysAreLeftAlone) {
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"FileName", L"C:\\Other\\new.zip"));
  SetAssociation(L".zip", true, false, false, true);
  EXPECT_EQ(L"Quobex.ZIP", ClassOf(L".zip"));
  EXPECT_EQ(L"C:\\Other\\new.zip", ReadRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"FileName"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(IntegrationSandbox::File(L"zipnew.dat").c_str()));
}

TEST_F(FileAssociations, SetAssociationsFollowsEachFamilysSlot) {
  IntegrationOptions options = {};
  options.Slots[4] = 1;   // ".lz.tlz"
  options.Slots[15] = 1;  // ".zipx"
  SetAssociations(options);
  EXPECT_EQ(L"Quobex", ClassOf(L".lz"));
  EXPECT_EQ(L"Quobex", ClassOf(L".tlz"));
  EXPECT_EQ(L"Quobex", ClassOf(L".zipx")) << "not the ZIP class";
  EXPECT_EQ(0u, SavedNumber(L".tlz", L"Exist")) << "each member saves under its own key";
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".zip"));

  options.Slots[4] = 0;
  SetAssociations(options);
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".lz"));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".tlz"));
  EXPECT_EQ(L"Quobex", ClassOf(L".zipx"));
}

// The settings file is the store: the previous owner is on disk before the class is written,
// not only when the program ends.
TEST_F(FileAssociations, APortableSettingsFileHoldsTheRecordBeforeTheClassChanges) {
  ASSERT_TRUE(PlaceUserSettingsFile("Global\\Integration=1\r\n"));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L"Other.Zip", L"", L"Other archiver"));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Other.Zip"));
  SetAssociation(L".zip", true, false, false, true);
  EXPECT_NE(std::string::npos, ReadFileBytes(UserDataFolder() + L"\\Quobex.ini")
                                   .find(Utf16Bytes(L"HKLM\\Setup\\.zip\\Type=\"Other.Zip\"\r\n")));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Quobex\\Setup"));
  SetAssociation(L".zip", false, false, false, true);
  EXPECT_EQ(L"Other.Zip", ClassOf(L".zip"));
}

TEST_F(FileAssociations, WithIntegrationSwitchedOffNothingIsSavedInTheSettingsFile) {
  ASSERT_TRUE(PlaceProgramSettingsFile("Global\\Integration=0\r\n"));
  SetAssociation(L".zip", true, true, false, true);
  SetAssociation(L".zip", false, true, false, true);
  EXPECT_TRUE(SettingsFileInUse());
  EXPECT_FALSE(AnyEntryStartsWith(L"HKCU\\Setup"));
  EXPECT_FALSE(AnyEntryStartsWith(L"HKLM\\Setup"));
  EXPECT_FALSE(RawKeyExists(HKEY_CLASSES_ROOT, L".zip"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(IntegrationSandbox::File(L"zipnew.dat").c_str()));
}

// A record a user could write (any settings file, a user's key) names the class that .zip gets
// back for every account: one that would run a downloaded archive as a program never does.
TEST_F(FileAssociations, RecordsAUserCouldWriteNeverGiveTheMachineAProgramClass) {
  // Made machine-wide first: Wine has no .hta key, and no class of the others at all.
  const struct {
    const wchar_t* Key;
    const wchar_t* Name;
    const wchar_t* Value;
  } classes[] = {
      {L".hta", L"", L"htafile"},
      {L"htafile\\shell\\open\\command", L"", L"C:\\windows\\system32\\mshta.exe \"%1\" %*"},
      {L".ps1", L"", L"Test.Script"},  // a program's extension: its class is looked up
      {L"Test.Script\\shell\\open\\command", L"", L"notepad.exe \"%1\""},
      {L"Test.Runner\\shell", L"", L"go"},  // the default verb is not "open"
      {L"Test.Runner\\shell\\open\\command", L"", L"notepad.exe \"%1\""},
      {L"Test.Runner\\shell\\go\\command", L"", L"\"%1\" %*"},
      {L"Test.Later\\CurVer", L"", L"exefile"},
      {L"CompressedFolder\\shell\\open\\command", L"", L"%SystemRoot%\\Explorer.exe /idlist,%I,%L"},
      {L"CompressedFolder\\shell\\open\\command", L"DelegateExecute", L"{11dbb47c-a525-400b-9e80-a54615a090c0}"},
      {L"Test.Delegated\\shell\\open\\command", L"", L"\"%1\""},
      {L"Test.Delegated\\shell\\open\\command", L"DelegateExecute", L"{11dbb47c-a525-400b-9e80-a54615a090c0}"},
      {L"Other.Zip\\shell\\open\\command", L"", L"\"C:\\Other\\other.exe\" \"%1\""},
      // Script hosts run the archive as code: a quoted one, and an unquoted one with spaces on
      // another verb.
      {L"Test.Python\\shell\\open\\command", L"", L"\"C:\\x\\py.exe\" \"%L\""},
      {L"Test.Perl\\shell\\edit\\command", L"", L"C:\\Program Files\\x\\Perl.EXE %1"},
  };
  const struct {
    const wchar_t* Type;
    bool Sound;
  } types[] = {{L"exefile", false},    {L"htafile", false},         {L"VBSFile", false},
               {L"Test.Script", false}, {L"Test.Runner", false},     {L"Test.Later", false},
               {L"CompressedFolder", true}, {L"Test.Delegated", true}, {L"Other.Zip", true},
               {L"Test.Python", false},     {L"Test.Perl", false}};
  enum Place { UserFileMachineEntry, UserFileUserEntry, ProgramFile, UserKey };
  auto placeRecord = [](Place place, const std::wstring& type) {
    const std::string prefix = place == UserFileUserEntry ? "HKCU" : "HKLM";
    const std::string file = prefix + "\\Setup\\.zip\\Exist=1\r\n" + prefix + "\\Setup\\.zip\\Type=\"" +
                             std::string(type.begin(), type.end()) + "\"\r\n";
    switch (place) {
      case UserFileMachineEntry:
      case UserFileUserEntry: return PlaceUserSettingsFile(file);
      case ProgramFile: return PlaceProgramSettingsFile(file);
      case UserKey:
        return WriteRawValue(HKEY_CURRENT_USER, kSetup + L".zip", L"Exist", REG_DWORD, std::string("\1\0\0\0", 4)) &&
               WriteRawString(HKEY_CURRENT_USER, kSetup + L".zip", L"Type", type);
    }
    return false;
  };
  std::vector<std::wstring> made;  // what the prefix did not have, to go again
  for (const auto& c : classes) {
    const std::wstring top = std::wstring(c.Key).substr(0, std::wstring(c.Key).find(L'\\'));
    if (!RawKeyExists(HKEY_CLASSES_ROOT, top)) made.push_back(top);
  }
  for (Place place : {UserFileMachineEntry, UserFileUserEntry, ProgramFile, UserKey}) {
    for (const auto& type : types) {
      SCOPED_TRACE(testing::Message() << "place " << place << ", class " << type.Type);
      IntegrationSandbox::Clean();
      for (const auto& c : classes) ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, c.Key, c.Name, c.Value));
      ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip", L"", L"Quobex.ZIP"));  // setup's, unrecorded
      ASSERT_TRUE(placeRecord(place, type.Type));
      SetAssociation(L".zip", false, true, false, true);
      EXPECT_EQ(type.Sound ? type.Type : L"", ReadRawString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.zip", L""));
    }
  }
  for (const std::wstring& key : made) DeleteRawTree(HKEY_CLASSES_ROOT, key);
}
