// Where this program lives: the installation folder holds the product's other files beside it.
// Capacities in characters; results are cut to capacity - 1 characters and terminated.
#pragma once

#include <cstddef>

// This program's full path; "" when it cannot be had (or does not fit kPathCapacity characters).
void GetProgramPath(wchar_t* out, size_t capacity);
// Its folder, without a trailing separator except at a drive root (RemoveName).
void GetProgramFolder(wchar_t* out, size_t capacity);
// The file name beside this program: its path with the name part replaced by name.
void GetProgramFilePath(const wchar_t* name, wchar_t* out, size_t capacity);
