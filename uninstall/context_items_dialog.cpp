#include "uninstall/context_items_dialog.h"

#include "common/text_operations.h"
#include "lang/dialog_localization.h"
#include "lang/language_file.h"
#include "resources/resource_ids.h"
#include "settings/registry_store.h"

const ContextMenuItem ContextMenuItems[17] = {
    {IDC_CONTEXTEXTRACTTO, L"ExtrTo", 1},       {IDC_CONTEXTEXTRACTHERE, L"ExtrHere", 1},
    {IDC_CONTEXTEXTRACT, L"Extr", 1},           {IDC_CONTEXTEXTRACTSEPARATE, L"ExtrSep", 1},
    {IDC_CONTEXTOPENSFX, L"OpenSFX", 1},        {IDC_CONTEXTOPENARC, L"OpenArc", 1},
    {IDC_CONTEXTADD, L"AddTo", 1},              {IDC_CONTEXTADDARC, L"AddArc", 1},
    {IDC_CONTEXTEMAILARC, L"EmailArc", 1},      {IDC_CONTEXTEMAILARCOPT, L"EmailOpt", 1},
    {IDC_CONTEXTTEST, L"Test", 0},              {IDC_CONTEXTCONVERT, L"Convert", 0},
    {IDC_CONTEXTSFXLOCAL, L"SFXLocal", 1},      {IDC_CONTEXTSFXNETWORK, L"SFXNetwork", 1},
    {IDC_CONTEXTSFXOTHER, L"SFXOther", 1},      {IDC_CONTEXTDRAGADD, L"DragAdd", 1},
    {IDC_CONTEXTDRAGEXTRACT, L"DragExtr", 1},
};

namespace {

constexpr wchar_t kMenuItemsKey[] = L"Setup\\MenuItems";

void LoadItems(HWND window) {
  for (const ContextMenuItem& item : ContextMenuItems) {
    // Any number but 0 means chosen: a 2 would show as the third state of a check box.
    const bool chosen = ReadUserDword(kMenuItemsKey, item.ValueName, item.Default) != 0;
    CheckDlgButton(window, item.ControlId, chosen ? BST_CHECKED : BST_UNCHECKED);
  }
  // The stored text holds at most 1023 characters: the field takes no more.
  SendDlgItemMessageW(window, IDC_CONTEXTALWAYSARC, EM_LIMITTEXT, 1023, 0);
  wchar_t masks[kTextCapacity];
  ReadUserString(kMenuItemsKey, L"AlwaysArc", masks, L"*.iso", kTextCapacity);
  SetDlgItemTextW(window, IDC_CONTEXTALWAYSARC, masks);
  ClearRtlReading(GetDlgItem(window, IDC_CONTEXTALWAYSARC));
}

void StoreItems(HWND window) {
  for (const ContextMenuItem& item : ContextMenuItems) {
    WriteUserDword(kMenuItemsKey, item.ValueName,
                   IsDlgButtonChecked(window, item.ControlId) == BST_CHECKED ? 1 : 0);
  }
  wchar_t masks[kTextCapacity] = {};
  GetDlgItemTextW(window, IDC_CONTEXTALWAYSARC, masks, kTextCapacity);
  WriteUserString(kMenuItemsKey, L"AlwaysArc", masks);
  // A portable settings file holds the new items at once, whatever the setup run does next.
  SaveSettingsFile();
}

}  // namespace

void ClearRtlReading(HWND control) {
  if (!IsRightToLeft()) return;
  SetWindowLongW(control, GWL_EXSTYLE, GetWindowLongW(control, GWL_EXSTYLE) & ~WS_EX_RTLREADING);
}

INT_PTR CALLBACK ContextItemsDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CommonDialogHandler(window, message, wParam, lParam, L"SETUPCONTEXTITEMS", L"HELPContextItems") ||
      message == WM_HELP) {
    return TRUE;
  }
  if (message == WM_INITDIALOG) {
    LoadItems(window);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
      StoreItems(window);
      EndDialog(window, 1);
      return TRUE;
    case IDCANCEL: EndDialog(window, 0); return TRUE;
    default: return FALSE;
  }
}
