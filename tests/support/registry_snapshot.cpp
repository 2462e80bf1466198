#include "tests/support/registry_snapshot.h"

#include <algorithm>
#include <vector>

namespace {

void Collect(HKEY root, const std::wstring& path, REGSAM view, bool withKeys,
             RegistrySnapshot& snapshot) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
  if (withKeys) snapshot[path] = {REG_NONE, "key"};
  std::vector<BYTE> data(65536);
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD nameLength = 16384;
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    const LONG status = RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data.data(), &size);
    // A value of any size is compared (a saved new-file value can pass 64 KiB): the same index
    // once more with the size the system asked for.
    if (status == ERROR_MORE_DATA) {
      data.resize(std::max<size_t>(size, data.size() * 2));
      --index;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    snapshot[path + L"|" + name] = {type, std::string(reinterpret_cast<char*>(data.data()), size)};
  }
  std::vector<std::wstring> children;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    children.push_back(name);
  }
  RegCloseKey(key);
  for (const std::wstring& child : children) {
    Collect(root, path.empty() ? child : path + L"\\" + child, view, withKeys, snapshot);
  }
}

}  // namespace

RegistrySnapshot TakeRegistrySnapshot(HKEY root, const std::wstring& path, REGSAM view,
                                      bool withKeys) {
  RegistrySnapshot snapshot;
  Collect(root, path, view, withKeys, snapshot);
  return snapshot;
}

RegistrySnapshot AddedOrChanged(const RegistrySnapshot& before, const RegistrySnapshot& after) {
  RegistrySnapshot changes;
  for (const auto& [name, value] : after) {
    auto earlier = before.find(name);
    if (earlier == before.end() || !(earlier->second == value)) changes[name] = value;
  }
  return changes;
}

SnapshotValue TextValue(const std::wstring& text) {
  return {REG_SZ, std::string(reinterpret_cast<const char*>(text.c_str()),
                              (text.size() + 1) * sizeof(wchar_t))};
}

SnapshotValue NumberValue(DWORD number) {
  return {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)};
}

namespace {

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
  return narrow;
}

std::string Describe(const SnapshotValue& value) {
  if (value.Type == REG_DWORD && value.Bytes.size() == 4) {
    return "dword " + std::to_string(*reinterpret_cast<const DWORD*>(value.Bytes.data()));
  }
  if (value.Type == REG_SZ || value.Type == REG_EXPAND_SZ) {
    std::wstring text(reinterpret_cast<const wchar_t*>(value.Bytes.data()), value.Bytes.size() / 2);
    return "text \"" + Narrow(text.c_str()) + "\"" +
           (text.empty() || text.back() != 0 ? " (unterminated)" : "");
  }
  return "type " + std::to_string(value.Type) + ", " + std::to_string(value.Bytes.size()) + " bytes";
}

}  // namespace

// Key and value names are not case-sensitive: an existing key keeps the case it was created with.
static RegistrySnapshot WithLowerCaseNames(const RegistrySnapshot& snapshot) {
  RegistrySnapshot lower;
  for (const auto& [name, value] : snapshot) {
    std::wstring key = name;
    CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    lower[key] = value;
  }
  return lower;
}

bool IsDateOfThisRun(const std::wstring& text) {
  FILETIME created, unused;
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  for (int day = 0; day < 2; ++day) {
    ULARGE_INTEGER time = {{created.dwLowDateTime, created.dwHighDateTime}};
    time.QuadPart += day * 864000000000ull;  // a day in 100 ns
    const FILETIME then = {time.LowPart, time.HighPart};
    SYSTEMTIME universal, local;
    if (!FileTimeToSystemTime(&then, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
      return false;
    }
    wchar_t date[16];
    wsprintfW(date, L"%04u%02u%02u", local.wYear, local.wMonth, local.wDay);
    if (text == date) return true;
  }
  return false;
}

namespace {

// An installation's date is the day of its run: two runs a midnight apart give two dates that
// are both right.
bool AreBothDatesOfThisRun(const std::wstring& name, const SnapshotValue& a, const SnapshotValue& b) {
  auto date = [](const SnapshotValue& value) {
    return value.Type == REG_SZ ? std::wstring(reinterpret_cast<const wchar_t*>(value.Bytes.data()),
                                               value.Bytes.size() / sizeof(wchar_t)).c_str()
                                : std::wstring();
  };
  return name.ends_with(L"|installdate") && IsDateOfThisRun(date(a)) && IsDateOfThisRun(date(b));
}

}  // namespace

std::string SnapshotDifference(const RegistrySnapshot& expectedValues,
                               const RegistrySnapshot& actualValues) {
  const RegistrySnapshot expected = WithLowerCaseNames(expectedValues);
  const RegistrySnapshot actual = WithLowerCaseNames(actualValues);
  std::string difference;
  for (const auto& [name, value] : expected) {
    auto found = actual.find(name);
    if (found == actual.end()) {
      difference += "missing: " + Narrow(name) + " = " + Describe(value) + "\n";
    } else if (!(found->second == value) && !AreBothDatesOfThisRun(name, value, found->second)) {
      difference += "differs: " + Narrow(name) + " = " + Describe(found->second) + ", expected " +
                    Describe(value) + "\n";
    }
  }
  for (const auto& [name, value] : actual) {
    if (!expected.count(name)) difference += "unexpected: " + Narrow(name) + " = " + Describe(value) + "\n";
  }
  return difference;
}
