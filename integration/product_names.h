// The names under which the product appears in Windows, spelled once. Keep in sync with the
// packagers' registry table (docs/packagers.md), which a test reads.
#pragma once

// In the registry store's calls (settings/registry_store.h), the key path of the product's own
// key, HKCU or HKLM "Software\Quobex": a path without a leading "\" is below that key.
constexpr wchar_t kProductKey[] = L"";

// The name shown in the shell: the program group, the main program's link, the Default Programs
// entry, the start of the uninstall entry's display name.
constexpr wchar_t kProductName[] = L"Quobex";

// The main program, beside this one.
constexpr wchar_t kMainProgram[] = L"Quobex.exe";

// The file classes: archives of every associated family but ZIP, ZIP archives, recovery volumes.
constexpr wchar_t kArchiveClass[] = L"Quobex";
constexpr wchar_t kZipClass[] = L"Quobex.ZIP";
constexpr wchar_t kRecoveryClass[] = L"Quobex.REV";
// Bound to kRecoveryClass whenever the classes are written.
constexpr wchar_t kRecoveryExtension[] = L".rev";

// Every class of the product, in the order setup writes them; the first kArchiveClassCount are
// the ones an archive extension is associated with.
constexpr const wchar_t* kProductClasses[] = {kArchiveClass, kZipClass, kRecoveryClass};
constexpr int kArchiveClassCount = 2;
