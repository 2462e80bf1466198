// Reading a whole text file into lines, whatever its encoding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/dynamic_array.h"

// Wide strings packed back to back, each with its terminator, read in order with Next.
class StringList {
 public:
  // Appends text (null counts as empty).
  void Add(const wchar_t* text);
  // The string at the cursor, and advances; false (and null) past the last one. The pointer
  // stays valid until the list is cleared or grows.
  bool Next(const wchar_t** text);
  // Puts the cursor back on the first string, for another pass.
  void Rewind() { cursor_ = 0; }
  void Clear();
  uint64_t Count() const { return count_; }

 private:
  DynamicArray<wchar_t> storage_;
  uint64_t count_ = 0;
  uint64_t cursor_ = 0;
};

enum TextEncoding : uint32_t {
  TEXT_AUTO = 0,   // detect: ANSI, UTF-16 or UTF-8 (by its byte order mark)
  TEXT_ANSI = 1,
  TEXT_OEM = 2,
  TEXT_UTF16 = 3,  // little endian unless a big-endian mark says otherwise
  TEXT_UTF8 = 4,
};

struct TextReadOptions {
  bool SearchConfigFolders = false;  // look the name up with FindSettingsFile (searchAll)
  bool ReportOpenError = false;      // a file that cannot be opened ends the run (throws 6)
  TextEncoding Encoding = TEXT_AUTO;
  bool StripQuotes = false;          // "text" -> text
  bool CutComments = false;          // a line ends before its first "//"
  bool ExpandVariables = false;      // a line starting with "%" is expanded
};

// Appends the lines of a file (null or empty name: the standard input) to lines. Lines end at CR,
// LF or the text's first zero; trailing blanks and tabs are removed, empty lines are dropped.
// True when the whole text was read (an empty one included). False, with nothing appended, when
// the file cannot be opened (and ReportOpenError is off) or a read fails part-way.
// decodedWhole (may be null) tells whether the lines hold all of the text: false when a zero
// ended it early (UTF-16 without its mark read as ANSI, a zero in the middle, a lone last byte of
// UTF-16) or a UTF-8 text, marked as one, could not be decoded to its end.
bool ReadTextFile(const wchar_t* fileName, StringList& lines, const TextReadOptions& options,
                  bool* decodedWhole = nullptr);

// TEXT_UTF8 for a valid UTF-8 text behind its mark, TEXT_UTF16 for a marked UTF-16 text whose
// high bytes include control characters, else TEXT_AUTO (meaning the ANSI code page).
TextEncoding DetectTextEncoding(const uint8_t* bytes, size_t size);
bool IsValidUtf8(const uint8_t* bytes, size_t size);
// Decodes the zero-terminated UTF-8 source into destination (capacity in UTF-16 units, one kept
// for the terminator). True when everything was decoded and stored.
bool Utf8ToWide(const uint8_t* source, wchar_t* destination, size_t capacity);
