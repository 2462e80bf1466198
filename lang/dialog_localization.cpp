#include "lang/dialog_localization.h"

#include "common/text_operations.h"
#include "lang/language_file.h"

namespace {

constexpr int kMaxChildren = 512;
HelpOpener helpOpener = nullptr;

void OpenHelp(HWND window, const wchar_t* topic) {
  if (topic != nullptr && helpOpener != nullptr) helpOpener(window, topic);
}

void TranslateWindowText(HWND window, const wchar_t* dialogName) {
  wchar_t text[kTextCapacity];
  if (GetWindowTextW(window, text, kTextCapacity) == 0) return;  // nothing to look up
  Translate(text, text, kTextCapacity, KIND_DIALOG, dialogName);
  SetWindowTextW(window, text);
}

// A drop-down combo box's height counts its list too, which would otherwise keep its old size.
int ScaledComboListHeight(HWND child, int heightPercent) {
  wchar_t className[256] = {};  // the longest class name; stays empty when it cannot be had
  GetClassNameW(child, className, 256);
  if (CompareNoCase(className, L"COMBOBOX") != 0) return 0;
  if ((GetWindowLongW(child, GWL_STYLE) & 3) == CBS_SIMPLE) return 0;
  RECT list = {};
  SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
  return (list.bottom - list.top + 1) * heightPercent / 100;
}

}  // namespace

void SetHelpOpener(HelpOpener opener) { helpOpener = opener; }

bool CommonDialogHandler(HWND window, UINT message, WPARAM wParam, LPARAM,
                         const wchar_t* dialogName, const wchar_t* helpTopic) {
  switch (message) {
    case WM_INITDIALOG: LocalizeDialog(window, dialogName); return false;
    // The font is set while the dialog is created, before WM_INITDIALOG: the mirroring is in
    // place before anything is translated or shown.
    case WM_SETFONT: ApplyRtlLayout(window); return false;
    case WM_HELP: OpenHelp(window, helpTopic); return true;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDHELP) OpenHelp(window, helpTopic);
      return false;
    default: return false;
  }
}

void ApplyRtlLayout(HWND window) {
  if (!IsRightToLeft()) return;
  SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_LAYOUTRTL);
}

void LocalizeDialog(HWND dialog, const wchar_t* dialogName) {
  int widthPercent = 100;
  int heightPercent = 100;
  const bool scaled = gLanguageFile.GetDialogScale(dialogName, widthPercent, heightPercent);

  RECT window = {};
  RECT client = {};
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  const int frameWidth = (window.right - window.left + 1) - client.right;
  const int frameHeight = (window.bottom - window.top + 1) - client.bottom;

  if (scaled) {
    const int newWidth = client.right * widthPercent / 100 + frameWidth;
    const int newHeight = client.bottom * heightPercent / 100 + frameHeight;
    int x = window.left + ((window.right - window.left + 1) - newWidth) / 2;
    int y = window.top + ((window.bottom - window.top + 1) - newHeight) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    UINT flags = SWP_NOZORDER | SWP_NOOWNERZORDER;
    // Only a centred dialog grows around its centre; any other keeps its top-left corner.
    if ((GetWindowLongW(dialog, GWL_STYLE) & DS_CENTER) == 0) flags |= SWP_NOMOVE;
    SetWindowPos(dialog, nullptr, x, y, newWidth, newHeight, flags);
    GetWindowRect(dialog, &window);
  }

  TranslateWindowText(dialog, dialogName);

  const int left = frameWidth / 2;
  const int top = frameHeight - GetSystemMetrics(SM_CYDLGFRAME);
  HWND first = GetWindow(dialog, GW_CHILD);
  HWND child = first;
  for (int count = 0; child != nullptr && count < kMaxChildren; ++count) {
    TranslateWindowText(child, dialogName);
    if (scaled) {
      RECT bounds = {};
      GetWindowRect(child, &bounds);
      const int x = (bounds.left - left - window.left) * widthPercent / 100;
      const int y = (bounds.top - top - window.top) * heightPercent / 100;
      const int width = (bounds.right - bounds.left + 1) * widthPercent / 100;
      const int height = (bounds.bottom - bounds.top + 1) * heightPercent / 100 +
                         ScaledComboListHeight(child, heightPercent);
      SetWindowPos(child, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOOWNERZORDER);
    }
    child = GetWindow(child, GW_HWNDNEXT);
    if (child == first) break;
  }
}
