#include "tests/support/registry_values.h"

#include <vector>

RawValue ReadRawValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
  RawValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
    return value;
  }
  DWORD size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &value.Type, nullptr, &size) == ERROR_SUCCESS) {
    std::vector<BYTE> bytes(size + 2);
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.Type, bytes.data(), &size) ==
        ERROR_SUCCESS) {
      value.Exists = true;
      value.Bytes.assign(reinterpret_cast<const char*>(bytes.data()), size);
    }
  }
  RegCloseKey(key);
  return value;
}

std::wstring ReadRawString(HKEY root, const std::wstring& path, const std::wstring& name,
                           REGSAM view) {
  const RawValue value = ReadRawValue(root, path, name, view);
  if (!value.Exists || (value.Type != REG_SZ && value.Type != REG_EXPAND_SZ)) return L"";
  std::wstring text(reinterpret_cast<const wchar_t*>(value.Bytes.data()),
                    value.Bytes.size() / sizeof(wchar_t));
  while (!text.empty() && text.back() == 0) text.pop_back();
  return text;
}

bool WriteRawValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                   const std::string& bytes, REGSAM view) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status = RegSetValueExW(key, name.c_str(), 0, type,
                                     reinterpret_cast<const BYTE*>(bytes.data()),
                                     static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool WriteRawString(HKEY root, const std::wstring& path, const std::wstring& name,
                    const std::wstring& text, DWORD type) {
  const std::string bytes(reinterpret_cast<const char*>(text.c_str()),
                          (text.size() + 1) * sizeof(wchar_t));
  return WriteRawValue(root, path, name, type, bytes);
}

bool RawKeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

void DeleteRawTree(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
  RegDeleteTreeW(key, nullptr);
  RegCloseKey(key);
  RegDeleteKeyExW(root, path.c_str(), view, 0);
}

void KeptRegistryValue::Restore() const {
  if (before_.Exists) {
    WriteRawValue(root_, path_, name_, before_.Type, before_.Bytes);
    return;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, name_.c_str());
  RegCloseKey(key);
}
