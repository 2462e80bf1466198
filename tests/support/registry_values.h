// Reading and writing the registry directly, beside the code under test, to set up and check
// what it did.
#pragma once

#include <windows.h>

#include <string>

struct RawValue {
  bool Exists = false;
  DWORD Type = REG_NONE;
  std::string Bytes;
};

RawValue ReadRawValue(HKEY root, const std::wstring& path, const std::wstring& name,
                      REGSAM view = 0);
// The stored text of a REG_SZ / REG_EXPAND_SZ value without its terminator; "" when absent.
std::wstring ReadRawString(HKEY root, const std::wstring& path, const std::wstring& name,
                           REGSAM view = 0);
bool WriteRawValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                   const std::string& bytes, REGSAM view = 0);
// A text value with its terminator, REG_SZ or REG_EXPAND_SZ.
bool WriteRawString(HKEY root, const std::wstring& path, const std::wstring& name,
                    const std::wstring& text, DWORD type = REG_SZ);
bool RawKeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
// Deletes the key with everything below it, in the given view.
void DeleteRawTree(HKEY root, const std::wstring& path, REGSAM view = 0);

// Keeps a value as it was when the object was made: Restore (and the destructor) writes it back,
// or deletes it when there was none.
class KeptRegistryValue {
 public:
  KeptRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name)
      : root_(root), path_(path), name_(name), before_(ReadRawValue(root, path, name)) {}
  ~KeptRegistryValue() { Restore(); }
  KeptRegistryValue(const KeptRegistryValue&) = delete;
  KeptRegistryValue& operator=(const KeptRegistryValue&) = delete;
  void Restore() const;

 private:
  HKEY root_;
  std::wstring path_;
  std::wstring name_;
  RawValue before_;
};
