// What the test build of the program (stopping_change_points.cpp) lists of a run's changes, and
// what the stop-point sweeps make of it: which changes to stop after, and which registry keys a
// comparison must read.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/machine_snapshot.h"

// The changes a run's trace file lists, one description each ("write HKCU\...: done").
std::vector<std::string> TracedChanges(const std::wstring& trace);

// The changes as two runs that made the same ones list them: the random part of a private
// folder's name and the process id in a temporary file's name masked.
std::vector<std::string> MaskedChanges(std::vector<std::string> changes);

// Which of a run's changes a sweep stops after.
enum class Sampling {
  Every,      // every one
  LikeItems,  // of like changes (the same but for numbers and extensions: the 30 volume keys,
              // the previous owner of each archive type), the first, second and last
  Kinds,      // the first of each kind: like changes, whatever their key below the first one
              // under the root or their file name; every value name and every class its own,
              // and the product's own extension and its volume keys kinds of their own
  Areas,      // the first of each action on each key or folder below a root
};

// QBX_STOP_POINTS=every, like-items or kinds in the environment overrides fallback.
Sampling SamplingFor(Sampling fallback);

// The kind of a change under sampling: changes of one kind are stopped after only once.
std::string KindOf(std::string change, Sampling sampling);

// The changes to stop after (1-based, in order).
std::vector<int> StopPointsOf(const std::vector<std::string>& changes, Sampling sampling);

// A registry key as a trace names it: "HKCR\\.zip", "HKLM\\...", a value after ", value ", the
// 32-bit view after " (32-bit view)".
struct TracedKey {
  HKEY Root;
  std::wstring Path;
  REGSAM View;
  bool operator<(const TracedKey& other) const;
};
std::vector<TracedKey> TracedKeys(const std::vector<std::string>& changes);

// The registry as far as the program's runs reach: below each key they touched, and whether each
// key above it is there. Files are those of drive C:, whole, but for the sweeps' own traces.
class TracedMachine {
 public:
  // The schedule of deletions at the next restart is written by the system for the program.
  TracedMachine();

  void Add(const std::vector<std::string>& changes);
  // The keys of changes that no whole run touched, one per line.
  std::string Unknown(const std::vector<std::string>& changes) const;
  MachineSnapshot Take() const;

 private:
  std::set<TracedKey> keys_;
  std::set<TracedKey> covered_;  // below one of keys_
};
