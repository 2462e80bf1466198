#include "lang/dialog_localization.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/crc32.h"
#include "lang/language_file.h"
#include "resources/resource_ids.h"
#include "tests/support/scratch_folder.h"

namespace {

const wchar_t* dialogName = L"SETUPDLG";
const wchar_t* helpTopic = nullptr;
std::vector<std::wstring> helpOpened;

INT_PTR CALLBACK HandledDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CommonDialogHandler(window, message, wParam, lParam, dialogName, helpTopic) ? TRUE : FALSE;
}

INT_PTR CALLBACK PlainDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void RecordHelp(HWND, const wchar_t* topic) { helpOpened.push_back(topic); }

// The test template's size entry: "TESTDLG" has no symbolic key, so the line is written hashed.
std::string TestDialogSize(const char* size) {
  const char bytes[] = "$TESTDLG";
  char line[64];
  snprintf(line, sizeof line, "%08x=%s\r\n", static_cast<unsigned>(Crc32(bytes, 8)), size);
  return line;
}

struct Layout {
  RECT Window;
  RECT Client;
  std::vector<RECT> Children;  // window rectangles, in z order
  std::vector<std::wstring> Texts;
};

Layout Measure(HWND dialog) {
  Layout layout;
  GetWindowRect(dialog, &layout.Window);
  GetClientRect(dialog, &layout.Client);
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT bounds;
    GetWindowRect(child, &bounds);
    layout.Children.push_back(bounds);
    wchar_t text[1024] = {};
    GetWindowTextW(child, text, 1024);
    layout.Texts.push_back(text);
  }
  return layout;
}

// A dialog template built in memory: no DS_CENTER, a drop-down list and a simple combo box.
std::vector<WORD> ComboTemplate() {
  std::vector<WORD> words;
  auto put32 = [&](DWORD value) {
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
  };
  auto putText = [&](const wchar_t* text) {
    for (; *text != 0; ++text) words.push_back(*text);
    words.push_back(0);
  };
  auto align = [&] {
    if (words.size() % 2 != 0) words.push_back(0);
  };
  put32(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT);  // DLGTEMPLATE.style
  put32(0);                                                   // dwExtendedStyle
  words.push_back(2);                                         // cdit
  words.push_back(10);                                        // x, y, cx, cy
  words.push_back(10);
  words.push_back(200);
  words.push_back(100);
  words.push_back(0);  // no menu
  words.push_back(0);  // default class
  putText(L"Combo test");
  words.push_back(8);
  putText(L"MS Shell Dlg");
  const struct {
    DWORD Style;
    short Y;
    WORD Id;
  } combos[] = {{CBS_DROPDOWNLIST | WS_VSCROLL, 10, 301}, {CBS_SIMPLE, 40, 302}};
  for (const auto& combo : combos) {
    align();
    put32(WS_CHILD | WS_VISIBLE | combo.Style);
    put32(0);
    words.push_back(10);
    words.push_back(static_cast<WORD>(combo.Y));
    words.push_back(100);
    words.push_back(combo.Id == 301 ? 60 : 40);
    words.push_back(combo.Id);
    words.push_back(0xFFFF);
    words.push_back(0x0085);  // COMBOBOX
    putText(L"");
    words.push_back(0);  // no creation data
  }
  return words;
}

class DialogLocalization : public testing::Test {
 protected:
  void SetUp() override {
    richEdit_ = LoadLibraryW(L"riched20.dll");
    dialogName = L"SETUPDLG";
    helpTopic = nullptr;
    helpOpened.clear();
    gLanguageFile.Unload();
  }
  void TearDown() override {
    for (HWND dialog : dialogs_) DestroyWindow(dialog);
    gLanguageFile.Unload();
    SetHelpOpener(nullptr);
    if (richEdit_ != nullptr) FreeLibrary(richEdit_);
  }

  void LoadLanguage(const std::string& bytes) {
    ASSERT_TRUE(WriteFileBytes(folder_ / L"test.lng", bytes));
    gLanguageFile.Load((folder_ / L"test.lng").c_str());
    ASSERT_TRUE(gLanguageFile.IsLoaded());
  }

  HWND Create(const wchar_t* name, DLGPROC procedure) {
    dialogName = name;
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), name, nullptr, procedure, 0);
    EXPECT_NE(nullptr, dialog);
    dialogs_.push_back(dialog);
    return dialog;
  }

  HWND CreateComboDialog(DLGPROC procedure) {
    dialogName = L"TESTDLG";
    const std::vector<WORD> words = ComboTemplate();
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(words.data()),
                                             nullptr, procedure, 0);
    EXPECT_NE(nullptr, dialog);
    dialogs_.push_back(dialog);
    return dialog;
  }

  ScratchFolder folder_{L"dialog_localization"};
  HMODULE richEdit_ = nullptr;
  std::vector<HWND> dialogs_;
};

}  // namespace

TEST_F(DialogLocalization, WithoutALanguageFileNothingChanges) {
  for (const wchar_t* name : {L"SETUPDLG", L"DONEDLG", L"SETUPCONTEXTITEMS"}) {
    SCOPED_TRACE(testing::Message() << name);
    const Layout plain = Measure(Create(name, PlainDialog));
    const Layout handled = Measure(Create(name, HandledDialog));
    EXPECT_EQ(plain.Window.right - plain.Window.left, handled.Window.right - handled.Window.left);
    EXPECT_EQ(plain.Window.bottom - plain.Window.top, handled.Window.bottom - handled.Window.top);
    ASSERT_EQ(plain.Children.size(), handled.Children.size());
    for (size_t i = 0; i < plain.Children.size(); ++i) {
      EXPECT_EQ(plain.Children[i].left - plain.Window.left,
                handled.Children[i].left - handled.Window.left);
      EXPECT_EQ(plain.Children[i].right - plain.Children[i].left,
                handled.Children[i].right - handled.Children[i].left);
      EXPECT_EQ(plain.Texts[i], handled.Texts[i]);
    }
  }
}

TEST_F(DialogLocalization, SizeEntryRescalesTheDialogAndEveryChild) {
  LoadLanguage("***messages***\r\n:DIALOG SETUPDLG\r\nSIZE 150*100\r\nCAPTION \"Breit\"\r\n");
  HWND plainDialog = Create(L"SETUPDLG", PlainDialog);
  const Layout plain = Measure(plainDialog);
  HWND scaledDialog = Create(L"SETUPDLG", HandledDialog);
  const Layout scaled = Measure(scaledDialog);

  const int frameWidth = (plain.Window.right - plain.Window.left + 1) - plain.Client.right;
  const int frameHeight = (plain.Window.bottom - plain.Window.top + 1) - plain.Client.bottom;
  const int newWidth = plain.Client.right * 150 / 100 + frameWidth;
  EXPECT_EQ(newWidth, scaled.Window.right - scaled.Window.left);
  EXPECT_EQ(plain.Window.bottom - plain.Window.top + 1, scaled.Window.bottom - scaled.Window.top)
      << "the height formula keeps the client height and adds the frame's + 1";
  wchar_t caption[64];
  GetWindowTextW(scaledDialog, caption, 64);
  EXPECT_STREQ(L"Breit", caption);

  // The children were placed from the dialog as it was right after its own resize.
  const int left = frameWidth / 2;
  const int top = frameHeight - GetSystemMetrics(SM_CYDLGFRAME);
  ASSERT_EQ(plain.Children.size(), scaled.Children.size());
  for (size_t i = 0; i < plain.Children.size(); ++i) {
    SCOPED_TRACE(i);
    const RECT& before = plain.Children[i];
    const RECT& after = scaled.Children[i];
    POINT origin = {after.left, after.top};
    ScreenToClient(scaledDialog, &origin);
    EXPECT_EQ((before.left - left - plain.Window.left) * 150 / 100, origin.x);
    EXPECT_EQ((before.top - top - plain.Window.top) * 100 / 100, origin.y);
    EXPECT_EQ((before.right - before.left + 1) * 150 / 100, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top + 1, after.bottom - after.top);
  }
}

TEST_F(DialogLocalization, CentredDialogsAreClampedAtTheScreenOriginOthersKeepTheirCorner) {
  LoadLanguage("***messages***\r\n:DIALOG SETUPDLG\r\nSIZE 300*300\r\n" +
               TestDialogSize("150*120"));
  HWND centred = Create(L"SETUPDLG", HandledDialog);
  RECT bounds;
  GetWindowRect(centred, &bounds);
  EXPECT_EQ(0, bounds.left);
  EXPECT_EQ(0, bounds.top);

  const Layout plain = Measure(CreateComboDialog(PlainDialog));
  HWND dialog = CreateComboDialog(HandledDialog);
  GetWindowRect(dialog, &bounds);
  EXPECT_EQ(plain.Window.left, bounds.left) << "no DS_CENTER: the top-left corner stays";
  EXPECT_EQ(plain.Window.top, bounds.top);
  EXPECT_GT(bounds.right - bounds.left, plain.Window.right - plain.Window.left);
}

TEST_F(DialogLocalization, ADropDownComboBoxKeepsItsListInTheScaledHeight) {
  HWND plainDialog = CreateComboDialog(PlainDialog);
  RECT dropDown;
  RECT list;
  RECT simple;
  GetWindowRect(GetDlgItem(plainDialog, 301), &dropDown);
  SendDlgItemMessageW(plainDialog, 301, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
  GetWindowRect(GetDlgItem(plainDialog, 302), &simple);

  LoadLanguage("***messages***\r\n" + TestDialogSize("150*120"));
  HWND dialog = CreateComboDialog(HandledDialog);
  const int expected = (dropDown.bottom - dropDown.top + 1) * 120 / 100 +
                       (list.bottom - list.top + 1) * 120 / 100;
  RECT scaledList;
  SendDlgItemMessageW(dialog, 301, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&scaledList));
  RECT scaledDropDown;
  GetWindowRect(GetDlgItem(dialog, 301), &scaledDropDown);
  // The height given to a drop-down combo box is the extent of its dropped state. Windows
  // reports that whole extent; Wine reports it without the selection field.
  const int droppedHeight = scaledList.bottom - scaledList.top;
  const int fieldHeight = scaledDropDown.bottom - scaledDropDown.top;
  EXPECT_TRUE(droppedHeight == expected || droppedHeight + fieldHeight == expected)
      << "expected " << expected << ", dropped " << droppedHeight << ", field " << fieldHeight;
  RECT scaledSimple;
  GetWindowRect(GetDlgItem(dialog, 302), &scaledSimple);
  EXPECT_EQ((simple.bottom - simple.top + 1) * 120 / 100, scaledSimple.bottom - scaledSimple.top);
}

TEST_F(DialogLocalization, TextsAreTranslatedByDialogAndEnglishText) {
  LoadLanguage("***messages***\r\n:DIALOG SETUPDLG\r\nIDHELP \"Hilfe A\"\r\nIDOK \"Gut\"\r\n"
               ":DIALOG SETUPCONTEXTITEMS\r\nIDHELP \"Hilfe B\"\r\n");
  HWND setup = Create(L"SETUPDLG", HandledDialog);
  HWND items = Create(L"SETUPCONTEXTITEMS", HandledDialog);
  wchar_t text[64];
  GetDlgItemTextW(setup, IDHELP, text, 64);
  EXPECT_STREQ(L"Hilfe A", text);
  GetDlgItemTextW(items, IDHELP, text, 64);
  EXPECT_STREQ(L"Hilfe B", text) << "the same English text, another dialog";
  GetDlgItemTextW(setup, IDOK, text, 64);
  EXPECT_STREQ(L"Gut", text);
  GetDlgItemTextW(items, IDOK, text, 64);
  EXPECT_STREQ(L"OK", text);
  GetDlgItemTextW(setup, IDC_ASSOCZIP, text, 64);
  EXPECT_STREQ(L"ZIP", text) << "no entry: English";
}

TEST_F(DialogLocalization, RightToLeftLanguagesMirrorEveryDialog) {
  HWND before = Create(L"DONEDLG", HandledDialog);
  EXPECT_EQ(0, GetWindowLongW(before, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
  gLanguageFile.Load((TestProgramFolder() + L"\\lang\\hebrew.lng").c_str());
  gLanguageFile.DecideDirection(GetModuleHandleW(nullptr));
  ASSERT_TRUE(IsRightToLeft());
  for (const wchar_t* name : {L"SETUPDLG", L"DONEDLG", L"SETUPCONTEXTITEMS"}) {
    SCOPED_TRACE(testing::Message() << name);
    HWND dialog = Create(name, HandledDialog);
    EXPECT_NE(0, GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
  }
}

TEST_F(DialogLocalization, HelpGoesToTheTopicAndIsHandledEvenWithoutOne) {
  SetHelpOpener(RecordHelp);
  HWND setup = Create(L"SETUPDLG", HandledDialog);
  HELPINFO info = {};
  info.cbSize = sizeof info;
  helpTopic = L"HELPIntegrationSettings";
  EXPECT_TRUE(CommonDialogHandler(setup, WM_HELP, 0, reinterpret_cast<LPARAM>(&info), L"SETUPDLG",
                                  helpTopic));
  EXPECT_FALSE(CommonDialogHandler(setup, WM_COMMAND, IDHELP, 0, L"SETUPDLG", helpTopic))
      << "the dialog's own handling of the Help button goes on";
  EXPECT_EQ((std::vector<std::wstring>{L"HELPIntegrationSettings", L"HELPIntegrationSettings"}),
            helpOpened);
  helpOpened.clear();
  EXPECT_TRUE(CommonDialogHandler(setup, WM_HELP, 0, reinterpret_cast<LPARAM>(&info), L"DONEDLG",
                                  nullptr));
  EXPECT_FALSE(CommonDialogHandler(setup, WM_COMMAND, IDOK, 0, L"SETUPDLG", L"topic"));
  EXPECT_TRUE(helpOpened.empty());
}
