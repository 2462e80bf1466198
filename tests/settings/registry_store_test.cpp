#include "settings/registry_store.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/product_state.h"
#include "tests/support/settings_state.h"
#include "tests/support/registry_values.h"

namespace {

const std::wstring kProductKey = L"Software\\Quobex";
const std::wstring kLinksKey = L"Software\\Quobex\\Setup\\Links";
const std::wstring kAppPathsKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\QuobexStoreTest.exe";
const std::wstring kClassKey = L".qbxstoretest";

class RegistryStore : public testing::Test {
 protected:
  void SetUp() override { CleanOthers(); }
  void TearDown() override {
    SetRegistryView(0);
    CleanOthers();
  }
  static void CleanOthers() {
    DeleteRawTree(HKEY_LOCAL_MACHINE, kAppPathsKey);
    DeleteRawTree(HKEY_LOCAL_MACHINE, kAppPathsKey, KEY_WOW64_32KEY);
    DeleteRawTree(HKEY_CLASSES_ROOT, kClassKey);
    DeleteRawTree(HKEY_LOCAL_MACHINE, L"Software\\QuobexStoreViewTest", KEY_WOW64_32KEY);
  }

  CleanSettingsState clean_;
};

}  // namespace

TEST_F(RegistryStore, KeyPathsAndEntryNames) {
  struct Case {
    SettingsRoot root;
    const wchar_t* key;
    const wchar_t* value;
    const wchar_t* path;
    const wchar_t* entry;
  };
  const Case cases[] = {
      {HKEY_CURRENT_USER, L"Setup\\Links", L"Desktop", L"Software\\Quobex\\Setup\\Links",
       L"HKCU\\Setup\\Links\\Desktop"},
      {HKEY_LOCAL_MACHINE, L"", L"exe64", L"Software\\Quobex", L"HKLM\\exe64"},
      {kNullRoot, L"Global", L"AppData", L"Global", L"Global\\AppData"},
      {HKEY_CURRENT_USER, L"Setup", L"", L"Software\\Quobex\\Setup", L"HKCU\\Setup\\"},
      {HKEY_LOCAL_MACHINE, L"\\Software\\Microsoft\\Windows", L"x", L"Software\\Microsoft\\Windows",
       L"HKLM\\\\Software\\Microsoft\\Windows\\x"},
      {HKEY_CLASSES_ROOT, L".zip", L"", L".zip", L".zip\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    wchar_t text[1024];
    BuildKeyPath(c.root, c.key, text, 512);
    EXPECT_STREQ(c.path, text);
    BuildEntryName(c.root, c.key, c.value, text, 1024);
    EXPECT_STREQ(c.entry, text);
  }
}

TEST_F(RegistryStore, WithoutASettingsFileEverythingGoesToTheRegistry) {
  EXPECT_EQ(ERROR_SUCCESS, WriteUserDword(L"Setup\\Links", L"Desktop", 1));
  const RawValue stored = ReadRawValue(HKEY_CURRENT_USER, kLinksKey, L"Desktop");
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), stored.Type);
  EXPECT_EQ(std::string("\x01\x00\x00\x00", 4), stored.Bytes);
  EXPECT_EQ(1u, ReadUserDword(L"Setup\\Links", L"Desktop", 7));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Setup"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L""));

  EXPECT_EQ(ERROR_SUCCESS, WriteString(HKEY_LOCAL_MACHINE, L"", L"exe64", L"C:\\Q\\Quobex.exe"));
  EXPECT_EQ(L"C:\\Q\\Quobex.exe", ReadRawString(HKEY_LOCAL_MACHINE, kProductKey, L"exe64"));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), ReadRawValue(HKEY_LOCAL_MACHINE, kProductKey, L"exe64").Type);
  EXPECT_EQ(std::string::size_type{(15 + 1) * 2},
            ReadRawValue(HKEY_LOCAL_MACHINE, kProductKey, L"exe64").Bytes.size())
      << "the terminator is stored";

  DeleteUserValue(L"Setup\\Links", L"Desktop");
  EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, kLinksKey, L"Desktop").Exists);
  EXPECT_TRUE(IntegrationEnabled());
}

TEST_F(RegistryStore, ReadsOfStoredValuesFallBackToTheDefault) {
  const std::wstring key = kProductKey + L"\\Reads";
  ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, key, L"Ten", L"0123456789"));
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key, L"Unterminated", REG_SZ,
                            std::string("a\0b\0c\0", 6)));
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key, L"TwoBytes", REG_BINARY, "\x34\x12"));
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key, L"Text", REG_SZ, std::string("9\0\0\0", 4)));
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key, L"Long", REG_BINARY, "12345678"));
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key, L"Number", REG_DWORD, std::string("\x05\0\0\0", 4)));

  wchar_t small[5];
  EXPECT_FALSE(ReadUserString(L"Reads", L"Ten", small, L"def", 5)) << "10 characters in 5";
  EXPECT_STREQ(L"def", small);
  wchar_t text[16];
  EXPECT_TRUE(ReadUserString(L"Reads", L"Ten", text, L"def", 16));
  EXPECT_STREQ(L"0123456789", text);
  EXPECT_TRUE(ReadUserString(L"Reads", L"Unterminated", text, L"def", 16));
  EXPECT_STREQ(L"abc", text);
  EXPECT_FALSE(ReadUserString(L"Reads", L"Absent", text, L"def", 16));
  EXPECT_STREQ(L"def", text);
  EXPECT_FALSE(ReadUserString(L"NoSuchKey", L"Ten", text, L"", 16));
  EXPECT_STREQ(L"", text);

  EXPECT_EQ(0xABCD1234u, ReadUserDword(L"Reads", L"TwoBytes", 0xABCDEF00u))
      << "the 2 stored bytes in the low half, the default's in the high half";
  EXPECT_EQ(0x39u, ReadUserDword(L"Reads", L"Text", 7)) << "the type is not examined";
  EXPECT_EQ(7u, ReadUserDword(L"Reads", L"Long", 7)) << "more than 4 bytes fail";
  EXPECT_EQ(5u, ReadUserDword(L"Reads", L"Number", 7));
  EXPECT_EQ(7u, ReadUserDword(L"Reads", L"Absent", 7));
  EXPECT_EQ(7u, ReadUserDword(L"NoSuchKey", L"Number", 7));
}

TEST_F(RegistryStore, DeleteKeyTreeRemovesEverySubKeyAndDeleteKeyOnlyLeaves) {
  for (const wchar_t* child : {L"A", L"B", L"C"}) {
    for (const wchar_t* grandchild : {L"1", L"2", L"3"}) {
      const std::wstring path = kProductKey + L"\\Tree\\" + child + L"\\" + grandchild;
      ASSERT_TRUE(WriteRawString(HKEY_CURRENT_USER, path + L"\\Deep", L"v", L"x"));
    }
  }
  DeleteKey(HKEY_CURRENT_USER, L"Tree");
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, kProductKey + L"\\Tree")) << "it has sub-keys";
  DeleteKey(HKEY_CURRENT_USER, L"Tree\\A\\1\\Deep");
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kProductKey + L"\\Tree\\A\\1\\Deep"));

  DeleteKeyTree(HKEY_CURRENT_USER, L"Tree");
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kProductKey + L"\\Tree"));
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, kProductKey)) << "only the tree named goes";

  DeleteKeyTree(HKEY_CURRENT_USER, L"");
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kProductKey));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, kClassKey, L"", L"kept"));
  DeleteKeyTree(HKEY_CLASSES_ROOT, L"");  // an empty path is never deleted
  EXPECT_TRUE(RawKeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

TEST_F(RegistryStore, TheThirtyTwoBitViewAppliesToEveryOperationUntilReset) {
  const std::wstring key = L"Software\\QuobexStoreViewTest";
  const std::wstring absolute = L"\\" + key;
  SetRegistryView(KEY_WOW64_32KEY);
  EXPECT_EQ(ERROR_SUCCESS, WriteString(HKEY_LOCAL_MACHINE, absolute.c_str(), L"", L"C:\\Q\\x.exe"));
  wchar_t text[64];
  EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, absolute.c_str(), L"", text, L"", 64));
  EXPECT_STREQ(L"C:\\Q\\x.exe", text);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, absolute.c_str()));
  SetRegistryView(0);

  EXPECT_EQ(L"C:\\Q\\x.exe", ReadRawString(HKEY_LOCAL_MACHINE, key, L"", KEY_WOW64_32KEY));
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\QuobexStoreViewTest"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, key)) << "not in the 64-bit view";
  EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, absolute.c_str(), L"", text, L"", 64));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, absolute.c_str()));
  DeleteKey(HKEY_LOCAL_MACHINE, absolute.c_str());
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY)) << "deleted in its own view only";

  SetRegistryView(KEY_WOW64_32KEY);
  DeleteKey(HKEY_LOCAL_MACHINE, absolute.c_str());
  SetRegistryView(0);
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
}


TEST_F(RegistryStore, WithASettingsFileTheProductsOwnSettingsLiveInTheList) {
  ASSERT_TRUE(PlaceUserSettingsFile("HKCU\\Setup\\Links\\Desktop=1\r\n"));
  ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, kLinksKey, L"Desktop", REG_DWORD,
                            std::string("\x07\0\0\0", 4)));
  EXPECT_EQ(1u, ReadUserDword(L"Setup\\Links", L"Desktop", 9)) << "the file, not the registry";
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Setup"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Set"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L""));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L""));

  EXPECT_EQ(ERROR_SUCCESS, WriteUserDword(L"Setup\\Links", L"Start", 4294967295u));
  EXPECT_EQ(ERROR_SUCCESS, WriteString(HKEY_LOCAL_MACHINE, L"", L"exe64", L"C:\\Q\\Quobex.exe"));
  EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, kLinksKey, L"Start").Exists);
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
  ASSERT_NE(nullptr, FindEntry(L"HKCU\\Setup\\Links\\Start"));
  EXPECT_STREQ(L"4294967295", FindEntry(L"HKCU\\Setup\\Links\\Start")->value);
  EXPECT_EQ(EntryKind::Plain, FindEntry(L"HKCU\\Setup\\Links\\Start")->kind);
  EXPECT_EQ(EntryKind::Quoted, FindEntry(L"HKLM\\exe64")->kind);
  wchar_t text[64];
  EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, L"", L"exe64", text, L"", 64));
  EXPECT_STREQ(L"C:\\Q\\Quobex.exe", text);
  EXPECT_TRUE(ReadUserString(L"Setup", L"Absent", text, L"def", 64)) << "served by the file";
  EXPECT_STREQ(L"def", text);

  // Integration 1: absolute machine keys and class keys still go to the registry.
  EXPECT_EQ(ERROR_SUCCESS, WriteString(HKEY_LOCAL_MACHINE, (L"\\" + kAppPathsKey).c_str(), L"",
                                       L"C:\\Q\\Quobex.exe"));
  EXPECT_EQ(L"C:\\Q\\Quobex.exe", ReadRawString(HKEY_LOCAL_MACHINE, kAppPathsKey, L""));

  DeleteKeyTree(HKEY_CURRENT_USER, L"");
  EXPECT_EQ(nullptr, FindEntry(L"HKCU\\Setup\\Links\\Desktop"));
  EXPECT_EQ(nullptr, FindEntry(L"HKCU\\Setup\\Links\\Start"));
  EXPECT_NE(nullptr, FindEntry(L"HKLM\\exe64"));
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, kLinksKey)) << "the registry is left alone";
}

TEST_F(RegistryStore, KeyExistsMatchesTheWholeKeyPrefixOfAnEntry) {
  ASSERT_TRUE(PlaceUserSettingsFile("HKCU\\SetupX\\A=1\r\n"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Setup"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"SetupX"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"setupx")) << "names are case-sensitive";
}

TEST_F(RegistryStore, IntegrationOffKeepsTheProgramAwayFromTheRegistry) {
  ASSERT_TRUE(PlaceProgramSettingsFile("Global\\Integration=0\r\nHKCU\\Setup\\Links\\Desktop=0\r\n"));
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, kClassKey, L"", L"OtherProgram.Archive"));

  EXPECT_EQ(ERROR_SUCCESS, WriteString(HKEY_CLASSES_ROOT, kClassKey.c_str(), L"", L"Quobex"));
  EXPECT_EQ(L"OtherProgram.Archive", ReadRawString(HKEY_CLASSES_ROOT, kClassKey, L""));
  EXPECT_FALSE(IntegrationEnabled());
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey.c_str()));
  wchar_t text[64];
  EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, kClassKey.c_str(), L"", text, L"default", 64));
  EXPECT_STREQ(L"default", text);
  EXPECT_EQ(5u, ReadDword(HKEY_CLASSES_ROOT, kClassKey.c_str(), L"x", 5));
  DeleteKeyTree(HKEY_CLASSES_ROOT, kClassKey.c_str());
  DeleteValue(HKEY_CLASSES_ROOT, kClassKey.c_str(), L"");
  EXPECT_TRUE(RawKeyExists(HKEY_CLASSES_ROOT, kClassKey));

  EXPECT_EQ(ERROR_SUCCESS, WriteString(HKEY_LOCAL_MACHINE, (L"\\" + kAppPathsKey).c_str(), L"",
                                       L"C:\\Q\\Quobex.exe"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kAppPathsKey));

  // The product's own settings still work, in the file.
  EXPECT_EQ(0u, ReadUserDword(L"Setup\\Links", L"Desktop", 1));
  EXPECT_EQ(ERROR_SUCCESS, WriteUserDword(L"Setup\\Links", L"Desktop", 1));
  EXPECT_EQ(1u, ReadUserDword(L"Setup\\Links", L"Desktop", 0));
  EXPECT_EQ(0u, ReadDword(kNullRoot, L"Global", L"Integration", 1));
}
