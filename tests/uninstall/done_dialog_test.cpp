#include "uninstall/done_dialog.h"

#include <gtest/gtest.h>

TEST(DoneDialog, OnlyWebAddressesAreOpenedAsTheHomePage) {
  for (const wchar_t* address : {L"https://www.quobex.example/", L"http://x", L"HTTPS://X.EXAMPLE"}) {
    EXPECT_TRUE(IsWebAddress(address)) << std::wstring(address).size();
  }
  for (const wchar_t* address : {L"", L"C:\\Windows\\System32\\calc.exe", L"file:///C:/x", L"https:",
                                 L" https://x", L"cmd /c https://x"}) {
    EXPECT_FALSE(IsWebAddress(address)) << std::wstring(address).size();
  }
}
