// Exporting and sharing in the real main window: the complete HTML page (valid
// for tidy, self-contained, drawn without any network), the PDF (page size,
// text, checked with poppler-utils), "Copy HTML", and the same page as
// glyphmill-convert --page.
#include "AppForm.h"
#include "AppGlobals.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "WebViewInput.h"
#include "Page.h"
#include "RealDocument.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

namespace {

constexpr int kTimeout = 60000;

QByteArray pngBytes(int width) { return TestPngBytes(width, 4, Qt::blue); }

// A document with every kind of block the export shows; its image is pic.png
// beside it.
const QString kDocument = QStringLiteral(
    "# Export Head\r\n\r\nSome *text* with a formula $x^2$.\r\n\r\n## Second Part\r\n\r\n"
    "| Qty | Price |\r\n|--:|:--|\r\n| 12 | 3.40 |\r\n\r\n"
    "```js\r\nvar foo = 'bar';\r\n```\r\n\r\n![logo](pic.png)\r\n");

// Runs a program; its exit code and its output, standard error included.
struct TRun {
  int Code = -1;
  QString Output;
};

TRun runProgram(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  TRun run;
  if (!process.waitForFinished(kTimeout)) return run;
  run.Code = process.exitCode();
  run.Output = QString::fromUtf8(process.readAll());
  return run;
}

// Records every request that is not for a data: address or a local file.
class TNetworkWatch : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  QStringList Requests;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QString scheme = info.requestUrl().scheme();
    if (scheme == QStringLiteral("data") || scheme == QStringLiteral("file")) return;
    Requests.append(info.requestUrl().toString());
    info.block(true);
  }
};

}  // namespace

class ExportTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;
  std::unique_ptr<QTemporaryDir> FFolder;

  QString path(const QString& name) const { return FFolder->filePath(name); }

  // Writes `source` as notes.md with pic.png beside it, loads and converts it.
  void load(const QString& source) {
    WriteTestFile(path(QStringLiteral("pic.png")), pngBytes(9));
    WriteTestFile(path(QStringLiteral("notes.md")), source.toUtf8());
    FForm->DosyaAc(path(QStringLiteral("notes.md")));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
  }

  // Exports through the File menu into `target`.
  void exportWith(const char* action, const QString& target) {
    FDesktop->AnswerDialogsWith(target);
    Control<QAction>(*FForm, action)->trigger();
    QVERIFY2(FDesktop->Errors().isEmpty(), qPrintable(FDesktop->Errors().join(u'\n')));
  }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }

  void init() {
    FDesktop = std::make_unique<TFakeDesktop>();
    FForm = std::make_unique<TAppForm>();
    FFolder = std::make_unique<QTemporaryDir>();
  }

  void cleanup() {
    FForm.reset();
    FDesktop.reset();
    FFolder.reset();
    QLocale::setDefault(QLocale::c());
  }

  void theMenuHoldsTheCommands() {
    QCOMPARE(Control<QAction>(*FForm, "ExportHtmlPage1")->text(), QStringLiteral("Export HTML Page..."));
    QCOMPARE(Control<QAction>(*FForm, "ExportPdf1")->text(), QStringLiteral("Export PDF..."));
    auto* copy = Control<QAction>(*FForm, "CopyHtml1");
    QCOMPARE(copy->text(), QStringLiteral("Copy HTML"));
    QCOMPARE(copy->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    QVERIFY(Control<QMenu>(*FForm, "File1")->actions().contains(copy));
    QVERIFY(Control<QMenu>(*FForm, "PopupMenu2")->actions().contains(copy));
  }

  void theExportedPageIsCompleteAndValid() {
    load(kDocument);
    const QString target = path(QStringLiteral("notes.html"));
    exportWith("ExportHtmlPage1", target);
    // The dialog suggested the page beside the document and asked before overwriting.
    QCOMPARE(FDesktop->Dialogs.size(), 1);
    QCOMPARE(FDesktop->Dialogs[0].SelectedFile, target);
    QVERIFY(FDesktop->Dialogs[0].ConfirmsOverwrite);
    QCOMPARE(FDesktop->Dialogs[0].AcceptMode, QFileDialog::AcceptSave);
    const QByteArray page = ReadTestFile(target);
    QVERIFY(page.startsWith("<!DOCTYPE html>\r\n<html lang=\"en\">\r\n"));
    QVERIFY(page.contains("<meta charset=\"utf-8\">"));
    QVERIFY(page.contains("<title>Export Head</title>"));
    QVERIFY(page.contains(QByteArray::fromStdString(glyphmill::page::WithCrLf(
        glyphmill::page::Stylesheet(glyphmill::page::TColourScheme::csBoth)))));
    QVERIFY(page.contains("@media (prefers-color-scheme: dark)"));
    // Highlighting and formulas are in the page; it needs no script.
    QVERIFY(!page.contains("<script"));
    QVERIFY(page.contains("hljs-keyword"));
    QVERIFY(page.contains("class=\"katex\""));
    QVERIFY(!page.contains(FormulaAddress()));
    QVERIFY(page.contains("data:font/woff2;base64,"));
    // The image is inside and decodes to the file's bytes.
    const QRegularExpression image(QStringLiteral("<img src=\"data:image/png;base64,([^\"]+)\""));
    const QRegularExpressionMatch match = image.match(QString::fromUtf8(page));
    QVERIFY(match.hasMatch());
    QCOMPARE(QByteArray::fromBase64(match.captured(1).toLatin1()), pngBytes(9));
    QCOMPARE(FForm->StatusText(), QStringLiteral("Saved to %1").arg(target));
    // tidy finds no error (its exit code 2); warnings (1) are allowed.
    const TRun tidy = runProgram(QStringLiteral("tidy"), {QStringLiteral("-errors"), QStringLiteral("-quiet"), target});
    QVERIFY2(tidy.Code == 0 || tidy.Code == 1, qPrintable(QString::number(tidy.Code) + u' ' + tidy.Output));
    QVERIFY2(!tidy.Output.contains(QStringLiteral("Error")), qPrintable(tidy.Output));
  }

  // The preview leaves code and formulas far from the view for later; an
  // exported page has them all.
  void aLongExportedPageHasAllItsCodeAndFormulasDone() {
    load(RealDocument(200 * 1024));
    const QString target = path(QStringLiteral("notes.html"));
    exportWith("ExportHtmlPage1", target);
    const QString page = QString::fromUtf8(ReadTestFile(target));
    const qsizetype codeBlocks = FForm->HtmlLines.Text().count(QStringLiteral("<code class="));
    QVERIFY(codeBlocks > 50);
    QCOMPARE(page.count(QRegularExpression(QStringLiteral("<code class=\"[^\"]*\\bhljs\\b"))), codeBlocks);
    QVERIFY(!page.contains(FormulaAddress()));
  }

  void theExportedPageShowsWithoutAnyNetwork() {
    load(kDocument);
    const QString target = path(QStringLiteral("shown.html"));
    exportWith("ExportHtmlPage1", target);
    QWebEngineProfile profile;  // off the record, nothing cached
    TNetworkWatch watch;
    profile.setUrlRequestInterceptor(&watch);
    QWebEnginePage page(&profile);
    page.settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    page.load(QUrl::fromLocalFile(target));
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() == 1, kTimeout);
    auto evaluate = [&](const QString& script) { return EvaluateInPage(&page, script, kTimeout); };
    QCOMPARE(evaluate(QStringLiteral("document.images.length")).toInt(), 1);
    QCOMPARE(evaluate(QStringLiteral("document.images[0].naturalWidth")).toInt(), 9);
    QCOMPARE(evaluate(QStringLiteral("document.querySelectorAll('.katex-html').length")).toInt(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(
        evaluate(QStringLiteral("document.fonts.status === 'loaded' && Array.from(document.fonts)"
                                ".some((f) => f.family.includes('KaTeX_Main') && f.status === 'loaded')"))
            .toBool(),
        kTimeout);
    QCOMPARE(evaluate(QStringLiteral("getComputedStyle(document.querySelector('.hljs-keyword')).color")).toString(),
             QStringLiteral("rgb(194, 28, 44)"));
    QCOMPARE(watch.Requests, QStringList());
  }

  void thePdfHasTheLocalePageSizeAndTheText_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("size");
    // The name pdfinfo gives the page size (it allows the web engine's rounding).
    QTest::newRow("United States: Letter") << "en_US" << "letter";
    QTest::newRow("Canada: Letter") << "fr_CA" << "letter";
    QTest::newRow("Germany: A4") << "de_DE" << "A4";
  }
  void thePdfHasTheLocalePageSizeAndTheText() {
    QFETCH(QString, locale);
    QFETCH(QString, size);
    QLocale::setDefault(QLocale(locale));
    load(kDocument);
    const QString target = path(QStringLiteral("notes.pdf"));
    exportWith("ExportPdf1", target);
    QCOMPARE(FDesktop->Dialogs[0].SelectedFile, target);
    QVERIFY(ReadTestFile(target).startsWith("%PDF-"));
    const TRun info = runProgram(QStringLiteral("pdfinfo"), {target});
    QCOMPARE(info.Code, 0);
    const QRegularExpression pageSize(QStringLiteral("Page size: +[0-9.]+ x [0-9.]+ pts \\(%1\\)").arg(size));
    QVERIFY2(pageSize.match(info.Output).hasMatch(), qPrintable(info.Output));
    const TRun text = runProgram(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), target, QStringLiteral("-")});
    QCOMPARE(text.Code, 0);
    for (const char* expected : {"Export Head", "Second Part", "Qty", "Price", "12", "3.40", "var foo"}) {
      QVERIFY2(text.Output.contains(QString::fromLatin1(expected)), qPrintable(text.Output));
    }
  }

  void aFailedPdfShowsTheErrorAndLeavesNoFile() {
    load(QStringLiteral("# Head\r\n"));
    const QString target = path(QStringLiteral("missing folder/notes.pdf"));
    FDesktop->AnswerDialogsWith(target);
    Control<QAction>(*FForm, "ExportPdf1")->trigger();
    QCOMPARE(FDesktop->Errors().size(), 1);
    QVERIFY2(FDesktop->Errors()[0].contains(QStringLiteral("notes.pdf")), qPrintable(FDesktop->Errors()[0]));
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(QDir(FFolder->path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("notes.md"), QStringLiteral("pic.png")}));
  }

  void aCancelledDialogWritesNothing() {
    load(QStringLiteral("# Head\r\n"));
    for (const char* action : {"ExportHtmlPage1", "ExportPdf1"}) {
      FDesktop->AnswerDialogsWith(QString());
      Control<QAction>(*FForm, action)->trigger();
    }
    QCOMPARE(FDesktop->Dialogs.size(), 2);
    QCOMPARE(QDir(FFolder->path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("notes.md"), QStringLiteral("pic.png")}));
  }

  void copyHtmlPutsTextAndHtmlOnTheClipboard() {
    load(QStringLiteral("Some **bold** text\r\n"));
    QGuiApplication::clipboard()->clear();
    Control<QAction>(*FForm, "CopyHtml1")->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data != nullptr);
    QCOMPARE(data->text(), FForm->HtmlLines.Text());
    QVERIFY(data->hasHtml());
    QCOMPARE(data->html(), QStringLiteral("<p>Some <strong>bold</strong> text</p>\r\n"));
  }

  void theConverterWritesTheSameBytes_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("headline, table, image") << "# Same *Bytes*\r\n\r\n| a | b |\r\n|---|--:|\r\n| 1 | 2 |\r\n\r\n"
                                                "![pic](pic.png) and ![remote](https://example.org/r.png)\r\n";
    QTest::newRow("no headline: the file name") << "Just text, <br> and a [link](other.md).\r\n";
    QTest::newRow("line ends of every kind") << "a\rb\nc\r\n\r\n<div>raw\r</div>\n";
  }
  void theConverterWritesTheSameBytes() {
    QFETCH(QString, source);
    load(source);
    const QString target = path(QStringLiteral("window.html"));
    exportWith("ExportHtmlPage1", target);
    const TRun converter = runProgram(QStringLiteral(GLYPHMILL_CONVERT),
                                      {QStringLiteral("--page"), QStringLiteral("-o"), path(QStringLiteral("cli.html")),
                                       path(QStringLiteral("notes.md"))});
    QVERIFY2(converter.Code == 0, qPrintable(converter.Output));
    QCOMPARE(ReadTestFile(target), ReadTestFile(path(QStringLiteral("cli.html"))));
  }

 private:
  static QByteArray FormulaAddress() { return QByteArrayLiteral("/chart?cht=tx&chl="); }
};

QTEST_MAIN(ExportTest)
#include "ExportTest.moc"
