// The product's Explorer extension libraries as COM servers and shell handlers, and (Windows
// Vista and later) its Default Programs entry.
#pragma once

#include "integration/integration_options.h"

// Registers both libraries when the shell extension slot is on, unregisters them when it is off.
// Setup (removal false) writes the Default Programs entry; removal deletes it and the machine-wide
// product key "Software\Quobex" as a whole.
void SetShellExtensions(bool removal, const IntegrationOptions& options);

// One library (file name beside this program) with its class identifier and handler key name;
// its class identifier keys go in the 32-bit registry view when thirtyTwoBitView is set.
void SetShellExtension(bool registerLibrary, const wchar_t* library, const wchar_t* classId,
                       const wchar_t* handlerName, bool thirtyTwoBitView);

// The two libraries, in the order they are registered.
struct ShellExtensionLibrary {
  const wchar_t* FileName;
  const wchar_t* ClassId;
  const wchar_t* HandlerName;
  bool ThirtyTwoBitView;
};
extern const ShellExtensionLibrary ShellExtensionLibraries[2];
