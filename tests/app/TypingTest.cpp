// Typing with Auto Convert on: keys are shown before their conversion, keys
// that come meanwhile join one conversion, the HTML pane changes only where
// the HTML did and keeps its view, and the preview follows once typing pauses.
#include "AppForm.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "WebViewInput.h"
#include "BackgroundConversion.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTabWidget>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>

#include <atomic>
#include <memory>
#include <stdexcept>

namespace {

using glyphmill::TMarkdownProcessor;

// What CONVERT would put into the HTML pane for `source`.
QString paneText(const QString& source, int dialectIndex, bool unsafe) {
  auto processor = TMarkdownProcessor::CreateDialect(TAppForm::DialectForIndex(dialectIndex));
  processor->SetAllowUnsafe(unsafe);
  TLineList lines;
  lines.SetText(source);
  QString shown = ConvertLines(*processor, lines).Text();
  if (shown.endsWith(QStringLiteral("\r\n"))) shown.chop(2);
  return shown;
}

// A document of numbered paragraphs with some inline Markdown.
QString longDocument(int paragraphs) {
  QStringList lines;
  for (int i = 1; i <= paragraphs; ++i) {
    lines << QStringLiteral("Paragraph %1 with *emphasis*, `code` and <b>bold</b>.").arg(i) << QString();
  }
  return lines.join(QStringLiteral("\r\n"));
}

// A processor that waits at a gate before converting with a real one, or
// fails; it lets a test type while a conversion runs.
class TGatedProcessor : public TMarkdownProcessor {
 public:
  TGatedProcessor(std::unique_ptr<TMarkdownProcessor> inner, QSemaphore* gate, std::atomic<int>* started)
      : FInner(std::move(inner)), FGate(gate), FStarted(started) {
    FConfig = std::make_unique<glyphmill::TConfiguration>(true);
  }
  bool GetAllowUnsafe() const override { return FInner != nullptr && FInner->GetAllowUnsafe(); }
  void SetAllowUnsafe(bool value) override {
    if (FInner) FInner->SetAllowUnsafe(value);
  }
  std::u16string Process(const std::u16string& source) override {
    if (FStarted != nullptr) ++*FStarted;
    if (FGate != nullptr) FGate->acquire();
    if (FInner == nullptr) throw std::runtime_error("engine failure for the test");
    return FInner->Process(source);
  }
  std::u16string Process(std::u16string&& source) override { return Process(source); }
  void ProcessTo(std::u16string&& source, const THtmlSink& write) override { write(Process(source)); }

 private:
  std::unique_ptr<TMarkdownProcessor> FInner;  // none: the conversion fails
  QSemaphore* FGate;
  std::atomic<int>* FStarted;
};

}  // namespace

class TypingTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;
  int FConversions = 0;

  TSynEdit* source() const { return Control<TSynEdit>(*FForm, "SynEdit1"); }
  TSynEdit* html() const { return Control<TSynEdit>(*FForm, "SynEdit2"); }

  void turnAutoConvertOn() {
    Control<QAction>(*FForm, "AutoConvert1")->trigger();
    QVERIFY(Control<QAction>(*FForm, "AutoConvert1")->isChecked());
  }

  // Types `keys` at the end of line `line` of the source pane, without waiting
  // for any conversion between them.
  void typeBurst(int line, const QString& keys) {
    source()->setFocus();
    source()->setCursorPosition(line, source()->text(line).size());
    for (const QChar key : keys) QTest::keyClick(source(), key.toLatin1());
  }

  // The text the preview page shows ("" while it has none).
  QString previewText() {
    return EvaluateInPage(Control<QWebEngineView>(*FForm, "WebBrowser1")->page(),
                          QStringLiteral("document.body ? document.body.innerText : ''"), 5000)
        .toString()
        .trimmed();
  }

  int firstVisibleLine(TSynEdit* editor) const {
    return int(editor->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE));
  }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }

  void init() {
    FDesktop = std::make_unique<TFakeDesktop>();
    FForm = std::make_unique<TAppForm>();
    FConversions = 0;
    FForm->ProcessorFactory = [this](glyphmill::TMarkdownProcessorDialect dialect) {
      ++FConversions;
      return TMarkdownProcessor::CreateDialect(dialect);
    };
    FForm->resize(900, 600);
    FForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
  }

  void cleanup() {
    FForm.reset();
    FDesktop.reset();
  }

  // After a burst the HTML pane equals a fresh conversion of the final text,
  // in every dialect and both modes, with no more conversions than keys.
  void burstEndsWithTheFreshConversion_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<bool>("unsafe");
    for (int dialect = 0; dialect < 4; ++dialect) {
      for (const bool unsafe : {false, true}) {
        const QString name = QStringLiteral("dialect %1, %2").arg(dialect).arg(unsafe ? "unsafe" : "safe");
        QTest::newRow(qPrintable(name)) << dialect << unsafe;
      }
    }
  }

  void burstEndsWithTheFreshConversion() {
    QFETCH(int, dialect);
    QFETCH(bool, unsafe);
    Control<QComboBox>(*FForm, "ComboBox1")->setCurrentIndex(dialect);
    if (unsafe) Control<QCheckBox>(*FForm, "CheckBox1")->click();
    source()->SetText(longDocument(200) + QStringLiteral("\r\n\r\nend"));
    turnAutoConvertOn();
    const int before = FConversions;
    const QString keys = QStringLiteral(" *more* <i onclick=x>it</i> -- 'q'");
    typeBurst(source()->lines() - 1, keys);
    QTRY_COMPARE(html()->text(), paneText(source()->text(), dialect, unsafe));
    QVERIFY2(FConversions - before <= keys.size(), qPrintable(QString::number(FConversions - before)));
    QVERIFY(FConversions > before);
  }

  // A conversion runs on a worker thread: keys typed while it runs are shown at
  // once, its stale result is not shown, and one more conversion takes them all.
  void keysDuringAConversionJoinTheNextOne() {
    QSemaphore gate;
    std::atomic<int> started{0};
    const auto open = qScopeGuard([&gate] { gate.release(100); });  // never leaves the worker waiting
    FForm->ProcessorFactory = [this, &gate, &started](glyphmill::TMarkdownProcessorDialect dialect) {
      ++FConversions;
      return std::make_unique<TGatedProcessor>(TMarkdownProcessor::CreateDialect(dialect), &gate, &started);
    };
    source()->SetText(QStringLiteral("start"));
    turnAutoConvertOn();
    const int before = FConversions;
    const QString htmlBefore = html()->text();
    typeBurst(0, QStringLiteral("a"));
    QTRY_COMPARE(started.load(), 1);
    typeBurst(0, QStringLiteral("bcd"));
    QCOMPARE(source()->text(), QStringLiteral("startabcd"));
    QCOMPARE(html()->text(), htmlBefore);
    gate.release(2);
    QTRY_COMPARE(html()->text(), paneText(source()->text(), 0, false));
    QCOMPARE(FConversions - before, 2);
  }

  // An engine error of Auto Convert's conversion reaches the one error display.
  void anAutoConvertErrorIsShown() {
    FForm->ProcessorFactory = [](glyphmill::TMarkdownProcessorDialect) {
      return std::make_unique<TGatedProcessor>(nullptr, nullptr, nullptr);
    };
    turnAutoConvertOn();
    typeBurst(0, QStringLiteral("x"));
    QTRY_COMPARE(FDesktop->Errors().size(), 1);
    QVERIFY2(FDesktop->Errors().first().contains(QStringLiteral("engine failure")),
             qPrintable(FDesktop->Errors().first()));
  }

  // E-mail addresses are encoded at random, but the same in every conversion
  // of one window: typing after an address leaves its HTML as it was, and
  // CONVERT twice gives the same HTML.
  void addressesKeepTheirEncodingWhileTyping() {
    source()->SetText(QStringLiteral("Write to <user@example.org>.\r\n\r\nend"));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    const QString first = html()->text();
    QVERIFY2(first.contains(QStringLiteral("mailto")) || first.contains(QStringLiteral("&#")), qPrintable(first));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    QCOMPARE(html()->text(), first);
    turnAutoConvertOn();
    typeBurst(2, QStringLiteral("s"));
    QTRY_VERIFY(html()->text().contains(QStringLiteral("ends")));
    const QString address = first.left(first.indexOf(QStringLiteral("<p>end")));
    QVERIFY2(html()->text().startsWith(address), qPrintable(html()->text()));
  }

  // An Auto Convert keystroke leaves the HTML pane where the user scrolled it;
  // CONVERT shows the HTML from line 1.
  void htmlPaneKeepsItsView() {
    source()->SetText(longDocument(400));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    turnAutoConvertOn();
    html()->setFirstVisibleLine(300);
    QCOMPARE(firstVisibleLine(html()), 300);
    typeBurst(0, QStringLiteral("x"));
    QTRY_COMPARE(html()->text(), paneText(source()->text(), 0, false));
    QCOMPARE(firstVisibleLine(html()), 300);
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    QCOMPARE(firstVisibleLine(html()), 0);
  }

  // The HTML pane's piecewise change gives the same text as a whole
  // replacement, also where old and new differ inside a multi-byte character.
  void changedPartReplacement_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("insert in the middle") << "abcdef" << "abcXYdef";
    QTest::newRow("delete at the start") << "abcdef" << "def";
    QTest::newRow("delete at the end") << "abcdef" << "abc";
    QTest::newRow("repeated letters") << "aaaa" << "aaaaaa";
    QTest::newRow("from empty") << "" << "<p>x</p>";
    QTest::newRow("to empty") << "<p>x</p>" << "";
    QTest::newRow("same lead byte") << "x\u00e9y" << "x\u00e8y";  // é and è share 0xC3
    QTest::newRow("same last byte") << "\u00e9" << "\u0169";      // 0xC3 0xA9 and 0xC5 0xA9
    QTest::newRow("three-byte characters") << "a\u20ac\u20acb" << "a\u20acb";
    QTest::newRow("surrogate pair") << "a\U0001F600b" << "a\U0001F601b";
    QTest::newRow("line breaks") << "a\r\nb\r\nc" << "a\r\nB\r\nc\r\nd";
    QTest::newRow("no change") << "same" << "same";
  }

  void changedPartReplacement() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    TSynEdit editor;
    editor.SetText(before);
    QSignalSpy changed(&editor, &TSynEdit::Changed);
    editor.ReplaceChangedPart(after);
    QCOMPARE(editor.text(), after);
    QCOMPARE(changed.count(), 1);
    QVERIFY(!editor.isUndoAvailable());
  }

  // With the Preview tab open, the preview shows the final text once typing
  // pauses.
  void previewFollowsTheBurst() {
    source()->SetText(QStringLiteral("start"));
    turnAutoConvertOn();
    Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1);
    typeBurst(0, QStringLiteral(" of the burst"));
    QTRY_COMPARE_WITH_TIMEOUT(previewText(), QStringLiteral("start of the burst"), 30000);
  }
};

QTEST_MAIN(TypingTest)
#include "TypingTest.moc"
