#include "tests/support/machine_snapshot.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

namespace {

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
  return narrow;
}

void CollectFiles(const std::wstring& folder, FileSnapshot& snapshot) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = folder + L"\\" + name;
    std::wstring key = path;
    CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      snapshot[key] = static_cast<int64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
      continue;
    }
    snapshot[key] = -1;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) CollectFiles(path, snapshot);
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

FileSnapshot TakeFileSnapshot(const std::wstring& root) {
  FileSnapshot snapshot;
  CollectFiles(root, snapshot);
  return snapshot;
}

namespace {

// What Wine itself rewrites whenever a program with a window starts (the display adapter and
// monitor it detects, the hardware profile, the user's display metrics): nothing of the
// product's is there.
RegistrySnapshot WithoutWineState(RegistrySnapshot snapshot) {
  static const wchar_t* const kVolatile[] = {
      L"HARDWARE", L"System\\CurrentControlSet\\Control\\Class",
      L"System\\CurrentControlSet\\Control\\DeviceClasses",
      L"System\\CurrentControlSet\\Control\\Video",
      L"System\\CurrentControlSet\\Control\\ServiceCurrent",
      L"System\\CurrentControlSet\\Hardware Profiles",
      L"Software\\Wine\\Temporary System Parameters"};
  for (auto entry = snapshot.begin(); entry != snapshot.end();) {
    bool skip = false;
    for (const wchar_t* prefix : kVolatile) {
      skip = skip || CompareStringOrdinal(entry->first.c_str(), static_cast<int>(wcslen(prefix)),
                                          prefix, -1, TRUE) == CSTR_EQUAL;
    }
    entry = skip ? snapshot.erase(entry) : std::next(entry);
  }
  return snapshot;
}

}  // namespace

MachineSnapshot TakeMachineSnapshot() {
  return {WithoutWineState(TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, L"", 0, true)),
          WithoutWineState(TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, L"", KEY_WOW64_32KEY, true)),
          WithoutWineState(TakeRegistrySnapshot(HKEY_CURRENT_USER, L"", 0, true)),
          WithoutWineState(TakeRegistrySnapshot(HKEY_CURRENT_USER, L"", KEY_WOW64_32KEY, true)),
          TakeFileSnapshot(L"C:")};
}

std::string MachineDifference(const MachineSnapshot& before, const MachineSnapshot& after) {
  std::string difference = SnapshotDifference(before.Machine, after.Machine) +
                           SnapshotDifference(before.Machine32, after.Machine32) +
                           SnapshotDifference(before.User, after.User) +
                           SnapshotDifference(before.User32, after.User32);
  for (const auto& [path, size] : before.Files) {
    auto found = after.Files.find(path);
    if (found == after.Files.end()) {
      difference += "file missing: " + Narrow(path) + "\n";
    } else if (found->second != size) {
      difference += "file changed: " + Narrow(path) + "\n";
    }
  }
  for (const auto& [path, size] : after.Files) {
    if (!before.Files.count(path)) difference += "file added: " + Narrow(path) + "\n";
  }
  return difference;
}
