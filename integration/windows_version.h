// The Windows version the integration branches on.
#pragma once

// major x 256 + minor on Windows NT (0x601 is Windows 7), 0x501 on any other platform; queried
// once per process.
unsigned WindowsVersion();

// Windows Vista and later: all-users shortcuts, the Default Programs entry.
constexpr unsigned kWindowsVista = 0x600;
