// The rules behind documents that need no window: line ends, the window
// title, file names beside a document, the recent documents and the folders
// the dialogs remember.
#include "AppTestSupport.h"
#include "DocumentRules.h"
#include "LineList.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A text as the source editor shows it once loaded: the lines joined by CR LF,
// no break after the last one.
QString asShownInTheEditor(const QString& fileText) {
  TLineList lines;
  lines.SetText(fileText);
  QString text = lines.Text();
  if (text.endsWith(QStringLiteral("\r\n"))) text.chop(2);
  return text;
}

}  // namespace

class DocumentRulesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }
  void init() { ForgetRememberedDocuments(); }

  void detectsLineEnds_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lineBreak");
    QTest::addColumn<bool>("finalBreak");
    QTest::newRow("empty") << "" << "\n" << false;
    QTest::newRow("one line, no break") << "a" << "\n" << false;
    QTest::newRow("LF") << "a\nb\n" << "\n" << true;
    QTest::newRow("CR LF") << "a\r\nb\r\n" << "\r\n" << true;
    QTest::newRow("CR") << "a\rb" << "\r" << false;
    QTest::newRow("CR LF without final break") << "a\r\nb" << "\r\n" << false;
    QTest::newRow("the first break decides") << "a\nb\r\nc\r\n" << "\n" << true;
    QTest::newRow("only a break") << "\r\n" << "\r\n" << true;
    QTest::newRow("CR at the very end") << "a\r" << "\r" << true;
  }

  void detectsLineEnds() {
    QFETCH(QString, text);
    QFETCH(QString, lineBreak);
    QFETCH(bool, finalBreak);
    const TLineEnds ends = DetectLineEnds(text);
    QCOMPARE(ends.Break, lineBreak);
    QCOMPARE(ends.FinalBreak, finalBreak);
  }

  void writesLineEnds_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lineBreak");
    QTest::addColumn<bool>("finalBreak");
    QTest::addColumn<QString>("written");
    QTest::newRow("CR LF to LF") << "a\r\nb" << "\n" << true << "a\nb\n";
    QTest::newRow("mixed to CR LF") << "a\nb\rc\r\nd" << "\r\n" << false << "a\r\nb\r\nc\r\nd";
    QTest::newRow("empty lines kept") << "\r\n\r\na" << "\n" << false << "\n\na";
    QTest::newRow("CR LF stays one break") << "a\r\n" << "\r" << false << "a\r";
    QTest::newRow("empty text with a final break") << "" << "\n" << true << "\n";
  }

  void writesLineEnds() {
    QFETCH(QString, text);
    QFETCH(QString, lineBreak);
    QFETCH(bool, finalBreak);
    QFETCH(QString, written);
    QCOMPARE(WithLineEnds(text, {lineBreak, finalBreak}), written);
  }

  // A file whose lines all end alike is written back as it was read, whatever
  // the editor made of its breaks.
  void lineEndsRoundTrip_data() {
    QTest::addColumn<QString>("fileText");
    QTest::newRow("LF") << "# T\n\ntext\n";
    QTest::newRow("CR LF") << "# T\r\n\r\ntext\r\n";
    QTest::newRow("CR") << "# T\r\rtext\r";
    QTest::newRow("no final break") << "a\nb";
    QTest::newRow("trailing empty lines") << "a\r\n\r\n\r\n";
    QTest::newRow("only a break") << "\n";
    QTest::newRow("empty") << "";
    QTest::newRow("one line") << "x";
  }

  void lineEndsRoundTrip() {
    QFETCH(QString, fileText);
    QCOMPARE(WithLineEnds(asShownInTheEditor(fileText), DetectLineEnds(fileText)), fileText);
  }

  void windowTitle_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QString>("title");
    QTest::newRow("no file") << "" << false << "KELMOOR - Glyphmill";
    QTest::newRow("no file, edited") << "" << true << "KELMOOR - Glyphmill";
    QTest::newRow("file") << "/d/notes.md" << false << "notes.md \u2014 KELMOOR - Glyphmill";
    QTest::newRow("file, edited") << "/d/notes.md" << true << "notes.md* \u2014 KELMOOR - Glyphmill";
    QTest::newRow("folder name left out") << "/a.b/c" << true << "c* \u2014 KELMOOR - Glyphmill";
  }

  void windowTitle() {
    QFETCH(QString, path);
    QFETCH(bool, edited);
    QFETCH(QString, title);
    QCOMPARE(DocumentWindowTitle(path, edited, QStringLiteral("KELMOOR - Glyphmill")), title);
  }

  void siblingFileName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("sibling");
    QTest::newRow("md to html") << "/d/notes.md" << "html" << "/d/notes.html";
    QTest::newRow("only the last extension") << "/d/v1.2.md" << "html" << "/d/v1.2.html";
    QTest::newRow("csv to md") << "/d/T.CSV" << "md" << "/d/T.md";
    QTest::newRow("no extension") << "/d/README" << "html" << "/d/README.html";
    QTest::newRow("no document") << "" << "html" << "";
  }

  void siblingFileName() {
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QFETCH(QString, sibling);
    QCOMPARE(SiblingFileName(path, extension), sibling);
  }

  void csvFiles_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("csv");
    QTest::newRow("csv") << "/d/a.csv" << true;
    QTest::newRow("upper case") << "/d/A.CSV" << true;
    QTest::newRow("md") << "/d/a.md" << false;
    QTest::newRow("csv in the folder name") << "/d.csv/a" << false;
  }

  void csvFiles() {
    QFETCH(QString, path);
    QFETCH(bool, csv);
    QCOMPARE(IsCsvFile(path), csv);
  }

  void recentFilesKeepTheNewestTen() {
    TRecentFiles recent;
    QStringList added;
    for (int i = 0; i < 12; ++i) {
      added.prepend(QStringLiteral("/d/%1.md").arg(i));
      recent.Add(added.constFirst());
    }
    QCOMPARE(recent.Files(), added.mid(0, TRecentFiles::kMaxCount));
    // Adding one again moves it to the front without a second entry.
    recent.Add(QStringLiteral("/d/5.md"));
    QCOMPARE(recent.Files().size(), TRecentFiles::kMaxCount);
    QCOMPARE(recent.Files().constFirst(), QStringLiteral("/d/5.md"));
    QCOMPARE(recent.Files().count(QStringLiteral("/d/5.md")), 1);
    QCOMPARE(recent.Files()[1], QStringLiteral("/d/11.md"));
    recent.Remove(QStringLiteral("/d/11.md"));
    QVERIFY(!recent.Files().contains(QStringLiteral("/d/11.md")));
    recent.Clear();
    QVERIFY(recent.Files().isEmpty());
  }

  // A stored list is taken in its order, without repeats or empty names, cut at ten.
  void recentFilesFromTheStore() {
    QStringList stored = {"/a", "", "/b", "/a"};
    for (int i = 0; i < 12; ++i) stored.append(QStringLiteral("/f%1").arg(i));
    StoreRecentFiles(stored);
    const QStringList expected = {"/a", "/b", "/f0", "/f1", "/f2", "/f3", "/f4", "/f5", "/f6", "/f7"};
    QCOMPARE(StoredRecentFiles(), expected);
    QCOMPARE(TRecentFiles(stored).Files(), expected);
  }

  void dialogFolders() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString kept = dir.filePath(QStringLiteral("kept"));
    const QString gone = dir.filePath(QStringLiteral("gone"));
    QVERIFY(QDir().mkdir(kept) && QDir().mkdir(gone));
    QCOMPARE(StoredDialogFolder(QStringLiteral("Load")), QString());
    StoreDialogFolder(QStringLiteral("Load"), kept);
    StoreDialogFolder(QStringLiteral("Save"), gone);
    QCOMPARE(StoredDialogFolder(QStringLiteral("Load")), kept);
    QCOMPARE(StoredDialogFolder(QStringLiteral("Save")), gone);
    QVERIFY(QDir(gone).removeRecursively());
    // A folder that is gone is no place to start in.
    QCOMPARE(StoredDialogFolder(QStringLiteral("Save")), QString());
    QCOMPARE(StoredDialogFolder(QStringLiteral("Load")), kept);
  }
};

QTEST_MAIN(DocumentRulesTest)
#include "DocumentRulesTest.moc"
