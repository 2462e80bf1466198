// Owners of the system's handles and blocks: each closes or frees what it holds when it goes out
// of scope, so that every path out of a function gives back what it acquired.
#pragma once

#include <windows.h>

// A kernel object handle (file, process, thread, mutex). Both null and INVALID_HANDLE_VALUE mean
// "none", as the system's functions return either.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  // Closes what is held and takes handle.
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A block the system allocated with LocalAlloc for the caller (security descriptors, message
// texts).
template <typename T>
class ScopedLocalMemory {
 public:
  ScopedLocalMemory() = default;
  ~ScopedLocalMemory() {
    if (memory_ != nullptr) LocalFree(memory_);
  }
  ScopedLocalMemory(const ScopedLocalMemory&) = delete;
  ScopedLocalMemory& operator=(const ScopedLocalMemory&) = delete;

  T Get() const { return memory_; }
  T* Receive() { return &memory_; }

 private:
  T memory_ = nullptr;
};
