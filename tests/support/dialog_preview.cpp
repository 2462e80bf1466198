// Shows one of the program's dialogs as a person would see it, for looking at templates and
// translations under Xvfb: dialog_preview.exe DIALOG [LANGUAGE_FILE] [LANGUAGE_LIBRARY]. The
// dialog goes through the same shared handler as in the program, without the program's logic.
#include <windows.h>
#include <richedit.h>

#include <cstdio>

#include "lang/dialog_localization.h"
#include "lang/language_file.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "uninstall/setup_dialog.h"
#include "common/system_folders.h"
#include "uninstall/startup.h"

namespace {

const wchar_t* previewedDialog = L"SETUPDLG";

INT_PTR CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CommonDialogHandler(window, message, wParam, lParam, previewedDialog, nullptr)) return TRUE;
  if (message == WM_INITDIALOG) {
    // Stand-ins for what the program's dialogs show at run time (their ids overlap).
    if (lstrcmpW(previewedDialog, L"SETUPDLG") == 0) {
      ShowInstallationHelp(window);
      SendDlgItemMessageW(window, IDC_INSTALLHELP, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_BTNFACE));
      CheckDlgButton(window, IDC_ASSOCQBX, BST_CHECKED);
    } else if (lstrcmpW(previewedDialog, L"DONEDLG") == 0) {
      SetDlgItemTextW(window, IDC_INSTFOLDER, L"C:\\Program Files\\Quobex");
      // The bold thanks line, as start-up makes its font.
      HFONT bold = CreateFontW(ScaleForDpi(-12), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                               0, 0, 0, 0, L"MS Shell Dlg");
      SendDlgItemMessageW(window, IDC_THANKS, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
    } else {
      CheckDlgButton(window, IDC_CONTEXTEXTRACTTO, BST_CHECKED);
      SetDlgItemTextW(window, IDC_CONTEXTALWAYSARC, L"*.iso");
    }
    // Tells a screenshot script that the dialog is up and painted.
    SetTimer(window, 1, 300, nullptr);
    return TRUE;
  }
  if (message == WM_TIMER) {
    KillTimer(window, 1);
    printf("ready\n");
    fflush(stdout);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(window, 1);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetProcessDPIAware();
  if (argc > 1) previewedDialog = argv[1];
  LoadLanguageLibrary(GetModuleHandleW(nullptr), argc > 3 ? argv[3] : nullptr);
  if (argc > 2 && argv[2][0] != 0) LoadLanguage(argv[2]);
  LoadSystemLibrary(L"riched20.dll");
  return static_cast<int>(DialogBoxParamW(CurrentResourceModule(), previewedDialog, nullptr,
                                          PreviewProc, 0));
}
