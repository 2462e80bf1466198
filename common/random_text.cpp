#include "common/random_text.h"

#include <windows.h>
#include <ntsecapi.h>

#include "common/text_operations.h"

// The system's random generator through advapi32 (RtlGenRandom), one of the libraries the system
// loads only from its own folder: bcrypt.dll is not, and as a static import it would be looked up
// in the program's folder first, before the program can restrict the search.

bool RandomHexText(wchar_t* out, size_t capacity, int digits) {
  unsigned char bytes[16];
  if (digits < 0 || digits > 32 || capacity <= static_cast<size_t>(digits) ||
      !RtlGenRandom(bytes, sizeof bytes)) {
    return false;
  }
  BytesToHex(bytes, static_cast<size_t>(digits + 1) / 2, out, static_cast<size_t>(digits) + 1);
  return true;
}
