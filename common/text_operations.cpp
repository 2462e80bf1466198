#include "common/text_operations.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cstring>

namespace {

template <typename Char>
size_t Length(const Char* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

template <typename Char>
void CopyBounded(Char* dst, const Char* src, size_t capacity) {
  if (capacity == 0) return;
  size_t i = 0;
  for (; i + 1 < capacity && src[i] != 0; ++i) dst[i] = src[i];
  dst[i] = 0;
}

template <typename Char>
void AppendBounded(Char* dst, const Char* src, size_t capacity) {
  const size_t length = Length(dst);
  if (length < capacity) CopyBounded(dst + length, src, capacity - length);
}

// msvcrt's _vsn*printf write at most `count` characters and return -1 when the text did not fit,
// without terminating a full buffer; both are mended here so callers see one rule.
template <typename Char, typename Formatter>
int FormatBounded(Char* dst, size_t capacity, Formatter format) {
  if (capacity == 0) return -1;
  const int written = format(capacity - 1);
  dst[capacity - 1] = 0;
  if (written < 0 || static_cast<size_t>(written) >= capacity) return -1;
  dst[written] = 0;
  return written;
}

}  // namespace

void CopyText(wchar_t* dst, const wchar_t* src, size_t capacity) { CopyBounded(dst, src, capacity); }
void CopyText(char* dst, const char* src, size_t capacity) { CopyBounded(dst, src, capacity); }
void AppendText(wchar_t* dst, const wchar_t* src, size_t capacity) { AppendBounded(dst, src, capacity); }
void AppendText(char* dst, const char* src, size_t capacity) { AppendBounded(dst, src, capacity); }

int CompareNoCase(const wchar_t* a, const wchar_t* b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, a, -1, b, -1) - 2;
}

int CompareNoCaseN(const wchar_t* a, const wchar_t* b, size_t n) {
  const size_t lengthA = Length(a) + 1;
  const size_t lengthB = Length(b) + 1;
  const int countA = static_cast<int>(lengthA < n ? lengthA : n);
  const int countB = static_cast<int>(lengthB < n ? lengthB : n);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, a, countA, b,
                        countB) - 2;
}

wchar_t UpperChar(wchar_t c) {
  if (c == L'i') return L'I';
  // CharUpperW takes a single character when the high word of its argument is zero.
  return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(
      CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

bool IsAlpha(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool WideToAnsi(const wchar_t* src, char* dst, size_t capacity) {
  if (capacity == 0) return false;
  dst[0] = 0;
  const int converted = WideCharToMultiByte(CP_ACP, 0, src, -1, dst, static_cast<int>(capacity),
                                            nullptr, nullptr);
  dst[capacity - 1] = 0;
  return converted != 0;
}

bool AnsiToWide(const char* src, wchar_t* dst, size_t capacity) {
  if (capacity == 0) return false;
  dst[0] = 0;
  const int converted = MultiByteToWideChar(CP_ACP, 0, src, -1, dst, static_cast<int>(capacity));
  dst[capacity - 1] = 0;
  return converted != 0;
}

int64_t ParseInt(const wchar_t* text) {
  const bool negative = *text == L'-';
  if (negative) ++text;
  uint64_t value = 0;
  for (; IsDigit(*text); ++text) value = value * 10 + static_cast<uint64_t>(*text - L'0');
  return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

void IntToText(int64_t value, wchar_t* dst, size_t capacity) {
  if (capacity == 0) return;
  // Digits are produced least significant first, so the ones that do not fit are the most
  // significant: keeping the last capacity - 1 characters drops exactly those.
  wchar_t reversed[24];
  size_t count = 0;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    reversed[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) reversed[count++] = L'-';
  const size_t kept = count < capacity - 1 ? count : capacity - 1;
  for (size_t i = 0; i < kept; ++i) dst[i] = reversed[kept - 1 - i];
  dst[kept] = 0;
}

int FormatTextV(wchar_t* dst, size_t capacity, const wchar_t* format, va_list arguments) {
  return FormatBounded(dst, capacity, [&](size_t count) {
    return _vsnwprintf(dst, count, format, arguments);
  });
}

int FormatTextV(char* dst, size_t capacity, const char* format, va_list arguments) {
  return FormatBounded(dst, capacity, [&](size_t count) {
    return _vsnprintf(dst, count, format, arguments);
  });
}

int FormatText(wchar_t* dst, size_t capacity, const wchar_t* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = FormatTextV(dst, capacity, format, arguments);
  va_end(arguments);
  return written;
}

int FormatText(char* dst, size_t capacity, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = FormatTextV(dst, capacity, format, arguments);
  va_end(arguments);
  return written;
}

int FormatWithText(wchar_t* dst, size_t capacity, const wchar_t* format, const wchar_t* argument) {
  if (capacity == 0) return -1;
  size_t length = 0;
  bool cut = false;
  auto put = [&](wchar_t c) {
    if (length + 1 < capacity) {
      dst[length++] = c;
    } else {
      cut = true;
    }
  };
  bool argumentUsed = false;
  for (const wchar_t* p = format; *p != 0; ++p) {
    if (p[0] == L'%' && p[1] == L'%') {
      put(L'%');
      ++p;
    } else if (p[0] == L'%' && p[1] == L's' && !argumentUsed) {
      for (const wchar_t* a = argument; *a != 0; ++a) put(*a);
      argumentUsed = true;
      ++p;
    } else {
      put(*p);
    }
  }
  dst[length] = 0;
  return cut ? -1 : static_cast<int>(length);
}

void BytesToHex(const uint8_t* bytes, size_t count, wchar_t* dst, size_t capacity) {
  if (capacity == 0) return;
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  size_t length = 0;
  for (size_t i = 0; i < count && length + 2 < capacity; ++i) {
    dst[length++] = kDigits[bytes[i] >> 4];
    dst[length++] = kDigits[bytes[i] & 15];
  }
  dst[length] = 0;
}

namespace {

int HexDigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

}  // namespace

int64_t HexToBytes(const wchar_t* text, uint8_t* dst, size_t capacity) {
  size_t count = 0;
  for (; text[0] != 0; text += 2) {
    const int high = HexDigitValue(text[0]);
    const int low = high < 0 ? -1 : HexDigitValue(text[1]);
    if (low < 0 || count == capacity) return -1;
    dst[count++] = static_cast<uint8_t>(high << 4 | low);
  }
  return static_cast<int64_t>(count);
}

bool IsWebAddress(const wchar_t* text) {
  return CompareNoCaseN(text, L"http://", 7) == 0 || CompareNoCaseN(text, L"https://", 8) == 0;
}
