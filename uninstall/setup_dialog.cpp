#include "uninstall/setup_dialog.h"

#include <richedit.h>

#include "common/path_names.h"
#include "common/run_log.h"
#include "common/text_operations.h"
#include "integration/application_registration.h"
#include "integration/apply_integration.h"
#include "integration/file_associations.h"
#include "lang/dialog_localization.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "uninstall/context_items_dialog.h"
#include "uninstall/run_state.h"

namespace {

struct CheckBox {
  int Id;
  int Slot;
};

// Every check box of the dialog with its slot. The association ids are not in slot order.
constexpr CheckBox kCheckBoxes[] = {
    {IDC_ASSOCQBX, 0},  {IDC_ASSOCZIP, 1},  {IDC_ASSOCCAB, 2},   {IDC_ASSOCARJ, 3},
    {IDC_ASSOCLZ, 4},   {IDC_ASSOCLZH, 5},  {IDC_ASSOC7Z, 6},    {IDC_ASSOCTAR, 7},
    {IDC_ASSOCGZ, 8},   {IDC_ASSOCUUE, 9},  {IDC_ASSOCBZ2, 10},  {IDC_ASSOCJAR, 11},
    {IDC_ASSOCISO, 12}, {IDC_ASSOCZ, 13},   {IDC_ASSOCXZ, 14},   {IDC_ASSOCZIPX, 15},
    {IDC_ASSOC001, 16}, {IDC_LINKDESKTOP, kSlotDesktop},         {IDC_LINKSTARTMENU, kSlotStartMenu},
    {IDC_LINKPROGRAMS, kSlotPrograms},  {IDC_SHELLINTEGRATION, kSlotShellExtension},
    {IDC_SHELLCASCADED, kSlotCascadedMenu}, {IDC_SHELLICONS, kSlotMenuIcons},
};

// The slot an initial-options letter sets (after upper-casing), or -1.
int SlotOfLetter(wchar_t letter) {
  switch (letter) {
    case L'D': return kSlotDesktop;
    case L'M': return kSlotStartMenu;
    case L'P': return kSlotPrograms;
    case L'S': return kSlotShellExtension;
    case L'C': return kSlotCascadedMenu;
    case L'I': return kSlotMenuIcons;
    default: return -1;
  }
}

void InitializeDialog(HWND window) {
  ShowInstallationHelp(window);
  IntegrationOptions options = {};
  LoadIntegrationOptions(options);
  ApplyInitOptions(gRunState.InitOptions, options);
  OptionsToDialog(window, options);
  SetForegroundWindow(window);
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon));
  SendDlgItemMessageW(window, IDC_INSTALLHELP, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_BTNFACE));
}

void AcceptChoice(HWND window) {
  IntegrationOptions options = {};
  DialogToOptions(window, options);
  EndDialog(window, ApplySetupChoice(options) ? kSetupApplied : kSetupRefused);
}

void OnCommand(HWND window, WORD command) {
  switch (command) {
    case IDOK: AcceptChoice(window); break;
    case IDCANCEL:
      gRunState.ExitCode = kExitCancelled;
      EndDialog(window, 0);
      break;
    case IDC_SHELLINTEGRATION: {
      IntegrationOptions options = {};
      DialogToOptions(window, options);
      OptionsToDialog(window, options);
      break;
    }
    case IDC_ASSOCALL: ToggleAllAssociations(window); break;
    case IDC_SETCONTEXTMENU:
      ShowDialog(L"SETUPCONTEXTITEMS", window, ContextItemsDialogProc);
      break;
    default: break;
  }
}

}  // namespace

bool ApplySetupChoice(const IntegrationOptions& options) {
  SaveIntegrationOptions(options);
  // Listed before anything else is written: a setup stopped half way can still be removed.
  if (!gRunState.Msi) WriteUninstallEntry(UninstallEntryValues::Essential);
  // False only when the machine-wide entries were refused (a run without administrator rights):
  // each refusal is in the log. The entry is completed all the same: what was written before
  // the refusal must stay removable.
  const bool applied = ApplyIntegration(options, GroupFolder, kPathCapacity);
  if (!applied) LogLine(L"the integration stopped: a machine-wide write was refused (ERROR_ACCESS_DENIED)");
  if (!gRunState.Msi) WriteUninstallEntry(UninstallEntryValues::All);
  // ".ace" is no longer one of the product's types: give it back if an older version took it.
  SetAssociation(L".ace", /*associate=*/false, /*newFile=*/false, /*ownFormat=*/false, /*zip=*/false);
  return applied;
}

bool ApplySilentSetupChoice() {
  IntegrationOptions options = {};
  LoadIntegrationOptions(options);
  ApplyInitOptions(gRunState.InitOptions, options);
  return ApplySetupChoice(options);
}

void ShowInstallationHelp(HWND window) {
  // Six strings of at most 511 characters and the separators.
  wchar_t text[6 * kShortTextCapacity + 32];
  CopyText(text, L"   ", sizeof text / sizeof text[0]);
  for (UINT id = IDS_INSTHELP1; id <= IDS_INSTHELP5; ++id) {
    AppendText(text, L" ", sizeof text / sizeof text[0]);
    AppendText(text, GetString(id), sizeof text / sizeof text[0]);
  }
  AppendText(text, L"\r\n    ", sizeof text / sizeof text[0]);
  AppendText(text, GetString(IDS_INSTHELP6), sizeof text / sizeof text[0]);
  SetDlgItemTextW(window, IDC_INSTALLHELP, text);
}

void DialogToOptions(HWND window, IntegrationOptions& options) {
  for (const CheckBox& box : kCheckBoxes) {
    options.Slots[box.Slot] = IsDlgButtonChecked(window, box.Id) != 0 ? 1 : 0;
  }
}

void OptionsToDialog(HWND window, const IntegrationOptions& options) {
  for (const CheckBox& box : kCheckBoxes) {
    CheckDlgButton(window, box.Id, options.Slots[box.Slot] != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
  const bool shellExtension = options.Slots[kSlotShellExtension] != 0;
  EnableWindow(GetDlgItem(window, IDC_SHELLCASCADED), shellExtension);
  EnableWindow(GetDlgItem(window, IDC_SHELLICONS), shellExtension);
}

void ToggleAllAssociations(HWND window) {
  UINT state = BST_UNCHECKED;
  for (int id = IDC_ASSOCQBX; id <= IDC_ASSOC001; ++id) {
    if (GetDlgItem(window, id) != nullptr && IsDlgButtonChecked(window, id) == 0) {
      state = BST_CHECKED;
      break;
    }
  }
  for (int id = IDC_ASSOCQBX; id <= IDC_ASSOC001; ++id) CheckDlgButton(window, id, state);
}

void ApplyInitOptions(const wchar_t* text, IntegrationOptions& options) {
  const wchar_t* p = text;
  while (p[0] != 0 && p[1] != 0) {
    const wchar_t letter = UpperChar(p[0]);
    if (letter == L'A') {
      ++p;
      for (int slot = 0; IsDigit(*p); ++slot, ++p) {
        // Digits beyond the twentieth are passed over: taken for a letter and its value they
        // would swallow the next real option ("A" + 21 digits + "D1" would lose D1).
        if (slot < 20) options.Slots[slot] = *p == L'1';
      }
      continue;
    }
    const int slot = SlotOfLetter(letter);
    if (slot >= 0) options.Slots[slot] = p[1] == L'1';
    p += 2;
  }
}

INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CommonDialogHandler(window, message, wParam, lParam, L"SETUPDLG", L"HELPIntegrationSettings")) {
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG: InitializeDialog(window); return TRUE;
    case WM_COMMAND: OnCommand(window, LOWORD(wParam)); return TRUE;
    default: return FALSE;
  }
}
