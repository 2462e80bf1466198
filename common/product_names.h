// The names under which the product appears in Windows, spelled once, for every layer. Keep in
// sync with the packagers' registry table (docs/packagers.md), which a test reads.
#pragma once

// In the registry store's calls (settings/registry_store.h), the key path of the product's own
// key, HKCU or HKLM "Software\Quobex": a path without a leading "\" is below that key.
constexpr wchar_t kProductKey[] = L"";
// That key's path below HKCU or HKLM, and the keys below it that are read directly.
#define QBX_PRODUCT_KEY L"Software\\Quobex"
constexpr wchar_t kProductKeyFromRoot[] = L"\\" QBX_PRODUCT_KEY;  // the store's form of a full path
constexpr wchar_t kGeneralKeyPath[] = QBX_PRODUCT_KEY L"\\General";
constexpr wchar_t kPathsKeyPath[] = QBX_PRODUCT_KEY L"\\Paths";
constexpr wchar_t kCapabilitiesKeyPath[] = QBX_PRODUCT_KEY L"\\Capabilities";

// The name shown in the shell: the program group, the main program's link, the Default Programs
// entry, the start of the uninstall entry's display name; also the per-user data folder's name.
#define QBX_PRODUCT_NAME L"Quobex"
constexpr wchar_t kProductName[] = QBX_PRODUCT_NAME;

// The main program, beside this one, and its link.
constexpr wchar_t kMainProgram[] = QBX_PRODUCT_NAME L".exe";
constexpr wchar_t kMainProgramLink[] = QBX_PRODUCT_NAME L".lnk";

// Files beside the program: the portable settings file, the language library, the help file and
// the index files its viewer makes, the templates of the Explorer New entries.
constexpr wchar_t kSettingsFileName[] = QBX_PRODUCT_NAME L".ini";
// The same file as the installer names it, and as a setup copies it beside the program: Windows
// file names are not case-sensitive.
constexpr wchar_t kInstallerSettingsFileName[] = L"quobex.ini";
constexpr wchar_t kLanguageLibraryName[] = L"qbxlng.dll";
constexpr wchar_t kHelpFileName[] = QBX_PRODUCT_NAME L".chm";
constexpr const wchar_t* kHelpIndexFileNames[] = {L"quobex.gid", L"quobex.fts"};
constexpr wchar_t kOwnFormatTemplate[] = L"qbxnew.dat";
constexpr wchar_t kZipTemplate[] = L"zipnew.dat";

// The name of the lock that lets one setup or uninstall run at a time: where the system has
// private namespaces, kLockNamespace's kNamespacedLockName; elsewhere the global name.
constexpr wchar_t kLockNamespace[] = QBX_PRODUCT_NAME;
constexpr wchar_t kNamespacedLockName[] = QBX_PRODUCT_NAME L"\\SetupAndUninstall";
constexpr wchar_t kGlobalLockName[] = L"Global\\" QBX_PRODUCT_NAME L"SetupAndUninstall";

// The file classes: archives of every associated family but ZIP, ZIP archives, recovery volumes.
#define QBX_ARCHIVE_CLASS QBX_PRODUCT_NAME
#define QBX_ZIP_CLASS QBX_PRODUCT_NAME L".ZIP"
constexpr wchar_t kArchiveClass[] = QBX_ARCHIVE_CLASS;
constexpr wchar_t kZipClass[] = QBX_ZIP_CLASS;
constexpr wchar_t kRecoveryClass[] = QBX_PRODUCT_NAME L".REV";
// Bound to kRecoveryClass whenever the classes are written.
constexpr wchar_t kRecoveryExtension[] = L".rev";

// Every class of the product, in the order setup writes them; the first kArchiveClassCount are
// the ones an archive extension is associated with.
constexpr const wchar_t* kProductClasses[] = {kArchiveClass, kZipClass, kRecoveryClass};
constexpr int kArchiveClassCount = 2;
