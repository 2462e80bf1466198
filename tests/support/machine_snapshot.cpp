#include "tests/support/machine_snapshot.h"

#include <windows.h>
#include <objbase.h>

#include <cwchar>
#include <iterator>

#include "tests/support/shell_links.h"

namespace {

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
  return narrow;
}

constexpr uint64_t kHashStart = 14695981039346656037ull;

uint64_t HashBytes(uint64_t hash, const void* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const unsigned char*>(bytes)[i]) * 1099511628211ull;
  return hash;
}

// FNV-1a of the file's bytes (of a link itself, never of what it points to).
uint64_t HashContent(const std::wstring& path) {
  uint64_t hash = kHashStart;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  static unsigned char buffer[1 << 16];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) hash = HashBytes(hash, buffer, read);
  CloseHandle(file);
  return hash;
}

// A shell link also records the times and size its target had when the link was written: links
// to installations laid out anew differ in those bytes alone. What the link says is compared.
uint64_t HashShellLink(const std::wstring& path) {
  static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  (void)com;
  const LinkInfo link = ReadLink(path);
  if (!link.Loaded) return HashContent(L"\\\\?\\" + path);
  const std::wstring said = link.Target + L"|" + link.Arguments + L"|" + link.Description + L"|" + link.IconFile +
                            L"|" + std::to_wstring(link.IconIndex) + L"|" + link.WorkingFolder + L"|" +
                            std::to_wstring(link.Hotkey);
  return HashBytes(kHashStart, said.data(), said.size() * sizeof(wchar_t));
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
    const bool link = path.size() > 4 && CompareStringOrdinal(path.c_str() + path.size() - 4, 4, L".lnk", 4, TRUE) == CSTR_EQUAL;
    content = {size, written, link ? HashShellLink(path) : HashContent(L"\\\\?\\" + path)};
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
    const uint32_t attributes =
        found.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      const int64_t size = static_cast<int64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
      snapshot[key] = {size, ContentHash(path, size, found.ftLastWriteTime), attributes};
      continue;
    }
    snapshot[key] = {-1, 0, attributes};
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
// monitor it detects and enumerates, with a new video id each time it does, the hardware
// profile, the user's display metrics): nothing of the product's is there.
RegistrySnapshot WithoutWineState(RegistrySnapshot snapshot) {
  static const wchar_t* const kVolatile[] = {
      L"HARDWARE", L"System\\CurrentControlSet\\Control\\Class",
      L"System\\CurrentControlSet\\Control\\DeviceClasses",
      L"System\\CurrentControlSet\\Enum",
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

MachineSnapshot TakeMachineSnapshot(std::initializer_list<std::wstring> fileRoots) {
  MachineSnapshot snapshot = {WithoutWineState(TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, L"", 0, true)),
                              WithoutWineState(TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, L"", KEY_WOW64_32KEY, true)),
                              WithoutWineState(TakeRegistrySnapshot(HKEY_CURRENT_USER, L"", 0, true)),
                              WithoutWineState(TakeRegistrySnapshot(HKEY_CURRENT_USER, L"", KEY_WOW64_32KEY, true)),
                              {}};
  for (const std::wstring& root : fileRoots) snapshot.Files.merge(TakeFileSnapshot(root));
  return snapshot;
}

std::string FileDifference(const FileSnapshot& before, const FileSnapshot& after) {
  std::string difference;
  for (const auto& [path, state] : before) {
    auto found = after.find(path);
    if (found == after.end()) {
      difference += "file missing: " + Narrow(path) + "\n";
    } else if (found->second.Size != state.Size || found->second.Hash != state.Hash) {
      difference += "file changed: " + Narrow(path) + "\n";
    } else if (found->second.Attributes != state.Attributes) {
      difference += "attributes changed: " + Narrow(path) + " " + std::to_string(state.Attributes) + " -> " +
                    std::to_string(found->second.Attributes) + "\n";
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
