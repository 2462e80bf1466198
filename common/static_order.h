// Construction order of the program's objects of static storage that depend on each other (lower
// first; destruction runs in the reverse order). GCC's init_priority orders them across
// translation units, which the language itself leaves unspecified.
#pragma once

#define QBX_INIT_ERROR_HANDLER 1010     // reports of every later object go through it
#define QBX_INIT_LANGUAGE_LIBRARY 1020  // released last at exit
#define QBX_INIT_LANGUAGE_FILE 1030
#define QBX_INIT_RUN_LOCK 1035         // let go at exit after the settings file is saved
#define QBX_INIT_SETTINGS_FILE 1040     // saved first at exit, while everything else still lives

#define QBX_INIT_ORDER(priority) __attribute__((init_priority(priority)))
