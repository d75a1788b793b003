// Where the program keeps its files: its own folder when that is writable,
// otherwise a per-user folder.
#pragma once

#include <QString>

// True when `folder` + "/chk.tmp" could be created afresh (it is removed at once).
// A leftover chk.tmp makes the answer false.
bool IsFolderWritable(const QString& folder);

// The program folder when writable, otherwise the user's data folder + company +
// product (created level by level, failures ignored). Always ends with "/".
QString ChooseDataFolder(const QString& programFolder, const QString& company,
                         const QString& product);
