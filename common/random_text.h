// Names nobody can guess: text from the system's random number generator.
#pragma once

#include <cstddef>

// digits hexadecimal digits (at most 32) from the system's random number generator, into out
// (capacity characters). False when the generator fails.
bool RandomHexText(wchar_t* out, size_t capacity, int digits);
