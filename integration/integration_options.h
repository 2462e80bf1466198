// What a setup run can choose, and how the choice is stored under "Setup" (apply_integration.h
// applies it).
#pragma once

#include <cstddef>
#include <cstdint>

// Slots of the choice vector.
constexpr int kFamilyCount = 17;       // slots 0 to 16: one per archive family
constexpr int kSlotDesktop = 20;
constexpr int kSlotStartMenu = 21;
constexpr int kSlotPrograms = 22;
constexpr int kSlotShellExtension = 23;
constexpr int kSlotCascadedMenu = 24;
constexpr int kSlotMenuIcons = 25;
constexpr int kSlotCount = 26;
constexpr int kFamilyQbx = 0;          // the product's own format
constexpr int kFamilyZip = 1;
constexpr int kFamilyJar = 11;
constexpr int kFamilyIso = 12;

// One byte per slot: 0 off, anything else on. Slots 17 to 19 are not used.
struct IntegrationOptions {
  uint8_t Slots[kSlotCount];
};

// The archive families in slot order, each its member extensions run together (".gz.tgz").
extern const wchar_t* const ArchiveFamilies[kFamilyCount];

// Splits a family string: copies the member at family (at most 49 characters) into member
// (50 characters) and returns where the next member starts, or null after the last one.
const wchar_t* NextFamilyMember(const wchar_t* family, wchar_t member[50]);

// Calls visit(member, slot) for every member extension of every family, in slot order and, within
// a family, in the order of its string.
template <typename Visit>
void ForEachMemberExtension(Visit visit) {
  for (int slot = 0; slot < kFamilyCount; ++slot) {
    wchar_t member[50];
    const wchar_t* next = ArchiveFamilies[slot];
    do {
      next = NextFamilyMember(next, member);
      visit(static_cast<const wchar_t*>(member), slot);
    } while (next != nullptr);
  }
}

// The class an associated member extension gets: "Quobex.ZIP" for the ZIP family, else "Quobex".
const wchar_t* ProductClassOf(int familySlot);

// The stored choice with its defaults (".jar" off unless the product owns it; ".iso" off when
// another program owns it).
void LoadIntegrationOptions(IntegrationOptions& options);
void SaveIntegrationOptions(const IntegrationOptions& options);

// True when name is "Quobex" or "Quobex.ZIP" (any case).
bool IsProductClass(const wchar_t* name);
// True when the extension's class is one of the product's.
bool IsOwnAssociation(const wchar_t* extension);
