#include "common/private_files.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/random_text.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"

// P: what the parent folder grants is not inherited. OICI: files and folders inside get the same.
const wchar_t kPrivateFolderSecurity[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// O:BA: the owner may always change the list, so the owner is the Administrators group.
const wchar_t kPrivateFileSecurity[] = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)";

bool CreatePrivateFolder(const wchar_t* parent, const wchar_t* prefix, wchar_t* out, size_t capacity) {
  ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateFolderSecurity, SDDL_REVISION_1,
                                                            descriptor.Receive(), nullptr)) {
    return false;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.Get(), FALSE};
  // CreateDirectoryW never opens what exists: a folder, a file or a link of the name makes it
  // fail. Another name is tried then, a few times.
  for (int attempt = 0; attempt < 8; ++attempt) {
    wchar_t name[64];
    wchar_t random[17];
    if (!RandomHexText(random, 17, 16)) return false;
    FormatText(name, L"%s%s", prefix, random);
    wchar_t folder[kPathCapacity];
    JoinPath(parent, name, folder, kPathCapacity);
    if (CreateDirectoryW(folder, &attributes)) {
      ReportAction(L"create folder", folder, Outcome::Done);
      CopyText(out, folder, capacity);
      return true;
    }
    ReportAction(L"create folder", folder, Outcome::Failed, GetLastError());
  }
  return false;
}

bool ProtectPrivateFile(const wchar_t* path) {
  ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL list = nullptr;
  PSID owner = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateFileSecurity, SDDL_REVISION_1,
                                                            descriptor.Receive(), nullptr) ||
      !GetSecurityDescriptorDacl(descriptor.Get(), &present, &list, &defaulted) ||
      !GetSecurityDescriptorOwner(descriptor.Get(), &owner, &defaulted)) {
    return false;
  }
  // Read access shared with readers only: the open fails while anyone holds the file open for
  // writing. The link itself, were it one, is opened, and refused below.
  ScopedHandle file(CreateFileW(path, FILE_READ_DATA | READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  DWORD error = file.Valid() ? 0 : GetLastError();
  if (file.Valid() && !IsPlainFile(file.Get())) error = ERROR_INVALID_PARAMETER;
  if (error == 0) {
    error = SetSecurityInfo(file.Get(), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                            owner, nullptr, list, nullptr);
  }
  ReportAction(L"protect", path, error == 0 ? Outcome::Done : Outcome::Failed, error);
  return error == 0;
}
