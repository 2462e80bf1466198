#include "uninstall/done_dialog.h"

#include "common/path_names.h"
#include "common/text_operations.h"
#include "lang/dialog_localization.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "uninstall/help_viewer.h"
#include "uninstall/run_state.h"
#include "uninstall/user_shell.h"

namespace {

void InitializeDialog(HWND window) {
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon));
  SendDlgItemMessageW(window, IDC_THANKS, WM_SETFONT, reinterpret_cast<WPARAM>(BoldFont), FALSE);
  // A setup run runs in the installation folder.
  wchar_t folder[kPathCapacity] = {};
  GetCurrentDirectoryW(kPathCapacity, folder);
  SetDlgItemTextW(window, IDC_INSTFOLDER, folder);
  if (gRunState.Silent) SendMessageW(window, WM_COMMAND, IDOK, 0);
}

void OpenLicence() {
  wchar_t path[kPathCapacity] = {};
  GetCurrentDirectoryW(kPathCapacity, path);
  AddTrailingSeparator(path, kPathCapacity);
  AppendText(path, L"license.txt", kPathCapacity);
  LocalizedFilePath(path, path, kPathCapacity);
  OpenAsUser(path);
}

}  // namespace

INT_PTR CALLBACK DoneDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CommonDialogHandler(window, message, wParam, lParam, L"DONEDLG", nullptr)) return TRUE;
  if (message == WM_INITDIALOG) {
    InitializeDialog(window);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL: EndDialog(window, 1); break;
    case IDC_VIEWHELP: ShowHelp(window, nullptr); break;
    case IDC_VIEWLICENSE: OpenLicence(); break;
    case IDC_HOMEPAGE:
      OpenAsUser(GetHomePageAddress());
      break;
    default: break;
  }
  return TRUE;
}
