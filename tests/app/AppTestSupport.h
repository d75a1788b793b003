// Small conveniences shared by the window tests.
#pragma once

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPalette>
#include <QTemporaryDir>
#include <QObject>
#include <QWidget>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

inline void WriteTestFile(const QString& fileName, const QByteArray& bytes) {
  QFile file(fileName);
  QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(fileName));
  QCOMPARE(file.write(bytes), bytes.size());
}

// Writes `bytes` to the file `name` in `folder`, making the folders on the
// way; the file's path.
inline QString WriteTestFileIn(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes) {
  const QString path = folder.filePath(name);
  QDir().mkpath(QFileInfo(path).path());
  WriteTestFile(path, bytes);
  return path;
}

inline QByteArray ReadTestFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
  return file.readAll();
}

// Keeps the user's own settings out of the tests, and each test program's out
// of the others' (ctest runs several at once): settings and data folders move
// under ~/.qttest of a home folder of this program's own, gone when it ends.
inline void UseTestSettings() {
  static QTemporaryDir home(QDir::temp().filePath(QStringLiteral("glyphmill-test-home.XXXXXX")));
  QVERIFY2(home.isValid(), qPrintable(home.errorString()));
  qputenv("HOME", QFile::encodeName(home.path()));
  QStandardPaths::setTestModeEnabled(true);
  const QSettings settings(QStringLiteral("KELMOOR"), QStringLiteral("Glyphmill"));
  QVERIFY2(settings.fileName().startsWith(home.path() + QStringLiteral("/.qttest")),
           qPrintable(settings.fileName()));
}

// Forgets the recent documents and the folders the file dialogs remember, so
// that each test starts as on a new account.
inline void ForgetRememberedDocuments() {
  QSettings settings(QStringLiteral("KELMOOR"), QStringLiteral("Glyphmill"));
  settings.beginGroup(QStringLiteral("Settings"));
  for (const QString& key : settings.childKeys()) {
    if (key.startsWith(QStringLiteral("Folder")) || key == QStringLiteral("RecentFiles")) {
      settings.remove(key);
    }
  }
}

// Whether `object` belongs to `window` itself, not to another window inside it
// (a batch window is a child of the main window; menus count as their window's).
inline bool BelongsToWindow(const QObject* object, const QObject& window) {
  for (const QObject* parent = object->parent(); parent; parent = parent->parent()) {
    if (parent == &window) return true;
    const auto* widget = qobject_cast<const QWidget*>(parent);
    const Qt::WindowType type = widget ? widget->windowType() : Qt::Widget;
    if (type == Qt::Window || type == Qt::Dialog) return false;
  }
  return false;
}

// The control of `window` with this object name; a missing one ends the test
// program, since every test after it would fail for the same reason.
template <typename T>
T* Control(const QObject& window, const char* name) {
  for (T* control : window.findChildren<T*>(QString::fromLatin1(name))) {
    if (BelongsToWindow(control, window)) return control;
  }
  qFatal("No control %s of type %s in %s", name, T::staticMetaObject.className(),
         window.metaObject()->className());
}

// A dark and a light desktop palette, for the colour tests.
inline QPalette TestDarkPalette() {
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(45, 45, 48));
  palette.setColor(QPalette::WindowText, QColor(220, 220, 220));
  palette.setColor(QPalette::Base, QColor(30, 30, 30));
  palette.setColor(QPalette::Text, QColor(212, 212, 212));
  palette.setColor(QPalette::Button, QColor(45, 45, 48));
  palette.setColor(QPalette::ButtonText, QColor(220, 220, 220));
  palette.setColor(QPalette::Highlight, QColor(38, 79, 120));
  palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
  return palette;
}

inline QPalette TestLightPalette() {
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(239, 239, 239));
  palette.setColor(QPalette::WindowText, QColor(0, 0, 0));
  palette.setColor(QPalette::Base, QColor(255, 255, 255));
  palette.setColor(QPalette::Text, QColor(0, 0, 0));
  palette.setColor(QPalette::Highlight, QColor(48, 140, 198));
  palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
  return palette;
}

// A PNG image of `width` x `height` pixels in one colour.
inline QByteArray TestPngBytes(int width, int height, Qt::GlobalColor colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}
