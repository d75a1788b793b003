// The licence notices the About window shows: Glyphmill's own and those of
// the icon and flag sets it ships.
#pragma once

#include <QString>

// Glyphmill's licence in one line.
QString GlyphmillLicenceLine();

// A Debian copyright file as text for people: in a machine-readable file
// (one that starts with "Format:") the "Format" field is dropped, the
// continuation lines lose their leading blank and a "." line becomes an empty
// line; any other file loses one leading tab per line. Trailing blanks go.
QString ReadableCopyright(const QString& copyrightFile);

// Every notice in full: Glyphmill's licence, then the icon and flag sets'.
QString FullNotices();
