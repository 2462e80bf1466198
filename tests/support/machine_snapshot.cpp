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

// FNV-1a of the file's bytes (of a link itself, never of what it points to).
uint64_t HashContent(const std::wstring& path) {
  uint64_t hash = 14695981039346656037ull;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  static unsigned char buffer[1 << 16];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    for (DWORD i = 0; i < read; ++i) hash = (hash ^ buffer[i]) * 1099511628211ull;
  }
  CloseHandle(file);
  return hash;
}

// The hash of a file as last read, with the size and time of last writing it had then.
struct KnownContent {
  int64_t Size;
  FILETIME Written;
  uint64_t Hash;
};

uint64_t ContentHash(const std::wstring& path, int64_t size, FILETIME written) {
  static std::map<std::wstring, KnownContent> known;
  KnownContent& content = known[path];
  if (content.Size != size || CompareFileTime(&content.Written, &written) != 0 || content.Hash == 0) {
    content = {size, written, HashContent(path)};
  }
  return content.Hash;
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
      const int64_t size = static_cast<int64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
      snapshot[key] = {size, ContentHash(L"\\\\?\\" + path, size, found.ftLastWriteTime)};
      continue;
    }
    snapshot[key] = {};
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

std::string FileDifference(const FileSnapshot& before, const FileSnapshot& after) {
  std::string difference;
  for (const auto& [path, state] : before) {
    auto found = after.find(path);
    if (found == after.end()) {
      difference += "file missing: " + Narrow(path) + "\n";
    } else if (found->second != state) {
      difference += "file changed: " + Narrow(path) + "\n";
    }
  }
  for (const auto& [path, state] : after) {
    if (!before.count(path)) difference += "file added: " + Narrow(path) + "\n";
  }
  return difference;
}

std::string MachineDifference(const MachineSnapshot& before, const MachineSnapshot& after) {
  return SnapshotDifference(before.Machine, after.Machine) + SnapshotDifference(before.Machine32, after.Machine32) +
         SnapshotDifference(before.User, after.User) + SnapshotDifference(before.User32, after.User32) +
         FileDifference(before.Files, after.Files);
}
