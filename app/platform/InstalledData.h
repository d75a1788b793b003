// Where an installed copy of the program keeps its data: share/ beside bin/.
#pragma once

#include <QString>

// The installed data folder "<prefix>/share/glyphmill", found from the program's
// own place, so an installed tree may be moved or unpacked anywhere.
QString InstalledDataFolder();

// The local user guide: "doc/guide.html" beside the program (a build tree), else
// "<prefix>/share/doc/glyphmill/guide.html".
QString LocalGuideFile();
