#include "uninstall/run_state.h"

#include "common/path_names.h"

RunState gRunState = {};
wchar_t GroupFolder[kPathCapacity] = {};
HICON AppIcon = nullptr;
HFONT BoldFont = nullptr;
