// Values set once while the main window starts and read by the other windows.
#pragma once

#include <QString>

inline QString AppCompanyName;  // the version record's company name
inline QString AppProductName;  // the version record's product name
inline QString AppTitle;        // AppCompanyName + " - " + AppProductName
inline QString AppVersion;      // "major.minor" of the file version
inline QString DataFolder;      // where settings.ini and start.bat live; ends with "/"
