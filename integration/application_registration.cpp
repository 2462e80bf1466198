#include "integration/application_registration.h"

#include <windows.h>

#include <cstdarg>

#include "common/directory_scanner.h"
#include "common/path_names.h"
#include "common/program_location.h"
#include "common/text_operations.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "settings/registry_store.h"

namespace {

constexpr wchar_t kAppPathKey[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quobex.exe";
constexpr wchar_t kUninstallKey[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quobex archiver";

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
  wchar_t executable[2048];
  GetProgramFilePath(L"Quobex.exe", executable, 2048);
  if (WriteString(HKEY_LOCAL_MACHINE, kAppPathKey, L"", executable) == ERROR_ACCESS_DENIED) {
    return false;
  }
  WriteString(HKEY_LOCAL_MACHINE, L"", L"exe64", executable);
  wchar_t folder[2048];
  CopyText(folder, executable, 2048);
  RemoveName(folder);
  WriteString(HKEY_LOCAL_MACHINE, kAppPathKey, L"Path", folder);
  // 32-bit programs look the product up in their own view of the registry.
  SetRegistryView(KEY_WOW64_32KEY);
  WriteString(HKEY_LOCAL_MACHINE, kAppPathKey, L"", executable);
  WriteString(HKEY_LOCAL_MACHINE, kAppPathKey, L"Path", folder);
  SetRegistryView(0);
  return true;
}

void DeleteApplicationEntries() {
  DeleteKey(HKEY_LOCAL_MACHINE, kUninstallKey);
  DeleteKey(HKEY_LOCAL_MACHINE, kAppPathKey);
  // RegisterAppPath wrote it for 32-bit programs too.
  SetRegistryView(KEY_WOW64_32KEY);
  DeleteKey(HKEY_LOCAL_MACHINE, kAppPathKey);
  SetRegistryView(0);
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
  wchar_t mask[2048];
  JoinPath(folder, L"*", mask, 2048);
  DirectoryScanner scanner;
  scanner.SetMask(mask);
  ScanEntry entry;
  uint64_t bytes = 0;
  while (scanner.Next(entry)) {
    if (!entry.IsDir) {
      bytes += entry.Size;
    } else if (!entry.IsLink) {
      bytes += FolderBytes(entry.Name);
    }
  }
  return bytes;
}

}  // namespace

void WriteUninstallEntry() {
  wchar_t displayName[2148];
  CopyText(displayName, L"Quobex", 2148);
  AppendVersionText(displayName, 2148);
  wchar_t version[32];
  FormatText(version, 32, L"%d.%02d.%d", QBX_VERSION_MAJOR, QBX_VERSION_MINOR, QBX_VERSION_BETA);
  wchar_t program[2048];
  GetProgramPath(program, 2048);
  // Quoted: Windows starts the uninstaller from this text, and unquoted a path with blanks
  // ("C:\Program Files\...") would first be tried as "C:\Program.exe".
  wchar_t uninstallCommand[2052];
  FormatText(uninstallCommand, 2052, L"\"%s\"", program);
  wchar_t icon[2048];
  GetProgramFilePath(L"Quobex.exe", icon, 2048);
  wchar_t location[2048];
  FolderPart(program, location, 2048);

  WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName", displayName);
  WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion", version);
  WriteDword(HKEY_LOCAL_MACHINE, kUninstallKey, L"VersionMajor", QBX_VERSION_MAJOR);
  WriteDword(HKEY_LOCAL_MACHINE, kUninstallKey, L"VersionMinor", QBX_VERSION_MINOR);
  WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", uninstallCommand);
  WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayIcon", icon);
  WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation", location);
  WriteDword(HKEY_LOCAL_MACHINE, kUninstallKey, L"NoModify", 1);
  WriteDword(HKEY_LOCAL_MACHINE, kUninstallKey, L"NoRepair", 1);
  WriteDword(HKEY_LOCAL_MACHINE, kUninstallKey, L"Language", 0);
  WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, L"Publisher", L"Ostrel GmbH");
  // What deployment tools, package managers and the Programs panel read beyond the above: the
  // unattended removal, the size in kilobytes (rounded up), the day of the setup, the home page.
  wchar_t quietCommand[2060];
  FormatText(quietCommand, 2060, L"\"%s\" /S", program);
  WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString", quietCommand);
  wchar_t folder[2048];
  GetProgramFolder(folder, 2048);
  const uint64_t kilobytes = (FolderBytes(folder) + 1023) / 1024;
  WriteDword(HKEY_LOCAL_MACHINE, kUninstallKey, L"EstimatedSize",
             kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kilobytes));
  SYSTEMTIME today = {};
  GetLocalTime(&today);
  wchar_t date[16];
  FormatText(date, 16, L"%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
  WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallDate", date);
  WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, L"URLInfoAbout", GetHomePageAddress());
}
