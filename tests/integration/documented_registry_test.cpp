// The registry table of docs/packagers.md against what a setup run really writes: every value
// written is documented, and every documented key is written.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "integration/application_registration.h"
#include "integration/apply_integration.h"
#include "integration/integration_options.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"

namespace {

struct Row {
  std::string Key;
  std::regex KeyPattern;
  std::vector<std::string> Values;  // empty: any value ("one per ...")
  bool WrittenByIntegration;
};

// A documented name with its placeholders made patterns.
std::string PatternOf(std::string text) {
  std::string pattern;
  for (char c : text) pattern += std::string(std::strchr("\\.*?+()[]{}|^$", c) ? "\\" : "") + c;
  const std::pair<const char*, const char*> placeholders[] = {
      {"<ext>", "\\.[a-z0-9]+"}, {"<nn>", "[0-9][0-9]"}, {"<handler>", "Quobex(32)?"},
      {"<class>", "Quobex(\\.ZIP|\\.REV)?"},
      {"<clsid>", "\\{6F0C2A94-3B7[12]-4E58-A1D6-9C47E2B05D31\\}"}};
  for (const auto& [name, replacement] : placeholders) {
    for (size_t at; (at = pattern.find(name)) != std::string::npos;) pattern.replace(at, strlen(name), replacement);
  }
  return pattern;
}

std::vector<Row> DocumentedRows() {
  std::ifstream file("packagers.md");
  std::stringstream all;
  all << file.rdbuf();
  const std::string text = all.str();
  const size_t begin = text.find("<!-- registry table");
  const size_t end = text.find("<!-- end of registry table");
  std::vector<Row> rows;
  std::istringstream lines(text.substr(begin, end - begin));
  const std::regex row("^\\| `([^`]+)` \\| ([^|]*) \\|([^|]*)\\|");
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (!std::regex_search(line, match, row)) continue;
    std::vector<std::string> values;
    const std::string valueText = match[2];
    if (valueText.find("one per") == std::string::npos) {
      if (valueText.find("(default)") != std::string::npos) values.push_back("");
      const std::regex name("`([^`]+)`");
      for (std::sregex_iterator it(valueText.begin(), valueText.end(), name), last; it != last; ++it) {
        values.push_back(PatternOf((*it)[1]));
      }
    }
    rows.push_back({match[1], std::regex(PatternOf(match[1]), std::regex::icase), values,
                    std::string(match[3]).find("not by the integration") == std::string::npos});
  }
  return rows;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST(DocumentedRegistry, ThePackagersTableNamesEveryKeyAndValueASetupRunWrites) {
  IntegrationSandbox sandbox;
  IntegrationSandbox::PlaceProductFiles();
  ASSERT_TRUE(SetCurrentDirectoryW(TestProgramFolder().c_str()));  // where the docs are copied
  std::vector<Row> rows = DocumentedRows();
  ASSERT_GT(rows.size(), 20u) << "the table was not found";

  // An earlier owner's new-file entry, which setup keeps for the uninstall.
  ASSERT_TRUE(WriteRawString(HKEY_CLASSES_ROOT, L".zip\\ShellNew", L"NullFile", L""));
  const RegistrySnapshot machineBefore = TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, L"Software");
  const RegistrySnapshot userBefore = TakeRegistrySnapshot(HKEY_CURRENT_USER, L"Software");
  IntegrationOptions everything;
  for (uint8_t& slot : everything.Slots) slot = 1;
  ASSERT_TRUE(ApplyIntegration(everything, nullptr, 0));
  SaveIntegrationOptions(everything);
  WriteUninstallEntry(UninstallEntryValues::All);
  std::vector<std::pair<std::string, std::string>> written;  // documented form of key, value name
  for (const auto& [name, value] : AddedOrChanged(machineBefore, TakeRegistrySnapshot(HKEY_LOCAL_MACHINE, L"Software"))) {
    if (name.find(L"Wow6432Node") != std::wstring::npos) continue;  // the same keys, 32-bit view
    const std::string key = Narrow(name.substr(0, name.find(L'|')));
    const std::string classes = "Software\\Classes\\";
    written.push_back({key.rfind(classes, 0) == 0 ? "HKCR\\" + key.substr(classes.size()) : "HKLM\\" + key,
                       Narrow(name.substr(name.find(L'|') + 1))});
  }
  for (const auto& [name, value] : AddedOrChanged(userBefore, TakeRegistrySnapshot(HKEY_CURRENT_USER, L"Software"))) {
    written.push_back({"HKCU\\" + Narrow(name.substr(0, name.find(L'|'))), Narrow(name.substr(name.find(L'|') + 1))});
  }

  std::vector<bool> seen(rows.size(), false);
  for (const auto& [key, value] : written) {
    bool documented = false;
    for (size_t r = 0; r < rows.size(); ++r) {
      if (!std::regex_match(key, rows[r].KeyPattern)) continue;
      bool valueNamed = rows[r].Values.empty();
      for (const std::string& pattern : rows[r].Values) {
        valueNamed = valueNamed || std::regex_match(value, std::regex(pattern, std::regex::icase));
      }
      documented = documented || valueNamed;
      seen[r] = seen[r] || valueNamed;
    }
    EXPECT_TRUE(documented) << "not in docs/packagers.md: " << key << " value \"" << value << "\"";
  }
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].WrittenByIntegration) {
      EXPECT_TRUE(seen[r]) << "documented but not written: " << rows[r].Key;
    }
  }
}
