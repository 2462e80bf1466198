// The keys that setup had to create to hold one of the product's keys or values (the handler
// lists of a bare system, RegisteredApplications, a new-file key): noted in the machine product
// key, so that removal takes them away again when they hold nothing else, and never takes a key
// that was there before.
#pragma once

#include "settings/registry_store.h"

// Notes key and each of its parents that does not exist yet (up to the first one that does).
// Call it before the write that creates them.
void NoteMissingKeys(SettingsRoot root, const wchar_t* key);

// Deletes key when setup created it and it is empty now, then its parents in the same way, up to
// the first that was there before or still holds something.
void DeleteCreatedKeys(SettingsRoot root, const wchar_t* key);
