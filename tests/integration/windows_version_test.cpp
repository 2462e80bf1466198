// Built twice: as windows_version_test (the prefix's Windows 7) and into integration_xp_test,
// which Wine tells it runs on Windows XP (QBX_XP_BRANCH).
#include "integration/windows_version.h"

#include <gtest/gtest.h>

#ifdef QBX_XP_BRANCH

TEST(WindowsVersionBranch, ThisProgramRunsOnWindowsXp) { EXPECT_EQ(0x502u, WindowsVersion()); }

#else

TEST(WindowsVersionBranch, ThisProgramRunsOnVistaOrLater) {
  EXPECT_EQ(0x601u, WindowsVersion()) << "the test prefix reports Windows 7";
}

#endif
