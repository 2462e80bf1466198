// A stand-in for the product's program, for the tests of programs still running when an uninstall
// starts: copied into an installation as Quobex.exe and started from there, it shows visible
// windows of class "QbxStandIn" ("/windows=<n>": n of them, else one) and ends when the last one
// is closed. With "/refuse" every WM_CLOSE is ignored, as by a program whose user keeps unsaved
// work: such a stand-in ends only when the test that started it stops it.
#include <windows.h>

#include <cwchar>

namespace {

bool refuse = false;
int openWindows = 0;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (!refuse) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (--openWindows == 0) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
  refuse = wcsstr(arguments, L"/refuse") != nullptr;
  const wchar_t* count = wcsstr(arguments, L"/windows=");
  const int windows = count != nullptr ? _wtoi(count + 9) : 1;
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = StandInProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"QbxStandIn";
  if (RegisterClassW(&windowClass) == 0) return 2;
  for (int i = 0; i < windows; ++i) {
    HWND window = CreateWindowW(L"QbxStandIn", L"Quobex stand-in", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                40 * i, 40 * i, 300, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 2;
    ++openWindows;
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
