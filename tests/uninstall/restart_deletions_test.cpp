#include "uninstall/restart_deletions.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/integration_sandbox.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"

namespace {

const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";

// The value as texts, each followed by its zero, with the list's final zero.
std::string MultiText(std::initializer_list<std::wstring> texts) {
  std::wstring joined;
  for (const std::wstring& text : texts) joined += text + L'\0';
  joined += L'\0';
  return std::string(reinterpret_cast<const char*>(joined.data()), joined.size() * sizeof(wchar_t));
}

}  // namespace

// A product installed again before the restart keeps its files; every other pending operation
// stays as it was, in its order.
TEST(RestartDeletions, ANewInstallationTakesBackOnlyItsOwnExistingFiles) {
  IntegrationSandbox sandbox;
  const std::wstring folder = IntegrationSandbox::Folder();
  IntegrationSandbox::PlaceProductFiles();
  ASSERT_TRUE(WriteFileBytes(IntegrationSandbox::File(L"old.dll.0.tmp"), "left by an uninstall"));
  ScratchFolder other(L"other_program");
  ASSERT_TRUE(WriteFileBytes(other / L"x.dll", "another program's"));
  const std::string others = MultiText({L"\\??\\" + folder + L"\\old.dll.0.tmp", L"",
                                        L"\\??\\" + other / L"x.dll", L"",
                                        L"\\??\\" + folder + L"\\Qbx.txt", L"!\\??\\" + folder + L"\\y.txt",
                                        L"\\??\\" + folder + L"\\gone.txt", L""});
  const std::string all = MultiText({L"\\??\\" + folder + L"\\Quobex.exe", L"",
                                     L"\\??\\" + folder + L"\\old.dll.0.tmp", L"",
                                     L"\\??\\" + other / L"x.dll", L"",
                                     L"\\??\\" + folder + L"\\Qbx.txt", L"!\\??\\" + folder + L"\\y.txt",
                                     L"\\??\\" + folder + L"\\WhatsNew.txt", L"",
                                     L"\\??\\" + folder + L"\\gone.txt", L""});
  const RawValue before = ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  ASSERT_TRUE(WriteRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations",
                            REG_MULTI_SZ, all));
  KeepInstalledFilesFromRestartDeletion(folder.c_str());
  const RawValue after = ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), after.Type);
  EXPECT_EQ(others, after.Bytes);

  ASSERT_TRUE(WriteRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations",
                            REG_MULTI_SZ, MultiText({L"\\??\\" + folder + L"\\Quobex.exe", L""})));
  KeepInstalledFilesFromRestartDeletion(folder.c_str());
  EXPECT_FALSE(ReadRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations").Exists)
      << "nothing left to do at the restart";

  DeleteFileW(IntegrationSandbox::File(L"old.dll.0.tmp").c_str());
  if (before.Exists) {
    WriteRawValue(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", before.Type, before.Bytes);
  }
}
