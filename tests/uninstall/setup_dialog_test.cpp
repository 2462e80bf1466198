#include "uninstall/setup_dialog.h"

#include <gtest/gtest.h>

#include <string>

// Initial options as installers write them, against the choice they leave.
TEST(SetupDialog, InitialOptionsAsInstallersWriteThem) {
  const struct {
    const wchar_t* init;
    const char* families;  // slots 0 to 16 afterwards, from all 0
    int desktop;           // slot 20 afterwards
  } cases[] = {
      {L"A", "00000000000000000", 0},           // a lone letter is no option
      {L"D", "00000000000000000", 0},
      {L"A1011", "10110000000000000", 0},       // fewer digits than families: the rest stays
      {L"X1D1", "00000000000000000", 1},        // an unknown letter and its value are passed over
      {L"a11d1", "11000000000000000", 1},       // lower case
      {L"AD1", "00000000000000000", 1},         // A without digits
      {L"A111111111111111111111D1", "11111111111111111", 1},  // 21 digits, then D1
      {L"A11111111111111111D0", "11111111111111111", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::wstring(c.init).size() << " characters: " << c.families);
    IntegrationOptions options = {};
    ApplyInitOptions(c.init, options);
    std::string families;
    for (int slot = 0; slot < kFamilyCount; ++slot) families += options.Slots[slot] ? '1' : '0';
    EXPECT_EQ(c.families, families);
    EXPECT_EQ(c.desktop, options.Slots[kSlotDesktop]);
  }
}
