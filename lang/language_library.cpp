#include "lang/language_library.h"

namespace {

constexpr int kStringBufferCount = 8;
constexpr int kStringCapacity = 512;

wchar_t stringBuffers[kStringBufferCount][kStringCapacity];
int lastStringBuffer = 0;

HMODULE ownModule = nullptr;
HMODULE currentResourceModule = nullptr;

}  // namespace

HMODULE OwnModule() {
  if (ownModule == nullptr) ownModule = GetModuleHandleW(nullptr);
  return ownModule;
}

HMODULE CurrentResourceModule() {
  return currentResourceModule != nullptr ? currentResourceModule : OwnModule();
}

const wchar_t* GetString(UINT id) {
  lastStringBuffer = (lastStringBuffer + 1) % kStringBufferCount;
  wchar_t* buffer = stringBuffers[lastStringBuffer];
  buffer[0] = 0;
  if (LoadStringW(CurrentResourceModule(), id, buffer, kStringCapacity) == 0 &&
      CurrentResourceModule() != OwnModule()) {
    LoadStringW(OwnModule(), id, buffer, kStringCapacity);
  }
  return buffer;
}
