#include "tests/support/change_trace.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <regex>
#include <tuple>

#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"

// The changes a run's trace lists, one description each.
std::vector<std::string> TracedChanges(const std::wstring& trace) {
  std::vector<std::string> changes;
  const std::string text = ReadFileBytes(trace);
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = text.substr(start, end - start);
    changes.push_back(line.substr(line.find(' ') + 1));
  }
  return changes;
}

std::vector<std::string> MaskedChanges(std::vector<std::string> changes) {
  static const std::regex random("-[0-9A-Fa-f]{16}\\b");
  static const std::regex processId("\\.[0-9]+\\.(new|tmp)\\b");
  for (std::string& change : changes) {
    change = std::regex_replace(std::regex_replace(change, random, "-<random>"), processId, ".<id>.$1");
  }
  return changes;
}

Sampling SamplingFor(Sampling fallback) {
  wchar_t text[32] = {};
  GetEnvironmentVariableW(L"QBX_STOP_POINTS", text, 32);
  const std::wstring name = text;
  return name == L"every" ? Sampling::Every : name == L"like-items" ? Sampling::LikeItems
         : name == L"kinds"  ? Sampling::Kinds : fallback;
}

std::string KindOf(std::string change, Sampling sampling) {
  // Extensions (in a key's path or as a value's name), numbers and class identifiers; but the
  // product's own extension and its volume keys (".q00" on, a branch of their own in the program)
  // stay apart from the other extensions: ".qbx" as it is, the volumes as ".q#".
  static const std::regex items(
      "\\\\\\.(?!qbx\\b|q[0-9]{2}\\b)[A-Za-z0-9]+|value \\.(?!qbx\\b|q[0-9]{2}\\b)[A-Za-z0-9]+|[0-9]+|\\{[-0-9A-F]+\\}");
  if (sampling == Sampling::Kinds) {
    // The last key or file name goes, but never the first key below the root (each class of its
    // own); a value's name stays, but for the key paths that name values of the record of keys.
    static const std::regex lastName("^(.*? (?:HK..|[A-Z]:)\\\\[^\\\\,:]+)((?:\\\\[^\\\\,:]+)*)\\\\[^\\\\,:]+(, value |: )");
    static const std::regex keyAsValue(", value (HK..)\\\\[^:]*");
    change = std::regex_replace(change, lastName, "$1$2$3");
    change = std::regex_replace(change, keyAsValue, ", value $1");
  } else if (sampling != Sampling::LikeItems) {
    static const std::regex valueOrFileName(", value .*(: [a-z ]+)$|\\\\[^\\\\]*(: [a-z ]+)$");
    change = std::regex_replace(change, valueOrFileName, "$1$2");
  }
  change = std::regex_replace(change, items, "#");
  if (sampling == Sampling::Areas) {
    static const std::regex area("^([a-z ]+ (HK..|C:)\\\\[^\\\\,:]*).*$");
    change = std::regex_replace(change, area, "$1");
  }
  return change;
}

// The changes to stop after (1-based, in order).
std::vector<int> StopPointsOf(const std::vector<std::string>& changes, Sampling sampling) {
  std::map<std::string, std::vector<int>> kinds;
  for (size_t n = 0; n < changes.size(); ++n) {
    const std::string kind = sampling == Sampling::Every ? std::to_string(n) : KindOf(changes[n], sampling);
    kinds[kind].push_back(static_cast<int>(n + 1));
  }
  std::vector<int> points;
  for (const auto& [kind, ns] : kinds) {
    for (size_t i = 0; i < ns.size(); ++i) {
      const bool likeItem = sampling == Sampling::LikeItems && (i == 1 || i + 1 == ns.size());
      if (i == 0 || likeItem) points.push_back(ns[i]);
    }
  }
  std::sort(points.begin(), points.end());
  return points;
}

bool TracedKey::operator<(const TracedKey& other) const {
  return std::tie(Root, View, Path) < std::tie(other.Root, other.View, other.Path);
}

std::vector<TracedKey> TracedKeys(const std::vector<std::string>& changes) {
  const std::regex key("(HKCR|HKLM|HKCU)\\\\(.*?)(, value .*)?( \\(32-bit view\\))?: [a-z ]+.*$");
  std::vector<TracedKey> keys;
  for (const std::string& change : changes) {
    std::smatch match;
    if (!std::regex_search(change, match, key)) continue;
    const std::string root = match[1];
    const std::string path = match[2];
    keys.push_back({root == "HKCR" ? HKEY_CLASSES_ROOT : root == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                    std::wstring(path.begin(), path.end()), match[4].matched ? KEY_WOW64_32KEY : REGSAM{0}});
  }
  return keys;
}

TracedMachine::TracedMachine() {
  keys_.insert({HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0});
}

void TracedMachine::Add(const std::vector<std::string>& changes) {
  for (const TracedKey& key : TracedKeys(changes)) keys_.insert(key);
  // A key below another one is read with it.
  for (auto key = keys_.begin(); key != keys_.end();) {
    auto next = std::next(key);
    while (next != keys_.end() && next->Root == key->Root && next->View == key->View &&
           next->Path.size() > key->Path.size() && next->Path.compare(0, key->Path.size(), key->Path) == 0 &&
           next->Path[key->Path.size()] == L'\\') {
      covered_.insert(*next);
      next = keys_.erase(next);
    }
    key = next;
  }
}

std::string TracedMachine::Unknown(const std::vector<std::string>& changes) const {
  std::string unknown;
  for (const TracedKey& key : TracedKeys(changes)) {
    if (!keys_.count(key) && !covered_.count(key)) unknown += std::string(key.Path.begin(), key.Path.end()) + "\n";
  }
  return unknown;
}

MachineSnapshot TracedMachine::Take() const {
  MachineSnapshot snapshot;
  for (const TracedKey& key : keys_) {
    const std::wstring root = key.Root == HKEY_CLASSES_ROOT ? L"HKCR" : key.Root == HKEY_LOCAL_MACHINE ? L"HKLM" : L"HKCU";
    const std::wstring prefix = root + (key.View != 0 ? L"32\\" : L"\\");
    for (const auto& [name, value] : TakeRegistrySnapshot(key.Root, key.Path, key.View, true)) {
      snapshot.Machine[prefix + name] = value;
    }
    for (size_t separator = key.Path.rfind(L'\\'); separator != std::wstring::npos && separator > 0;
         separator = key.Path.rfind(L'\\', separator - 1)) {
      const std::wstring parent = key.Path.substr(0, separator);
      if (RawKeyExists(key.Root, parent, key.View)) snapshot.Machine[prefix + parent] = {REG_NONE, "key"};
    }
  }
  snapshot.Files = TakeFileSnapshot(L"C:");
  return snapshot;
}
