// Bounded text operations over caller-owned buffers.
//
// Every capacity is counted in characters of the buffer's type (UTF-16 units for wide text,
// bytes for 8-bit text) and includes the terminating zero. The rule "at most capacity - 1
// characters, always terminated" lives in CopyText; every other writer here funnels through it or
// enforces the same bound. A capacity of 0 writes nothing at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdarg>

// The program's fixed buffer sizes besides kPathCapacity (path_names.h): arguments, registry
// value names and formatted lines; strings and registry key paths.
constexpr size_t kTextCapacity = 1024;
constexpr size_t kShortTextCapacity = 512;

// Copies at most capacity - 1 characters of src into dst and terminates.
void CopyText(wchar_t* dst, const wchar_t* src, size_t capacity);
void CopyText(char* dst, const char* src, size_t capacity);

// Appends src when dst holds fewer than capacity characters; otherwise dst is left unchanged.
void AppendText(wchar_t* dst, const wchar_t* src, size_t capacity);
void AppendText(char* dst, const char* src, size_t capacity);

// CompareStringW in the user's default locale, ignoring case, word sort off: 0 when equal,
// negative when a sorts first, positive otherwise.
int CompareNoCase(const wchar_t* a, const wchar_t* b);
// The same over at most n characters of each text; a text shorter than n takes part with its
// terminating zero, so "no" never matches the first 4 characters of "noexplorer".
int CompareNoCaseN(const wchar_t* a, const wchar_t* b, size_t n);

// "i" always becomes "I" (the Turkish locale would give a dotted capital); any other character
// goes through CharUpperW.
wchar_t UpperChar(wchar_t c);
bool IsAlpha(wchar_t c);  // ASCII letters only
bool IsDigit(wchar_t c);  // "0" to "9" only

// True for a text that begins with "http://" or "https://" (any case).
bool IsWebAddress(const wchar_t* text);

// Conversions through the system ANSI code page. dst is emptied first and its last element always
// zero, so a text that does not fit comes out cut and terminated. True when the system converted
// the whole text.
bool WideToAnsi(const wchar_t* src, char* dst, size_t capacity);
bool AnsiToWide(const char* src, wchar_t* dst, size_t capacity);

// Optional "-", then decimal digits up to the first non-digit; no blanks skipped, no digits gives 0.
int64_t ParseInt(const wchar_t* text);
// Decimal text of value; when it does not fit, the most significant digits are dropped.
void IntToText(int64_t value, wchar_t* dst, size_t capacity);

// Two upper-case hexadecimal digits per byte. Bytes that do not fit whole are left out.
void BytesToHex(const uint8_t* bytes, size_t count, wchar_t* dst, size_t capacity);
// The bytes of a text of hexadecimal digit pairs (either case) into dst (capacity in bytes): the
// number of bytes, or -1 when the text is not all digit pairs or does not fit.
int64_t HexToBytes(const wchar_t* text, uint8_t* dst, size_t capacity);

// printf-style formatting (msvcrt rules: "%s" is a wide text in the wide variant and an 8-bit
// text in the 8-bit variant). Returns the number of characters written, or -1 when the result had
// to be cut; the output is terminated in both cases.
int FormatText(wchar_t* dst, size_t capacity, const wchar_t* format, ...);
int FormatText(char* dst, size_t capacity, const char* format, ...);
int FormatTextV(wchar_t* dst, size_t capacity, const wchar_t* format, va_list arguments);
int FormatTextV(char* dst, size_t capacity, const char* format, va_list arguments);

// Formats a text that may come from a translator (string table of a language library, language
// file) with one text argument: the first "%s" takes argument, "%%" gives "%", and every other
// directive is copied as it stands. A translated format can thus never read arguments that were
// not passed. Same bound and result as FormatText.
int FormatWithText(wchar_t* dst, size_t capacity, const wchar_t* format, const wchar_t* argument);

// The same into a buffer whose capacity is its declared size: a size is written only where its
// buffer is declared.
template <size_t N>
void CopyText(wchar_t (&dst)[N], const wchar_t* src) {
  CopyText(dst, src, N);
}
template <size_t N>
void AppendText(wchar_t (&dst)[N], const wchar_t* src) {
  AppendText(dst, src, N);
}
template <size_t N, typename... Arguments>
int FormatText(wchar_t (&dst)[N], const wchar_t* format, Arguments... arguments) {
  return FormatText(dst, N, format, arguments...);
}
template <size_t N>
int FormatWithText(wchar_t (&dst)[N], const wchar_t* format, const wchar_t* argument) {
  return FormatWithText(dst, N, format, argument);
}
