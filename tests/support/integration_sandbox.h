// Known state for the shell integration tests: none of the keys, values, links and files that an
// integration writes, before and after each test. The installation folder is the test program's
// own folder (C:\qbx inside the test prefix).
#pragma once

#include <string>
#include <vector>

class IntegrationSandbox {
 public:
  IntegrationSandbox();
  ~IntegrationSandbox();
  IntegrationSandbox(const IntegrationSandbox&) = delete;
  IntegrationSandbox& operator=(const IntegrationSandbox&) = delete;

  static void Clean();
  // The installation folder (no trailing separator) and a file in it.
  static std::wstring Folder();
  static std::wstring File(const std::wstring& name);
  // Places stand-ins for the product's files beside the program: Quobex.exe, Quobex.chm,
  // Qbx.txt, WhatsNew.txt, and the two shell extension libraries.
  static void PlaceProductFiles();
};

// Every member extension of the archive families, as the tests expect them, with the family slot.
struct MemberExtension {
  std::wstring Extension;
  int Slot;
};
std::vector<MemberExtension> ExpectedMembers();

// A shell folder by CSIDL ("" when unknown).
std::wstring ShellFolder(int csidl);
