// Keyboard shortcuts ("&x" in a control's text) must be unique within each dialog, in the
// program's own templates, in the language library's and in the shipped language files: with
// two, Alt+x reaches only the first and the other control is out of reach of the keyboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "lang/dialog_localization.h"
#include "lang/language_file.h"
#include "tests/support/process_runner.h"
#include "tests/support/scratch_folder.h"

namespace {

const wchar_t* currentDialog = nullptr;

INT_PTR CALLBACK LocalizedDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CommonDialogHandler(window, message, wParam, lParam, currentDialog, nullptr) ? TRUE : FALSE;
}

// Every mnemonic of the dialog's controls with the texts that claim it, case folded.
std::map<wchar_t, std::wstring> Clashes(HMODULE module, const wchar_t* dialog) {
  currentDialog = dialog;
  HWND window = CreateDialogParamW(module, dialog, nullptr, LocalizedDialog, 0);
  EXPECT_NE(nullptr, window);
  std::map<wchar_t, std::wstring> owners;
  std::map<wchar_t, std::wstring> clashes;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t text[1024] = {};
    GetWindowTextW(child, text, 1024);
    for (const wchar_t* p = text; *p != 0; ++p) {
      if (p[0] != L'&') continue;
      if (p[1] == L'&') {
        ++p;  // "&&" is a plain ampersand
        continue;
      }
      wchar_t key[2] = {p[1], 0};
      CharUpperW(key);
      if (owners.count(key[0])) clashes[key[0]] = owners[key[0]] + L" / " + text;
      owners[key[0]] = text;
      break;
    }
  }
  DestroyWindow(window);
  return clashes;
}

std::string Describe(const std::map<wchar_t, std::wstring>& clashes) {
  std::string text;
  for (const auto& [key, owners] : clashes) {
    text += "Alt+" + std::string(1, static_cast<char>(key < 128 ? key : '?')) + ": " +
            std::string(owners.begin(), owners.end()) + "\n";
  }
  return text;
}

}  // namespace

TEST(DialogMnemonics, EveryShortcutIsUniqueWithinItsDialogInEveryLanguage) {
  LoadLibraryW(L"riched20.dll");  // the setup dialog holds a rich edit control
  HMODULE program = LoadLibraryExW(BuiltProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HMODULE library = LoadLibraryExW((TestProgramFolder() + L"\\lang\\qbxlng.dll").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, program);
  ASSERT_NE(nullptr, library);
  const struct {
    const char* what;
    HMODULE module;
    const wchar_t* languageFile;
  } sources[] = {{"Uninstall.exe", program, nullptr},
                 {"qbxlng.dll", library, nullptr},
                 {"german.lng", program, L"german.lng"},
                 {"hebrew.lng", program, L"hebrew.lng"}};
  for (const auto& source : sources) {
    gLanguageFile.Load(source.languageFile != nullptr
                           ? (TestProgramFolder() + L"\\lang\\" + source.languageFile).c_str()
                           : L"C:\\no such folder\\none.lng");
    for (const wchar_t* dialog : {L"SETUPDLG", L"DONEDLG", L"SETUPCONTEXTITEMS"}) {
      SCOPED_TRACE(testing::Message() << source.what << " " << std::wstring(dialog).size());
      EXPECT_EQ("", Describe(Clashes(source.module, dialog)));
    }
  }
  gLanguageFile.Load(L"C:\\no such folder\\none.lng");
  FreeLibrary(library);
  FreeLibrary(program);
}
