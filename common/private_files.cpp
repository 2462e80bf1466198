#include "common/private_files.h"

#include <windows.h>
#include <bcrypt.h>
#include <sddl.h>

#include "common/path_names.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"

// P: what the parent folder grants is not inherited. OICI: files and folders inside get the same.
const wchar_t kPrivateFolderSecurity[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

bool RandomHexText(wchar_t* out, size_t capacity, int digits) {
  unsigned char bytes[16];
  if (digits < 0 || digits > 32 || capacity <= static_cast<size_t>(digits) ||
      !BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return false;
  }
  BytesToHex(bytes, static_cast<size_t>(digits + 1) / 2, out, static_cast<size_t>(digits) + 1);
  return true;
}

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
    FormatText(name, 64, L"%s%s", prefix, random);
    wchar_t folder[2048];
    JoinPath(parent, name, folder, 2048);
    if (CreateDirectoryW(folder, &attributes)) {
      ReportAction(L"create folder", folder, Outcome::Done);
      CopyText(out, folder, capacity);
      return true;
    }
    ReportAction(L"create folder", folder, Outcome::Failed, GetLastError());
  }
  return false;
}
