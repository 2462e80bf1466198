// The English texts of the three dialogs, in one place: the dialog templates take them from here,
// and so does the language key table, whose hashes are computed from these texts. Plain ASCII;
// read by windres and by the C++ compiler alike. Each dialog's list names every item a language
// file can translate, in the order of the key table.
#pragma once

// Integration settings dialog "SETUPDLG".
#define SETUPDLG_CAPTION "Quobex setup"
#define SETUPDLG_IDC_ASSOCWITH "Open these archive types with Quobex"
#define SETUPDLG_IDC_ASSOCQBX "QBX"
#define SETUPDLG_IDC_ASSOCZIP "ZIP"
#define SETUPDLG_IDC_ASSOC7Z "7Z"
#define SETUPDLG_IDC_ASSOCARJ "ARJ"
#define SETUPDLG_IDC_ASSOCBZ2 "BZ2, TBZ2"
#define SETUPDLG_IDC_ASSOCCAB "CAB"
#define SETUPDLG_IDC_ASSOCGZ "GZ, TGZ"
#define SETUPDLG_IDC_ASSOCISO "ISO"
#define SETUPDLG_IDC_ASSOCJAR "JAR"
#define SETUPDLG_IDC_ASSOCLZ "LZ, TLZ"
#define SETUPDLG_IDC_ASSOCLZH "LZH, LHA"
#define SETUPDLG_IDC_ASSOCTAR "TAR"
#define SETUPDLG_IDC_ASSOCUUE "UUE, XXE"
#define SETUPDLG_IDC_ASSOCXZ "XZ, TXZ"
#define SETUPDLG_IDC_ASSOCZ "Z, TAZ"
#define SETUPDLG_IDC_ASSOCZIPX "ZIPX"
#define SETUPDLG_IDC_ASSOC001 "001"
#define SETUPDLG_IDC_ASSOCALL "&Toggle all"
#define SETUPDLG_IDC_INTEGRATIONINTERFACE "Shortcuts"
#define SETUPDLG_IDC_LINKDESKTOP "On the &desktop"
#define SETUPDLG_IDC_LINKSTARTMENU "In the &Start menu"
#define SETUPDLG_IDC_LINKPROGRAMS "&Program group"
#define SETUPDLG_IDC_SHELLEXT "Explorer integration"
#define SETUPDLG_IDC_SHELLINTEGRATION "&Context menu commands"
#define SETUPDLG_IDC_SHELLCASCADED "C&ascaded menu"
#define SETUPDLG_IDC_SHELLICONS "&Icons in the menu"
#define SETUPDLG_IDC_SETCONTEXTMENU "Context &menu items..."
#define SETUPDLG_IDOK "OK"
#define SETUPDLG_IDHELP "&Help"

#define QBX_SETUPDLG_TEXTS(X)                                                                      \
  X(SETUPDLG, SIZE, "")                                                                            \
  X(SETUPDLG, CAPTION, SETUPDLG_CAPTION)                                                           \
  X(SETUPDLG, IDC_ASSOCWITH, SETUPDLG_IDC_ASSOCWITH)                                               \
  X(SETUPDLG, IDC_ASSOCQBX, SETUPDLG_IDC_ASSOCQBX)                                                 \
  X(SETUPDLG, IDC_ASSOCZIP, SETUPDLG_IDC_ASSOCZIP)                                                 \
  X(SETUPDLG, IDC_ASSOC7Z, SETUPDLG_IDC_ASSOC7Z)                                                   \
  X(SETUPDLG, IDC_ASSOCARJ, SETUPDLG_IDC_ASSOCARJ)                                                 \
  X(SETUPDLG, IDC_ASSOCBZ2, SETUPDLG_IDC_ASSOCBZ2)                                                 \
  X(SETUPDLG, IDC_ASSOCCAB, SETUPDLG_IDC_ASSOCCAB)                                                 \
  X(SETUPDLG, IDC_ASSOCGZ, SETUPDLG_IDC_ASSOCGZ)                                                   \
  X(SETUPDLG, IDC_ASSOCISO, SETUPDLG_IDC_ASSOCISO)                                                 \
  X(SETUPDLG, IDC_ASSOCJAR, SETUPDLG_IDC_ASSOCJAR)                                                 \
  X(SETUPDLG, IDC_ASSOCLZ, SETUPDLG_IDC_ASSOCLZ)                                                   \
  X(SETUPDLG, IDC_ASSOCLZH, SETUPDLG_IDC_ASSOCLZH)                                                 \
  X(SETUPDLG, IDC_ASSOCTAR, SETUPDLG_IDC_ASSOCTAR)                                                 \
  X(SETUPDLG, IDC_ASSOCUUE, SETUPDLG_IDC_ASSOCUUE)                                                 \
  X(SETUPDLG, IDC_ASSOCXZ, SETUPDLG_IDC_ASSOCXZ)                                                   \
  X(SETUPDLG, IDC_ASSOCZ, SETUPDLG_IDC_ASSOCZ)                                                     \
  X(SETUPDLG, IDC_ASSOCZIPX, SETUPDLG_IDC_ASSOCZIPX)                                               \
  X(SETUPDLG, IDC_ASSOC001, SETUPDLG_IDC_ASSOC001)                                                 \
  X(SETUPDLG, IDC_ASSOCALL, SETUPDLG_IDC_ASSOCALL)                                                 \
  X(SETUPDLG, IDC_INTEGRATIONINTERFACE, SETUPDLG_IDC_INTEGRATIONINTERFACE)                         \
  X(SETUPDLG, IDC_LINKDESKTOP, SETUPDLG_IDC_LINKDESKTOP)                                           \
  X(SETUPDLG, IDC_LINKSTARTMENU, SETUPDLG_IDC_LINKSTARTMENU)                                       \
  X(SETUPDLG, IDC_LINKPROGRAMS, SETUPDLG_IDC_LINKPROGRAMS)                                         \
  X(SETUPDLG, IDC_SHELLEXT, SETUPDLG_IDC_SHELLEXT)                                                 \
  X(SETUPDLG, IDC_SHELLINTEGRATION, SETUPDLG_IDC_SHELLINTEGRATION)                                 \
  X(SETUPDLG, IDC_SHELLCASCADED, SETUPDLG_IDC_SHELLCASCADED)                                       \
  X(SETUPDLG, IDC_SHELLICONS, SETUPDLG_IDC_SHELLICONS)                                             \
  X(SETUPDLG, IDC_SETCONTEXTMENU, SETUPDLG_IDC_SETCONTEXTMENU)                                     \
  X(SETUPDLG, IDOK, SETUPDLG_IDOK)                                                                 \
  X(SETUPDLG, IDHELP, SETUPDLG_IDHELP)

// Completion dialog "DONEDLG".
#define DONEDLG_CAPTION "Quobex setup complete"
#define DONEDLG_IDOK "OK"
#define DONEDLG_IDC_INSTINFOFOLDER "Quobex has been installed in this folder:"
#define DONEDLG_IDC_INSTINFOOPTIONS "To change the archive types, shortcuts or Explorer commands later, run the setup again."
#define DONEDLG_IDC_INSTINFOHELP "The help file, the licence and the home page tell you more about Quobex."
#define DONEDLG_IDC_VIEWHELP "&Help"
#define DONEDLG_IDC_VIEWLICENSE "&Licence"
#define DONEDLG_IDC_HOMEPAGE "Home &page"
#define DONEDLG_IDC_THANKS "Thank you for installing Quobex!"

#define QBX_DONEDLG_TEXTS(X)                                                                       \
  X(DONEDLG, SIZE, "")                                                                             \
  X(DONEDLG, CAPTION, DONEDLG_CAPTION)                                                             \
  X(DONEDLG, IDOK, DONEDLG_IDOK)                                                                   \
  X(DONEDLG, IDC_INSTINFOFOLDER, DONEDLG_IDC_INSTINFOFOLDER)                                       \
  X(DONEDLG, IDC_INSTINFOOPTIONS, DONEDLG_IDC_INSTINFOOPTIONS)                                     \
  X(DONEDLG, IDC_INSTINFOHELP, DONEDLG_IDC_INSTINFOHELP)                                           \
  X(DONEDLG, IDC_VIEWHELP, DONEDLG_IDC_VIEWHELP)                                                   \
  X(DONEDLG, IDC_VIEWLICENSE, DONEDLG_IDC_VIEWLICENSE)                                             \
  X(DONEDLG, IDC_HOMEPAGE, DONEDLG_IDC_HOMEPAGE)                                                   \
  X(DONEDLG, IDC_THANKS, DONEDLG_IDC_THANKS)

// Context menu items dialog "SETUPCONTEXTITEMS".
#define SETUPCONTEXTITEMS_CAPTION "Context menu items"
#define SETUPCONTEXTITEMS_IDC_CONTEXTMENUITEMS "Commands in the context menu"
#define SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACTTO "E&xtract files..."
#define SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACTHERE "&Extract here"
#define SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACT "Extract to a &folder"
#define SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACTSEPARATE "Extract each archive &separately"
#define SETUPCONTEXTITEMS_IDC_CONTEXTOPENSFX "&Open self-extracting archive"
#define SETUPCONTEXTITEMS_IDC_CONTEXTOPENARC "Open archi&ve"
#define SETUPCONTEXTITEMS_IDC_CONTEXTADD "&Add to archive..."
#define SETUPCONTEXTITEMS_IDC_CONTEXTADDARC "Add to a &named archive"
#define SETUPCONTEXTITEMS_IDC_CONTEXTEMAILARC "Com&press and email..."
#define SETUPCONTEXTITEMS_IDC_CONTEXTEMAILARCOPT "Compress to a named archive and e&mail"
#define SETUPCONTEXTITEMS_IDC_CONTEXTTEST "&Test archive"
#define SETUPCONTEXTITEMS_IDC_CONTEXTCONVERT "&Convert archive"
#define SETUPCONTEXTITEMS_IDC_CONTEXTDROPMENU "Drag and drop menu"
#define SETUPCONTEXTITEMS_IDC_CONTEXTDRAGADD "A&dd to archive"
#define SETUPCONTEXTITEMS_IDC_CONTEXTDRAGEXTRACT "Ext&ract"
#define SETUPCONTEXTITEMS_IDC_CONTEXTSFXARCHIVES "Self-extracting archives"
#define SETUPCONTEXTITEMS_IDC_CONTEXTSFXLOCAL "On &local disks"
#define SETUPCONTEXTITEMS_IDC_CONTEXTSFXNETWORK "On networ&k drives"
#define SETUPCONTEXTITEMS_IDC_CONTEXTSFXOTHER "On other med&ia"
#define SETUPCONTEXTITEMS_IDC_CONTEXTALWAYSARCTITLE "Al&ways treat these files as archives:"
#define SETUPCONTEXTITEMS_IDOK "OK"
#define SETUPCONTEXTITEMS_IDCANCEL "Cancel"
#define SETUPCONTEXTITEMS_IDHELP "&Help"

#define QBX_SETUPCONTEXTITEMS_TEXTS(X)                                                             \
  X(SETUPCONTEXTITEMS, SIZE, "")                                                                   \
  X(SETUPCONTEXTITEMS, CAPTION, SETUPCONTEXTITEMS_CAPTION)                                         \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTMENUITEMS, SETUPCONTEXTITEMS_IDC_CONTEXTMENUITEMS)               \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTEXTRACTTO, SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACTTO)               \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTEXTRACTHERE, SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACTHERE)           \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTEXTRACT, SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACT)                   \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTEXTRACTSEPARATE, SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACTSEPARATE)   \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTOPENSFX, SETUPCONTEXTITEMS_IDC_CONTEXTOPENSFX)                   \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTOPENARC, SETUPCONTEXTITEMS_IDC_CONTEXTOPENARC)                   \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTADD, SETUPCONTEXTITEMS_IDC_CONTEXTADD)                           \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTADDARC, SETUPCONTEXTITEMS_IDC_CONTEXTADDARC)                     \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTEMAILARC, SETUPCONTEXTITEMS_IDC_CONTEXTEMAILARC)                 \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTEMAILARCOPT, SETUPCONTEXTITEMS_IDC_CONTEXTEMAILARCOPT)           \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTTEST, SETUPCONTEXTITEMS_IDC_CONTEXTTEST)                         \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTCONVERT, SETUPCONTEXTITEMS_IDC_CONTEXTCONVERT)                   \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTDROPMENU, SETUPCONTEXTITEMS_IDC_CONTEXTDROPMENU)                 \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTDRAGADD, SETUPCONTEXTITEMS_IDC_CONTEXTDRAGADD)                   \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTDRAGEXTRACT, SETUPCONTEXTITEMS_IDC_CONTEXTDRAGEXTRACT)           \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTSFXARCHIVES, SETUPCONTEXTITEMS_IDC_CONTEXTSFXARCHIVES)           \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTSFXLOCAL, SETUPCONTEXTITEMS_IDC_CONTEXTSFXLOCAL)                 \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTSFXNETWORK, SETUPCONTEXTITEMS_IDC_CONTEXTSFXNETWORK)             \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTSFXOTHER, SETUPCONTEXTITEMS_IDC_CONTEXTSFXOTHER)                 \
  X(SETUPCONTEXTITEMS, IDC_CONTEXTALWAYSARCTITLE, SETUPCONTEXTITEMS_IDC_CONTEXTALWAYSARCTITLE)     \
  X(SETUPCONTEXTITEMS, IDOK, SETUPCONTEXTITEMS_IDOK)                                               \
  X(SETUPCONTEXTITEMS, IDCANCEL, SETUPCONTEXTITEMS_IDCANCEL)                                       \
  X(SETUPCONTEXTITEMS, IDHELP, SETUPCONTEXTITEMS_IDHELP)
