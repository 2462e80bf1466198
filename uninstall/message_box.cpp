#include "uninstall/message_box.h"

#include "lang/language_file.h"

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  if (IsRightToLeft()) type |= MB_RTLREADING | MB_RIGHT;
  return MessageBoxW(owner, text, caption, type);
}
