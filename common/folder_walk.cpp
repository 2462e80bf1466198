#include "common/folder_walk.h"

#include <aclapi.h>
#include <winioctl.h>
#include <winternl.h>

#include <cwchar>
#include <utility>

#include "common/file_operations.h"
#include "common/folder_handles.h"
#include "common/path_names.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"

// Not in the compiler's headers for programs, but part of the system since its first version.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);

namespace {

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);
// Links followed in one walk, as the system stops a chain of links.
constexpr int kLinkLimit = 8;

// What changes a link or where it leads: writing its data (its target), its attributes, deleting
// it, or its access list; in the folder that holds it, deleting entries or its access list.
constexpr ACCESS_MASK kLinkChanging = DELETE | WRITE_DAC | WRITE_OWNER | FILE_WRITE_DATA | FILE_APPEND_DATA |
                                      FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES | GENERIC_WRITE | GENERIC_ALL;
constexpr ACCESS_MASK kHolderChanging = FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

// FILE_FULL_DIR_INFORMATION: for an entry that is a reparse point, EaSize holds its tag.
struct FullDirectoryInformation {
  ULONG NextEntryOffset;
  ULONG FileIndex;
  LARGE_INTEGER Times[4];
  LARGE_INTEGER EndOfFile;
  LARGE_INTEGER AllocationSize;
  ULONG FileAttributes;
  ULONG FileNameLength;
  ULONG EaSize;
  WCHAR FileName[1];
};
constexpr auto kFileFullDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(2);

// What a folder's listing says of one of its names: its full name (a short name or another case
// given), its attributes and reparse tag.
struct ListedEntry {
  wchar_t Name[MAX_PATH + 1] = {};
  DWORD Attributes = 0;
  DWORD Tag = 0;
};

// One name of a folder's entry: not "." or "..", nothing that separates, names a stream or matches
// several names in a listing.
bool IsEntryName(const wchar_t* name) {
  if (name[0] == 0 || wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0 || wcslen(name) > MAX_PATH) return false;
  for (const wchar_t* at = name; *at != 0; ++at) {
    if (*at < 32 || wcschr(L"\\/:*?\"<>|", *at) != nullptr) return false;
  }
  return true;
}

// A link leads elsewhere by name: junctions, symbolic links, mount points. A reparse point of
// another kind (a cloud placeholder, a deduplicated file) is the folder or file itself. A tag of 0
// (a system that says "reparse point" but not which) counts as a link.
bool IsLink(DWORD attributes, DWORD tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && (tag == 0 || IsReparseTagNameSurrogate(tag));
}

// Looks name up in the folder's listing. The system keeps the first name a listing handle was
// asked for, so each look-up lists through a handle of its own (the folder opened anew through
// its handle: an empty name relative to it).
bool ListEntry(HANDLE folder, const wchar_t* name, ListedEntry& entry) {
  HANDLE opened = nullptr;
  if (!NT_SUCCESS(OpenRelativeToFolder(folder, L"", FILE_LIST_DIRECTORY, kShareAll, FILE_OPEN, FILE_DIRECTORY_FILE,
                                       opened))) {
    return false;
  }
  ScopedHandle listing(opened);
  alignas(FullDirectoryInformation) BYTE buffer[sizeof(FullDirectoryInformation) + 2 * MAX_PATH + 16];
  UNICODE_STRING mask;
  mask.Buffer = const_cast<PWSTR>(name);
  mask.Length = mask.MaximumLength = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
  IO_STATUS_BLOCK status = {};
  if (!NT_SUCCESS(NtQueryDirectoryFile(listing.Get(), nullptr, nullptr, nullptr, &status, buffer, sizeof buffer,
                                       kFileFullDirectoryInformation, TRUE, &mask, TRUE))) {
    return false;
  }
  const auto& information = *reinterpret_cast<const FullDirectoryInformation*>(buffer);
  const size_t length = information.FileNameLength / sizeof(wchar_t);
  if (length == 0 || length > MAX_PATH) return false;
  wmemcpy(entry.Name, information.FileName, length);
  entry.Name[length] = 0;
  entry.Attributes = information.FileAttributes;
  entry.Tag = (information.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? information.EaSize : 0;
  return true;
}

// True when the opened entry is a link itself (a system that honours "open the link itself").
bool IsOpenedLink(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO information = {};
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &information, sizeof information)) return true;
  return IsLink(information.FileAttributes, information.ReparseTag);
}

// True when the opened entry is the folder's entry of that name: where a system follows a link
// even when told to open the link itself (Wine), or the name was swapped for one meanwhile, the
// entry's own path is another.
bool IsEntryOfFolder(HANDLE entry, HANDLE folder, const wchar_t* name) {
  wchar_t expected[kPathCapacity];
  wchar_t final[kPathCapacity];
  if (!QueryFinalPath(folder, expected, kPathCapacity) || !QueryFinalPath(entry, final, kPathCapacity)) {
    return false;
  }
  AddTrailingSeparator(expected, kPathCapacity);
  AppendText(expected, name, kPathCapacity);
  return CompareStringOrdinal(final, -1, expected, -1, TRUE) == CSTR_EQUAL;
}

bool IsAdministrative(PSID sid) {
  // NT SERVICE\TrustedInstaller: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
  static const struct {
    BYTE Revision;
    BYTE SubAuthorityCount;
    SID_IDENTIFIER_AUTHORITY Authority;
    DWORD SubAuthority[6];
  } kTrustedInstaller = {SID_REVISION, 6, {SECURITY_NT_AUTHORITY}, {80, 956008885u, 3418522649u, 1831038044u,
                                                                    1853292631u, 2271478464u}};
  return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
         EqualSid(sid, const_cast<void*>(static_cast<const void*>(&kTrustedInstaller)));
}

// True when only SYSTEM, Administrators and TrustedInstaller may use rights on the opened object:
// its owner (who may always re-permission it) is one of them, and no entry of its access list
// that applies to the object grants any of rights to anyone else. Judged by the list, not by
// who made the object: a folder an administrator made under "C:\" inherits "Authenticated Users:
// Modify". No list at all lets everyone do everything.
bool OnlyAdministratorsMay(HANDLE handle, ACCESS_MASK rights) {
  PSID owner = nullptr;
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                      nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  ScopedLocalMemory<PSECURITY_DESCRIPTOR> held(descriptor);
  if (owner == nullptr || !IsAdministrative(owner) || list == nullptr) return false;
  for (DWORD index = 0; index < list->AceCount; ++index) {
    void* entry = nullptr;
    if (!GetAce(list, index, &entry)) return false;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    switch (header->AceType) {
      case ACCESS_ALLOWED_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
        if ((allowed->Mask & rights) != 0 && !IsAdministrative(const_cast<DWORD*>(&allowed->SidStart))) return false;
        break;
      case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
      case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
        // Whom these grant is not read here: granted is granted to someone else.
        if ((allowed->Mask & rights) != 0) return false;
        break;
      default:
        break;  // denials, audits and labels give no one a right
    }
  }
  return true;
}

// REPARSE_DATA_BUFFER's fixed part for junctions (mount points) and symbolic links.
struct LinkData {
  ULONG Tag;
  USHORT DataLength;
  USHORT Reserved;
  USHORT SubstituteOffset;
  USHORT SubstituteLength;
  USHORT PrintOffset;
  USHORT PrintLength;
};

// The path the opened link leads to, in out (capacity characters): a junction's or an absolute
// symbolic link's "\??\" target in its "\\?\" form; a relative symbolic link's target below
// holder, the path of the folder that holds the link. False for any other kind of link.
bool ReadLinkTarget(HANDLE link, const wchar_t* holder, wchar_t* out, size_t capacity) {
  alignas(LinkData) BYTE buffer[MAXIMUM_REPARSE_DATA_BUFFER_SIZE];
  DWORD size = 0;
  if (!DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer, sizeof buffer, &size, nullptr) ||
      size < sizeof(LinkData)) {
    return false;
  }
  const auto& data = *reinterpret_cast<const LinkData*>(buffer);
  size_t pathsAt = sizeof(LinkData);
  bool relative = false;
  if (data.Tag == IO_REPARSE_TAG_SYMLINK) {
    relative = (*reinterpret_cast<const ULONG*>(buffer + pathsAt) & 1) != 0;  // SYMLINK_FLAG_RELATIVE
    pathsAt += sizeof(ULONG);
  } else if (data.Tag != IO_REPARSE_TAG_MOUNT_POINT) {
    return false;
  }
  const size_t length = data.SubstituteLength / sizeof(wchar_t);
  if (pathsAt + data.SubstituteOffset + data.SubstituteLength > size || length == 0 || length >= kPathCapacity) {
    return false;
  }
  wchar_t target[kPathCapacity];
  wmemcpy(target, reinterpret_cast<const wchar_t*>(buffer + pathsAt + data.SubstituteOffset), length);
  target[length] = 0;
  if (relative) {
    JoinPath(holder, target, out, capacity);
    return true;
  }
  if (wcsncmp(target, L"\\??\\", 4) != 0) return false;
  FormatText(out, capacity, L"\\\\?\\%s", target + 4);
  return true;
}

// Where the names below the root begin: after "X:\", "\\server\share\", or their "\\?\" forms (and
// "\\?\Volume{...}\"); 0 for anything else (a device, a relative path).
size_t RootLength(const wchar_t* path) {
  auto afterShare = [&](size_t at) -> size_t {
    for (int part = 0; part < 2; ++part) {
      const size_t start = at;
      while (path[at] != 0 && path[at] != L'\\') ++at;
      if (at == start) return 0;
      if (path[at] == L'\\') ++at;
    }
    return at;
  };
  auto afterDrive = [&](size_t at) -> size_t {
    return IsAlpha(path[at]) && path[at + 1] == L':' && path[at + 2] == L'\\' ? at + 3 : 0;
  };
  if (wcsncmp(path, L"\\\\?\\", 4) == 0) {
    if (CompareNoCaseN(path + 4, L"UNC\\", 4) == 0) return afterShare(8);
    if (CompareNoCaseN(path + 4, L"Volume{", 7) == 0) {
      const wchar_t* end = wcschr(path + 4, L'\\');
      return end != nullptr ? static_cast<size_t>(end - path) + 1 : 0;
    }
    return afterDrive(4);
  }
  if (path[0] == L'\\' && path[1] == L'\\') return path[2] == L'?' || path[2] == L'.' ? 0 : afterShare(2);
  return afterDrive(0);
}

HANDLE OpenRoot(const wchar_t* path, size_t rootLength) {
  wchar_t root[kPathCapacity];
  CopyText(root, path, rootLength + 1 < kPathCapacity ? rootLength + 1 : kPathCapacity);
  AddTrailingSeparator(root, kPathCapacity);
  return CreateFileW(root, kFolderAccess | SYNCHRONIZE, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
}

enum class Step { Opened, Link, Refused };

// Opens name, a folder in the opened folder holder, itself. A link that only administrators may
// change gives Link and the path it leads to in target (through holderPath, the path of holder).
Step OpenFolderStep(HANDLE holder, const wchar_t* holderPath, const wchar_t* name, ScopedHandle& opened,
                    wchar_t* target) {
  ListedEntry listed;
  HANDLE handle = nullptr;
  if (!IsEntryName(name) || !ListEntry(holder, name, listed) ||
      !NT_SUCCESS(OpenRelativeToFolder(holder, name, kFolderAccess, kShareAll, FILE_OPEN, FILE_DIRECTORY_FILE,
                                       handle))) {
    return Step::Refused;
  }
  opened.Reset(handle);
  if (IsLink(listed.Attributes, listed.Tag) || IsOpenedLink(handle)) {
    // Windows only: opened as the link itself, whose owner and access list are its own.
    return OnlyAdministratorsMay(handle, kLinkChanging) && OnlyAdministratorsMay(holder, kHolderChanging) &&
                   ReadLinkTarget(handle, holderPath, target, kPathCapacity)
               ? Step::Link
               : Step::Refused;
  }
  return IsEntryOfFolder(handle, holder, listed.Name) ? Step::Opened : Step::Refused;
}

// One walk of path from its root. Link: next holds the path to walk instead (the link's target
// with the rest of path).
Step WalkOnce(const wchar_t* path, ScopedHandle& folder, wchar_t* stopped, size_t capacity, wchar_t* next) {
  const size_t rootLength = RootLength(path);
  CopyText(stopped, path, rootLength + 1 < capacity ? rootLength + 1 : capacity);
  if (rootLength == 0) return Step::Refused;
  folder.Reset(OpenRoot(path, rootLength));
  if (!folder.Valid()) return Step::Refused;
  for (size_t at = rootLength; path[at] != 0;) {
    size_t end = at;
    while (path[end] != 0 && path[end] != L'\\') ++end;
    wchar_t name[MAX_PATH + 1] = {};
    if (end - at > MAX_PATH) return Step::Refused;
    wmemcpy(name, path + at, end - at);
    wchar_t holderPath[kPathCapacity];
    CopyText(holderPath, path, at + 1 < kPathCapacity ? at + 1 : kPathCapacity);
    CopyText(stopped, path, end + 1 < capacity ? end + 1 : capacity);
    ScopedHandle opened;
    wchar_t target[kPathCapacity];
    const Step step = OpenFolderStep(folder.Get(), holderPath, name, opened, target);
    if (step == Step::Link) {
      JoinPath(target, path + end + (path[end] != 0 ? 1 : 0), next, kPathCapacity);
      return Step::Link;
    }
    if (step == Step::Refused) return Step::Refused;
    folder = std::move(opened);
    at = path[end] != 0 ? end + 1 : end;
  }
  return Step::Opened;
}

}  // namespace

HANDLE OpenFolderByWalk(const wchar_t* path, wchar_t* stopped, size_t capacity) {
  wchar_t walked[kPathCapacity];
  CopyText(stopped, path, capacity);
  const DWORD length = GetFullPathNameW(path, kPathCapacity, walked, nullptr);
  if (length == 0 || length >= kPathCapacity) return INVALID_HANDLE_VALUE;
  for (int links = 0; links <= kLinkLimit; ++links) {
    ScopedHandle folder;
    wchar_t next[kPathCapacity];
    switch (WalkOnce(walked, folder, stopped, capacity, next)) {
      case Step::Opened: return folder.Take();
      case Step::Refused: return INVALID_HANDLE_VALUE;
      case Step::Link: CopyText(walked, next, kPathCapacity); break;
    }
  }
  return INVALID_HANDLE_VALUE;
}

HANDLE OpenPlainFileInFolder(HANDLE folder, const wchar_t* name, ACCESS_MASK access, ULONG sharing,
                             EntryOpening opening, bool* created) {
  if (!IsEntryName(name)) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  access |= FILE_READ_ATTRIBUTES;
  constexpr ULONG kOptions = FILE_NON_DIRECTORY_FILE;
  HANDLE handle = nullptr;
  bool isNew = opening == EntryOpening::New;
  NTSTATUS result =
      OpenRelativeToFolder(folder, name, access, sharing, isNew ? FILE_CREATE : FILE_OPEN, kOptions, handle);
  if (result == kNameNotFound && opening == EntryOpening::ExistingOrNew) {
    isNew = true;
    result = OpenRelativeToFolder(folder, name, access, sharing, FILE_CREATE, kOptions, handle);
  }
  if (!NT_SUCCESS(result)) {
    SetLastError(result == kNameNotFound ? ERROR_FILE_NOT_FOUND
                 : result == kNameCollision ? ERROR_FILE_EXISTS
                                            : RtlNtStatusToDosError(result));
    return INVALID_HANDLE_VALUE;
  }
  ScopedHandle file(handle);
  ListedEntry listed;
  if (GetFileType(handle) != FILE_TYPE_DISK || !IsPlainFile(handle) || IsOpenedLink(handle) ||
      !ListEntry(folder, name, listed) || IsLink(listed.Attributes, listed.Tag) ||
      !IsEntryOfFolder(handle, folder, listed.Name)) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return INVALID_HANDLE_VALUE;
  }
  if (created != nullptr) *created = isNew;
  return file.Take();
}
