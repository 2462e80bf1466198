// Known state for tests of the settings store and above: CleanProductState, and no settings file
// loaded in this process. Clean on construction and again on destruction.
#pragma once

class CleanSettingsState {
 public:
  CleanSettingsState() { Clean(); }
  ~CleanSettingsState() { Clean(); }
  CleanSettingsState(const CleanSettingsState&) = delete;
  CleanSettingsState& operator=(const CleanSettingsState&) = delete;

  static void Clean();
};
