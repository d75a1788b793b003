#include "SettingsFile.h"

#include "TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <stdexcept>

TMemIniFile::TMemIniFile(const QString& fileName) : FFileName(fileName) {
  const QFileInfo file(fileName);
  if (!file.exists()) return;
  // Opening a FIFO would wait for a writer; a folder or a device is no settings file.
  if (!file.isFile()) {
    throw std::runtime_error((fileName + QStringLiteral(": not a regular file")).toStdString());
  }
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

std::unique_ptr<TMemIniFile> TMemIniFile::Unread(const QString& fileName) {
  return std::unique_ptr<TMemIniFile>(new TMemIniFile(fileName, TUnread{}));
}

QString TMemIniFile::ReadString(const QString& section, const QString& key,
                                const QString& fallback) const {
  const auto keys = FSections.constFind(section);
  if (keys == FSections.constEnd()) return fallback;
  return keys->value(key, fallback);
}

std::unique_ptr<TMemIniFile> OpenSettingsFile(const QString& fileName, QString& problem) {
  problem.clear();
  try {
    return std::make_unique<TMemIniFile>(fileName);
  } catch (const std::runtime_error&) {
    // Removes a file or a link; a folder cannot be removed this way and stays.
    QFile::remove(fileName);
  }
  try {
    return std::make_unique<TMemIniFile>(fileName);
  } catch (const std::runtime_error& error) {
    problem = QString::fromUtf8(error.what()) + QStringLiteral(" (the settings file is not used)");
    return TMemIniFile::Unread(fileName);
  }
}
