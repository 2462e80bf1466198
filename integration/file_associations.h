// Archive extensions taken over by the product, and given back to their previous owners.
#pragma once

#include "integration/integration_options.h"

// Every member extension of every family, associated or released by its slot; new-file entries
// follow the shell extension slot.
void SetAssociations(const IntegrationOptions& options);

// associate: saves the extension's previous class, class-key existence and new-file entry (its
// "FileName" or "NullFile" as "ShellNew", and every value of its new-file key as it was) under
// "Setup\<extension>" (only when the product does not hold it yet, so a second setup keeps what
// the first saved), then sets the product's class. With newFile, the own format and ZIP get an
// Explorer New entry backed by a template file written beside this program; the own format also
// takes the old volume extensions ".q00" to ".q29".
// release: gives the extension back exactly as saved, unless another program has taken it since
// (then it is left alone). The own format's volume extensions ".q00" to ".q99" that still have
// the product's class go too.
void SetAssociation(const wchar_t* extension, bool associate, bool newFile, bool ownFormat, bool zip);

// Deletes the two new-file templates that associating wrote beside this program: the installer
// does not know them, and they would keep the installation folder from being removed.
void DeleteNewFileTemplates();
