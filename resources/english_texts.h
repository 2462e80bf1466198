// The English texts of the string table, in one place: the resource script builds its STRINGTABLE
// from this list, and the code that must know a text (its hash, a test) expands the same list, so
// a changed text cannot leave a stale copy anywhere. Plain ASCII; read by windres and by the C++
// compiler alike. Keep "%s" exactly once where a text has one: callers format it with one path.
#pragma once

#define QBX_ENGLISH_STRINGS(X)                                                                     \
  X(IDS_UNINSTTITLE, "Quobex uninstallation")                                                      \
  X(IDS_QUOBEXHELP, "Quobex help")                                                                 \
  X(IDS_QBXHELP, "Quobex manual")                                                                  \
  X(IDS_WHATSNEW, "What is new in this version")                                                   \
  X(IDS_WHATSNEWNAME, "WhatsNew.txt")                                                              \
  X(IDS_UNINSTALLQBX, "Uninstall Quobex")                                                          \
  X(IDS_UNINSTALLCOMPLETED, "Quobex has been removed from your computer.")                         \
  X(IDS_UNINSTALLSHOULDDELETE, "Some of its files could not be deleted. Please delete the program file and its folder yourself:\n%s") \
  X(IDS_CONTINUEUNINSTALL, "Quobex, its file associations and its settings will be removed from your computer. Do you want to continue?") \
  X(IDS_CANNOTOPENLIST, "Cannot open %s. Nothing has been removed.")                               \
  X(IDS_QUOBEXARC, "Quobex archive")                                                               \
  X(IDS_QUOBEXZIPARC, "Quobex ZIP archive")                                                        \
  X(IDS_QBXRECVOL, "Quobex recovery volume")                                                       \
  X(IDS_HOMEURL, "https://www.quobex.example/")                                                    \
  X(IDS_QUOBEXDESC, "Quobex archiver")                                                             \
  X(IDS_REBOOTREQUIRED, "Some files are in use. They will be deleted when Windows restarts.")      \
  X(IDS_INSTHELP1, "Choose the archive types that Quobex opens when you double-click them.")      \
  X(IDS_INSTHELP2, "Their previous programs are remembered and get them back when Quobex is removed.") \
  X(IDS_INSTHELP3, "The interface options add shortcuts on the desktop, in the Start menu and a program group.") \
  X(IDS_INSTHELP4, "The shell integration puts Quobex commands into the Explorer context menu.")   \
  X(IDS_INSTHELP5, "The context menu items button chooses which commands it shows.")               \
  X(IDS_INSTHELP6, "Press OK to apply your choice, or Help to learn more.")                        \
  X(IDS_WARN32BIT, "This is the 64-bit version of Quobex. It does not run on a 32-bit Windows.")   \
  X(IDS_INSTREBOOTREQUIRED, "Please restart Windows to complete the installation.")                \
  X(IDS_SETUPFAILED, "The setup of Quobex could not be completed: its settings could not be shown or written to this computer. Please run the setup again as an administrator.") \
  X(IDS_BETA, "beta")                                                                              \
  X(IDS_32BIT, "32-bit")                                                                           \
  X(IDS_64BIT, "64-bit")                                                                           \
  X(IDS_RUNNINGPROGRAMS, "These Quobex programs are still running:\n\n%s\n\nClose them, then choose Try Again. Continue removes Quobex anyway and leaves their files to be deleted when Windows restarts. Cancel removes nothing.") \
  X(IDS_ONEWINDOW, "1 window")                                                                     \
  X(IDS_WINDOWS, "%s windows")                                                                     \
  X(IDS_OTHERSESSION, "in another session, by %s")                                                 \
  X(IDS_MOREPROGRAMS, "and %s more")
