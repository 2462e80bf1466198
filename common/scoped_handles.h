// Owners of the system's handles and blocks: each closes or frees what it holds when it goes out
// of scope, so that every path out of a function gives back what it acquired.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdlib>

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

// An object that one call of the system frees or closes (Free), null meaning none.
template <typename T, auto Free>
class ScopedObject {
 public:
  explicit ScopedObject(T object = nullptr) : object_(object) {}
  ~ScopedObject() {
    if (object_ != nullptr) Free(object_);
  }
  ScopedObject(const ScopedObject&) = delete;
  ScopedObject& operator=(const ScopedObject&) = delete;

  T Get() const { return object_; }
  T* Receive() { return &object_; }

 private:
  T object_ = nullptr;
};

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
