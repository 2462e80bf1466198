#include "integration/application_registration.h"

#include <windows.h>

#include <cstdarg>
#include <iterator>

#include "common/directory_scanner.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/run_log.h"
#include "common/text_operations.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "settings/registry_store.h"

namespace {

constexpr wchar_t kAppPathKey[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" QBX_PRODUCT_NAME L".exe";
constexpr wchar_t kUninstallKey[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" QBX_PRODUCT_NAME L" archiver";

void AppendFormatted(wchar_t* text, size_t capacity, const wchar_t* format, ...) {
  wchar_t piece[100];
  va_list arguments;
  va_start(arguments, format);
  FormatTextV(piece, 100, format, arguments);
  va_end(arguments);
  AppendText(text, piece, capacity);
}

}  // namespace

bool RegisterAppPath() {
  wchar_t executable[kPathCapacity];
  GetProgramFilePath(kMainProgram, executable, kPathCapacity);
  if (WriteString(HKEY_LOCAL_MACHINE, kAppPathKey, L"", executable) == ERROR_ACCESS_DENIED) {
    return false;
  }
  WriteString(HKEY_LOCAL_MACHINE, L"", L"exe64", executable);
  wchar_t folder[kPathCapacity];
  CopyText(folder, executable, kPathCapacity);
  RemoveName(folder);
  WriteString(HKEY_LOCAL_MACHINE, kAppPathKey, L"Path", folder);
  // 32-bit programs look the product up in their own view of the registry.
  ScopedRegistryView view(KEY_WOW64_32KEY);
  WriteString(HKEY_LOCAL_MACHINE, kAppPathKey, L"", executable);
  WriteString(HKEY_LOCAL_MACHINE, kAppPathKey, L"Path", folder);
  return true;
}

bool UninstallEntryStarts(const wchar_t* program) {
  wchar_t command[2060];
  if (!ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", command, std::size(command))) {
    return false;
  }
  wchar_t quoted[2060];
  FormatText(quoted, L"\"%s\"", program);
  return CompareNoCase(command, quoted) == 0 || CompareNoCase(command, program) == 0;
}

bool ReadRecordedInstallationFolder(wchar_t* out, size_t capacity) {
  return ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation", out, capacity) && out[0] != 0;
}

bool DeleteApplicationEntries() {
  DeleteKey(HKEY_LOCAL_MACHINE, kUninstallKey);
  // Kept for keys another program put below it or not, an entry that stays names a program that
  // is gone: the run has not done what it set out to.
  const bool listed = KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey);
  if (listed) LogLine(L"the entry in the list of installed programs could not be deleted");
  DeleteKey(HKEY_LOCAL_MACHINE, kAppPathKey);
  // RegisterAppPath wrote it for 32-bit programs too.
  ScopedRegistryView view(KEY_WOW64_32KEY);
  DeleteKey(HKEY_LOCAL_MACHINE, kAppPathKey);
  return !listed;
}

void AppendVersionText(wchar_t* text, size_t capacity) {
  if (text[0] != 0) AppendText(text, L" ", capacity);
  AppendFormatted(text, capacity, L"%d.%02d", QBX_VERSION_MAJOR, QBX_VERSION_MINOR);
  AppendFormatted(text, capacity, L" %s %d", GetString(IDS_BETA), QBX_VERSION_BETA);
  AppendFormatted(text, capacity, L" (%s)", GetString(IDS_64BIT));
}

namespace {

// Bytes of the files in folder and below (a linked folder is not the product's).
uint64_t FolderBytes(const wchar_t* folder) {
  uint64_t bytes = 0;
  ForEachEntry(folder, L"*", [&](const ScanEntry& entry) {
    if (!entry.IsDir) {
      bytes += entry.Size;
    } else if (!entry.IsLink) {
      bytes += FolderBytes(entry.Name);
    }
    return true;
  });
  return bytes;
}

}  // namespace

void WriteUninstallEntry(UninstallEntryValues which) {
  wchar_t displayName[2148];
  CopyText(displayName, kProductName);
  AppendVersionText(displayName, std::size(displayName));
  wchar_t version[32];
  FormatText(version, L"%d.%02d.%d", QBX_VERSION_MAJOR, QBX_VERSION_MINOR, QBX_VERSION_BETA);
  wchar_t program[kPathCapacity];
  GetProgramPath(program, kPathCapacity);
  // Quoted: Windows starts the uninstaller from this text, and unquoted a path with blanks
  // ("C:\Program Files\...") would first be tried as "C:\Program.exe".
  wchar_t uninstallCommand[2052];
  FormatText(uninstallCommand, L"\"%s\"", program);
  // What deployment tools, package managers and the Programs panel read beyond that: the
  // unattended removal, the size in kilobytes (rounded up), the day of the setup, the home page.
  wchar_t quietCommand[2060];
  FormatText(quietCommand, L"\"%s\" /S", program);
  wchar_t icon[kPathCapacity];
  GetProgramFilePath(kMainProgram, icon, kPathCapacity);
  wchar_t location[kPathCapacity];
  FolderPart(program, location, kPathCapacity);
  SYSTEMTIME today = {};
  GetLocalTime(&today);
  wchar_t date[16];
  FormatText(date, L"%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
  uint64_t kilobytes = 0;
  if (which == UninstallEntryValues::All) {
    wchar_t folder[kPathCapacity];
    GetProgramFolder(folder, kPathCapacity);
    kilobytes = (FolderBytes(folder) + 1023) / 1024;
  }

  // In the order they are written; Essential marks what makes the entry usable on its own.
  const struct {
    const wchar_t* Name;
    const wchar_t* Text;  // a REG_SZ value; null for the REG_DWORD Number
    DWORD Number;
    bool Essential;
  } values[] = {
      {L"DisplayName", displayName, 0, true},
      {L"DisplayVersion", version, 0, false},
      {L"VersionMajor", nullptr, QBX_VERSION_MAJOR, false},
      {L"VersionMinor", nullptr, QBX_VERSION_MINOR, false},
      {L"UninstallString", uninstallCommand, 0, true},
      {L"DisplayIcon", icon, 0, false},
      {L"InstallLocation", location, 0, false},
      {L"NoModify", nullptr, 1, false},
      {L"NoRepair", nullptr, 1, false},
      {L"Language", nullptr, 0, false},
      {L"Publisher", L"Ostrel GmbH", 0, false},
      {L"QuietUninstallString", quietCommand, 0, true},
      {L"EstimatedSize", nullptr, kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kilobytes), false},
      {L"InstallDate", date, 0, false},
      {L"URLInfoAbout", GetHomePageAddress(), 0, false},
  };
  for (const auto& value : values) {
    if (which == UninstallEntryValues::Essential && !value.Essential) continue;
    if (value.Text != nullptr) {
      WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, value.Name, value.Text);
    } else {
      WriteDword(HKEY_LOCAL_MACHINE, kUninstallKey, value.Name, value.Number);
    }
  }
}
