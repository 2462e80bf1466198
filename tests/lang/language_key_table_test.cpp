// The key table against what the built program and the shipped language files really hold.
#include "lang/language_key_table.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "common/crc32.h"
#include "common/text_operations.h"
#include "resources/resource_ids.h"
#include "tests/support/english_texts.h"
#include "tests/support/process_runner.h"
#include "tests/support/scratch_folder.h"

namespace {

#define QBX_ID(name) {#name, name}
const std::map<std::string, int> kControlIds = {
    QBX_ID(IDOK), QBX_ID(IDCANCEL), QBX_ID(IDHELP),
    QBX_ID(IDC_ASSOCWITH), QBX_ID(IDC_ASSOCQBX), QBX_ID(IDC_ASSOCZIP), QBX_ID(IDC_ASSOC7Z),
    QBX_ID(IDC_ASSOCARJ), QBX_ID(IDC_ASSOCBZ2), QBX_ID(IDC_ASSOCCAB), QBX_ID(IDC_ASSOCGZ),
    QBX_ID(IDC_ASSOCISO), QBX_ID(IDC_ASSOCJAR), QBX_ID(IDC_ASSOCLZ), QBX_ID(IDC_ASSOCLZH),
    QBX_ID(IDC_ASSOCTAR), QBX_ID(IDC_ASSOCUUE), QBX_ID(IDC_ASSOCXZ), QBX_ID(IDC_ASSOCZ),
    QBX_ID(IDC_ASSOCZIPX), QBX_ID(IDC_ASSOC001), QBX_ID(IDC_ASSOCALL),
    QBX_ID(IDC_INTEGRATIONINTERFACE), QBX_ID(IDC_LINKDESKTOP), QBX_ID(IDC_LINKSTARTMENU),
    QBX_ID(IDC_LINKPROGRAMS), QBX_ID(IDC_SHELLEXT), QBX_ID(IDC_SHELLINTEGRATION),
    QBX_ID(IDC_SHELLCASCADED), QBX_ID(IDC_SHELLICONS), QBX_ID(IDC_SETCONTEXTMENU),
    QBX_ID(IDC_INSTINFOFOLDER), QBX_ID(IDC_INSTINFOOPTIONS), QBX_ID(IDC_INSTINFOHELP),
    QBX_ID(IDC_VIEWHELP), QBX_ID(IDC_VIEWLICENSE), QBX_ID(IDC_HOMEPAGE), QBX_ID(IDC_THANKS),
    QBX_ID(IDC_CONTEXTMENUITEMS), QBX_ID(IDC_CONTEXTEXTRACTTO), QBX_ID(IDC_CONTEXTEXTRACTHERE),
    QBX_ID(IDC_CONTEXTEXTRACT), QBX_ID(IDC_CONTEXTEXTRACTSEPARATE), QBX_ID(IDC_CONTEXTOPENSFX),
    QBX_ID(IDC_CONTEXTOPENARC), QBX_ID(IDC_CONTEXTADD), QBX_ID(IDC_CONTEXTADDARC),
    QBX_ID(IDC_CONTEXTEMAILARC), QBX_ID(IDC_CONTEXTEMAILARCOPT), QBX_ID(IDC_CONTEXTTEST),
    QBX_ID(IDC_CONTEXTCONVERT), QBX_ID(IDC_CONTEXTDROPMENU), QBX_ID(IDC_CONTEXTDRAGADD),
    QBX_ID(IDC_CONTEXTDRAGEXTRACT), QBX_ID(IDC_CONTEXTSFXARCHIVES), QBX_ID(IDC_CONTEXTSFXLOCAL),
    QBX_ID(IDC_CONTEXTSFXNETWORK), QBX_ID(IDC_CONTEXTSFXOTHER),
    QBX_ID(IDC_CONTEXTALWAYSARCTITLE),
};
#define QBX_STRING_ID(id, text) {#id, id},
const std::map<std::string, UINT> kStringIds = {QBX_ENGLISH_STRINGS(QBX_STRING_ID)};
#undef QBX_STRING_ID
#undef QBX_ID

INT_PTR CALLBACK SilentDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

uint32_t HashOfText(char kind, const std::string& context, const std::wstring& text) {
  char bytes[4096];
  WideToAnsi(text.c_str(), bytes, sizeof bytes);
  const std::string all = std::string(1, kind) + context + bytes;
  return Crc32(all.data(), all.size());
}

// The built program's resources, loaded as data.
class ProgramResources : public testing::Test {
 protected:
  void SetUp() override {
    richEdit_ = LoadLibraryW(L"riched20.dll");
    program_ = LoadLibraryExW(BuiltProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program_);
  }
  void TearDown() override {
    for (auto& [name, dialog] : dialogs_) DestroyWindow(dialog);
    if (program_ != nullptr) FreeLibrary(program_);
    if (richEdit_ != nullptr) FreeLibrary(richEdit_);
  }

  // The text the program's resources hold for a key of the table.
  std::wstring ResourceText(const std::string& key) {
    const size_t colon = key.find(':');
    const std::string context = key.substr(1, colon - 1);
    const std::string name = key.substr(colon + 1);
    if (key[0] == 's') {
      wchar_t text[512] = {};
      LoadStringW(program_, kStringIds.at(name), text, 512);
      return text;
    }
    HWND& dialog = dialogs_[context];
    if (dialog == nullptr) {
      dialog = CreateDialogParamA(program_, context.c_str(), nullptr, SilentDialog, 0);
      EXPECT_NE(nullptr, dialog) << context;
    }
    wchar_t text[1024] = {};
    if (name == "SIZE") return L"";
    if (name == "CAPTION") {
      GetWindowTextW(dialog, text, 1024);
    } else {
      EXPECT_TRUE(kControlIds.count(name)) << name;
      EXPECT_NE(nullptr, GetDlgItem(dialog, kControlIds.at(name))) << key;
      GetDlgItemTextW(dialog, kControlIds.at(name), text, 1024);
    }
    return text;
  }

  HMODULE program_ = nullptr;
  HMODULE richEdit_ = nullptr;
  std::map<std::string, HWND> dialogs_;
};

}  // namespace

TEST_F(ProgramResources, EveryKeyHashesTheTextTheProgramHolds) {
  ASSERT_EQ(101u, LanguageKeyCount());
  std::set<std::string> keys;
  for (size_t i = 0; i < LanguageKeyCount(); ++i) {
    const LanguageKey& entry = LanguageKeyTable()[i];
    SCOPED_TRACE(entry.Key);
    EXPECT_TRUE(keys.insert(entry.Key).second) << "duplicate key";
    const std::string key = entry.Key;
    const std::wstring text = ResourceText(key);
    const size_t colon = key.find(':');
    EXPECT_EQ(HashOfText(key[0], key.substr(1, colon - 1), text), entry.Hash);
    EXPECT_TRUE(key[0] != 's' || !text.empty());
  }
  EXPECT_EQ(33, std::count_if(keys.begin(), keys.end(), [](auto& k) { return k[0] == 's'; }));
}

TEST(LanguageKeyTable, SortedLookupFindsEveryKeyByteWise) {
  SortLanguageKeyTable();
  for (size_t i = 1; i < LanguageKeyCount(); ++i) {
    EXPECT_LT(strcmp(LanguageKeyTable()[i - 1].Key, LanguageKeyTable()[i].Key), 0);
  }
  const LanguageKey* size = FindLanguageKey("$SETUPDLG:SIZE");
  ASSERT_NE(nullptr, size);
  EXPECT_EQ(0x9b889d24u, size->Hash);
  ASSERT_NE(nullptr, FindLanguageKey("$SETUPDLG:IDOK"));
  EXPECT_EQ(0xa8604cfau, FindLanguageKey("$SETUPDLG:IDOK")->Hash);
  EXPECT_NE(nullptr, FindLanguageKey("s:IDS_64BIT"));
  EXPECT_EQ(nullptr, FindLanguageKey("s:IDS_64bit"));
  EXPECT_EQ(nullptr, FindLanguageKey("$DONEDLG:IDHELP")) << "the completion dialog has no help";
  EXPECT_EQ(nullptr, FindLanguageKey("@MENU:X"));
}

namespace {

// The entries of a shipped language file: key ("s:IDS_...", "$DIALOG:NAME") to its value, the
// way a translator reads them (headings select the prefix, escapes undone, quotes removed).
std::map<std::string, std::wstring> ShippedEntries(const std::wstring& name) {
  const std::string bytes = ReadFileBytes(TestProgramFolder() + L"\\lang\\" + name);
  std::wstring text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  } else {
    text.resize(bytes.size());
    text.resize(MultiByteToWideChar(1252, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    text.data(), static_cast<int>(text.size())));
  }
  std::map<std::string, std::wstring> entries;
  const size_t marker = text.find(L"***messages***");
  if (marker == std::wstring::npos) return entries;
  std::string prefix = "s:";
  size_t start = text.find(L'\n', marker);
  while (start != std::wstring::npos && start < text.size()) {
    size_t end = text.find(L'\n', start + 1);
    std::wstring line = text.substr(start + 1, end == std::wstring::npos ? std::wstring::npos
                                                                         : end - start - 1);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    start = end;
    if (line.rfind(L":STRINGS", 0) == 0) prefix = "s:";
    if (line.rfind(L":DIALOG ", 0) == 0) prefix = "$" + std::string(line.begin() + 8, line.end()) + ":";
    const size_t blank = line.find(L' ');
    if (line.empty() || !iswalpha(line[0]) || blank == std::wstring::npos) continue;
    std::wstring value = line.substr(line.find_first_not_of(L' ', blank));
    if (value.size() >= 2 && value.front() == L'"') value = value.substr(1, value.size() - 2);
    std::wstring unescaped;
    for (size_t i = 0; i < value.size(); ++i) {
      if (value[i] == L'\\' && i + 1 < value.size()) {
        const wchar_t next = value[++i];
        unescaped += next == L'n' ? L'\n' : next == L't' ? L'\t' : next;
      } else {
        unescaped += value[i];
      }
    }
    entries[prefix + std::string(line.begin(), line.begin() + blank)] = unescaped;
  }
  return entries;
}

}  // namespace

TEST_F(ProgramResources, ShippedLanguageFilesListEveryKeyAndEnglishHoldsTheProgramsTexts) {
  std::set<std::string> tableKeys;
  for (size_t i = 0; i < LanguageKeyCount(); ++i) tableKeys.insert(LanguageKeyTable()[i].Key);
  for (const wchar_t* name : {L"english.lng", L"german.lng", L"hebrew.lng"}) {
    SCOPED_TRACE(testing::Message() << name);
    const auto entries = ShippedEntries(name);
    std::set<std::string> fileKeys;
    for (const auto& [key, value] : entries) fileKeys.insert(key);
    EXPECT_EQ(tableKeys, fileKeys);
  }
  for (const auto& [key, value] : ShippedEntries(L"english.lng")) {
    SCOPED_TRACE(key);
    if (key.find(":SIZE") != std::string::npos) {
      EXPECT_EQ(L"100*100", value);
    } else {
      EXPECT_EQ(ResourceText(key), value);
    }
  }
}
