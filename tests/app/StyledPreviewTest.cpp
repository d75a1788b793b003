// The styled preview in the real web view: the stylesheet, light and dark,
// highlighted code, formulas drawn by KaTeX with the page's scripts off or on,
// "Styled Preview" unchecked, and the preview following the source editor.
// Values are read by scripts in the application's own world.
#include "AppForm.h"
#include "AppTestSupport.h"
#include "EditorColours.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "WebViewInput.h"
#include "PreviewScripts.h"
#include "RealDocument.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

constexpr int kTimeout = 30000;

// A CSS colour ("rgb(1, 2, 3)" or "rgba(1, 2, 3, 0.5)") as a colour.
QColor cssColour(const QString& text) {
  const QString inner = text.section(u'(', 1).section(u')', 0, 0);
  const QStringList parts = inner.split(u',');
  if (parts.size() < 3) return {};
  QColor colour(parts[0].trimmed().toInt(), parts[1].trimmed().toInt(), parts[2].trimmed().toInt());
  if (parts.size() == 4) colour.setAlphaF(parts[3].trimmed().toFloat());
  return colour;
}

// The script that answers, for each element `selector` finds, its colour and
// the background it is drawn on (the nearest one that is not transparent).
QString inkAndPaperScript(const QString& selector) {
  return QStringLiteral(
             "JSON.stringify(Array.from(document.querySelectorAll('%1')).map((e) => {"
             "  let paper = 'rgba(0, 0, 0, 0)';"
             "  for (let p = e; p && paper === 'rgba(0, 0, 0, 0)'; p = p.parentElement)"
             "    paper = getComputedStyle(p).backgroundColor;"
             "  return {ink: getComputedStyle(e).color, paper: paper, tag: e.tagName + '.' + e.className};"
             "}))")
      .arg(selector);
}

// Blocks of every kind that the stylesheet colours.
const QString kColouredDocument = QStringLiteral(
    "# Headline\r\n\r\nText with a [link](https://example.org/) and `code`.\r\n\r\n"
    "> A quote.\r\n\r\n###### Small headline\r\n\r\n"
    "| Qty | Price |\r\n|--:|:--|\r\n| 1 | 2 |\r\n\r\n"
    "```js\r\n// a comment\r\nvar foo = 'bar'; function baz(s) { return 42 + s; }\r\n```\r\n\r\n"
    "Broken: $\\fra{x}$\r\n");

}  // namespace

class StyledPreviewTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;

  QWebEngineView* view() { return Control<QWebEngineView>(*FForm, "WebBrowser1"); }

  QVariant evaluate(const QString& script) { return EvaluateInPage(view()->page(), script, kTimeout); }

  // Converts `source` and shows it in the preview, waiting until the
  // preview's own script has run.
  void preview(const QString& source) {
    Control<TSynEdit>(*FForm, "SynEdit1")->SetText(source);
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    // On the Preview tab, converting refreshes the preview; otherwise
    // selecting the tab does.
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(loads.count() >= 1, kTimeout);
    QVERIFY(loads.last().at(0).toBool());
    QTRY_VERIFY_WITH_TIMEOUT(
        evaluate(QStringLiteral("document.documentElement.getAttribute('data-glyphmill-ready')")) ==
            QStringLiteral("1"),
        kTimeout);
  }

  static void forgetStyledPreview() {
    QSettings(QStringLiteral("KELMOOR"), QStringLiteral("Glyphmill")).remove(QStringLiteral("Settings/StyledPreview"));
  }

  void setStyled(bool styled) {
    auto* action = Control<QAction>(*FForm, "StyledPreview1");
    if (action->isChecked() != styled) action->trigger();
  }

  // Every coloured element's contrast against its background.
  void checkContrast() {
    const QJsonArray elements =
        QJsonDocument::fromJson(
            evaluate(inkAndPaperScript(QStringLiteral(
                         "p, a, code, h1, h6, blockquote, th, td, .formula-error, [class^=hljs-]")))
                .toString()
                .toUtf8())
            .array();
    QVERIFY(elements.size() >= 12);
    for (const QJsonValue& element : elements) {
      const QJsonObject e = element.toObject();
      const QColor ink = cssColour(e.value(QStringLiteral("ink")).toString());
      const QColor paper = cssColour(e.value(QStringLiteral("paper")).toString());
      QVERIFY2(paper.alpha() == 255, qPrintable(e.value(QStringLiteral("tag")).toString()));
      QVERIFY2(ContrastRatio(ink, paper) >= 4.5,
               qPrintable(e.value(QStringLiteral("tag")).toString() + QStringLiteral(": ") +
                          ink.name() + QStringLiteral(" on ") + paper.name()));
    }
  }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }

  void cleanupTestCase() { forgetStyledPreview(); }

  void init() {
    forgetStyledPreview();
    FDesktop = std::make_unique<TFakeDesktop>();
    FForm = std::make_unique<TAppForm>();
  }

  void cleanup() {
    FForm.reset();
    QVERIFY2(FDesktop->Errors().isEmpty(), qPrintable(FDesktop->Errors().join(u'\n')));
    FDesktop.reset();
    QApplication::setPalette(QPalette());
  }

  void styledPreviewIsCheckedByDefaultAndRemembered() {
    QVERIFY(Control<QAction>(*FForm, "StyledPreview1")->isChecked());
    setStyled(false);
    FForm = std::make_unique<TAppForm>();
    QVERIFY(!Control<QAction>(*FForm, "StyledPreview1")->isChecked());
  }

  void alignedTableCellsHaveBordersOnlyWhenStyled_data() {
    QTest::addColumn<bool>("styled");
    QTest::newRow("styled") << true;
    QTest::newRow("plain") << false;
  }
  void alignedTableCellsHaveBordersOnlyWhenStyled() {
    QFETCH(bool, styled);
    setStyled(styled);
    preview(QStringLiteral("| Qty | Price |\r\n|--:|:--|\r\n| 1 | 2 |\r\n"));
    const QString widths = evaluate(QStringLiteral(
        "Array.from(document.querySelectorAll('th, td')).map((c) => getComputedStyle(c).borderLeftWidth"
        " + '/' + getComputedStyle(c).paddingLeft).join(' ')")).toString();
    if (styled) {
      QVERIFY2(!widths.contains(QStringLiteral("0px")), qPrintable(widths));
    } else {
      QCOMPARE(widths, QStringLiteral("0px/1px 0px/1px 0px/1px 0px/1px"));
    }
    // The page shows the fragment as written when plain: no stylesheet.
    QCOMPARE(evaluate(QStringLiteral("document.styleSheets.length")).toInt(), styled ? 1 : 0);
  }

  void lightPageIsReadable() {
    preview(kColouredDocument);
    QCOMPARE(evaluate(QStringLiteral("getComputedStyle(document.documentElement).backgroundColor")).toString(),
             QStringLiteral("rgb(255, 255, 255)"));
    checkContrast();
  }

  void darkPaletteGivesADarkReadablePage() {
    QApplication::setPalette(TestDarkPalette());
    FForm = std::make_unique<TAppForm>();
    preview(kColouredDocument);
    const QColor paper =
        cssColour(evaluate(QStringLiteral("getComputedStyle(document.documentElement).backgroundColor")).toString());
    QVERIFY2(paper.lightnessF() < 0.2, qPrintable(paper.name()));
    checkContrast();
  }

  void aNewPaletteRecoloursThePreview() {
    preview(QStringLiteral("text"));
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    QApplication::setPalette(TestDarkPalette());
    QTRY_VERIFY_WITH_TIMEOUT(loads.count() >= 1, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(
        cssColour(evaluate(QStringLiteral("getComputedStyle(document.documentElement).backgroundColor")).toString())
                .lightnessF() < 0.2,
        kTimeout);
  }

  void fencedCodeNamingItsLanguageIsHighlighted() {
    preview(QStringLiteral("```js\r\nvar foo = 'bar';\r\n```\r\n\r\n```\r\nvar plain = 1;\r\n```\r\n\r\n"
                           "```nosuchlanguage\r\nvar other = 1;\r\n```\r\n"));
    QCOMPARE(evaluate(QStringLiteral("document.querySelectorAll('pre')[0].querySelector('.hljs-keyword').textContent"))
                 .toString(),
             QStringLiteral("var"));
    QCOMPARE(evaluate(QStringLiteral("document.querySelectorAll('pre')[0].querySelector('.hljs-string').textContent"))
                 .toString(),
             QStringLiteral("'bar'"));
    QCOMPARE(evaluate(QStringLiteral("document.querySelectorAll('pre')[0].textContent")).toString(),
             QStringLiteral("var foo = 'bar';\n"));
    // No language, or one highlight.js does not know: the code stays as it is.
    QCOMPARE(evaluate(QStringLiteral("document.querySelectorAll('pre span').length")).toInt(),
             evaluate(QStringLiteral("document.querySelectorAll('pre')[0].querySelectorAll('span').length")).toInt());
    QCOMPARE(evaluate(QStringLiteral("getComputedStyle(document.querySelector('pre')).fontFamily")).toString(),
             QStringLiteral("monospace, monospace"));
  }

  void formulasAreDrawnWithoutTheService_data() {
    QTest::addColumn<bool>("allowUnsafe");
    QTest::newRow("safe mode, page scripts off") << false;
    QTest::newRow("unsafe HTML, page scripts on") << true;
  }
  void formulasAreDrawnWithoutTheService() {
    QFETCH(bool, allowUnsafe);
    Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(allowUnsafe);
    preview(QStringLiteral("Square: $x^2$, sum: $a+b$, broken: $\\fra{x}$ and more."));
    QVERIFY(FForm->HtmlLines.Text().contains(FormulaAddressPrefix()));
    QCOMPARE(evaluate(QStringLiteral("document.images.length")).toInt(), 0);
    QCOMPARE(evaluate(QStringLiteral("document.querySelectorAll('.formula .katex').length")).toInt(), 2);
    QCOMPARE(evaluate(QStringLiteral("document.querySelector('.formula annotation').textContent")).toString(),
             QStringLiteral("x^2"));
    QCOMPARE(evaluate(QStringLiteral("document.querySelectorAll('.formula annotation')[1].textContent")).toString(),
             QStringLiteral("a+b"));
    // The formula KaTeX cannot read stays as its text, in the error colour.
    QCOMPARE(evaluate(QStringLiteral("document.querySelector('.formula-error').textContent")).toString(),
             QStringLiteral("\\fra{x}"));
    QVERIFY(evaluate(QStringLiteral("getComputedStyle(document.querySelector('.formula-error')).color")) !=
            evaluate(QStringLiteral("getComputedStyle(document.body).color")));
    // KaTeX's fonts reached the page.
    QTRY_VERIFY_WITH_TIMEOUT(
        evaluate(QStringLiteral("document.fonts.check('16px KaTeX_Main') && "
                                "Array.from(document.fonts).some((f) => f.family.includes('KaTeX') && f.status === 'loaded')"))
            .toBool(),
        kTimeout);
  }

  void aPageScriptStillDoesNotRunInSafeMode() {
    // Straight into the HTML list: safe mode in the engine did not see it.
    Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QStringLiteral("text"));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    FForm->HtmlLines.SetText(QStringLiteral("<p>$x^2$</p>\r\n<script>document.title = 'script ran';</script>\r\n"));
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(loads.count() >= 1, kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("document.documentElement.getAttribute('data-glyphmill-ready')")),
                              QVariant(QStringLiteral("1")), kTimeout);
    QVERIFY(evaluate(QStringLiteral("document.title")).toString() != QStringLiteral("script ran"));
  }

  // With scripts allowed, a page script that measures the page as it is
  // parsed finds it laid out.
  void aPageScriptMeasuresALaidOutPage() {
    Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(true);
    preview(QStringLiteral("<p id=\"measured\">text</p>\r\n\r\n"
                           "<script>document.title = 'height ' + document.getElementById('measured').offsetHeight;</script>\r\n"));
    QVERIFY(evaluate(QStringLiteral("document.title")).toString().startsWith(QStringLiteral("height ")));
    QVERIFY(evaluate(QStringLiteral("document.title")).toString() != QStringLiteral("height 0"));
  }

  void thePreviewFollowsTheSourceEditor() {
    FForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
    const QString document = RealDocument(1 << 20);
    const QStringList lines = SplitLines(document);
    preview(document);
    auto* editor = Control<TSynEdit>(*FForm, "SynEdit1");
    QRandomGenerator random(2024);
    for (int round = 0; round < 20; ++round) {
      const int line = random.bounded(lines.size() - 200);
      editor->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, line);
      const QString mark = MarkOfBlockAt(lines, line);
      QVERIFY2(!mark.isEmpty(), qPrintable(QString::number(line)));
      // The block with that mark (a rule has none: a rule) reaches into the
      // top fifth of the view.
      const QString script =
          mark == QStringLiteral("rule")
              ? QStringLiteral("Array.from(document.querySelectorAll('body > hr')).some((e) => {"
                               " const r = e.getBoundingClientRect(); return r.top < innerHeight / 5 + 2 && r.bottom > -2; })")
              : QStringLiteral("Array.from(document.body.children).some((e) => {"
                               " if (!/\\b%1\\b/.test(e.textContent)) return false;"
                               " const r = e.getBoundingClientRect(); return r.top < innerHeight / 5 && r.bottom > 0; })")
                    .arg(mark);
      QTRY_VERIFY2_WITH_TIMEOUT(evaluate(script).toBool(),
                                qPrintable(QStringLiteral("line %1, block %2").arg(line + 1).arg(mark)), kTimeout);
    }
  }

  // Code and formulas far below the view are left for later, and done once
  // they come near it.
  void farCodeAndFormulasAreDoneWhenTheyComeNear() {
    FForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
    preview(RealDocument(200 * 1024));
    const QString lastCodeIsHighlighted =
        QStringLiteral("Array.from(document.querySelectorAll('pre > code[class]')).pop().classList.contains('hljs')");
    const QString formulaImageInView =
        QStringLiteral("Array.from(document.images).some((i) => {"
                       " const r = i.getBoundingClientRect(); return r.bottom > 0 && r.top < innerHeight; })");
    QVERIFY(evaluate(QStringLiteral("document.querySelector('pre > code[class]').classList.contains('hljs')")).toBool());
    QVERIFY(!evaluate(lastCodeIsHighlighted).toBool());
    QVERIFY(evaluate(QStringLiteral("document.images.length")).toInt() > 0);
    evaluate(QStringLiteral("window.scrollTo(0, document.body.scrollHeight)"));
    QTRY_VERIFY_WITH_TIMEOUT(evaluate(lastCodeIsHighlighted).toBool(), kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!evaluate(formulaImageInView).toBool(), kTimeout);
  }
};

QTEST_MAIN(StyledPreviewTest)
#include "StyledPreviewTest.moc"
