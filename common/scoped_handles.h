// Owners of the system's handles and blocks: each closes or frees what it holds when it goes out
// of scope, so that every path out of a function gives back what it acquired.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdlib>

// What an owner holds when it holds nothing. Most of the system's functions answer null for
// "none"; those that answer INVALID_HANDLE_VALUE (CreateFileW, FindFirstFileW) take HandleIsNone,
// under which both mean none.
template <typename T>
struct NullIsNone {
  static constexpr T None() { return nullptr; }
  static bool IsNone(T object) { return object == nullptr; }
};
struct HandleIsNone {
  static HANDLE None() { return nullptr; }
  static bool IsNone(HANDLE handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }
};

// An object that one call of the system frees or closes (Free); Traits say what "none" is.
template <typename T, auto Free, typename Traits = NullIsNone<T>>
class ScopedObject {
 public:
  explicit ScopedObject(T object = Traits::None()) : object_(object) {}
  ~ScopedObject() { Reset(); }
  ScopedObject(const ScopedObject&) = delete;
  ScopedObject& operator=(const ScopedObject&) = delete;
  ScopedObject(ScopedObject&& other) noexcept : object_(other.Take()) {}
  ScopedObject& operator=(ScopedObject&& other) noexcept {
    Reset(other.Take());
    return *this;
  }

  T Get() const { return object_; }
  bool Valid() const { return !Traits::IsNone(object_); }
  // Where a system function puts a new object; what was held is freed first.
  T* Receive() {
    Reset();
    return &object_;
  }
  // Frees what is held and takes object.
  void Reset(T object = Traits::None()) {
    if (Valid()) Free(object_);
    object_ = object;
  }
  // Gives up what is held, unfreed, to the caller.
  T Take() {
    const T object = object_;
    object_ = Traits::None();
    return object;
  }

 private:
  T object_;
};

// A kernel object handle (file, process, thread, mutex).
using ScopedHandle = ScopedObject<HANDLE, CloseHandle, HandleIsNone>;
// A search of FindFirstFileW.
using ScopedFindHandle = ScopedObject<HANDLE, FindClose, HandleIsNone>;

// A block the system allocated with LocalAlloc for the caller (security descriptors, message
// texts).
template <typename T>
using ScopedLocalMemory = ScopedObject<T, LocalFree>;
// An open registry key.
using RegistryKey = ScopedObject<HKEY, RegCloseKey>;
// A library loaded for this scope.
using ScopedLibrary = ScopedObject<HMODULE, FreeLibrary>;
// A GDI font.
using ScopedFont = ScopedObject<HFONT, DeleteObject>;

// A block from malloc, freed with free: the buffers that a thrown memory error must not leak.
template <typename T>
class ScopedMemory {
 public:
  ScopedMemory() = default;
  explicit ScopedMemory(size_t bytes) : memory_(static_cast<T*>(malloc(bytes))) {}
  ~ScopedMemory() { free(memory_); }
  ScopedMemory(const ScopedMemory&) = delete;
  ScopedMemory& operator=(const ScopedMemory&) = delete;

  T* Get() const { return memory_; }

 private:
  T* memory_ = nullptr;
};

// A COM interface pointer, released once.
template <typename Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;

  Interface* operator->() const { return pointer_; }
  Interface* Get() const { return pointer_; }
  Interface** Receive() { return &pointer_; }
  void** ReceiveVoid() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

// The two handles CreateProcessW gives back: the process and its first thread.
class ScopedProcess {
 public:
  ScopedProcess() = default;
  ~ScopedProcess() {
    if (information_.hThread != nullptr) CloseHandle(information_.hThread);
    if (information_.hProcess != nullptr) CloseHandle(information_.hProcess);
  }
  ScopedProcess(const ScopedProcess&) = delete;
  ScopedProcess& operator=(const ScopedProcess&) = delete;

  PROCESS_INFORMATION* Receive() { return &information_; }
  HANDLE Process() const { return information_.hProcess; }

 private:
  PROCESS_INFORMATION information_ = {};
};

// OLE (and COM) initialised on this thread for this scope; uninitialised only when it succeeded,
// as the system asks.
class ScopedOleInitialization {
 public:
  ScopedOleInitialization() : initialized_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~ScopedOleInitialization() {
    if (initialized_) OleUninitialize();
  }
  ScopedOleInitialization(const ScopedOleInitialization&) = delete;
  ScopedOleInitialization& operator=(const ScopedOleInitialization&) = delete;

 private:
  bool initialized_ = false;
};

// The screen's device context, released with ReleaseDC; null when the system has none to give.
class ScopedScreenDC {
 public:
  ScopedScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScopedScreenDC() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScopedScreenDC(const ScopedScreenDC&) = delete;
  ScopedScreenDC& operator=(const ScopedScreenDC&) = delete;

  HDC Get() const { return dc_; }

 private:
  HDC dc_ = nullptr;
};
