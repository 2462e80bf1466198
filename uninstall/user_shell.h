// What a person reads after the run (the program group's folder, the licence, the home page, a
// help file from the user's own language folder) is opened by the desktop's shell, in its own
// process, as the signed-in user. This program runs elevated, or as the system: whatever it
// starts itself runs so too, and the handlers it finds for a file are looked up among the user's
// own classes as well, which any of the user's programs may write.
#pragma once

// Has the desktop's shell open file (with arguments, or none). False when no desktop shell
// runs in this session (a run as the system before anyone signed in, say) or it refuses:
// nothing is opened then.
bool OpenAsUser(const wchar_t* file, const wchar_t* arguments = nullptr);
