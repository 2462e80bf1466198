// German texts of the translated resource library qbxlng.dll. Written by
// scripts/make_translations.py from the same translations as german.lng; do not edit.
#pragma once

#define QBX_GERMAN_STRINGS(X) \
  X(IDS_UNINSTTITLE, "Deinstallation von Quobex") \
  X(IDS_QUOBEXHELP, "Quobex-Hilfe") \
  X(IDS_QBXHELP, "Quobex-Handbuch") \
  X(IDS_WHATSNEW, "Neuigkeiten in dieser Version") \
  X(IDS_WHATSNEWNAME, "WhatsNew.txt") \
  X(IDS_UNINSTALLQBX, "Quobex deinstallieren") \
  X(IDS_UNINSTALLCOMPLETED, "Quobex wurde von Ihrem Computer entfernt.") \
  X(IDS_UNINSTALLSHOULDDELETE, "Einige Dateien konnten nicht gelöscht werden. Bitte löschen Sie die Programmdatei und ihren Ordner selbst:\n%s") \
  X(IDS_CONTINUEUNINSTALL, "Quobex, seine Dateizuordnungen und seine Einstellungen werden von Ihrem Computer entfernt. Möchten Sie fortfahren?") \
  X(IDS_CANNOTOPENLIST, "%s kann nicht geöffnet werden. Es wurde nichts entfernt.") \
  X(IDS_QUOBEXARC, "Quobex-Archiv") \
  X(IDS_QUOBEXZIPARC, "Quobex-ZIP-Archiv") \
  X(IDS_QBXRECVOL, "Quobex-Wiederherstellungsvolume") \
  X(IDS_HOMEURL, "https://www.quobex.example/de/") \
  X(IDS_QUOBEXDESC, "Quobex-Archivprogramm") \
  X(IDS_REBOOTREQUIRED, "Einige Dateien werden noch verwendet. Sie werden beim nächsten Neustart von Windows gelöscht.") \
  X(IDS_INSTHELP1, "Wählen Sie die Archivtypen, die Quobex beim Doppelklick öffnen soll.") \
  X(IDS_INSTHELP2, "Ihre bisherigen Programme werden gespeichert und erhalten sie zurück, wenn Quobex entfernt wird.") \
  X(IDS_INSTHELP3, "Die Verknüpfungsoptionen legen Symbole auf dem Desktop, im Startmenü und eine Programmgruppe an.") \
  X(IDS_INSTHELP4, "Die Explorer-Integration fügt Quobex-Befehle in das Kontextmenü ein.") \
  X(IDS_INSTHELP5, "Mit der Schaltfläche für die Kontextmenüeinträge wählen Sie diese Befehle aus.") \
  X(IDS_INSTHELP6, "Klicken Sie auf OK, um Ihre Auswahl anzuwenden, oder auf Hilfe für weitere Informationen.") \
  X(IDS_WARN32BIT, "Dies ist die 64-Bit-Version von Quobex. Sie läuft nicht unter einem 32-Bit-Windows.") \
  X(IDS_INSTREBOOTREQUIRED, "Bitte starten Sie Windows neu, um die Installation abzuschließen.") \
  X(IDS_SETUPFAILED, "Die Installation von Quobex konnte nicht abgeschlossen werden: Ihre Einstellungen konnten auf diesem Computer nicht angezeigt oder geschrieben werden. Bitte führen Sie die Installation erneut als Administrator aus.") \
  X(IDS_BETA, "Beta") \
  X(IDS_32BIT, "32 Bit") \
  X(IDS_64BIT, "64 Bit") \
  X(IDS_RUNNINGPROGRAMS, "Diese Quobex-Programme laufen noch:\n\n%s\n\nSchließen Sie sie und wählen Sie dann Wiederholen. Weiter entfernt Quobex trotzdem; ihre Dateien werden beim nächsten Neustart von Windows gelöscht. Abbrechen entfernt nichts.") \
  X(IDS_ONEWINDOW, "1 Fenster") \
  X(IDS_WINDOWS, "%s Fenster") \
  X(IDS_OTHERSESSION, "in einer anderen Sitzung, von %s") \
  X(IDS_MOREPROGRAMS, "und %s weitere")

#define SETUPDLG_CAPTION "Quobex-Setup"
#define SETUPDLG_IDC_ASSOCWITH "Diese Archivtypen mit Quobex öffnen"
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
#define SETUPDLG_IDC_ASSOCALL "&Alle umschalten"
#define SETUPDLG_IDC_INTEGRATIONINTERFACE "Verknüpfungen"
#define SETUPDLG_IDC_LINKDESKTOP "Auf dem &Desktop"
#define SETUPDLG_IDC_LINKSTARTMENU "Im &Startmenü"
#define SETUPDLG_IDC_LINKPROGRAMS "&Programmgruppe"
#define SETUPDLG_IDC_SHELLEXT "Explorer-Integration"
#define SETUPDLG_IDC_SHELLINTEGRATION "&Kontextmenübefehle"
#define SETUPDLG_IDC_SHELLCASCADED "&Verschachteltes Menü"
#define SETUPDLG_IDC_SHELLICONS "S&ymbole im Menü"
#define SETUPDLG_IDC_SETCONTEXTMENU "Kontextmenü&einträge..."
#define SETUPDLG_IDOK "OK"
#define SETUPDLG_IDHELP "&Hilfe"
#define DONEDLG_CAPTION "Quobex-Setup abgeschlossen"
#define DONEDLG_IDOK "OK"
#define DONEDLG_IDC_INSTINFOFOLDER "Quobex wurde in diesem Ordner installiert:"
#define DONEDLG_IDC_INSTINFOOPTIONS "Um Archivtypen, Verknüpfungen oder Explorer-Befehle später zu ändern, führen Sie das Setup erneut aus."
#define DONEDLG_IDC_INSTINFOHELP "Die Hilfe, die Lizenz und die Homepage erzählen Ihnen mehr über Quobex."
#define DONEDLG_IDC_VIEWHELP "&Hilfe"
#define DONEDLG_IDC_VIEWLICENSE "&Lizenz"
#define DONEDLG_IDC_HOMEPAGE "Home&page"
#define DONEDLG_IDC_THANKS "Vielen Dank, dass Sie Quobex installiert haben!"
#define SETUPCONTEXTITEMS_CAPTION "Kontextmenüeinträge"
#define SETUPCONTEXTITEMS_IDC_CONTEXTMENUITEMS "Befehle im Kontextmenü"
#define SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACTTO "Dateien e&xtrahieren..."
#define SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACTHERE "H&ier extrahieren"
#define SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACT "In einen &Ordner extrahieren"
#define SETUPCONTEXTITEMS_IDC_CONTEXTEXTRACTSEPARATE "Jedes Archiv &getrennt extrahieren"
#define SETUPCONTEXTITEMS_IDC_CONTEXTOPENSFX "Selbstentpackendes Archiv ö&ffnen"
#define SETUPCONTEXTITEMS_IDC_CONTEXTOPENARC "&Archiv öffnen"
#define SETUPCONTEXTITEMS_IDC_CONTEXTADD "Zum Ar&chiv hinzufügen..."
#define SETUPCONTEXTITEMS_IDC_CONTEXTADDARC "Zu einem &benannten Archiv hinzufügen"
#define SETUPCONTEXTITEMS_IDC_CONTEXTEMAILARC "Komprimieren und &per E-Mail senden..."
#define SETUPCONTEXTITEMS_IDC_CONTEXTEMAILARCOPT "Als benanntes Archiv per E-&Mail senden"
#define SETUPCONTEXTITEMS_IDC_CONTEXTTEST "Archiv &testen"
#define SETUPCONTEXTITEMS_IDC_CONTEXTCONVERT "Archiv &konvertieren"
#define SETUPCONTEXTITEMS_IDC_CONTEXTDROPMENU "Ziehen-und-Ablegen-Menü"
#define SETUPCONTEXTITEMS_IDC_CONTEXTDRAGADD "Zum Archiv hin&zufügen"
#define SETUPCONTEXTITEMS_IDC_CONTEXTDRAGEXTRACT "Ext&rahieren"
#define SETUPCONTEXTITEMS_IDC_CONTEXTSFXARCHIVES "Selbstentpackende Archive"
#define SETUPCONTEXTITEMS_IDC_CONTEXTSFXLOCAL "Auf &lokalen Laufwerken"
#define SETUPCONTEXTITEMS_IDC_CONTEXTSFXNETWORK "Auf &Netzlaufwerken"
#define SETUPCONTEXTITEMS_IDC_CONTEXTSFXOTHER "Auf and&eren Medien"
#define SETUPCONTEXTITEMS_IDC_CONTEXTALWAYSARCTITLE "&Diese Dateien immer als Archive behandeln:"
#define SETUPCONTEXTITEMS_IDOK "OK"
#define SETUPCONTEXTITEMS_IDCANCEL "Abbrechen"
#define SETUPCONTEXTITEMS_IDHELP "&Hilfe"
