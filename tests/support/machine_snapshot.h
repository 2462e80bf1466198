// The whole state a setup and an uninstall run may touch: the machine's and the user's registry
// in both views, and every file and folder of drive C:. Taken before and after, compared whole,
// so that a leftover shows up wherever it is.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "tests/support/registry_snapshot.h"

// Every file (its size) and folder (-1) below root, lower-cased paths; links are not followed.
using FileSnapshot = std::map<std::wstring, int64_t>;
FileSnapshot TakeFileSnapshot(const std::wstring& root);

struct MachineSnapshot {
  RegistrySnapshot Machine;
  RegistrySnapshot Machine32;
  RegistrySnapshot User;
  RegistrySnapshot User32;
  FileSnapshot Files;
};
MachineSnapshot TakeMachineSnapshot();

// "" when equal; otherwise every difference, one per line.
std::string MachineDifference(const MachineSnapshot& before, const MachineSnapshot& after);
