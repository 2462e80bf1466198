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

// An open registry key.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  HKEY* Receive() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
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

// A library loaded for this scope, freed with FreeLibrary.
class ScopedLibrary {
 public:
  explicit ScopedLibrary(HMODULE library) : library_(library) {}
  ~ScopedLibrary() {
    if (library_ != nullptr) FreeLibrary(library_);
  }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;

  HMODULE Get() const { return library_; }

 private:
  HMODULE library_ = nullptr;
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

// A GDI font, deleted with DeleteObject.
class ScopedFont {
 public:
  explicit ScopedFont(HFONT font) : font_(font) {}
  ~ScopedFont() {
    if (font_ != nullptr) DeleteObject(font_);
  }
  ScopedFont(const ScopedFont&) = delete;
  ScopedFont& operator=(const ScopedFont&) = delete;

  HFONT Get() const { return font_; }

 private:
  HFONT font_ = nullptr;
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
