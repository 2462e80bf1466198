// Where setup records what it took over and what it created, so that any later uninstall run
// can give it back: under the machine product key, which every administrator account and SYSTEM
// see ("Setup\<extension>" with the previous owner, "CreatedKeys"). The user's choice stays in
// the user's key.
//
// A record is read from the first place that has it: the machine product key as the settings
// store serves it; the machine product key in the registry, when a portable settings file is the
// store (an installation whose settings file came after its setup); the user's product key, where
// versions before this one kept the previous owners; and the user's key in the registry.
#pragma once

#include "settings/registry_store.h"

// A record's root and key, as the settings store takes them.
struct RecordPlace {
  SettingsRoot Root;
  wchar_t Key[128];
};

// "Setup\<extension>" under the machine product key: where setup records an extension's previous
// owner ("Exist", "Type", "ShellNew", "ShellNewValues").
void OwnerRecordKey(const wchar_t* extension, wchar_t* key, size_t capacity);

// The place of the extension's previous owner (its "Exist" value is there), after skip places
// that have one too (the next one, when a record before could not be used). False when no setup
// recorded one there.
bool FindOwnerRecord(const wchar_t* extension, RecordPlace& place, int skip = 0);

// The places of key under root's product key, in the order they are read: the store's and, when
// a settings file is the store, the registry's. Returns how many (1 or 2).
int RecordPlaces(SettingsRoot root, const wchar_t* key, RecordPlace (&places)[2]);

// True once a record has been read from the registry while a settings file was the store: the
// registry then holds records of a setup before, which the uninstall removes with the rest.
bool RegistryRecordsUsed();

// Writes the portable settings file now when it is the store, so that records are on disk before
// the changes they protect (the file is otherwise written when the program ends).
void SaveRecordsNow();
