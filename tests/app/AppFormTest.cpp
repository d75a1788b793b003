// The main window driven as a user drives it: start state, conversion, Auto
// Convert, "New", errors, layout and menus.
#include "AppForm.h"
#include "AppGlobals.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "TableStyling.h"
#include "platform/NamedLock.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include "AppTestSupport.h"

#include <QtTest>

#include <memory>
#include <stdexcept>

using glyphmill::TMarkdownProcessor;
using glyphmill::TMarkdownProcessorDialect;

namespace {

// The whole text of a list holding `html`.
QString asLines(const QString& html) {
  TLineList list;
  list.SetText(html);
  return list.Text();
}

QString engineHtml(const QString& source, TMarkdownProcessorDialect dialect, bool unsafe = false) {
  auto processor = TMarkdownProcessor::CreateDialect(dialect);
  processor->SetAllowUnsafe(unsafe);
  const std::u16string html = processor->Process(
      std::u16string(reinterpret_cast<const char16_t*>(source.utf16()), source.size()));
  return QString(reinterpret_cast<const QChar*>(html.data()), qsizetype(html.size()));
}

// A processor with a canned answer, or one that fails.
class TFakeProcessor : public TMarkdownProcessor {
 public:
  TFakeProcessor(std::u16string answer, bool fail) : FAnswer(std::move(answer)), FFail(fail) {
    FConfig = std::make_unique<glyphmill::TConfiguration>(true);
  }
  bool GetAllowUnsafe() const override { return false; }
  void SetAllowUnsafe(bool) override {}
  std::u16string Process(const std::u16string&) override {
    if (FFail) throw std::runtime_error("engine failure for the test");
    return FAnswer;
  }
  std::u16string Process(std::u16string&& source) override { return Process(source); }
  void ProcessTo(std::u16string&&, const THtmlSink& write) override { write(FAnswer); }

 private:
  std::u16string FAnswer;
  bool FFail;
};

}  // namespace

class AppFormTest : public QObject {
  Q_OBJECT
 private:
  std::unique_ptr<TFakeDesktop> FDesktop;

  std::unique_ptr<TAppForm> newForm() {
    auto form = std::make_unique<TAppForm>();
    form->show();
    return form;
  }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }
  void init() {
    FDesktop = std::make_unique<TFakeDesktop>();
    QLocale::setDefault(QLocale::c());
  }
  void cleanup() { FDesktop.reset(); }

  void startState() {
    const auto form = newForm();
    QCOMPARE(form->windowTitle(), QString("KELMOOR - Glyphmill"));
    QCOMPARE(AppVersion, QString("1.2"));
    QCOMPARE(Control<TSynEdit>(*form, "SynEdit1")->text(), SampleDocument());
    QCOMPARE(SampleDocument().split("\r\n").size(), 31);
    const QString html = engineHtml(SampleDocument(), glyphmill::mdCommonMark);
    QCOMPARE(form->HtmlLines.Text(),
             StyledHtmlText(std::u16string_view(reinterpret_cast<const char16_t*>(html.utf16()), std::size_t(html.size()))));
    QVERIFY(
        Control<TSynEdit>(*form, "SynEdit2")->text().startsWith("<h1>Sample Markdown</h1>\r\n"));
    QCOMPARE(form->StatusText(), QString());
    QVERIFY(!Control<QAction>(*form, "UpdateNotifications1")->isEnabled());
    QVERIFY(Control<QAction>(*form, "UpdateNotifications1")->isChecked());
    QVERIFY(!Control<QAction>(*form, "AutoConvert1")->isChecked());
    QCOMPARE(Control<QTabWidget>(*form, "PageControl1")->currentIndex(), 0);
    QCOMPARE(Control<QTabWidget>(*form, "PageControl1")->tabText(0), QString("HTML"));
    QCOMPARE(Control<QTabWidget>(*form, "PageControl1")->tabText(1), QString("Preview"));
    QCOMPARE(Control<QComboBox>(*form, "ComboBox1")->currentText(), QString("CommonMark"));
    QVERIFY(!Control<QCheckBox>(*form, "CheckBox1")->isChecked());
    QVERIFY(FDesktop->Errors().isEmpty());
    // The writable program folder is the data folder; the write test leaves nothing.
    QCOMPARE(DataFolder, QCoreApplication::applicationDirPath() + "/");
    QVERIFY(!QFile::exists(DataFolder + "chk.tmp"));
  }

  void settingsFileAtStart_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("kept");
    QTest::newRow("valid") << QByteArray("[Settings]\r\nA=1\r\n") << true;
    QTest::newRow("not UTF-8") << QByteArray("[Settings]\r\nA=\xFF\r\n") << false;
  }
  void settingsFileAtStart() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, kept);
    const QString path = QCoreApplication::applicationDirPath() + "/settings.ini";
    WriteTestFile(path, bytes);
    { const auto form = newForm(); }
    QCOMPARE(QFile::exists(path), kept);
    if (kept) QCOMPARE(ReadTestFile(path), bytes);
    QFile::remove(path);
  }

  void dialectIndexes_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("dialect");
    QTest::newRow("CommonMark") << 0 << int(glyphmill::mdCommonMark);
    QTest::newRow("TxtMark") << 1 << int(glyphmill::mdTxtMark);
    QTest::newRow("DaringFireball") << 2 << int(glyphmill::mdDaringFireball);
    QTest::newRow("GitHub") << 3 << int(glyphmill::mdGitHub);
    QTest::newRow("no selection") << -1 << int(glyphmill::mdDaringFireball);
  }
  void dialectIndexes() {
    QFETCH(int, index);
    QFETCH(int, dialect);
    const auto form = newForm();
    QList<int> used;
    const auto real = form->ProcessorFactory;
    form->ProcessorFactory = [&](TMarkdownProcessorDialect d) {
      used << int(d);
      return real(d);
    };
    Control<QComboBox>(*form, "ComboBox1")->setCurrentIndex(index);
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    QCOMPARE(used, QList<int>{dialect});
    // The dialect really decides the HTML: TxtMark and CommonMark differ on this text.
    const QString source = "a\\\nb";
    Control<TSynEdit>(*form, "SynEdit1")->SetText(source);
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    QCOMPARE(form->HtmlLines.Text(),
             asLines(engineHtml(source + "\r\n", TMarkdownProcessorDialect(dialect))));
  }

  void unsafeCheckBoxDecidesSafeMode() {
    const auto form = newForm();
    Control<TSynEdit>(*form, "SynEdit1")->SetText("<script>alert(1)</script>");
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    QVERIFY(!form->HtmlLines.Text().contains("<script>"));
    Control<QCheckBox>(*form, "CheckBox1")->setChecked(true);
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    QVERIFY(form->HtmlLines.Text().contains("<script>alert(1)</script>"));
  }

  void tableStylingInTheWindow() {
    const auto form = newForm();
    Control<TSynEdit>(*form, "SynEdit1")
        ->SetText("<TABLE>\n<tr><td class=\"x\">a</td><TD>b</TD></tr>\n</TABLE>");
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    const QString html = form->HtmlLines.Text();
    QVERIFY2(html.contains("<table style=\"border: 1px solid black; border-collapse: collapse;\">"),
             qPrintable(html));
    QVERIFY(html.contains("<td class=\"x\">a</td>"));
    QVERIFY(html.contains("<td style=\"border: 1px solid black; padding: 3px;\">b</TD>"));
  }

  void placeholderTypedByHandConvertsTheLists() {
    const auto form = newForm();
    Control<TSynEdit>(*form, "SynEdit1")->SetText("# Kept");
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    Control<TSynEdit>(*form, "SynEdit1")->SetText(kPlaceholderText);
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    QCOMPARE(form->SourceLines.Text(), QString("# Kept\r\n"));
    QCOMPARE(form->HtmlLines.Text(), QString("<h1>Kept</h1>\r\n"));
  }

  void largeListsShowThePlaceholder() {
    const auto form = newForm();
    const QString big(LARGE_TEXT_LIMIT - 1, u'x');  // with CR LF: one over the limit
    form->SourceLines.SetText(big);
    form->EkrandaGoster1();
    QCOMPARE(Control<TSynEdit>(*form, "SynEdit1")->text(), kPlaceholderText);
    QVERIFY(!Control<TSynEdit>(*form, "SynEdit1")->isEnabled());
    // A result over the limit stays whole in HtmlLines while the pane shows the placeholder.
    const std::u16string answer(std::size_t(LARGE_TEXT_LIMIT), u'y');
    form->ProcessorFactory = [&](TMarkdownProcessorDialect) {
      return std::make_unique<TFakeProcessor>(answer, false);
    };
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    QCOMPARE(form->SourceLines.Text().size(), big.size() + 2);  // placeholder kept the document
    QCOMPARE(form->HtmlLines.Text().size(), LARGE_TEXT_LIMIT + 2);
    QCOMPARE(Control<TSynEdit>(*form, "SynEdit2")->text(), kPlaceholderText);
    QVERIFY(!Control<TSynEdit>(*form, "SynEdit2")->isEnabled());
  }

  void autoConvertOnEveryKeystroke() {
    const auto form = newForm();
    Control<QAction>(*form, "New1")->trigger();
    Control<QAction>(*form, "AutoConvert1")->trigger();
    QVERIFY(Control<QAction>(*form, "AutoConvert1")->isChecked());
    Control<TSynEdit>(*form, "SynEdit1")->setFocus();
    const QString typed = "# Hi *x*";
    for (int i = 0; i < typed.size(); ++i) {
      form->SetStatusText(QString());
      QTest::keyClick(Control<TSynEdit>(*form, "SynEdit1"), typed[i].toLatin1());
      const QString soFar = typed.left(i + 1);
      QCOMPARE(Control<TSynEdit>(*form, "SynEdit1")->text(), soFar);
      // The key is shown first; its conversion follows.
      QTRY_VERIFY(form->StatusText().startsWith("Elapsed Time: "));
      QCOMPARE(form->HtmlLines.Text(), asLines(engineHtml(soFar + "\r\n", glyphmill::mdCommonMark)));
    }
    QCOMPARE(Control<TSynEdit>(*form, "SynEdit2")->text(), QString("<h1>Hi <em>x</em></h1>"));
  }

  void newWithAutoConvert() {
    const auto form = newForm();
    form->SourceLines.SetText(QString(LARGE_TEXT_LIMIT, u'x'));
    form->EkrandaGoster1();  // the source pane shows the placeholder, disabled
    Control<QAction>(*form, "AutoConvert1")->trigger();
    Control<QAction>(*form, "New1")->trigger();
    QCOMPARE(form->SourceLines.Text(), QString());
    QCOMPARE(form->HtmlLines.Text(), QString());
    QCOMPARE(Control<TSynEdit>(*form, "SynEdit1")->text(), QString());
    QCOMPARE(Control<TSynEdit>(*form, "SynEdit2")->text(), QString());
    QVERIFY(Control<TSynEdit>(*form, "SynEdit1")->isEnabled());
    QCOMPARE(form->StatusText(), QString());
  }

  void elapsedTimeUsesTheLocaleDecimalSeparator() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto form = newForm();
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    const QRegularExpression pattern("^Elapsed Time: \\d+,\\d{3} sec$");
    QVERIFY2(pattern.match(form->StatusText()).hasMatch(), qPrintable(form->StatusText()));
  }

  void engineErrorIsShownAndTheCommandFinishes() {
    const auto form = newForm();
    const QString htmlBefore = form->HtmlLines.Text();
    form->ProcessorFactory = [](TMarkdownProcessorDialect) {
      return std::make_unique<TFakeProcessor>(u"", true);
    };
    Control<TSynEdit>(*form, "SynEdit1")->SetText("# Changed");
    QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
    QCOMPARE(FDesktop->Errors(), QStringList{"engine failure for the test"});
    QVERIFY(form->StatusText().startsWith("Elapsed Time: "));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(form->SourceLines.Text(), QString("# Changed\r\n"));
    QCOMPARE(form->HtmlLines.Text(), htmlBefore);
  }

  void resizingAfterMovingTheSplitter() {
    const auto form = newForm();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTRY_COMPARE(Control<QTabWidget>(*form, "PageControl1")->width(),
                 Control<QWidget>(*form, "Panel3")->width() / 2);
    Control<QSplitter>(*form, "Splitter1")->setSizes({600, 100});
    QVERIFY(Control<QTabWidget>(*form, "PageControl1")->width() <
            Control<QWidget>(*form, "Panel3")->width() / 2);
    form->resize(form->width() + 101, form->height());
    QTRY_COMPARE(Control<QTabWidget>(*form, "PageControl1")->width(),
                 Control<QWidget>(*form, "Panel3")->width() / 2);
  }

  void popupMenusActOnTheirOwnEditor() {
    const auto form = newForm();
    Control<TSynEdit>(*form, "SynEdit2")->SetText("html pane");
    Control<QAction>(*form, "SelectAll1")->trigger();
    QVERIFY(Control<TSynEdit>(*form, "SynEdit1")->hasSelectedText());
    QVERIFY(!Control<TSynEdit>(*form, "SynEdit2")->hasSelectedText());
    Control<QAction>(*form, "Delete1")->trigger();
    QCOMPARE(Control<TSynEdit>(*form, "SynEdit1")->text(), QString());
    QCOMPARE(Control<TSynEdit>(*form, "SynEdit2")->text(), QString("html pane"));
    Control<QAction>(*form, "Undo1")->trigger();
    QCOMPARE(Control<TSynEdit>(*form, "SynEdit1")->text(), SampleDocument());
    Control<QAction>(*form, "MenuItem8")->trigger();  // Select All of the HTML pane
    Control<QAction>(*form, "MenuItem4")->trigger();  // Copy
    QCOMPARE(QApplication::clipboard()->text(), QString("html pane"));
    Control<TSynEdit>(*form, "SynEdit1")->selectAll(false);
    Control<TSynEdit>(*form, "SynEdit1")->setCursorPosition(0, 0);
    Control<QAction>(*form, "Paste1")->trigger();
    QVERIFY(Control<TSynEdit>(*form, "SynEdit1")->text().startsWith("html pane# Sample"));
  }

  void ctrlClickOnAnAddressOpensIt() {
    const auto form = newForm();
    Control<TSynEdit>(*form, "SynEdit1")->SetText("text\r\nsee https://example.org/page now");
    const int position = int(Control<TSynEdit>(*form, "SynEdit1")->positionFromLineIndex(1, 8));
    Control<TSynEdit>(*form, "SynEdit1")->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
    const auto styleAt = [&](int at) {
      return Control<TSynEdit>(*form, "SynEdit1")
          ->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, at);
    };
    QCOMPARE(styleAt(position), 1L);       // inside the address
    QCOMPARE(styleAt(position - 6), 0L);   // "see"
    Q_EMIT Control<TSynEdit>(*form, "SynEdit1")
        ->SCN_HOTSPOTCLICK(position, 0);  // a plain click opens nothing
    QVERIFY(FDesktop->Opened.isEmpty());
    Q_EMIT Control<TSynEdit>(*form, "SynEdit1")
        ->SCN_HOTSPOTCLICK(position, QsciScintillaBase::SCMOD_CTRL);
    QCOMPARE(FDesktop->Opened, QList<QUrl>{QUrl("https://example.org/page")});
  }

  void secondInstanceStartsNormally() {
    // This test process plays the first instance and holds the lock.
    TakeNamedLock(QStringLiteral("KELMOOR_Glyphmill"));
    QVERIFY(!TakeNamedLock(QStringLiteral("KELMOOR_Glyphmill")));  // really held
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("GLYPHMILL_EXIT_AFTER_START", "1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(environment);
    second.start(GLYPHMILL_APP_PATH, {});
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().contains("KELMOOR - Glyphmill 1.2"));
  }

  void onlineHelpOpensTheHelpPage() {
    qputenv("GLYPHMILL_WEB_HOST", "127.0.0.1:9");
    const auto form = newForm();
    Control<QAction>(*form, "Help2")->trigger();
    qunsetenv("GLYPHMILL_WEB_HOST");
    QCOMPARE(FDesktop->Opened, QList<QUrl>{QUrl("http://127.0.0.1:9/help/glyphmill/")});
  }

  void onlineHelpWithoutARealHostOpensTheLocalGuide() {
    const auto form = newForm();
    Control<QAction>(*form, "Help2")->trigger();
    QCOMPARE(FDesktop->Opened.size(), 1);
    QVERIFY(FDesktop->Opened[0].isLocalFile());
    QVERIFY2(FDesktop->Opened[0].toLocalFile().endsWith("/guide.html"),
             qPrintable(FDesktop->Opened[0].toString()));
  }
};

QTEST_MAIN(AppFormTest)
#include "AppFormTest.moc"
