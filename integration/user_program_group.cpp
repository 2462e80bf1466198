#include "integration/user_program_group.h"

#include <windows.h>
#include <shlobj.h>
#include <winternl.h>

#include <cwchar>

#include "common/file_operations.h"
#include "common/folder_handles.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "integration/application_registration.h"

namespace {

// A link of the product is a few kilobytes; a larger file is not one of them.
constexpr size_t kLargestLink = 65536;

// An in-memory stream over a copy of bytes, or the empty stream to save into (bytes null).
bool CreateByteStream(const void* bytes, size_t size, ComPointer<IStream>& stream) {
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()))) return false;
  if (bytes == nullptr) return true;
  ULONG written = 0;
  LARGE_INTEGER start = {};
  return SUCCEEDED(stream->Write(bytes, static_cast<ULONG>(size), &written)) && written == size &&
         SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr));
}

bool CreateLinkObject(ComPointer<IShellLinkW>& link, ComPointer<IPersistStream>& persist) {
  return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.ReceiveVoid())) &&
         SUCCEEDED(link->QueryInterface(IID_IPersistStream, persist.ReceiveVoid()));
}

// The group's folder path and a name in it, for the log.
void LogPath(const wchar_t* group, const wchar_t* name, wchar_t* out) { JoinPath(group, name, out, kPathCapacity); }

bool HasLinkExtension(const wchar_t* name) {
  const size_t length = wcslen(name);
  return length > 4 && CompareNoCase(name + length - 4, L".lnk") == 0;
}

// Deletes name in the opened folder when it is a plain shortcut file whose target lies in one of
// folders. A folder, a link or anything else a user put there stays.
void RemoveIfProductLink(HANDLE folder, const wchar_t* folderPath, const wchar_t* name, const wchar_t* const* folders,
                         int count, BYTE* bytes) {
  if (!HasLinkExtension(name)) return;
  HANDLE opened = nullptr;
  if (OpenFolderEntry(folder, name, GENERIC_READ | DELETE, FILE_OPEN, FILE_NON_DIRECTORY_FILE, opened) < 0) return;
  ScopedHandle file(opened);
  size_t size = 0;
  wchar_t target[kPathCapacity];
  if (IsLinkEntry(folder, name) || !IsPlainFile(file.Get()) || !ReadOpenedFile(file.Get(), bytes, kLargestLink, size) ||
      !ReadShellLinkTarget(bytes, size, target, kPathCapacity) || !IsLinkIntoFolders(target, folders, count)) {
    return;
  }
  const bool marked = MarkForDeletion(file.Get());
  wchar_t path[kPathCapacity];
  LogPath(folderPath, name, path);
  ReportAction(L"delete file", path, marked ? Outcome::Done : Outcome::Failed, marked ? 0 : GetLastError());
}

void RemoveProductLinks(HANDLE group, const wchar_t* groupPath, const wchar_t* const* folders, int count) {
  ScopedMemory<BYTE> bytes(kLargestLink);
  if (bytes.Get() == nullptr) return;
  ForEachFolderEntry(group, [&](const FolderEntry& entry) {
    if ((entry.Attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
      RemoveIfProductLink(group, groupPath, entry.Name, folders, count, bytes.Get());
    }
    return true;
  });
}

// Writes a new link file name into the opened group: never over anything that has the name.
bool WriteGroupLink(HANDLE group, const wchar_t* groupPath, const wchar_t* name, const wchar_t* target,
                    const wchar_t* workingFolder, const wchar_t* description, const wchar_t* icon) {
  ComPointer<IShellLinkW> link;
  ComPointer<IPersistStream> persist;
  ComPointer<IStream> stream;
  if (!CreateLinkObject(link, persist) || !CreateByteStream(nullptr, 0, stream)) return false;
  link->SetPath(target);
  link->SetDescription(description);
  link->SetIconLocation(icon != nullptr ? icon : L"", 0);
  link->SetWorkingDirectory(workingFolder);
  HGLOBAL memory = nullptr;
  ULARGE_INTEGER size = {};
  const LARGE_INTEGER here = {};
  if (FAILED(persist->Save(stream.Get(), TRUE)) || FAILED(stream->Seek(here, STREAM_SEEK_CUR, &size)) ||
      FAILED(GetHGlobalFromStream(stream.Get(), &memory))) {
    return false;
  }
  wchar_t path[kPathCapacity];
  LogPath(groupPath, name, path);
  HANDLE opened = nullptr;
  const LONG status = OpenFolderEntry(group, name, GENERIC_WRITE, FILE_CREATE, FILE_NON_DIRECTORY_FILE, opened);
  if (status < 0) {
    // What has the name is not the product's (its links went before): it stays.
    ReportAction(L"write link", path, status == static_cast<LONG>(0xC0000035) ? Outcome::Kept : Outcome::Failed,
                 RtlNtStatusToDosError(status));
    return false;
  }
  ScopedHandle file(opened);
  const void* bytes = GlobalLock(memory);
  const bool written = bytes != nullptr && WriteOpenedFile(file.Get(), bytes, static_cast<size_t>(size.QuadPart));
  const DWORD error = written ? 0 : GetLastError();
  if (bytes != nullptr) GlobalUnlock(memory);
  if (!written) static_cast<void>(MarkForDeletion(file.Get()));  // no half-written link stays
  ReportAction(L"write link", path, written ? Outcome::Done : Outcome::Failed, error);
  return written;
}

void FillGroup(HANDLE group, const wchar_t* groupPath, const GroupEntry (&entries)[kGroupEntryCount],
               const wchar_t* workingFolder, const wchar_t* description, const wchar_t* icon) {
  wchar_t programFolder[kPathCapacity];
  GetProgramFolder(programFolder, kPathCapacity);
  for (int i = 0; i < kGroupEntryCount; ++i) {
    wchar_t name[kPathCapacity];
    FormatText(name, kPathCapacity, L"%s.lnk", entries[i].Name);
    wchar_t target[kPathCapacity];
    JoinPath(programFolder, entries[i].Target, target, kPathCapacity);
    if (PathExists(target)) {
      WriteGroupLink(group, groupPath, name, target, workingFolder, description, i == 0 ? icon : nullptr);
    }
  }
}

// The folder in its long form when it exists, else as it is.
void LongFolder(const wchar_t* folder, wchar_t* out) {
  if (GetLongPathNameW(folder, out, kPathCapacity) == 0 || wcslen(out) >= kPathCapacity) {
    CopyText(out, folder, kPathCapacity);
  }
}

// A path on a drive letter ("C:\..."): its long form is asked of that drive. A link's target
// of another form ("\\host\share\...", "\\?\...") is taken as text: asking about it would have
// this run, elevated, contact whatever host a user's link names.
bool IsDrivePath(const wchar_t* path) { return IsDriveLetterPath(path) && path[2] == L'\\'; }

// The installation folder and the one an earlier setup recorded (empty when none), long forms.
void ProductFolders(wchar_t (&installed)[kPathCapacity], wchar_t (&recorded)[kPathCapacity]) {
  wchar_t programFolder[kPathCapacity];
  GetProgramFolder(programFolder, kPathCapacity);
  LongFolder(programFolder, installed);
  recorded[0] = 0;
  wchar_t earlier[kPathCapacity];
  if (ReadRecordedInstallationFolder(earlier, kPathCapacity)) LongFolder(earlier, recorded);
}

// Opens one of the user's own folders (from the user's settings, a user's choice) only when it is
// reached without a link on the way: the folder where its name leads, and the opened folder's
// own path that name. Through a junction a user made, what is done there would land elsewhere.
HANDLE OpenUserFolder(const wchar_t* path) {
  if (!IsFolderWhereItsNameLeads(path)) return INVALID_HANDLE_VALUE;
  HANDLE folder = OpenFolderItself(path, 0);
  wchar_t final[kPathCapacity];
  if (folder == INVALID_HANDLE_VALUE || !QueryFinalPath(folder, final, kPathCapacity)) return folder;
  const wchar_t* reached = wcsncmp(final, L"\\\\?\\", 4) == 0 ? final + 4 : final;
  if (CompareNoCase(reached, path) != 0) {
    CloseHandle(folder);
    return INVALID_HANDLE_VALUE;
  }
  return folder;
}

}  // namespace

bool ReadShellLinkTarget(const void* bytes, size_t size, wchar_t* target, size_t capacity) {
  ComPointer<IShellLinkW> link;
  ComPointer<IPersistStream> persist;
  ComPointer<IStream> stream;
  wchar_t raw[kPathCapacity] = {};
  if (!CreateLinkObject(link, persist) || !CreateByteStream(bytes, size, stream) ||
      FAILED(persist->Load(stream.Get()))) {
    return false;
  }
  // The raw form keeps "%ProgramFiles%"-style variables; the plain one is what the link's item
  // list says, for a link that stores no path text.
  if (link->GetPath(raw, kPathCapacity, nullptr, SLGP_RAWPATH) != S_OK || raw[0] == 0) {
    raw[0] = 0;
    if (link->GetPath(raw, kPathCapacity, nullptr, 0) != S_OK || raw[0] == 0) return false;
  }
  wchar_t expanded[kPathCapacity];
  const DWORD length = ExpandEnvironmentStringsW(raw, expanded, kPathCapacity);
  if (length == 0 || length > kPathCapacity) return false;
  wchar_t full[kPathCapacity];
  if (IsDrivePath(expanded)) {
    LongFolder(expanded, full);
  } else {
    CopyText(full, expanded, kPathCapacity);
  }
  CopyText(target, full, capacity);
  return IsFullPath(target);
}

bool IsLinkIntoFolders(const wchar_t* target, const wchar_t* const* folders, int count) {
  for (int i = 0; i < count; ++i) {
    if (folders[i] != nullptr && IsFullPath(folders[i]) && IsBelowFolder(target, folders[i])) return true;
  }
  return false;
}

bool SetUserProgramGroup(bool on, const wchar_t* parent, const GroupEntry (&entries)[kGroupEntryCount],
                         const wchar_t* workingFolder, const wchar_t* description, const wchar_t* icon) {
  wchar_t groupPath[kPathCapacity];
  JoinPath(parent, kProductName, groupPath, kPathCapacity);
  // The program folder is where the user's settings say; one reached through a link is left alone.
  ScopedHandle parentFolder(OpenUserFolder(parent));
  if (!parentFolder.Valid()) {
    ReportAction(L"use program group", groupPath, Outcome::Kept);
    return false;
  }
  HANDLE opened = nullptr;
  const LONG status = OpenSubfolder(parentFolder.Get(), kProductName, on ? 0 : DELETE, on, opened);
  if (status == kStatusLinkRefused) ReportAction(L"use program group", groupPath, Outcome::Kept);
  if (status < 0) return false;
  ScopedHandle group(opened);

  wchar_t installed[kPathCapacity];
  wchar_t recorded[kPathCapacity];
  ProductFolders(installed, recorded);
  const wchar_t* folders[] = {installed, recorded[0] != 0 ? recorded : nullptr};
  RemoveProductLinks(group.Get(), groupPath, folders, 2);
  if (on) {
    FillGroup(group.Get(), groupPath, entries, workingFolder, description, icon);
    return true;
  }
  // A folder with anything left in it refuses its deletion: what a user put there stays.
  const bool removed = MarkForDeletion(group.Get());
  const DWORD error = removed ? 0 : GetLastError();
  ReportAction(L"delete folder", groupPath,
               removed ? Outcome::Done : error == ERROR_DIR_NOT_EMPTY ? Outcome::Kept : Outcome::Failed, error);
  return false;
}

void RemoveUserProductLink(const wchar_t* folder, const wchar_t* name) {
  ScopedHandle opened(OpenUserFolder(folder));
  ScopedMemory<BYTE> bytes(kLargestLink);
  if (!opened.Valid() || bytes.Get() == nullptr) return;
  wchar_t installed[kPathCapacity];
  wchar_t recorded[kPathCapacity];
  ProductFolders(installed, recorded);
  const wchar_t* folders[] = {installed, recorded[0] != 0 ? recorded : nullptr};
  RemoveIfProductLink(opened.Get(), folder, name, folders, 2, bytes.Get());
}
