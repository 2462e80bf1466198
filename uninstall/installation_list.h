// The installation list "Uninstall.lst" that the product's installer writes into the
// installation folder: one path per line, relative to that folder, in the system's ANSI code page.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/dynamic_array.h"

// True when a list entry stays inside the folder it is relative to: not empty; no ".." (or any
// other component of only dots and blanks), no leading separator (rooted, network or device
// path), no ":" (drive or stream), no wildcard or control character, and no component that
// Windows takes for a device (CON, NUL, COM1, ...).
bool IsContainedEntry(const wchar_t* entry);

// The full paths of the entries to delete, in list order. Each entry holds at most
// kListedPathCapacity - 1 characters, terminated.
class InstallationList {
 public:
  // Twice a path's (kPathCapacity): the installer may list paths that long.
  static constexpr size_t kListedPathCapacity = 4096;

  // Reads the list file listPath and keeps, for every line naming something inside folder (a
  // full path with its trailing separator), the folder followed by the entry. A line loses its
  // trailing blanks, tabs and carriage returns; it is skipped when it is then empty, holds a zero
  // byte, is longer than 2047 bytes, is not all text of the ANSI code page, would not fit 4095
  // characters, fails IsContainedEntry, or passes through a junction or symbolic link inside the
  // folder (whose target is not ours). False when the file cannot be opened or read.
  bool Load(const wchar_t* listPath, const wchar_t* folder);

  uint64_t Count() const { return starts_.Count(); }
  const wchar_t* Path(uint64_t index) const { return text_.Data() + starts_[index]; }

 private:
  void Add(const char* line, const wchar_t* folder);

  DynamicArray<wchar_t> text_;
  DynamicArray<uint64_t> starts_;
  wchar_t checkedFolder_[kListedPathCapacity] = {};  // the last folder found free of links
};
