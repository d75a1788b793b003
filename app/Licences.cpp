#include "Licences.h"

#include <QFile>
#include <QStringList>

namespace {

QString resourceText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

QString withoutTrailingBlanks(QString line) {
  while (!line.isEmpty() && line.back().isSpace()) line.chop(1);
  return line;
}

}  // namespace

QString GlyphmillLicenceLine() {
  return QStringLiteral("Glyphmill: Copyright (C) KELMOOR, all rights reserved (proprietary)");
}

QString ReadableCopyright(const QString& copyrightFile) {
  const QStringList lines = copyrightFile.split(u'\n');
  const bool machineReadable = copyrightFile.startsWith(QLatin1StringView("Format:"));
  QStringList readable;
  bool skipping = false;
  for (const QString& rawLine : lines) {
    QString line = withoutTrailingBlanks(rawLine);
    if (machineReadable) {
      // A field line starts a field; the "Format" field and its lines are dropped.
      const bool continuation = line.startsWith(u' ') || line.startsWith(u'\t');
      if (!continuation && !line.isEmpty())
        skipping = line.startsWith(QLatin1StringView("Format:"));
      if (skipping) continue;
      if (continuation) line = line.mid(1).trimmed() == u'.' ? QString() : line.mid(1);
    } else if (line.startsWith(u'\t')) {
      line.remove(0, 1);
    }
    // Never two empty lines in a row, nor one at the start.
    if (line.isEmpty() && (readable.isEmpty() || readable.back().isEmpty())) continue;
    readable.append(line);
  }
  while (!readable.isEmpty() && readable.back().isEmpty()) readable.removeLast();
  return readable.join(u'\n');
}

QString FullNotices() {
  return resourceText(QStringLiteral(":/licences/glyphmill.txt")).trimmed() +
         QStringLiteral("\n\n\nSilk icons\n\n") +
         ReadableCopyright(resourceText(QStringLiteral(":/licences/silk-copyright.txt"))) +
         QStringLiteral("\n\n\nFlag icons\n\n") +
         ReadableCopyright(resourceText(QStringLiteral(":/licences/flags-copyright.txt")));
}
