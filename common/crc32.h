// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320), used to key the language file's entries.
#pragma once

#include <cstddef>
#include <cstdint>

// Plain table-driven update without pre- or post-inversion: start from 0xFFFFFFFF and complement
// the final value to get the standard CRC-32. Gives the same result at any alignment of data.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t length);

// The standard CRC-32 of a whole byte run (start all ones, final complement).
uint32_t Crc32(const void* data, size_t length);
