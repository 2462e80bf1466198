// Folders under names nobody can guess that only administrators and the system can write: where
// an elevated run puts what it will run or read back later. A process without administrator
// rights can create files in the system's temporary folder; under a name it can predict it could
// plant a link that makes the elevated run overwrite another file, or rewrite what the run is
// about to execute.
#pragma once

#include <cstddef>

// Creates a new folder parent\<prefix><16 random hex digits> whose access list lets only
// SYSTEM and the Administrators group in, protected from what the parent would pass on. The
// creation fails rather than use anything that already has the name (a folder, a file, a link);
// a few names are tried. out (capacity characters) receives the folder. False when none could be
// created.
bool CreatePrivateFolder(const wchar_t* parent, const wchar_t* prefix, wchar_t* out, size_t capacity);

// The access list a private folder is created with, as security descriptor text.
extern const wchar_t kPrivateFolderSecurity[];

// Gives path, a file in a private folder, the access list of the folder's own files: owned by
// the Administrators, only SYSTEM and Administrators let in, nothing inherited. A file moved
// there keeps the list of the folder it came from, which may let others rewrite it. Refused
// (false, nothing changed) unless it is a plain file with one name (a second name is a way in
// that another account made) that nobody holds open for writing (a handle opened before keeps its
// rights whatever the list says). Wine keeps no access list: there the call changes nothing.
bool ProtectPrivateFile(const wchar_t* path);

// The access list ProtectPrivateFile gives, as security descriptor text.
extern const wchar_t kPrivateFileSecurity[];
