#include "uninstall/startup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/probe.h"
#include "tests/support/scratch_folder.h"

namespace {

// Sets HKCU\Control Panel\Desktop "LogPixels" for the processes started while it lives, and
// restores what was there before.
class LogPixelsOverride {
 public:
  explicit LogPixelsOverride(DWORD dpi) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
    DWORD size = sizeof previous_;
    hadPrevious_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(&previous_), &size) == ERROR_SUCCESS;
    RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~LogPixelsOverride() {
    if (hadPrevious_) {
      RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                     sizeof previous_);
    } else {
      RegDeleteValueW(key_, L"LogPixels");
    }
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  DWORD previous_ = 0;
  bool hadPrevious_ = false;
};

// ScaleForDpi(-12) in a new process, which reads the resolution afresh: the probe reports it,
// negated, as its exit code.
DWORD ScaledLengthInNewProcess() { return RunProbe(L"StartupProbe.DISABLED_ScaleForDpiProbe"); }

class EnvironmentVariable {
 public:
  EnvironmentVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
    SetEnvironmentVariableW(name, value);
  }
  ~EnvironmentVariable() { SetEnvironmentVariableW(name_, nullptr); }

 private:
  const wchar_t* name_;
};

}  // namespace

// Started only by ScaledLengthInNewProcess: reports ScaleForDpi(-12) negated as its exit code.
TEST(StartupProbe, DISABLED_ScaleForDpiProbe) { ExitProcess(static_cast<UINT>(-ScaleForDpi(-12))); }

TEST(Startup, ScaleForDpiFollowsTheScreenResolution) {
  EXPECT_EQ(12u, ScaledLengthInNewProcess()) << "the prefix's default is 96 dpi";
  LogPixelsOverride override(120);
  EXPECT_EQ(15u, ScaledLengthInNewProcess()) << "-12 x 120 / 96";
}

TEST(Startup, ScaleForDpiTruncatesTowardZeroAndKeepsTheQueriedResolution) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  ASSERT_GT(dpi, 0);
  EXPECT_EQ(-12 * dpi / 96, ScaleForDpi(-12));
  EXPECT_EQ(7 * dpi / 96, ScaleForDpi(7));
  EXPECT_EQ(0, ScaleForDpi(0));
}

// Into this program's folder, whatever the current one; never over an existing file, never
// through whatever is planted at the name it copies to first.
TEST(Startup, CopyPortableSettingsCopiesTheInstallersFileButNeverOverwrites) {
  ScratchFolder installer(L"startup_installer");
  ScratchFolder elsewhere(L"startup_current");
  ASSERT_TRUE(WriteFileBytes(installer / L"Quobex.ini", "from the installer"));
  EnvironmentVariable sfxname(L"sfxname", (installer / L"quobex-580b1.exe").c_str());
  CurrentFolder current(elsewhere.Path());
  const std::wstring target = TestProgramFolder() + L"\\quobex.ini";
  const std::wstring temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  DeleteFileW(target.c_str());

  ASSERT_TRUE(WriteFileBytes(temporary, "planted"));
  CopyPortableSettings();
  EXPECT_EQ("planted", ReadFileBytes(temporary));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(target.c_str()));
  ASSERT_TRUE(DeleteFileW(temporary.c_str()));

  CopyPortableSettings();
  EXPECT_EQ("from the installer", ReadFileBytes(target));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((elsewhere / L"quobex.ini").c_str()));

  ASSERT_TRUE(WriteFileBytes(target, "the user's own"));
  CopyPortableSettings();
  EXPECT_EQ("the user's own", ReadFileBytes(target));
  DeleteFileW(target.c_str());
}

TEST(Startup, CopyPortableSettingsWithoutAnInstallerFileCopiesNothing) {
  ScratchFolder installer(L"startup_installer_empty");
  {
    EnvironmentVariable sfxname(L"sfxname", (installer / L"setup.exe").c_str());
    CopyPortableSettings();
    // Only a plain file is copied: not a folder, nor a link, of that name.
    ASSERT_TRUE(CreateDirectoryW((installer / L"quobex.ini").c_str(), nullptr));
    CopyPortableSettings();
  }
  CopyPortableSettings();  // no "sfxname" at all
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((TestProgramFolder() + L"\\quobex.ini").c_str()));
}
