// The symbolic keys a translator writes in a language file, each with the hash of the English
// text it stands for.
#pragma once

#include <cstddef>
#include <cstdint>

struct LanguageKey {
  uint64_t Hash;    // the lookup hash of the item's English source text (32 bits used)
  const char* Key;  // kind character, context, ":", name: "s:IDS_UNINSTTITLE", "$SETUPDLG:IDOK"
};

// The 100 keys: 32 strings and the items of the three dialogs. Not stored in key order; sorted
// (byte-wise by key) by SortLanguageKeyTable before FindLanguageKey is used.
LanguageKey* LanguageKeyTable();
size_t LanguageKeyCount();
void SortLanguageKeyTable();
// The entry of key (byte-wise comparison), or null. The table must be sorted.
const LanguageKey* FindLanguageKey(const char* key);

// The lookup hash: CRC-32 of the kind byte ("s" string, "$" dialog item, "@" menu item), the
// context and the source text, all 8-bit. Evaluated by the compiler for the table, so the
// hashes always follow the texts they are built from.
constexpr uint32_t LookupHash(char kind, const char* context, const char* text) {
  uint32_t crc = 0xFFFFFFFFu;
  auto add = [&crc](unsigned char byte) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0);
  };
  add(static_cast<unsigned char>(kind));
  for (const char* p = context; *p != 0; ++p) add(static_cast<unsigned char>(*p));
  for (const char* p = text; *p != 0; ++p) add(static_cast<unsigned char>(*p));
  return ~crc;
}
