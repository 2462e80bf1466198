// The whole state a setup and an uninstall run may touch: the machine's and the user's registry
// in both views, and every file and folder of drive C:. Taken before and after, compared whole,
// so that a leftover shows up wherever it is.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>

#include "tests/support/registry_snapshot.h"

// A file's size and a hash of its content (a link's: of the link itself, not followed); a folder
// is Size -1, Hash 0. Attributes: those a run may set or reset and a person relies on (read-only
// above all, hidden, system).
struct FileState {
  int64_t Size = -1;
  uint64_t Hash = 0;
  uint32_t Attributes = 0;
  bool operator==(const FileState&) const = default;
};

// Every file and folder below root, by lower-cased path; links are not followed. A file's content
// is read again only when its size or time of last writing changed since this process last read
// it: the first snapshot of a prefix's drive reads it whole (about a second), the next ones only
// what changed.
using FileSnapshot = std::map<std::wstring, FileState>;
FileSnapshot TakeFileSnapshot(const std::wstring& root);

struct MachineSnapshot {
  RegistrySnapshot Machine;
  RegistrySnapshot Machine32;
  RegistrySnapshot User;
  RegistrySnapshot User32;
  FileSnapshot Files;
};
// The files of the given folders only (by default the whole drive): a test that must stay within
// a minute on a loaded machine names the folders a run may write to.
MachineSnapshot TakeMachineSnapshot(std::initializer_list<std::wstring> fileRoots = {L"C:"});

// "" when equal; otherwise every difference, one per line.
std::string FileDifference(const FileSnapshot& before, const FileSnapshot& after);
std::string MachineDifference(const MachineSnapshot& before, const MachineSnapshot& after);
