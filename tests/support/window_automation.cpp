#include "tests/support/window_automation.h"

namespace {

struct WindowSearch {
  DWORD ProcessId;
  const wchar_t* ClassName;  // null: any class
  const std::wstring* Title;  // null: any caption
  HWND Found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (owner == search->ProcessId && IsWindowVisible(window) &&
      (search->ClassName == nullptr || lstrcmpiW(className, search->ClassName) == 0) &&
      (search->Title == nullptr || WindowText(window) == *search->Title)) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

struct ChildSearch {
  HWND Parent;
  const wchar_t* ClassName;
  std::vector<std::wstring>* Texts;
};

BOOL CALLBACK CollectChildText(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<ChildSearch*>(parameter);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (GetParent(window) == search->Parent && lstrcmpiW(className, search->ClassName) == 0) {
    search->Texts->push_back(WindowText(window));
  }
  return TRUE;
}

HWND FindProcessWindow(DWORD processId, const wchar_t* className, const std::wstring* title,
                       DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  do {
    WindowSearch search = {processId, className, title, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (search.Found != nullptr) return search.Found;
    Sleep(20);
  } while (GetTickCount64() < deadline);
  return nullptr;
}

}  // namespace

HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, DWORD milliseconds) {
  return FindProcessWindow(processId, className, nullptr, milliseconds);
}

HWND WaitForProcessWindowTitled(DWORD processId, const wchar_t* className, const std::wstring& title,
                                DWORD milliseconds) {
  return FindProcessWindow(processId, className, &title, milliseconds);
}

bool ProcessHasVisibleWindow(DWORD processId) {
  WindowSearch search = {processId, nullptr, nullptr, nullptr};
  EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found != nullptr;
}

bool IsChecked(HWND dialog, int id) {
  return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring WindowText(HWND window) {
  wchar_t text[4096] = {};
  SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
  return text;
}

std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* className) {
  std::vector<std::wstring> texts;
  ChildSearch search = {parent, className, &texts};
  EnumChildWindows(parent, CollectChildText, reinterpret_cast<LPARAM>(&search));
  return texts;
}

bool ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button == nullptr) return false;
  SendMessageW(button, BM_CLICK, 0, 0);
  return true;
}

void CloseProcessWindows(DWORD processId) {
  EnumWindows(
      [](HWND window, LPARAM id) -> BOOL {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == static_cast<DWORD>(id) && IsWindowVisible(window)) PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
      },
      static_cast<LPARAM>(processId));
}
