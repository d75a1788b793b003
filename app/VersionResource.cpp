// The program's version record, placed in a section of its own so that
// ReadVersionData can find it in the program file. Entries are name, NUL,
// value, NUL; an empty name ends the record.
#include "VersionInfo.h"

#ifndef GLYPHMILL_FILE_VERSION
#error "GLYPHMILL_FILE_VERSION must be defined by the build"
#endif

#define GLYPHMILL_ENTRY(name, value) name "\0" value "\0"

extern const char kVersionRecord[];
__attribute__((section(".glyphmill.version"), used)) const char kVersionRecord[] =
    GLYPHMILL_ENTRY("CompanyName", "KELMOOR")
    GLYPHMILL_ENTRY("FileDescription", "Glyphmill Markdown to HTML converter")
    GLYPHMILL_ENTRY("FileVersion", GLYPHMILL_FILE_VERSION)
    GLYPHMILL_ENTRY("InternalName", "glyphmill")
    GLYPHMILL_ENTRY("LegalCopyright", "Copyright (C) KELMOOR")
    GLYPHMILL_ENTRY("OriginalFileName", "glyphmill")
    GLYPHMILL_ENTRY("ProductName", "Glyphmill")
    GLYPHMILL_ENTRY("ProductVersion", GLYPHMILL_FILE_VERSION)
    GLYPHMILL_ENTRY("FixedFileVersion", GLYPHMILL_FILE_VERSION)
    "\0";
