#include "common/private_files.h"

#include <windows.h>
#include <sddl.h>

#include "common/path_names.h"
#include "common/random_text.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"

// P: what the parent folder grants is not inherited. OICI: files and folders inside get the same.
const wchar_t kPrivateFolderSecurity[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

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
