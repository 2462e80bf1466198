// Entry point of every test program. The program under test is DPI-aware by its manifest; the
// test programs declare the same so that screen metrics read here match what it sees.
#include <windows.h>

#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
  SetProcessDPIAware();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
