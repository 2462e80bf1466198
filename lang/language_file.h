// The language file "uninstall.lng": translations of the program's texts keyed by a hash of the
// English source text, and the direction of the interface.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "common/dynamic_array.h"

enum TranslationKind { KIND_STRING = 0, KIND_DIALOG = 1, KIND_MENU = 2 };

class LanguageFile {
 public:
  LanguageFile() = default;
  ~LanguageFile() { Unload(); }
  LanguageFile(const LanguageFile&) = delete;
  LanguageFile& operator=(const LanguageFile&) = delete;

  // Reads and converts the file: a name with a backslash as given, else the file of that name
  // in the program's folder. Failures leave it unloaded (every lookup gives its source).
  void Load(const wchar_t* fileName);
  bool IsLoaded() const { return text_ != nullptr; }
  // out (capacity characters, always terminated; may be source itself) = the translation of
  // source of that kind in that context (a dialog's resource name, or null), or source.
  void Translate(const wchar_t* source, wchar_t* out, size_t capacity, int kind,
                 const wchar_t* context) const;
  // The dialog's "SIZE" entry "W*H" in percent (100 and 100 without one; a percentage outside
  // 50 to 300 counts as 100); true unless both are 100.
  bool GetDialogScale(const wchar_t* dialogName, int& widthPercent, int& heightPercent) const;
  // Right to left when resourceModule holds a dialog named "RTL", when the file said
  // ":DIRECTION RTL", or when its "LTR" dialog entry translates to "RTL".
  void DecideDirection(HMODULE resourceModule);
  bool IsRightToLeft() const { return rightToLeft_; }
  // Back to nothing loaded, left to right.
  void Unload();

 private:
  bool Convert(const wchar_t* input, size_t count);
  void IndexLines();

  wchar_t* text_ = nullptr;
  uint64_t length_ = 0;
  DynamicArray<uint64_t> lineIndex_;
  bool rightToLeft_ = false;
};

// The program's language file.
extern LanguageFile gLanguageFile;

// gLanguageFile's translation.
void Translate(const wchar_t* source, wchar_t* out, size_t capacity, int kind,
               const wchar_t* context);
bool IsRightToLeft();
