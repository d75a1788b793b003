// A settings.ini that cannot be used: a folder, a FIFO, a device, a file that
// cannot be deleted. The settings object opens all the same, without
// blocking, and the main window starts.
#include "AppForm.h"
#include "AppTestSupport.h"
#include "FakeDesktop.h"
#include "SettingsFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class SettingsFileTest : public QObject {
  Q_OBJECT

 private:
  enum TKind { skFolder, skFifo, skLinkToFolder, skLinkToDevice, skInvalidInReadOnlyFolder, skUnreadable };

  // Makes `path` the kind of settings.ini the row asks for.
  static bool plant(int kind, const QString& path, const QString& scratch) {
    const QByteArray native = QFile::encodeName(path);
    switch (kind) {
      case skFolder:
        return QDir().mkdir(path) && QFile::copy(scratch + "/keep.txt", path + "/keep.txt");
      case skFifo:
        return ::mkfifo(native.constData(), 0600) == 0;
      case skLinkToFolder:
        return QFile::link(scratch, path);
      case skLinkToDevice:
        return QFile::link(QStringLiteral("/dev/zero"), path);
      case skInvalidInReadOnlyFolder:
        WriteTestFile(path, "a=\xFF\n");
        return ::chmod(QFile::encodeName(QFileInfo(path).path()).constData(), 0555) == 0;
      case skUnreadable:
        WriteTestFile(path, "a=b\n");
        return ::chmod(native.constData(), 0) == 0;
    }
    return false;
  }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }

  void unusableSettingsFile_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("reported");  // otherwise replaced without a word
    QTest::addColumn<bool>("remains");
    QTest::newRow("a folder") << int(skFolder) << true << true;
    QTest::newRow("a FIFO without a writer") << int(skFifo) << false << false;
    QTest::newRow("a link to a folder") << int(skLinkToFolder) << false << false;
    QTest::newRow("a link to a device") << int(skLinkToDevice) << false << false;
    // Root may delete and read anything: these two need another account.
    if (::geteuid() != 0) {
      QTest::newRow("not UTF-8 in a read-only folder") << int(skInvalidInReadOnlyFolder) << true << true;
      QTest::newRow("unreadable") << int(skUnreadable) << false << false;
    }
  }
  void unusableSettingsFile() {
    QFETCH(int, kind);
    QFETCH(bool, reported);
    QFETCH(bool, remains);
    QTemporaryDir folder;
    QTemporaryDir scratch;
    const QString path = folder.filePath(QStringLiteral("settings.ini"));
    WriteTestFile(scratch.filePath(QStringLiteral("keep.txt")), "keep");
    QVERIFY(plant(kind, path, scratch.path()));

    QString problem = QStringLiteral("left from before");
    const auto settings = OpenSettingsFile(path, problem);
    ::chmod(QFile::encodeName(folder.path()).constData(), 0700);

    QVERIFY(settings != nullptr);
    QCOMPARE(settings->ReadString(QStringLiteral("Settings"), QStringLiteral("a"), QStringLiteral("-")),
             QStringLiteral("-"));
    QCOMPARE(problem.isEmpty(), !reported);
    if (reported) QVERIFY2(problem.startsWith(path + QStringLiteral(": ")), qPrintable(problem));
    QCOMPARE(QFileInfo(path).exists() || QFileInfo(path).isSymLink(), remains);
    // Nothing behind the name is touched.
    QCOMPARE(ReadTestFile(scratch.filePath(QStringLiteral("keep.txt"))), QByteArray("keep"));
    if (kind == skFolder) QCOMPARE(ReadTestFile(path + QStringLiteral("/keep.txt")), QByteArray("keep"));
  }

  // The window starts with a folder in place of settings.ini, says so once and
  // shows the start conversion. This test program has a folder of its own.
  void windowStartsWithAFolderAsSettingsFile() {
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/settings.ini");
    QVERIFY(QDir().mkpath(path));
    TFakeDesktop desktop;
    {
      TAppForm form;
      form.show();
      QVERIFY(!form.HtmlLines.Text().isEmpty());
    }
    QDir().rmdir(path);
    const QStringList errors = desktop.Errors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(path + QStringLiteral(": not a regular file")), qPrintable(errors[0]));
  }
};

QTEST_MAIN(SettingsFileTest)
#include "SettingsFileTest.moc"
