#include "tests/support/shell_links.h"

#include <shlobj.h>

LinkInfo ReadLink(const std::wstring& path) {
  LinkInfo info;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return info;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
      wchar_t text[2048] = {};
      info.Loaded = true;
      link->GetPath(text, 2048, nullptr, SLGP_RAWPATH);
      info.Target = text;
      text[0] = 0;
      link->GetArguments(text, 2048);
      info.Arguments = text;
      text[0] = 0;
      link->GetDescription(text, 2048);
      info.Description = text;
      text[0] = 0;
      link->GetIconLocation(text, 2048, &info.IconIndex);
      info.IconFile = text;
      text[0] = 0;
      link->GetWorkingDirectory(text, 2048);
      info.WorkingFolder = text;
      link->GetHotkey(&info.Hotkey);
    }
    file->Release();
  }
  link->Release();
  return info;
}

bool WriteLinkWithHotkey(const std::wstring& path, const std::wstring& target, WORD hotkey) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  link->SetPath(target.c_str());
  link->SetHotkey(hotkey);
  IPersistFile* file = nullptr;
  bool saved = false;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    saved = SUCCEEDED(file->Save(path.c_str(), TRUE));
    file->Release();
  }
  link->Release();
  return saved;
}
