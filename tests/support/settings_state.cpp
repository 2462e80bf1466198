#include "tests/support/settings_state.h"

#include "settings/settings_file.h"
#include "tests/support/product_state.h"

void CleanSettingsState::Clean() {
  FreeSettingsFile();
  CleanProductState::Clean();
}
