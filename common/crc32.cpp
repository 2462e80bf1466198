#include "common/crc32.h"

#include <cstring>

namespace {

// Eight tables for slicing by 8: table 0 is the byte-wise table; entry i of table k is entry i of
// table k - 1 advanced by one more zero byte. They are computed by the compiler, so they exist
// before any code of the program runs.
struct Crc32Tables {
  uint32_t entries[8][256];

  constexpr Crc32Tables() : entries() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t crc = i;
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0);
      entries[0][i] = crc;
    }
    for (int k = 1; k < 8; ++k) {
      for (int i = 0; i < 256; ++i) {
        const uint32_t previous = entries[k - 1][i];
        entries[k][i] = (previous >> 8) ^ entries[0][previous & 0xFF];
      }
    }
  }
};

constexpr Crc32Tables kTables;

uint32_t UpdateByte(uint32_t crc, uint8_t byte) {
  return (crc >> 8) ^ kTables.entries[0][(crc ^ byte) & 0xFF];
}

uint32_t LoadLittleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

uint32_t Crc32Update(uint32_t crc, const void* data, size_t length) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  for (; length > 0 && (reinterpret_cast<uintptr_t>(bytes) & 7) != 0; --length) {
    crc = UpdateByte(crc, *bytes++);
  }
  const auto& t = kTables.entries;
  for (; length >= 8; length -= 8, bytes += 8) {
    crc ^= LoadLittleEndian32(bytes);
    crc = t[7][crc & 0xFF] ^ t[6][(crc >> 8) & 0xFF] ^ t[5][(crc >> 16) & 0xFF] ^ t[4][crc >> 24] ^
          t[3][bytes[4]] ^ t[2][bytes[5]] ^ t[1][bytes[6]] ^ t[0][bytes[7]];
  }
  for (; length > 0; --length) crc = UpdateByte(crc, *bytes++);
  return crc;
}

uint32_t Crc32(const void* data, size_t length) {
  return ~Crc32Update(0xFFFFFFFFu, data, length);
}
