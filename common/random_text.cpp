#include "common/random_text.h"

#include <windows.h>
#include <bcrypt.h>

#include "common/text_operations.h"

bool RandomHexText(wchar_t* out, size_t capacity, int digits) {
  unsigned char bytes[16];
  if (digits < 0 || digits > 32 || capacity <= static_cast<size_t>(digits) ||
      !BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return false;
  }
  BytesToHex(bytes, static_cast<size_t>(digits + 1) / 2, out, static_cast<size_t>(digits) + 1);
  return true;
}
