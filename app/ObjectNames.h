// Gives a window's controls their member names as object names, so that tests
// and style sheets find them by name.
#pragma once

#include <QObject>

#include <initializer_list>
#include <utility>

inline void SetObjectNames(std::initializer_list<std::pair<QObject*, const char*>> controls) {
  for (const auto& [control, name] : controls) {
    if (control) control->setObjectName(QString::fromLatin1(name));
  }
}
