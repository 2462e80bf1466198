#include "common/private_files.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"

// Wine keeps no access list on a file, so what is checked is the one the folder is created with.
TEST(PrivateFiles, EachFolderIsNewAndOnlyTheSystemAndAdministratorsMayWriteIt) {
  ScratchFolder scratch(L"private");
  wchar_t first[2048];
  wchar_t second[2048];
  ASSERT_TRUE(CreatePrivateFolder(scratch.Path().c_str(), L"Qbx-", first, 2048));
  ASSERT_TRUE(CreatePrivateFolder(scratch.Path().c_str(), L"Qbx-", second, 2048));
  EXPECT_NE(std::wstring(first), std::wstring(second));
  for (const wchar_t* folder : {first, second}) {
    const std::wstring name = std::wstring(folder).substr(scratch.Path().size() + 1);
    EXPECT_EQ(20u, name.size());
    EXPECT_EQ(L"Qbx-", name.substr(0, 4));
    EXPECT_EQ(std::wstring::npos, name.find_first_not_of(L"0123456789ABCDEF", 4));
    EXPECT_TRUE(GetFileAttributesW(folder) & FILE_ATTRIBUTE_DIRECTORY);
  }

  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateFolderSecurity, SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing of the parent's access list is inherited";
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL list = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted));
  ASSERT_TRUE(present && list != nullptr);
  ASSERT_EQ(2u, list->AceCount);
  const wchar_t* const expected[] = {L"S-1-5-18", L"S-1-5-32-544"};  // SYSTEM, Administrators
  for (DWORD i = 0; i < list->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(list, i, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
    EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags);
    EXPECT_EQ(static_cast<DWORD>(FILE_ALL_ACCESS), ace->Mask);
    LPWSTR sid = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidW(&ace->SidStart, &sid));
    EXPECT_EQ(std::wstring(expected[i]), sid);
    LocalFree(sid);
  }
  LocalFree(descriptor);
}

// Wine keeps no access list, so the list given is checked as text (the owner must be the
// Administrators: an owner may always rewrite the list); what can be refused is checked here.
TEST(PrivateFiles, OnlyAPlainFileWithOneNameThatNobodyWritesIsProtected) {
  ScratchFolder scratch(L"private_file");
  const std::wstring file = scratch / L"Uninstall.exe";
  ASSERT_TRUE(WriteFileBytes(file, "program"));
  EXPECT_TRUE(ProtectPrivateFile(file.c_str()));
  EXPECT_EQ(std::wstring(L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)"), kPrivateFileSecurity);

  HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer);
  EXPECT_FALSE(ProtectPrivateFile(file.c_str())) << "held open for writing";
  CloseHandle(writer);

  ASSERT_TRUE(CreateHardLinkW((scratch / L"second name.exe").c_str(), file.c_str(), nullptr));
  EXPECT_FALSE(ProtectPrivateFile(file.c_str())) << "a second name";
  DeleteFileW((scratch / L"second name.exe").c_str());
  EXPECT_TRUE(ProtectPrivateFile(file.c_str()));
  EXPECT_FALSE(ProtectPrivateFile((scratch / L"missing.exe").c_str()));
}
