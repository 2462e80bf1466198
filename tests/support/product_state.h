// Known state for tests of the product's settings: no product keys, no per-user folder. Clean on
// construction and again on destruction (settings_state.h: no settings file loaded either).
#pragma once

#include <string>

class CleanProductState {
 public:
  CleanProductState() { Clean(); }
  ~CleanProductState() { Clean(); }
  CleanProductState(const CleanProductState&) = delete;
  CleanProductState& operator=(const CleanProductState&) = delete;

  static void Clean();
};

// "<application data>\Quobex", the per-user settings folder (not created).
std::wstring UserDataFolder();
// Places a settings file with these bytes in the per-user folder (creating the folder).
bool PlaceUserSettingsFile(const std::string& bytes);
// Places a settings file with these bytes beside the running test program (its installation
// folder), where it comes before the per-user one; Clean removes it.
bool PlaceProgramSettingsFile(const std::string& bytes);
// UTF-16 LE bytes of text (no byte order mark).
std::string Utf16Bytes(const std::wstring& text);
