// Every value below a registry key, to tell what an operation added, changed or removed.
#pragma once

#include <windows.h>

#include <map>
#include <string>

struct SnapshotValue {
  DWORD Type;
  std::string Bytes;
  bool operator==(const SnapshotValue&) const = default;
};

// "<key path>|<value name>" to the value, for every value below root\path (recursively; the
// empty path is the whole root), in the given registry view. With keys, every key is there too,
// as "<key path>" to a REG_NONE value: a key without values counts as much as one with.
using RegistrySnapshot = std::map<std::wstring, SnapshotValue>;
RegistrySnapshot TakeRegistrySnapshot(HKEY root, const std::wstring& path, REGSAM view = 0,
                                      bool withKeys = false);

// The values of after that are new or changed against before.
RegistrySnapshot AddedOrChanged(const RegistrySnapshot& before, const RegistrySnapshot& after);

// A REG_SZ value as a snapshot holds it (with its terminator), and a REG_DWORD.
SnapshotValue TextValue(const std::wstring& text);
SnapshotValue NumberValue(DWORD number);

// True when text is the date ("yyyymmdd", local time) of the day this test process started or
// of the next day: what a run of the program writes as the day it was installed.
bool IsDateOfThisRun(const std::wstring& text);

// A readable account of how actual differs from expected ("" when they are equal): the values
// missing, the ones not expected, and the ones with other data. Two "InstallDate" texts that are
// both dates of this run are equal.
std::string SnapshotDifference(const RegistrySnapshot& expected, const RegistrySnapshot& actual);
