#include "lang/language_key_table.h"

#include <algorithm>
#include <cstring>

#include "resources/dialog_texts.h"
#include "resources/english_texts.h"

namespace {

#define QBX_STRING_KEY(id, text) {LookupHash('s', "", text), "s:" #id},
#define QBX_DIALOG_KEY(dialog, name, text) {LookupHash('$', #dialog, text), "$" #dialog ":" #name},

LanguageKey keyTable[] = {
    QBX_ENGLISH_STRINGS(QBX_STRING_KEY)
    QBX_SETUPDLG_TEXTS(QBX_DIALOG_KEY)
    QBX_DONEDLG_TEXTS(QBX_DIALOG_KEY)
    QBX_SETUPCONTEXTITEMS_TEXTS(QBX_DIALOG_KEY)
};

#undef QBX_STRING_KEY
#undef QBX_DIALOG_KEY

static_assert(sizeof keyTable / sizeof keyTable[0] == 101, "33 strings and 68 dialog items");
static_assert(LookupHash('$', "SETUPDLG", "") == 0x9b889d24u, "the worked SIZE hash");
static_assert(LookupHash('$', "SETUPDLG", "OK") == 0xa8604cfau, "the worked IDOK hash");

bool KeyLess(const LanguageKey& a, const LanguageKey& b) { return strcmp(a.Key, b.Key) < 0; }

}  // namespace

LanguageKey* LanguageKeyTable() { return keyTable; }
size_t LanguageKeyCount() { return sizeof keyTable / sizeof keyTable[0]; }

void SortLanguageKeyTable() { std::sort(keyTable, keyTable + LanguageKeyCount(), KeyLess); }

const LanguageKey* FindLanguageKey(const char* key) {
  const LanguageKey probe = {0, key};
  const LanguageKey* end = keyTable + LanguageKeyCount();
  const LanguageKey* found = std::lower_bound(static_cast<const LanguageKey*>(keyTable), end, probe, KeyLess);
  return found != end && strcmp(found->Key, key) == 0 ? found : nullptr;
}
