// Reading shell links back through the shell's own link object.
#pragma once

#include <windows.h>

#include <string>

struct LinkInfo {
  bool Loaded = false;
  std::wstring Target;
  std::wstring Arguments;
  std::wstring Description;
  std::wstring IconFile;
  int IconIndex = -1;
  std::wstring WorkingFolder;
  WORD Hotkey = 0;
};

// Needs COM initialised on the calling thread.
LinkInfo ReadLink(const std::wstring& path);
// Creates a link to target with a hotkey, as a user's own link would be.
bool WriteLinkWithHotkey(const std::wstring& path, const std::wstring& target, WORD hotkey);
