#include "lang/language_file.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "common/crc32.h"
#include "common/file.h"
#include "common/path_names.h"
#include "common/scoped_handles.h"
#include "common/static_order.h"
#include "common/text_operations.h"
#include "lang/language_key_table.h"

LanguageFile gLanguageFile QBX_INIT_ORDER(QBX_INIT_LANGUAGE_FILE);

namespace {

constexpr uint32_t kBlockSize = 8192;
constexpr uint32_t kBlockOverlap = 16;
constexpr int kMaxBlocks = 256;
constexpr size_t kTextLimit = 262144;          // characters of converted text
constexpr uint32_t kRawLimit = 2 * kTextLimit;  // bytes read after the marker
constexpr size_t kKeyLimit = 99;                 // characters of a key, bytes of a prefix
constexpr wchar_t kLineBreak = 0x000C;

const char kMarkerTail[] = "*messages**";  // after two more asterisks

bool EightBitMarkerAt(const uint8_t* bytes, uint32_t j) {
  return bytes[j] == '*' && bytes[j + 1] == '*' && memcmp(bytes + j + 2, kMarkerTail, 11) == 0;
}

bool WideMarkerAt(const uint8_t* bytes, uint32_t j) {
  auto unit = [&](uint32_t at) { return static_cast<wchar_t>(bytes[at] | bytes[at + 1] << 8); };
  if (unit(j) != L'*' || unit(j + 2) != L'*') return false;
  for (int k = 0; k < 11; ++k) {
    if (unit(j + 4 + 2 * k) != static_cast<wchar_t>(kMarkerTail[k])) return false;
  }
  return true;
}

// Finds the marker in overlapping blocks. True with its file offset and whether the file is
// UTF-16LE.
bool FindMarker(File& file, int64_t& markerOffset, bool& wide) {
  static uint8_t block[kBlockSize];
  int64_t offset = 0;
  for (int blocks = 0; blocks < kMaxBlocks; ++blocks) {
    if (!file.Seek(offset, FILE_BEGIN)) return false;
    const uint32_t read = file.Read(block, kBlockSize);
    if (read == kReadFailed || read < kBlockOverlap) return false;
    for (uint32_t j = 0; j + kBlockOverlap <= read; ++j) {
      if (EightBitMarkerAt(block, j)) {
        wide = false;
      } else if (j + 2 * kBlockOverlap <= read && WideMarkerAt(block, j)) {
        wide = true;
      } else {
        continue;
      }
      markerOffset = offset + j;
      return true;
    }
    if (read < kBlockSize) return false;  // that was the end of the file
    offset += read - kBlockOverlap;
  }
  return false;
}

// Reads up to limit bytes from the current position (the file object reads what it is given).
uint32_t ReadUpTo(File& file, uint8_t* buffer, uint32_t limit) {
  uint32_t total = 0;
  while (total < limit) {
    const uint32_t read = file.Read(buffer + total, limit - total);
    if (read == kReadFailed || read == 0) break;
    total += read;
  }
  return total;
}

bool IsLineEnd(wchar_t c) { return c == L'\r' || c == L'\n'; }

// What a backslash followed by c stands for, or 0 when the pair is no escape.
wchar_t EscapedCharacter(wchar_t c) {
  switch (c) {
    case L'"': return L'"';
    case L'\\': return L'\\';
    case L'n': return L'\n';
    case L'r': return L'\r';
    case L't': return L'\t';
    default: return 0;
  }
}

// The word at input[e...] up to the first character at or below U+0020, at most limit
// characters; e moves past it.
size_t TakeWord(const wchar_t* input, size_t count, size_t& e, wchar_t* word, size_t limit) {
  size_t length = 0;
  while (e < count && input[e] > L' ' && length < limit) word[length++] = input[e++];
  word[length] = 0;
  return length;
}

void FormatHash(uint32_t hash, wchar_t* out) { FormatText(out, 9, L"%08x", hash); }

uint32_t HashOf(const wchar_t* source, int kind, const wchar_t* context) {
  static const char kKinds[] = {'s', '$', '@'};
  char bytes[4096];
  uint32_t crc = Crc32Update(0xFFFFFFFFu, &kKinds[kind < 0 || kind > 2 ? 0 : kind], 1);
  if (context != nullptr) {
    WideToAnsi(context, bytes, 4096);
    crc = Crc32Update(crc, bytes, strlen(bytes));
  }
  WideToAnsi(source, bytes, 4096);
  crc = Crc32Update(crc, bytes, strlen(bytes));
  return ~crc;
}

}  // namespace

void LanguageFile::Unload() {
  free(text_);
  text_ = nullptr;
  length_ = 0;
  lineIndex_.Release();
  rightToLeft_ = false;
}

void LanguageFile::Load(const wchar_t* fileName) {
  Unload();  // whatever happens below, nothing of an earlier file stays
  wchar_t path[kPathCapacity];
  if (wcschr(fileName, L'\\') != nullptr) {
    CopyText(path, fileName, kPathCapacity);
  } else {
    const DWORD length = GetModuleFileNameW(nullptr, path, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) return;
    *NamePart(path) = 0;
    AppendText(path, fileName, kPathCapacity);
  }
  File file;
  if (!file.Open(path, kOpenShareWrite)) return;

  int64_t markerOffset = 0;
  bool wide = false;
  if (!FindMarker(file, markerOffset, wide) || !file.Seek(markerOffset, FILE_BEGIN)) return;

  // Owned, so that the memory error Convert may throw frees them too.
  ScopedMemory<uint8_t> raw(kRawLimit + 2);
  if (raw.Get() == nullptr) return;
  const uint32_t read = ReadUpTo(file, raw.Get(), kRawLimit);
  if (wide) {
    const size_t count = read / 2;
    Convert(reinterpret_cast<const wchar_t*>(raw.Get()), count > kTextLimit ? kTextLimit : count);
    return;
  }
  raw.Get()[read] = 0;
  ScopedMemory<wchar_t> converted(2 * static_cast<size_t>(read) + 2);
  if (converted.Get() == nullptr) return;
  size_t count = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(raw.Get()), read + 1,
                                     converted.Get(), read + 1);
  if (count > 0) --count;  // the terminator
  Convert(converted.Get(), count > kTextLimit ? kTextLimit : count);
}

bool LanguageFile::Convert(const wchar_t* input, size_t count) {
  text_ = static_cast<wchar_t*>(malloc((kTextLimit + 1) * sizeof(wchar_t)));
  if (text_ == nullptr) return false;
  SortLanguageKeyTable();

  char prefix[kKeyLimit + 1] = "s:";
  size_t j = 0;
  auto room = [&] { return kTextLimit - j; };
  // CR and LF end lines; a backslash escapes a quote, a backslash, n, r or t.
  auto copyCharacter = [&](size_t& e) {
    const wchar_t c = input[e++];
    wchar_t escaped = 0;
    if (c == L'\\' && e < count) escaped = EscapedCharacter(input[e]);
    if (escaped != 0) {
      text_[j++] = escaped;
      ++e;
    } else {
      text_[j++] = IsLineEnd(c) ? kLineBreak : c;
    }
  };

  size_t e = 0;
  while (e < count && input[e] != 0 && room() >= 3) {
    const bool lineStart = e > 0 && IsLineEnd(input[e - 1]);
    if (lineStart && input[e] == L':') {
      static const wchar_t* const kHeadings[] = {L"STRINGS", L"DIALOG", L"MENU", L"DIRECTION"};
      int heading = -1;
      size_t after = e + 1;
      for (int h = 0; h < 4 && heading < 0; ++h) {
        const size_t length = wcslen(kHeadings[h]);
        if (e + 1 + length <= count && wcsncmp(input + e + 1, kHeadings[h], length) == 0 &&
            (e + 1 + length == count || input[e + 1 + length] <= L' ')) {
          heading = h;
          after = e + 1 + length;
        }
      }
      if (heading >= 0) {
        e = after;
        if (heading == 0) {
          CopyText(prefix, "s:", sizeof prefix);
        } else {
          while (e < count && (input[e] == L' ' || input[e] == L'\t')) ++e;
          wchar_t word[kKeyLimit + 1];
          TakeWord(input, count, e, word, kKeyLimit);
          if (heading == 3) {
            rightToLeft_ = wcscmp(word, L"RTL") == 0;
          } else {
            char name[kKeyLimit + 1];
            WideToAnsi(word, name, sizeof name);
            FormatText(prefix, sizeof prefix, "%c%s:", heading == 1 ? '$' : '@', name);
          }
        }
        continue;  // the rest of the heading line is copied like any text
      }
    }
    if (lineStart && IsAlpha(input[e])) {
      size_t separator = e;
      while (separator < count && separator - e < kKeyLimit && input[separator] != L' ' &&
             input[separator] != L'\t' && input[separator] != 0 && !IsLineEnd(input[separator])) {
        ++separator;
      }
      if (separator < count && separator - e < kKeyLimit &&
          (input[separator] == L' ' || input[separator] == L'\t')) {
        wchar_t keyText[kKeyLimit + 1];
        wmemcpy(keyText, input + e, separator - e);
        keyText[separator - e] = 0;
        char key[kKeyLimit + 1];
        CopyText(key, prefix, sizeof key);
        char name[kKeyLimit + 1];
        WideToAnsi(keyText, name, sizeof name);
        AppendText(key, name, sizeof key);
        const LanguageKey* found = FindLanguageKey(key);
        if (found != nullptr && room() >= 9 + 1) {
          FormatHash(static_cast<uint32_t>(found->Hash), text_ + j);
          text_[j + 8] = L'=';
          j += 9;
          e = separator;
          while (e < count && (input[e] == L' ' || input[e] == L'\t')) ++e;
          continue;
        }
      }
    }
    copyCharacter(e);
  }
  text_[j] = 0;
  length_ = j;
  IndexLines();
  return true;
}

void LanguageFile::IndexLines() {
  for (uint64_t k = 1; k + 8 < length_; ++k) {
    if (text_[k - 1] == kLineBreak && text_[k] != kLineBreak) lineIndex_.Push(k);
  }
  const wchar_t* text = text_;
  std::sort(lineIndex_.Data(), lineIndex_.Data() + lineIndex_.Count(),
            [text](uint64_t a, uint64_t b) { return wcsncmp(text + a, text + b, 8) < 0; });
}

void LanguageFile::Translate(const wchar_t* source, wchar_t* out, size_t capacity, int kind,
                             const wchar_t* context) const {
  if (capacity == 0) return;
  auto keepSource = [&] {
    if (out != source) CopyText(out, source, capacity);
  };
  if (!IsLoaded()) return keepSource();

  wchar_t hash[9];
  FormatHash(HashOf(source, kind, context), hash);
  const wchar_t* text = text_;
  const uint64_t* begin = lineIndex_.Data();
  const uint64_t* end = begin + lineIndex_.Count();
  const uint64_t* found = std::lower_bound(begin, end, hash, [text](uint64_t offset, const wchar_t* key) {
    return wcsncmp(text + offset, key, 8) < 0;
  });
  if (found == end || wcsncmp(text + *found, hash, 8) != 0) return keepSource();

  const wchar_t* value = text + *found + 9;
  if (*value == L'"') ++value;
  const wchar_t* valueEnd = wcschr(value, kLineBreak);
  if (valueEnd == nullptr) {  // the last line: to the end, but at most 255 characters
    valueEnd = value + wcslen(value);
    if (valueEnd - value > 255) valueEnd = value + 255;
  }
  size_t length = static_cast<size_t>(valueEnd - value);
  if (length > capacity - 1) length = capacity - 1;
  // out may be source, never the language text: a plain copy is safe.
  wmemmove(out, value, length);
  out[length] = 0;
  if (wchar_t* quote = wcsrchr(out, L'"')) *quote = 0;
}

bool LanguageFile::GetDialogScale(const wchar_t* dialogName, int& widthPercent,
                                  int& heightPercent) const {
  wchar_t value[kShortTextCapacity];
  Translate(L"", value, kShortTextCapacity, KIND_DIALOG, dialogName);
  const wchar_t* star = wcschr(value, L'*');
  // A percentage beyond these would overflow the scaling or shrink the dialog until its buttons
  // cannot be reached: it counts as none.
  auto percent = [](const wchar_t* text) {
    const int64_t number = ParseInt(text);
    return number >= 50 && number <= 300 ? static_cast<int>(number) : 100;
  };
  widthPercent = star != nullptr ? percent(value) : 100;
  heightPercent = star != nullptr ? percent(star + 1) : 100;
  return widthPercent != 100 || heightPercent != 100;
}

void LanguageFile::DecideDirection(HMODULE resourceModule) {
  if (FindResourceW(resourceModule, L"RTL", RT_DIALOG) != nullptr) {
    rightToLeft_ = true;
    return;
  }
  if (rightToLeft_) return;
  wchar_t direction[kTextCapacity];
  Translate(L"LTR", direction, kTextCapacity, KIND_DIALOG, L"LTR");
  rightToLeft_ = wcscmp(direction, L"RTL") == 0;
}

void Translate(const wchar_t* source, wchar_t* out, size_t capacity, int kind,
               const wchar_t* context) {
  gLanguageFile.Translate(source, out, capacity, kind, context);
}

bool IsRightToLeft() { return gLanguageFile.IsRightToLeft(); }
