// Typed lookup of a function that a system library may or may not export.
#pragma once

#include <windows.h>

// GetProcAddress cast to the function type; null when the module or the export is missing.
// The detour through void* is the sanctioned way from FARPROC to another function type.
template <typename Function>
Function ProcedureAddress(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
