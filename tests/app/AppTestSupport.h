// Small conveniences shared by the window tests.
#pragma once

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

inline void WriteTestFile(const QString& fileName, const QByteArray& bytes) {
  QFile file(fileName);
  QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(fileName));
  QCOMPARE(file.write(bytes), bytes.size());
}

inline QByteArray ReadTestFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
  return file.readAll();
}

// Keeps the user's own settings out of the tests: settings and data folders move
// under ~/.qttest.
inline void UseTestSettings() {
  QStandardPaths::setTestModeEnabled(true);
  const QSettings settings(QStringLiteral("KELMOOR"), QStringLiteral("Glyphmill"));
  QVERIFY2(settings.fileName().contains(QStringLiteral(".qttest")), qPrintable(settings.fileName()));
}
