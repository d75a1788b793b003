#include "platform/InstalledData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString prefixFolder() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
}
}  // namespace

QString InstalledDataFolder() { return prefixFolder() + QStringLiteral("/share/glyphmill"); }

QString LocalGuideFile() {
  const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/doc/guide.html");
  if (QFileInfo::exists(beside)) return beside;
  return prefixFolder() + QStringLiteral("/share/doc/glyphmill/guide.html");
}
