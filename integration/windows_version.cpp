#include "integration/windows_version.h"

#include <windows.h>

unsigned WindowsVersion() {
  static const unsigned version = [] {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;  // 276 bytes: the basic form
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return 0x501u;
#pragma GCC diagnostic pop
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0x501u;
    return static_cast<unsigned>(info.dwMajorVersion * 256 + info.dwMinorVersion);
  }();
  return version;
}
