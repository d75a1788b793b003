#include "SettingsFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <stdexcept>

namespace {

QString decodeStrictUtf8(const QByteArray& bytes, const QString& fileName) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) {
    throw std::runtime_error(
        QStringLiteral("\"%1\" is not valid UTF-8").arg(fileName).toStdString());
  }
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

}  // namespace

TMemIniFile::TMemIniFile(const QString& fileName) : FFileName(fileName) {
  QFile file(fileName);
  if (!file.exists()) return;
  if (!file.open(QIODevice::ReadOnly)) {
    throw std::runtime_error(
        QStringLiteral("Cannot read \"%1\": %2").arg(fileName, file.errorString()).toStdString());
  }
  const QString text = decodeStrictUtf8(file.readAll(), fileName);
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
