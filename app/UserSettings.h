// The per-user settings store: the update check's values and the language choice.
#pragma once

#include <QSettings>

// The store of organisation "KELMOOR", application "Glyphmill" (its keys are
// under "Settings/").
inline QSettings UserSettings() {
  return QSettings(QStringLiteral("KELMOOR"), QStringLiteral("Glyphmill"));
}
