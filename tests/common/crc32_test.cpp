#include "common/crc32.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Crc32, PublishedCheckValuesAndLanguageKeys) {
  struct Case {
    const char* data;
    uint32_t crc;
  };
  const Case cases[] = {
      {"123456789", 0xcbf43926u},
      {"abc", 0x352441c2u},
      {"$SETUPDLG", 0x9b889d24u},
      {"$SETUPDLGOK", 0xa8604cfau},
      {"", 0x00000000u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    EXPECT_EQ(c.crc, Crc32(c.data, strlen(c.data)));
    EXPECT_EQ(c.crc, ~Crc32Update(0xFFFFFFFFu, c.data, strlen(c.data)));
  }
}

TEST(Crc32, SameValueAtEveryAlignmentAndAcrossTheEightByteSteps) {
  alignas(8) unsigned char buffer[64 + 8];
  for (size_t offset = 0; offset < 8; ++offset) {
    SCOPED_TRACE(offset);
    memcpy(buffer + offset, "abc", 3);
    EXPECT_EQ(0x352441c2u, Crc32(buffer + offset, 3));
  }
  // 43 bytes cover a lead-in, several 8-byte steps and a tail at every alignment; the value must
  // equal one byte-wise pass.
  const char* text = "The quick brown fox jumps over the lazy dog";
  uint32_t bytewise = 0xFFFFFFFFu;
  for (size_t i = 0; i < 43; ++i) bytewise = Crc32Update(bytewise, text + i, 1);
  EXPECT_EQ(0x414fa339u, ~bytewise);
  for (size_t offset = 0; offset < 8; ++offset) {
    SCOPED_TRACE(offset);
    memcpy(buffer + offset, text, 43);
    EXPECT_EQ(0x414fa339u, Crc32(buffer + offset, 43));
  }
}

TEST(Crc32, UpdatesChainAcrossPieces) {
  uint32_t crc = Crc32Update(0xFFFFFFFFu, "$", 1);
  crc = Crc32Update(crc, "SETUPDLG", 8);
  crc = Crc32Update(crc, "OK", 2);
  EXPECT_EQ(0xa8604cfau, ~crc);
}
