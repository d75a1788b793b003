// A document over LARGE_TEXT_LIMIT is loaded, converted and saved whole while
// the editors show the placeholder. Slow and memory-heavy (several GiB): it runs
// only with GLYPHMILL_LARGE_TESTS=1 in the environment.
#include "AppForm.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "FakeDesktop.h"

#include <QAction>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "Para 0000001 text" and an empty line, again and again: 19 bytes each.
constexpr qint64 kParagraphs = 5'600'000;
constexpr qint64 kParagraphBytes = 19;
constexpr qint64 kHtmlLineBytes = 26;  // "<p>Para 0000001 text</p>\r\n"

QByteArray paragraph(qint64 n) { return QByteArray("Para ") + QByteArray::number(n).rightJustified(7, '0') + " text"; }

}  // namespace

class LargeDocumentTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  // Loading and saving record recent documents and folders: kept out of the user's settings.
  void initTestCase() { UseTestSettings(); }
  void loadsConvertsAndSavesAWholeLargeDocument();
};

void LargeDocumentTest::loadsConvertsAndSavesAWholeLargeDocument() {
  if (qEnvironmentVariable("GLYPHMILL_LARGE_TESTS") != QStringLiteral("1")) {
    QSKIP("set GLYPHMILL_LARGE_TESTS=1 to run this slow, memory-heavy test");
  }
  TFakeDesktop desktop;
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString source = dir.filePath(QStringLiteral("large.md"));
  {
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray chunk;
    for (qint64 n = 1; n <= kParagraphs; ++n) {
      chunk += paragraph(n) + "\n\n";
      if (chunk.size() > (1 << 20) || n == kParagraphs) {
        QCOMPARE(file.write(chunk), chunk.size());
        chunk.clear();
      }
    }
  }
  QVERIFY(QFileInfo(source).size() == kParagraphs * kParagraphBytes);
  QVERIFY(QFileInfo(source).size() > LARGE_TEXT_LIMIT);

  TAppForm form;
  // With "Auto Convert" on, the conversion that the load sets off converts the
  // loaded document, not the placeholder sentence.
  Control<QAction>(form, "AutoConvert1")->trigger();
  form.DosyaAc(source);
  QVERIFY(desktop.Errors().isEmpty());
  QCOMPARE(form.SourceLines.Count(), int(2 * kParagraphs));
  QCOMPARE(Control<TSynEdit>(form, "SynEdit1")->text(), kPlaceholderText);
  QVERIFY(!Control<TSynEdit>(form, "SynEdit1")->isEnabled());
  QCOMPARE(form.HtmlLines.Count(), int(kParagraphs));
  QVERIFY(form.HtmlLines.Text().startsWith(QStringLiteral("<p>Para 0000001 text</p>\r\n")));
  QCOMPARE(Control<TSynEdit>(form, "SynEdit2")->text(), kPlaceholderText);
  QVERIFY(!Control<TSynEdit>(form, "SynEdit2")->isEnabled());
  QVERIFY(form.StatusText().startsWith(QStringLiteral("Load Time: ")));

  // CONVERT while the source editor shows the placeholder converts the document.
  QTest::mouseClick(Control<QPushButton>(form, "ButtonConvert"), Qt::LeftButton);
  QCOMPARE(form.HtmlLines.Count(), int(kParagraphs));

  const QString target = dir.filePath(QStringLiteral("large.html"));
  desktop.AnswerDialogsWith(target);
  QTest::mouseClick(Control<QPushButton>(form, "ButtonSave"), Qt::LeftButton);
  QVERIFY(desktop.Errors().isEmpty());
  QFile saved(target);
  QCOMPARE(saved.size(), kParagraphs * kHtmlLineBytes);
  QVERIFY(saved.open(QIODevice::ReadOnly));
  QCOMPARE(saved.read(kHtmlLineBytes), QByteArray("<p>Para 0000001 text</p>\r\n"));
  QVERIFY(saved.seek((kParagraphs / 2 - 1) * kHtmlLineBytes));
  QCOMPARE(saved.read(kHtmlLineBytes), "<p>" + paragraph(kParagraphs / 2) + "</p>\r\n");
  QVERIFY(saved.seek((kParagraphs - 1) * kHtmlLineBytes));
  QCOMPARE(saved.readAll(), "<p>" + paragraph(kParagraphs) + "</p>\r\n");
}

QTEST_MAIN(LargeDocumentTest)
#include "LargeDocumentTest.moc"
