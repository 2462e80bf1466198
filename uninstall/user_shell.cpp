#include "uninstall/user_shell.h"

#include <windows.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>

#include "common/run_log.h"
#include "common/scoped_handles.h"

namespace {

// A text argument of the shell's automation interface; VT_ERROR (parameter not given) when null.
class Argument {
 public:
  explicit Argument(const wchar_t* text) {
    VariantInit(&value_);
    if (text == nullptr) {
      value_.vt = VT_ERROR;
      value_.scode = DISP_E_PARAMNOTFOUND;
    } else {
      value_.vt = VT_BSTR;
      value_.bstrVal = SysAllocString(text);
    }
  }
  ~Argument() { VariantClear(&value_); }
  Argument(const Argument&) = delete;
  Argument& operator=(const Argument&) = delete;
  const VARIANT& Get() const { return value_; }

 private:
  VARIANT value_;
};

// The desktop's folder view, whose application object is the shell of the desktop's process.
bool FindDesktopShell(ComPointer<IShellDispatch2>& shell) {
  ComPointer<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                              IID_IShellWindows, windows.ReceiveVoid()))) {
    return false;
  }
  VARIANT location = {};
  location.vt = VT_EMPTY;
  long window = 0;
  ComPointer<IDispatch> desktop;
  ComPointer<IServiceProvider> services;
  ComPointer<IShellBrowser> browser;
  ComPointer<IShellView> view;
  ComPointer<IDispatch> background;
  ComPointer<IShellFolderViewDual> folderView;
  ComPointer<IDispatch> application;
  return windows->FindWindowSW(&location, &location, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                               desktop.Receive()) == S_OK &&
         desktop.Get() != nullptr &&
         SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, services.ReceiveVoid())) &&
         SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.ReceiveVoid())) &&
         SUCCEEDED(browser->QueryActiveShellView(view.Receive())) &&
         SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid())) &&
         SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.ReceiveVoid())) &&
         SUCCEEDED(folderView->get_Application(application.Receive())) &&
         SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.ReceiveVoid()));
}

}  // namespace

bool OpenAsUser(const wchar_t* file, const wchar_t* arguments) {
  ScopedOleInitialization ole;
  ComPointer<IShellDispatch2> shell;
  BSTR name = SysAllocString(file);
  Argument given(arguments);
  Argument none(nullptr);
  VARIANT normal = {};
  normal.vt = VT_I4;
  normal.lVal = SW_SHOWNORMAL;
  const bool opened = name != nullptr && FindDesktopShell(shell) &&
                      SUCCEEDED(shell->ShellExecute(name, given.Get(), none.Get(), none.Get(), normal));
  SysFreeString(name);
  // Nothing of the system changes: a line of the log, never a change.
  LogLine(L"open %s as the signed-in user: %s", file, opened ? L"done" : L"no desktop shell opened it");
  return opened;
}
