#include "integration/shell_extension.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <initializer_list>

#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/text_operations.h"
#include "integration/created_keys.h"
#include "integration/windows_version.h"
#include "settings/registry_store.h"

const ShellExtensionLibrary ShellExtensionLibraries[2] = {
    {L"qbxext32.dll", L"{6F0C2A94-3B71-4E58-A1D6-9C47E2B05D31}", QBX_PRODUCT_NAME L"32", true},
    {L"qbxext.dll", L"{6F0C2A94-3B72-4E58-A1D6-9C47E2B05D31}", QBX_PRODUCT_NAME, false},
};

namespace {

constexpr wchar_t kApprovedKey[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr wchar_t kRegisteredApplications[] = L"\\Software\\RegisteredApplications";

// Handler keys named by the class identifier (empty default value). The classes' keys below are
// those of kArchiveClass and kZipClass (common/product_names.h).
constexpr const wchar_t* kClassIdKeys[] = {
    QBX_ARCHIVE_CLASS L"\\shellex\\ContextMenuHandlers\\%s",
    QBX_ARCHIVE_CLASS L"\\shellex\\PropertySheetHandlers\\%s",
    QBX_ZIP_CLASS L"\\shellex\\ContextMenuHandlers\\%s",
    QBX_ZIP_CLASS L"\\shellex\\PropertySheetHandlers\\%s",
    L"exefile\\shellex\\PropertySheetHandlers\\%s",
};
// Drop handlers (default value: the class identifier).
constexpr const wchar_t* kDropHandlerKeys[] = {
    QBX_ARCHIVE_CLASS L"\\shellex\\DropHandler",
    QBX_ZIP_CLASS L"\\shellex\\DropHandler",
};
// Handler keys named by the handler name (default value: the class identifier).
constexpr const wchar_t* kHandlerNameKeys[] = {
    L"*\\shellex\\ContextMenuHandlers\\%s",
    L"Folder\\shellex\\ContextMenuHandlers\\%s",
    L"Folder\\shellex\\DragDropHandlers\\%s",
    L"Drive\\shellex\\DragDropHandlers\\%s",
    L"lnkfile\\shellex\\ContextMenuHandlers\\%s",
};
// Keys of earlier versions, only ever deleted.
constexpr const wchar_t* kObsoleteHandlerKeys[] = {
    L"Directory\\shellex\\ContextMenuHandlers\\%s",
    L"Directory\\shellex\\DragDropHandlers\\%s",
};

void KeyFor(const wchar_t* format, const wchar_t* name, wchar_t* key) {
  FormatText(key, kTextCapacity, format, name);
}

// The list a handler key stands in ("Drive\shellex\DragDropHandlers").
void HandlerListOf(const wchar_t* key, wchar_t* list) {
  CopyText(list, key, kTextCapacity);
  if (wchar_t* separator = wcsrchr(list, L'\\')) *separator = 0;
}

// A handler key, noting the keys that writing it creates (the handler lists of a bare system).
void WriteHandlerKey(const wchar_t* key, const wchar_t* value) {
  wchar_t list[kTextCapacity];
  HandlerListOf(key, list);
  NoteMissingKeys(HKEY_CLASSES_ROOT, list);
  WriteString(HKEY_CLASSES_ROOT, key, L"", value);
}

// A handler key goes with the keys above it that setup created only to hold it.
void DeleteHandlerKey(const wchar_t* key) {
  DeleteKey(HKEY_CLASSES_ROOT, key);
  wchar_t list[kTextCapacity];
  HandlerListOf(key, list);
  DeleteCreatedKeys(HKEY_CLASSES_ROOT, list);
}

void RegisterClassId(const wchar_t* library, const wchar_t* classId, bool thirtyTwoBitView) {
  wchar_t path[kPathCapacity];
  GetProgramFilePath(library, path, kPathCapacity);
  if (!PathExists(path)) return;
  wchar_t key[kTextCapacity];
  ScopedRegistryView view(thirtyTwoBitView ? KEY_WOW64_32KEY : 0);
  KeyFor(L"CLSID\\%s", classId, key);
  WriteString(HKEY_CLASSES_ROOT, key, L"", kProductName);
  KeyFor(L"CLSID\\%s\\InProcServer32", classId, key);
  WriteString(HKEY_CLASSES_ROOT, key, L"", path);
  WriteString(HKEY_CLASSES_ROOT, key, L"ThreadingModel", L"Apartment");
}

void WriteDefaultPrograms() {
  NoteMissingKeys(HKEY_LOCAL_MACHINE, kRegisteredApplications);
  WriteString(HKEY_LOCAL_MACHINE, kRegisteredApplications, kProductName, kCapabilitiesKeyPath);
  WriteString(HKEY_LOCAL_MACHINE, L"Capabilities", L"ApplicationDescription", kProductName);
  ForEachMemberExtension([](const wchar_t* member, int slot) {
    WriteString(HKEY_LOCAL_MACHINE, L"Capabilities\\FileAssociations", member, ProductClassOf(slot));
  });
}

}  // namespace

void SetShellExtension(bool registerLibrary, const wchar_t* library, const wchar_t* classId,
                       const wchar_t* handlerName, bool thirtyTwoBitView) {
  wchar_t key[kTextCapacity];
  if (registerLibrary) {
    RegisterClassId(library, classId, thirtyTwoBitView);
    for (const wchar_t* format : kClassIdKeys) {
      KeyFor(format, classId, key);
      WriteHandlerKey(key, L"");
    }
    for (const wchar_t* dropKey : kDropHandlerKeys) WriteHandlerKey(dropKey, classId);
    for (const wchar_t* format : kHandlerNameKeys) {
      KeyFor(format, handlerName, key);
      WriteHandlerKey(key, classId);
    }
    WriteString(HKEY_LOCAL_MACHINE, kApprovedKey, classId, QBX_PRODUCT_NAME L" shell extension");
    return;
  }
  // The class identifier keys go where they were written (the 32-bit library's in the 32-bit
  // view), and from the default view too, where earlier versions put them.
  for (const REGSAM view : {thirtyTwoBitView ? KEY_WOW64_32KEY : REGSAM{0}, REGSAM{0}}) {
    ScopedRegistryView chosen(view);
    KeyFor(L"CLSID\\%s\\InProcServer32", classId, key);
    DeleteKey(HKEY_CLASSES_ROOT, key);
    KeyFor(L"CLSID\\%s", classId, key);
    DeleteKey(HKEY_CLASSES_ROOT, key);
  }
  for (const wchar_t* format : kClassIdKeys) {
    KeyFor(format, classId, key);
    DeleteHandlerKey(key);
  }
  for (const wchar_t* dropKey : kDropHandlerKeys) DeleteHandlerKey(dropKey);
  for (const wchar_t* format : kHandlerNameKeys) {
    KeyFor(format, handlerName, key);
    DeleteHandlerKey(key);
  }
  for (const wchar_t* format : kObsoleteHandlerKeys) {
    KeyFor(format, handlerName, key);
    DeleteHandlerKey(key);
  }
  DeleteValue(HKEY_LOCAL_MACHINE, kApprovedKey, classId);
}

void SetShellExtensions(bool removal, const IntegrationOptions& options) {
  for (const ShellExtensionLibrary& library : ShellExtensionLibraries) {
    SetShellExtension(options.Slots[kSlotShellExtension] != 0, library.FileName, library.ClassId,
                      library.HandlerName, library.ThirtyTwoBitView);
  }
  if (WindowsVersion() >= kWindowsVista) {
    if (removal) {
      DeleteValue(HKEY_LOCAL_MACHINE, kRegisteredApplications, kProductName);
      DeleteCreatedKeys(HKEY_LOCAL_MACHINE, kRegisteredApplications);
    } else {
      WriteDefaultPrograms();
    }
  }
  if (removal) DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
