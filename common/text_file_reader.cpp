#include "common/text_file_reader.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "common/file.h"
#include "common/path_names.h"
#include "common/settings_folders.h"
#include "common/text_operations.h"

void StringList::Add(const wchar_t* text) {
  if (text == nullptr) text = L"";
  const uint64_t length = wcslen(text) + 1;
  const uint64_t at = storage_.Count();
  storage_.Grow(length);
  wmemcpy(storage_.Data() + at, text, length);
  ++count_;
}

bool StringList::Next(const wchar_t** text) {
  if (cursor_ >= storage_.Count()) {
    if (text != nullptr) *text = nullptr;
    return false;
  }
  const wchar_t* current = storage_.Data() + cursor_;
  if (text != nullptr) *text = current;
  cursor_ += wcslen(current) + 1;
  return true;
}

void StringList::Clear() {
  storage_.Release();
  count_ = 0;
  cursor_ = 0;
}

namespace {

constexpr uint32_t kReadStep = 4096;

// The whole content of file; false when a read fails (the failure is not a byte count).
bool ReadWholeFile(File& file, DynamicArray<uint8_t>& content) {
  for (;;) {
    const uint64_t have = content.Count();
    content.Grow(kReadStep);
    const uint32_t read = file.Read(content.Data() + have, kReadStep);
    if (read == kReadFailed) return false;
    content.Shrink(have + read);
    if (read == 0) return true;
  }
}

// The text as UTF-16 in wide (terminated), by encoding. False when wide does not hold all of it.
bool ConvertToWide(DynamicArray<uint8_t>& content, TextEncoding encoding,
                   DynamicArray<wchar_t>& wide) {
  const uint64_t total = content.Count();
  const uint8_t* bytes = content.Data();
  const bool littleEndianMark = total >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const bool bigEndianMark = total >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
  const bool utf8Mark = total >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
  if (encoding == TEXT_AUTO) encoding = DetectTextEncoding(bytes, total);

  if (encoding == TEXT_UTF16) {
    const uint64_t skip = (littleEndianMark || bigEndianMark) ? 2 : 0;
    const uint64_t units = ((total & ~1ull) - skip) / 2;
    wide.Grow(units + 1);
    const uint8_t* unit = bytes + skip;
    for (uint64_t i = 0; i < units; ++i, unit += 2) {
      wide[i] = bigEndianMark ? static_cast<wchar_t>(unit[0] << 8 | unit[1])
                              : static_cast<wchar_t>(unit[1] << 8 | unit[0]);
    }
    wide[units] = 0;
    return (total - skip) % 2 == 0 && wmemchr(wide.Data(), 0, units) == nullptr;
  }

  const bool zeroInside = memchr(bytes, 0, total) != nullptr;
  content.Push(0);
  wide.Grow(total + 1);
  if (encoding == TEXT_UTF8) {
    return Utf8ToWide(content.Data() + (utf8Mark ? 3 : 0), wide.Data(), total + 1) && !zeroInside;
  }
  char* text = reinterpret_cast<char*>(content.Data());
  if (encoding == TEXT_OEM) OemToCharA(text, text);
  AnsiToWide(text, wide.Data(), total + 1);
  // A text marked as UTF-8 or UTF-16 that was read as ANSI after all is not what it holds.
  return !zeroInside && !utf8Mark && !littleEndianMark && !bigEndianMark;
}

bool IsLineEnd(wchar_t c) { return c == L'\r' || c == L'\n' || c == 0; }

// One line in place: its end marked, filters applied, added unless empty.
void AddLine(wchar_t* line, wchar_t* end, const TextReadOptions& options, StringList& lines) {
  if (options.CutComments) {
    for (wchar_t* p = line; p + 1 < end; ++p) {
      if (p[0] == L'/' && p[1] == L'/') {
        end = p;
        break;
      }
    }
  }
  while (end > line && (end[-1] == L' ' || end[-1] == L'\t')) --end;
  *end = 0;
  if (options.StripQuotes && end > line && line[0] == L'"' && end[-1] == L'"') {
    if (end - line == 1) {
      line[0] = 0;  // a lone quote is both the first and the last character
    } else {
      end[-1] = 0;
      ++line;
    }
  }
  if (options.ExpandVariables && line[0] == L'%') {
    wchar_t expanded[kPathCapacity];
    const DWORD needed = ExpandEnvironmentStringsW(line, expanded, kPathCapacity);
    if (needed >= 1 && needed <= 2047) {
      if (expanded[0] != 0) lines.Add(expanded);
      return;
    }
  }
  if (line[0] != 0) lines.Add(line);
}

void SplitLines(wchar_t* text, const TextReadOptions& options, StringList& lines) {
  wchar_t* line = text;
  while (*line != 0) {
    wchar_t* end = line;
    while (!IsLineEnd(*end)) ++end;
    const bool last = *end == 0;
    wchar_t* next = end + 1;
    AddLine(line, end, options, lines);
    if (last) return;
    while (*next == L'\r' || *next == L'\n') ++next;
    line = next;
  }
}

}  // namespace

bool ReadTextFile(const wchar_t* fileName, StringList& lines, const TextReadOptions& options,
                  bool* decodedWhole) {
  wchar_t name[kPathCapacity] = {};
  if (fileName != nullptr && fileName[0] != 0) {
    if (options.SearchConfigFolders) {
      FindSettingsFile(fileName, name, kPathCapacity, true, false);
    } else {
      CopyText(name, fileName, kPathCapacity);
    }
  }
  File file;
  if (name[0] == 0) {
    file.UseStandardStreams();
  } else if (options.ReportOpenError) {
    if (!file.OpenWithReport(name)) gErrorHandler.ExitWith(QBX_EXIT_OPEN_ERROR);
  } else if (!file.Open(name, 0)) {
    return false;
  }

  DynamicArray<uint8_t> content;
  if (!ReadWholeFile(file, content)) return false;
  DynamicArray<wchar_t> wide;
  const bool whole = ConvertToWide(content, options.Encoding, wide);
  if (decodedWhole != nullptr) *decodedWhole = whole;
  content.Release();
  SplitLines(wide.Data(), options, lines);
  return true;
}

TextEncoding DetectTextEncoding(const uint8_t* bytes, size_t size) {
  if (size > 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF &&
      IsValidUtf8(bytes + 3, size - 3)) {
    return TEXT_UTF8;
  }
  const bool littleEndian = size > 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const bool bigEndian = size > 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
  if (!littleEndian && !bigEndian) return TEXT_AUTO;
  for (size_t offset = littleEndian ? 3 : 2; offset < size; offset += 2) {
    const uint8_t high = bytes[offset];
    if (high <= 0x1F && high != 0x0A && high != 0x0D) return TEXT_UTF16;
  }
  return TEXT_AUTO;
}

bool IsValidUtf8(const uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size;) {
    int ones = 0;
    for (uint8_t lead = bytes[i]; (lead & 0x80) != 0; lead = static_cast<uint8_t>(lead << 1)) ++ones;
    if (ones == 1 || ones > 6) return false;
    const size_t length = ones == 0 ? 1 : static_cast<size_t>(ones);
    if (i + length > size) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

bool Utf8ToWide(const uint8_t* source, wchar_t* destination, size_t capacity) {
  if (capacity == 0) return false;
  size_t stored = 0;
  bool complete = true;
  while (*source != 0) {
    const uint8_t lead = *source;
    int continuations = 0;
    uint32_t codePoint = 0;
    if (lead < 0x80) {
      codePoint = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      continuations = 1;
      codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      continuations = 2;
      codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      continuations = 3;
      codePoint = lead & 0x07;
    } else {
      complete = false;
      break;
    }
    bool wellFormed = true;
    for (int k = 1; k <= continuations; ++k) {
      if ((source[k] & 0xC0) != 0x80) {
        wellFormed = false;  // also stops at the terminating zero
        break;
      }
      codePoint = codePoint << 6 | (source[k] & 0x3F);
    }
    if (!wellFormed) {
      complete = false;
      break;
    }
    source += 1 + continuations;
    if (codePoint > 0x10FFFF) {
      complete = false;
      continue;
    }
    const size_t units = codePoint > 0xFFFF ? 2 : 1;
    if (stored + units > capacity - 1) {
      complete = false;
      break;
    }
    if (units == 2) {
      codePoint -= 0x10000;
      destination[stored++] = static_cast<wchar_t>(0xD800 + (codePoint >> 10));
      destination[stored++] = static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
    } else {
      destination[stored++] = static_cast<wchar_t>(codePoint);
    }
  }
  destination[stored] = 0;
  return complete;
}
