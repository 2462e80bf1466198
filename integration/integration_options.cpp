#include "integration/integration_options.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>

#include "common/product_names.h"
#include "common/text_operations.h"
#include "settings/registry_store.h"

const wchar_t* const ArchiveFamilies[kFamilyCount] = {
    L".qbx", L".zip",    L".cab",        L".arj",             L".lz.tlz", L".lzh.lha",
    L".7z",  L".tar",    L".gz.tgz",     L".uue.xxe.uu",      L".bz2.tbz2.bz.tbz",
    L".jar", L".iso",    L".z.taz",      L".xz.txz",          L".zipx",   L".001",
};

namespace {

struct StoredSlot {
  int Slot;
  const wchar_t* Key;
  const wchar_t* Value;
  DWORD Default;
};

// The slots after the families, in the order they are read and written.
constexpr StoredSlot kStoredSlots[] = {
    {kSlotDesktop, L"Setup\\Links", L"Desktop", 0},
    {kSlotStartMenu, L"Setup\\Links", L"StartMenu", 0},
    {kSlotPrograms, L"Setup\\Links", L"Programs", 1},
    {kSlotShellExtension, L"Setup", L"ShellExt", 1},
    {kSlotCascadedMenu, L"Setup", L"CascadedMenu", 0},
    {kSlotMenuIcons, L"Setup", L"MenuIcons", 1},
};

void FamilySetupKey(int slot, wchar_t* key) {
  wchar_t first[50];
  NextFamilyMember(ArchiveFamilies[slot], first);
  FormatText(key, 50, L"Setup\\%s", first);
}

void ReadClassOf(const wchar_t* extension, wchar_t* out, size_t capacity) {
  ReadString(HKEY_CLASSES_ROOT, extension, L"", out, L"", capacity);
}

}  // namespace

const wchar_t* NextFamilyMember(const wchar_t* family, wchar_t member[50]) {
  CopyText(member, family, 50);
  const wchar_t* next = family[0] != 0 ? wcschr(family + 1, L'.') : nullptr;
  if (next != nullptr) {
    if (wchar_t* cut = member[0] != 0 ? wcschr(member + 1, L'.') : nullptr) *cut = 0;
  }
  return next;
}

const wchar_t* ProductClassOf(int familySlot) {
  return familySlot == kFamilyZip ? kZipClass : kArchiveClass;
}

bool IsProductClass(const wchar_t* name) {
  for (int i = 0; i < kArchiveClassCount; ++i) {
    if (CompareNoCase(name, kProductClasses[i]) == 0) return true;
  }
  return false;
}

bool IsOwnAssociation(const wchar_t* extension) {
  wchar_t current[80];
  ReadClassOf(extension, current, 80);
  return IsProductClass(current);
}

void LoadIntegrationOptions(IntegrationOptions& options) {
  for (int slot = 0; slot < kFamilyCount; ++slot) {
    wchar_t key[50];
    FamilySetupKey(slot, key);
    options.Slots[slot] = ReadUserDword(key, L"Set", 1) != 0 ? 1 : 0;
  }
  // ".jar" is opened by Java and ".iso" by burning programs: take them only when asked to, or
  // when nobody else has them.
  for (int slot : {kFamilyJar, kFamilyIso}) {
    if (IsOwnAssociation(ArchiveFamilies[slot])) continue;
    wchar_t current[80];
    ReadClassOf(ArchiveFamilies[slot], current, 80);
    if (slot == kFamilyJar || current[0] != 0) options.Slots[slot] = 0;
  }
  for (const StoredSlot& stored : kStoredSlots) {
    options.Slots[stored.Slot] = ReadUserDword(stored.Key, stored.Value, stored.Default) != 0 ? 1 : 0;
  }
}

void SaveIntegrationOptions(const IntegrationOptions& options) {
  for (int slot = 0; slot < kFamilyCount; ++slot) {
    wchar_t key[50];
    FamilySetupKey(slot, key);
    WriteUserDword(key, L"Set", options.Slots[slot] != 0 ? 1 : 0);
  }
  for (const StoredSlot& stored : kStoredSlots) {
    WriteUserDword(stored.Key, stored.Value, options.Slots[stored.Slot] != 0 ? 1 : 0);
  }
}
