#include "integration/integration_options.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/integration_sandbox.h"
#include "tests/support/registry_values.h"

namespace {

std::vector<uint8_t> SlotsOf(const IntegrationOptions& options) {
  return std::vector<uint8_t>(options.Slots, options.Slots + kSlotCount);
}

class IntegrationOptionsTest : public testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }  // see shortcuts_test
  void TearDown() override { CoUninitialize(); }
  IntegrationSandbox sandbox_;
};

}  // namespace

TEST(ArchiveFamilies, MembersAreSplitAtEachDotInStringOrder) {
  std::vector<MemberExtension> members;
  for (int slot = 0; slot < kFamilyCount; ++slot) {
    wchar_t member[50];
    const wchar_t* next = ArchiveFamilies[slot];
    do {
      next = NextFamilyMember(next, member);
      members.push_back({member, slot});
    } while (next != nullptr);
  }
  const std::vector<MemberExtension> expected = ExpectedMembers();
  ASSERT_EQ(expected.size(), members.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].Extension, members[i].Extension);
    EXPECT_EQ(expected[i].Slot, members[i].Slot);
  }
  EXPECT_STREQ(L"Quobex.ZIP", ProductClassOf(kFamilyZip));
  EXPECT_STREQ(L"Quobex", ProductClassOf(15)) << ".zipx is no ZIP";

  wchar_t member[50];
  const std::wstring longFamily = L"." + std::wstring(60, L'a') + L".b";
  const wchar_t* next = NextFamilyMember(longFamily.c_str(), member);
  EXPECT_EQ(std::wstring(L".") + std::wstring(48, L'a'), member) << "cut at 49 characters";
  ASSERT_NE(nullptr, next);
  EXPECT_EQ(nullptr, NextFamilyMember(next, member));
  EXPECT_STREQ(L".b", member);
}

TEST_F(IntegrationOptionsTest, DefaultsOnAnEmptyProductKey) {
  IntegrationOptions options;
  memset(&options, 0xEE, sizeof options);
  LoadIntegrationOptions(options);
  std::vector<uint8_t> expected(kSlotCount, 1);
  expected[kFamilyJar] = 0;
  expected[17] = expected[18] = expected[19] = 0xEE;  // not used: left as they were
  expected[kSlotDesktop] = 0;
  expected[kSlotStartMenu] = 0;
  expected[kSlotCascadedMenu] = 0;
  EXPECT_EQ(expected, SlotsOf(options));

  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".iso", L"", L"BurnProgram.Image"));
  LoadIntegrationOptions(options);
  EXPECT_EQ(0, options.Slots[kFamilyIso]) << "another program owns .iso";
}

TEST_F(IntegrationOptionsTest, JarAndIsoFollowTheirCurrentOwner) {
  IntegrationOptions stored = {};
  for (int slot = 0; slot < kSlotCount; ++slot) stored.Slots[slot] = 1;
  SaveIntegrationOptions(stored);
  struct Case {
    const wchar_t* jarClass;
    const wchar_t* isoClass;
    uint8_t jar;
    uint8_t iso;
  };
  const Case cases[] = {
      {nullptr, nullptr, 0, 1},          {L"Java.Archive", L"Burn.Image", 0, 0},
      {L"quobex", L"QUOBEX.zip", 1, 1},  {L"", L"", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.jarClass ? c.jarClass : L"(none)"));
    DeleteRawTree(HKEY_CLASSES_ROOT, L".jar");
    DeleteRawTree(HKEY_CLASSES_ROOT, L".iso");
    if (c.jarClass != nullptr) WriteRawString(HKEY_CLASSES_ROOT, L".jar", L"", c.jarClass);
    if (c.isoClass != nullptr) WriteRawString(HKEY_CLASSES_ROOT, L".iso", L"", c.isoClass);
    IntegrationOptions options = {};
    LoadIntegrationOptions(options);
    EXPECT_EQ(c.jar, options.Slots[kFamilyJar]);
    EXPECT_EQ(c.iso, options.Slots[kFamilyIso]);
  }
  EXPECT_FALSE(IsOwnAssociation(L".nosuchextension"));
}

TEST_F(IntegrationOptionsTest, SavedChoiceIsStoredAsNumbersAndReadBack) {
  IntegrationOptions options = {};
  for (int slot = 0; slot < kSlotCount; ++slot) options.Slots[slot] = static_cast<uint8_t>(slot % 3);
  SaveIntegrationOptions(options);
  const std::wstring setup = L"Software\\Quobex\\Setup";
  EXPECT_EQ(std::string("\x00\x00\x00\x00", 4), ReadRawValue(HKEY_CURRENT_USER, setup + L"\\.qbx", L"Set").Bytes);
  EXPECT_EQ(std::string("\x01\x00\x00\x00", 4), ReadRawValue(HKEY_CURRENT_USER, setup + L"\\.zip", L"Set").Bytes);
  EXPECT_EQ(std::string("\x01\x00\x00\x00", 4), ReadRawValue(HKEY_CURRENT_USER, setup + L"\\.cab", L"Set").Bytes)
      << "2 is stored as 1";
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), ReadRawValue(HKEY_CURRENT_USER, setup + L"\\.lz", L"Set").Type);
  EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, setup + L"\\.tlz", L"Set").Exists)
      << "a family's choice lives under its first extension";
  EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, setup + L"\\Links", L"Desktop").Exists);
  EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, setup, L"MenuIcons").Exists);

  WriteRawString(HKEY_CLASSES_ROOT, L".jar", L"", L"Quobex");
  IntegrationOptions loaded = {};
  LoadIntegrationOptions(loaded);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (slot >= 17 && slot <= 19) continue;
    SCOPED_TRACE(slot);
    EXPECT_EQ(options.Slots[slot] != 0 ? 1 : 0, loaded.Slots[slot]);
  }
}
