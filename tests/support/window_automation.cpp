#include "tests/support/window_automation.h"

namespace {

struct WindowSearch {
  DWORD ProcessId;
  const wchar_t* ClassName;
  HWND Found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (owner == search->ProcessId && IsWindowVisible(window) &&
      lstrcmpiW(className, search->ClassName) == 0) {
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

}  // namespace

HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  do {
    WindowSearch search = {processId, className, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (search.Found != nullptr) return search.Found;
    Sleep(20);
  } while (GetTickCount64() < deadline);
  return nullptr;
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
