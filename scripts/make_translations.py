#!/usr/bin/env python3
"""Writes the translators' files under resources/lang from the program's English texts and the
translations kept here:

  english.lng      every key with its English text: the file a translator starts from (8-bit)
  german.lng       the German translation (8-bit, Windows-1252)
  hebrew.lng       a right-to-left sample in Hebrew (UTF-16 LE)
  german_texts.h   the German texts for the translated resource library qbxlng.dll (UTF-8)

Run it after changing an English text or a translation; the files it writes are committed, and
the tests check that they still match the program's resources.
"""
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parent.parent
RES = ROOT / "resources"

def c_string(text):
    return text.encode().decode("unicode_escape")

def english():
    strings = re.findall(r'X\((IDS_\w+), "((?:[^"\\]|\\.)*)"\)', (RES / "english_texts.h").read_text())
    dialog_source = (RES / "dialog_texts.h").read_text()
    defines = dict(re.findall(r'#define (\w+) "((?:[^"\\]|\\.)*)"', dialog_source))
    dialogs = {}
    for dialog, name, text in re.findall(r'X\((\w+), (\w+), (\w+|"")\)', dialog_source):
        dialogs.setdefault(dialog, []).append((name, "" if text == '""' else defines[text]))
    return [(k, c_string(v)) for k, v in strings], {d: [(n, c_string(t)) for n, t in items] for d, items in dialogs.items()}

SIZES = {"german": {"SETUPDLG": "112*100", "SETUPCONTEXTITEMS": "116*100"}}

GERMAN = {
    "IDS_UNINSTTITLE": "Deinstallation von Quobex",
    "IDS_QUOBEXHELP": "Quobex-Hilfe",
    "IDS_QBXHELP": "Quobex-Handbuch",
    "IDS_WHATSNEW": "Neuigkeiten in dieser Version",
    "IDS_WHATSNEWNAME": "WhatsNew.txt",
    "IDS_UNINSTALLQBX": "Quobex deinstallieren",
    "IDS_UNINSTALLCOMPLETED": "Quobex wurde von Ihrem Computer entfernt.",
    "IDS_UNINSTALLSHOULDDELETE": "Einige Dateien konnten nicht gelöscht werden. Bitte löschen Sie die Programmdatei und ihren Ordner selbst:\n%s",
    "IDS_CONTINUEUNINSTALL": "Quobex, seine Dateizuordnungen und seine Einstellungen werden von Ihrem Computer entfernt. Möchten Sie fortfahren?",
    "IDS_CANNOTOPENLIST": "%s kann nicht geöffnet werden. Es wurde nichts entfernt.",
    "IDS_QUOBEXARC": "Quobex-Archiv",
    "IDS_QUOBEXZIPARC": "Quobex-ZIP-Archiv",
    "IDS_QBXRECVOL": "Quobex-Wiederherstellungsvolume",
    "IDS_HOMEURL": "https://www.quobex.example/de/",
    "IDS_QUOBEXDESC": "Quobex-Archivprogramm",
    "IDS_REBOOTREQUIRED": "Einige Dateien werden noch verwendet. Sie werden beim nächsten Neustart von Windows gelöscht.",
    "IDS_INSTHELP1": "Wählen Sie die Archivtypen, die Quobex beim Doppelklick öffnen soll.",
    "IDS_INSTHELP2": "Ihre bisherigen Programme werden gespeichert und erhalten sie zurück, wenn Quobex entfernt wird.",
    "IDS_INSTHELP3": "Die Verknüpfungsoptionen legen Symbole auf dem Desktop, im Startmenü und eine Programmgruppe an.",
    "IDS_INSTHELP4": "Die Explorer-Integration fügt Quobex-Befehle in das Kontextmenü ein.",
    "IDS_INSTHELP5": "Mit der Schaltfläche für die Kontextmenüeinträge wählen Sie diese Befehle aus.",
    "IDS_INSTHELP6": "Klicken Sie auf OK, um Ihre Auswahl anzuwenden, oder auf Hilfe für weitere Informationen.",
    "IDS_WARN32BIT": "Dies ist die 64-Bit-Version von Quobex. Sie läuft nicht unter einem 32-Bit-Windows.",
    "IDS_INSTREBOOTREQUIRED": "Bitte starten Sie Windows neu, um die Installation abzuschließen.",
    "IDS_SETUPFAILED": "Die Installation von Quobex konnte nicht abgeschlossen werden: Ihre Einstellungen konnten auf diesem Computer nicht angezeigt oder geschrieben werden. Bitte führen Sie die Installation erneut als Administrator aus.",
    "IDS_BETA": "Beta",
    "IDS_32BIT": "32 Bit",
    "IDS_64BIT": "64 Bit",
    "IDS_RUNNINGPROGRAMS": "Diese Quobex-Programme laufen noch:\n\n%s\n\nSchließen Sie sie und wählen Sie dann Wiederholen. Weiter entfernt Quobex trotzdem; ihre Dateien werden beim nächsten Neustart von Windows gelöscht. Abbrechen entfernt nichts.",
    "IDS_ONEWINDOW": "1 Fenster",
    "IDS_WINDOWS": "%s Fenster",
    "IDS_OTHERSESSION": "in einer anderen Sitzung, von %s",
    "IDS_MOREPROGRAMS": "und %s weitere",
    "SETUPDLG": {
        "CAPTION": "Quobex-Setup",
        "IDC_ASSOCWITH": "Diese Archivtypen mit Quobex öffnen",
        "IDC_ASSOCALL": "&Alle umschalten",
        "IDC_INTEGRATIONINTERFACE": "Verknüpfungen",
        "IDC_LINKDESKTOP": "Auf dem &Desktop",
        "IDC_LINKSTARTMENU": "Im &Startmenü",
        "IDC_LINKPROGRAMS": "&Programmgruppe",
        "IDC_SHELLEXT": "Explorer-Integration",
        "IDC_SHELLINTEGRATION": "&Kontextmenübefehle",
        "IDC_SHELLCASCADED": "&Verschachteltes Menü",
        "IDC_SHELLICONS": "S&ymbole im Menü",
        "IDC_SETCONTEXTMENU": "Kontextmenü&einträge...",
        "IDHELP": "&Hilfe",
    },
    "DONEDLG": {
        "CAPTION": "Quobex-Setup abgeschlossen",
        "IDC_INSTINFOFOLDER": "Quobex wurde in diesem Ordner installiert:",
        "IDC_INSTINFOOPTIONS": "Um Archivtypen, Verknüpfungen oder Explorer-Befehle später zu ändern, führen Sie das Setup erneut aus.",
        "IDC_INSTINFOHELP": "Die Hilfe, die Lizenz und die Homepage erzählen Ihnen mehr über Quobex.",
        "IDC_VIEWHELP": "&Hilfe",
        "IDC_VIEWLICENSE": "&Lizenz",
        "IDC_HOMEPAGE": "Home&page",
        "IDC_THANKS": "Vielen Dank, dass Sie Quobex installiert haben!",
    },
    "SETUPCONTEXTITEMS": {
        "CAPTION": "Kontextmenüeinträge",
        "IDC_CONTEXTMENUITEMS": "Befehle im Kontextmenü",
        "IDC_CONTEXTEXTRACTTO": "Dateien e&xtrahieren...",
        "IDC_CONTEXTEXTRACTHERE": "H&ier extrahieren",
        "IDC_CONTEXTEXTRACT": "In einen &Ordner extrahieren",
        "IDC_CONTEXTEXTRACTSEPARATE": "Jedes Archiv &getrennt extrahieren",
        "IDC_CONTEXTOPENSFX": "Selbstentpackendes Archiv ö&ffnen",
        "IDC_CONTEXTOPENARC": "&Archiv öffnen",
        "IDC_CONTEXTADD": "Zum Ar&chiv hinzufügen...",
        "IDC_CONTEXTADDARC": "Zu einem &benannten Archiv hinzufügen",
        "IDC_CONTEXTEMAILARC": "Komprimieren und &per E-Mail senden...",
        "IDC_CONTEXTEMAILARCOPT": "Als benanntes Archiv per E-&Mail senden",
        "IDC_CONTEXTTEST": "Archiv &testen",
        "IDC_CONTEXTCONVERT": "Archiv &konvertieren",
        "IDC_CONTEXTDROPMENU": "Ziehen-und-Ablegen-Menü",
        "IDC_CONTEXTDRAGADD": "Zum Archiv hin&zufügen",
        "IDC_CONTEXTDRAGEXTRACT": "Ext&rahieren",
        "IDC_CONTEXTSFXARCHIVES": "Selbstentpackende Archive",
        "IDC_CONTEXTSFXLOCAL": "Auf &lokalen Laufwerken",
        "IDC_CONTEXTSFXNETWORK": "Auf &Netzlaufwerken",
        "IDC_CONTEXTSFXOTHER": "Auf and&eren Medien",
        "IDC_CONTEXTALWAYSARCTITLE": "&Diese Dateien immer als Archive behandeln:",
        "IDCANCEL": "Abbrechen",
        "IDHELP": "&Hilfe",
    },
}

HEBREW = {
    "IDS_UNINSTTITLE": "הסרת ההתקנה של Quobex",
    "IDS_QUOBEXHELP": "העזרה של Quobex",
    "IDS_QBXHELP": "המדריך של Quobex",
    "IDS_WHATSNEW": "מה חדש בגרסה זו",
    "IDS_WHATSNEWNAME": "WhatsNew.txt",
    "IDS_UNINSTALLQBX": "הסרת Quobex",
    "IDS_UNINSTALLCOMPLETED": "Quobex הוסר מהמחשב שלך.",
    "IDS_UNINSTALLSHOULDDELETE": "לא ניתן היה למחוק חלק מהקבצים. נא למחוק בעצמך את קובץ התוכנית ואת התיקייה שלו:\n%s",
    "IDS_CONTINUEUNINSTALL": "Quobex, שיוכי הקבצים שלו וההגדרות שלו יוסרו מהמחשב שלך. להמשיך?",
    "IDS_CANNOTOPENLIST": "לא ניתן לפתוח את %s. דבר לא הוסר.",
    "IDS_QUOBEXARC": "ארכיון Quobex",
    "IDS_QUOBEXZIPARC": "ארכיון ZIP של Quobex",
    "IDS_QBXRECVOL": "כרך שחזור של Quobex",
    "IDS_HOMEURL": "https://www.quobex.example/he/",
    "IDS_QUOBEXDESC": "תוכנת הארכיונים Quobex",
    "IDS_REBOOTREQUIRED": "חלק מהקבצים עדיין בשימוש. הם יימחקו בהפעלה הבאה של Windows.",
    "IDS_INSTHELP1": "בחר את סוגי הארכיונים ש-Quobex יפתח בלחיצה כפולה.",
    "IDS_INSTHELP2": "התוכניות הקודמות שלהם נשמרות ויקבלו אותם בחזרה כאשר Quobex יוסר.",
    "IDS_INSTHELP3": "אפשרויות קיצורי הדרך יוצרות סמלים בשולחן העבודה, בתפריט התחלה וקבוצת תוכניות.",
    "IDS_INSTHELP4": "השילוב בסייר מוסיף פקודות של Quobex לתפריט ההקשר.",
    "IDS_INSTHELP5": "הלחצן של פריטי תפריט ההקשר בוחר אילו פקודות יוצגו.",
    "IDS_INSTHELP6": "לחץ על אישור כדי להחיל את הבחירה, או על עזרה למידע נוסף.",
    "IDS_WARN32BIT": "זוהי גרסת 64 סיביות של Quobex. היא אינה פועלת ב-Windows של 32 סיביות.",
    "IDS_INSTREBOOTREQUIRED": "נא להפעיל מחדש את Windows כדי להשלים את ההתקנה.",
    "IDS_BETA": "בטא",
    "IDS_32BIT": "32 סיביות",
    "IDS_64BIT": "64 סיביות",
    "SETUPDLG": {
        "CAPTION": "התקנת Quobex",
        "IDC_ASSOCWITH": "פתח סוגי ארכיונים אלה עם Quobex",
        "IDC_ASSOCALL": "&החלף הכול",
        "IDC_INTEGRATIONINTERFACE": "קיצורי דרך",
        "IDC_LINKDESKTOP": "ב&שולחן העבודה",
        "IDC_LINKSTARTMENU": "&בתפריט התחלה",
        "IDC_LINKPROGRAMS": "&קבוצת תוכניות",
        "IDC_SHELLEXT": "שילוב בסייר",
        "IDC_SHELLINTEGRATION": "פקודות ב&תפריט ההקשר",
        "IDC_SHELLCASCADED": "תפריט &מדורג",
        "IDC_SHELLICONS": "&סמלים בתפריט",
        "IDC_SETCONTEXTMENU": "&פריטי תפריט ההקשר...",
        "IDOK": "אישור",
        "IDHELP": "&עזרה",
    },
    "DONEDLG": {
        "CAPTION": "התקנת Quobex הושלמה",
        "IDOK": "אישור",
        "IDC_INSTINFOFOLDER": "Quobex הותקן בתיקייה זו:",
        "IDC_INSTINFOOPTIONS": "כדי לשנות מאוחר יותר את סוגי הארכיונים, קיצורי הדרך או פקודות הסייר, הפעל שוב את ההתקנה.",
        "IDC_INSTINFOHELP": "קובץ העזרה, הרישיון ודף הבית מספרים עוד על Quobex.",
        "IDC_VIEWHELP": "&עזרה",
        "IDC_VIEWLICENSE": "&רישיון",
        "IDC_HOMEPAGE": "&דף הבית",
        "IDC_THANKS": "תודה שהתקנת את Quobex!",
    },
    "SETUPCONTEXTITEMS": {
        "CAPTION": "פריטי תפריט ההקשר",
        "IDC_CONTEXTMENUITEMS": "פקודות בתפריט ההקשר",
        "IDC_CONTEXTEXTRACTTO": "חלץ &קבצים...",
        "IDC_CONTEXTEXTRACTHERE": "חלץ &כאן",
        "IDC_CONTEXTEXTRACT": "חלץ ל&תיקייה",
        "IDC_CONTEXTEXTRACTSEPARATE": "חלץ כל ארכיון &בנפרד",
        "IDC_CONTEXTOPENSFX": "&פתח ארכיון נפתח מעצמו",
        "IDC_CONTEXTOPENARC": "פתח ארכיו&ן",
        "IDC_CONTEXTADD": "&הוסף לארכיון...",
        "IDC_CONTEXTADDARC": "הוסף &לארכיון בשם",
        "IDC_CONTEXTEMAILARC": "&דחוס ושלח בדואר...",
        "IDC_CONTEXTEMAILARCOPT": "דחוס לארכיון בשם &ושלח בדואר",
        "IDC_CONTEXTTEST": "בדוק ארכ&יון",
        "IDC_CONTEXTCONVERT": "ה&מר ארכיון",
        "IDC_CONTEXTDROPMENU": "תפריט גרירה ושחרור",
        "IDC_CONTEXTDRAGADD": "הו&סף לארכיון",
        "IDC_CONTEXTDRAGEXTRACT": "&חלץ",
        "IDC_CONTEXTSFXARCHIVES": "ארכיונים נפתחים מעצמם",
        "IDC_CONTEXTSFXLOCAL": "בכונני&ם מקומיים",
        "IDC_CONTEXTSFXNETWORK": "בכונני &רשת",
        "IDC_CONTEXTSFXOTHER": "במדיה &אחרת",
        "IDC_CONTEXTALWAYSARCTITLE": "התייחס תמיד לקבצים אלה כאל ארכיו&נים:",
        "IDOK": "אישור",
        "IDCANCEL": "ביטול",
        "IDHELP": "&עזרה",
    },
}

def escape(text):
    return text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n")

def language_file(title, header, strings, dialogs, translation, sizes, direction=None):
    lines = [f"Quobex setup and uninstall: {title}", ""]
    lines += header
    lines += ["", "***messages***"]
    if direction:
        lines += [f":DIRECTION {direction}", ""]
    lines += [":STRINGS"]
    for key, text in strings:
        lines.append(f'{key}  "{escape(translation.get(key, text))}"')
    for dialog, items in dialogs.items():
        lines += ["", f":DIALOG {dialog}"]
        for name, text in items:
            if name == "SIZE":
                lines.append(f"SIZE  {sizes.get(dialog, '100*100')}")
            else:
                lines.append(f'{name}  "{escape(translation.get(dialog, {}).get(name, text))}"')
    return "\r\n".join(lines) + "\r\n"

HEADER = [
    "Copy this file as \"uninstall.lng\" beside Uninstall.exe, or into the folder named by the",
    "value \"LanguageFolder\" of HKEY_CURRENT_USER\\Software\\Quobex\\General, and translate the",
    "texts between the quotes. Everything above the line of asterisks is ignored. Under",
    "\":STRINGS\" come the messages, under \":DIALOG <name>\" the texts of one dialog; \"SIZE w*h\"",
    "scales that dialog in percent. Write \\n for a line break, \\\" for a quote and \\\\ for a",
    "backslash; keep every %s. \":DIRECTION RTL\" makes the interface run right to left.",
]

def main():
    strings, dialogs = english()
    out = RES / "lang"
    (out / "english.lng").write_bytes(
        language_file("English", HEADER, strings, dialogs, {}, {}).encode("ascii"))
    (out / "german.lng").write_bytes(
        language_file("Deutsch", HEADER, strings, dialogs, GERMAN, SIZES["german"]).encode("cp1252"))
    (out / "hebrew.lng").write_bytes(b"\xff\xfe" +
        language_file("עברית", HEADER, strings, dialogs, HEBREW, {}, "RTL").encode("utf-16-le"))

    header = ["// German texts of the translated resource library qbxlng.dll. Written by",
              "// scripts/make_translations.py from the same translations as german.lng; do not edit.",
              "#pragma once", "", "#define QBX_GERMAN_STRINGS(X) \\"]
    for key, text in strings:
        header.append(f'  X({key}, "{escape(GERMAN.get(key, text))}") \\')
    header[-1] = header[-1].rstrip(" \\")
    header.append("")
    for dialog, items in dialogs.items():
        for name, text in items:
            if name != "SIZE":
                header.append(f'#define {dialog}_{name} "{escape(GERMAN.get(dialog, {}).get(name, text))}"')
    (out / "german_texts.h").write_text("\n".join(header) + "\n", encoding="utf-8")

if __name__ == "__main__":
    main()
