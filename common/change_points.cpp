#include "common/change_points.h"

void AfterChange(const wchar_t*) {}
