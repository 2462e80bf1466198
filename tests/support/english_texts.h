// The English string table as the tests expect it, from the same list the resources are built
// from.
#pragma once

#include <windows.h>

#include "resources/english_texts.h"
#include "resources/resource_ids.h"

// The English text of string id, or null for an id the table does not have.
inline const wchar_t* EnglishText(UINT id) {
  struct Entry {
    UINT Id;
    const wchar_t* Text;
  };
#define QBX_ENGLISH_ENTRY(id, text) {id, L"" text},
  static constexpr Entry kEntries[] = {QBX_ENGLISH_STRINGS(QBX_ENGLISH_ENTRY)};
#undef QBX_ENGLISH_ENTRY
  for (const Entry& entry : kEntries) {
    if (entry.Id == id) return entry.Text;
  }
  return nullptr;
}
