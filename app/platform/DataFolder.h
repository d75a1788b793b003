// Where the program keeps its files: its own folder when that is writable,
// otherwise a per-user folder.
#pragma once

#include <QString>

// True when `folder` + "/chk.tmp" could be created afresh (it is removed at once).
// A leftover chk.tmp makes the answer false.
bool IsFolderWritable(const QString& folder);

// True when `folder` (links resolved) is one the system's packages own: under
// /usr, /bin, /sbin, /lib (and /lib32, /lib64, /libx32), or under /opt in a
// folder owned by root. The program never keeps its files there, even when it
// runs as root and could.
bool IsSystemFolder(const QString& folder);

// The program folder when writable and not a system folder, otherwise the user's data folder + company +
// product (created level by level, failures ignored). Always ends with "/".
QString ChooseDataFolder(const QString& programFolder, const QString& company,
                         const QString& product);
