#include "uninstall/run_state.h"

RunState gRunState = {};
wchar_t GroupFolder[2048] = {};
HICON AppIcon = nullptr;
HFONT BoldFont = nullptr;
