#include "SettingsFile.h"

#include "TextFiles.h"

#include <QFile>
#include <QRegularExpression>

TMemIniFile::TMemIniFile(const QString& fileName) : FFileName(fileName) {
  if (!QFile::exists(fileName)) return;
  const QString text = ReadStrictUtf8Text(fileName);
  QString section;
  for (QString line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(u';')) continue;
    if (line.startsWith(u'[') && line.endsWith(u']')) {
      section = line.mid(1, line.size() - 2);
      continue;
    }
    const qsizetype equals = line.indexOf(u'=');
    if (equals > 0) FSections[section][line.left(equals).trimmed()] = line.mid(equals + 1);
  }
}

QString TMemIniFile::ReadString(const QString& section, const QString& key,
                                const QString& fallback) const {
  const auto keys = FSections.constFind(section);
  if (keys == FSections.constEnd()) return fallback;
  return keys->value(key, fallback);
}

std::unique_ptr<TMemIniFile> OpenSettingsFile(const QString& fileName) {
  try {
    return std::make_unique<TMemIniFile>(fileName);
  } catch (const std::runtime_error&) {
    QFile::remove(fileName);
    return std::make_unique<TMemIniFile>(fileName);
  }
}
