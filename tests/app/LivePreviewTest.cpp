// The preview refreshed while typing: the page changes in place (no load),
// shows what a load of the same HTML shows, keeps its scroll position and its
// preview file current; it is loaded instead when the page is of another kind
// or holds content that acts when it loads. Values are read by scripts in the
// application's own world.
#include "AppForm.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "RealDocument.h"
#include "WebViewInput.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
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

// A document with blocks of every kind the edits below touch.
const QString kDocument = QStringLiteral(
    "# Title\r\n\r\n"
    "First paragraph.\r\n\r\n"
    "## Middle\r\n\r\n"
    "Second paragraph with *emphasis*.\r\n\r\n"
    "Third paragraph.\r\n\r\n"
    "```js\r\nvar a = 1;\r\n```\r\n\r\n"
    "A formula $x^2$ here.\r\n\r\n"
    "- one\r\n- two\r\n\r\n"
    "Last paragraph.\r\n");

// A document with HTML of its own, scripts allowed: a box around Markdown, and
// bold that a paragraph leaves open.
const QString kRawDocument = QStringLiteral(
    "Intro.\r\n\r\n"
    "<div class=\"box\">\r\n\r\n"
    "Inside *markdown*.\r\n\r\n"
    "</div>\r\n\r\n"
    "After the box.\r\n\r\n"
    "<p>Raw <b>bold</p>\r\n\r\n"
    "Following paragraph.\r\n\r\n"
    "End.\r\n");

QString edited(const QString& from, const QString& to) {
  QString text = kDocument;
  text.replace(from, to);
  return text;
}

// A long document, so that the page can be scrolled.
QString longDocument() {
  QString text;
  for (int i = 1; i <= 200; ++i) text += QStringLiteral("Paragraph %1 with some text.\r\n\r\n").arg(i);
  return text;
}

}  // namespace

class LivePreviewTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;

  QWebEngineView* view() { return Control<QWebEngineView>(*FForm, "WebBrowser1"); }
  TSynEdit* source() { return Control<TSynEdit>(*FForm, "SynEdit1"); }

  QVariant evaluate(const QString& script) { return EvaluateInPage(view()->page(), script, kTimeout); }

  QString body() { return evaluate(QStringLiteral("document.body.innerHTML")).toString(); }

  void waitUntilReady() {
    QTRY_VERIFY_WITH_TIMEOUT(
        evaluate(QStringLiteral("document.documentElement.getAttribute('data-glyphmill-ready')")) ==
            QStringLiteral("1"),
        kTimeout);
  }

  // CONVERT on the Preview tab: the page loads. Auto Convert is on after it.
  void load(const QString& text) {
    Control<QAction>(*FForm, "AutoConvert1")->setChecked(false);
    source()->SetText(text);
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(loads.count() >= 1, kTimeout);
    waitUntilReady();
    Control<QAction>(*FForm, "AutoConvert1")->setChecked(true);
  }

  // The editor's text replaced as typing does (not as a load does), and the
  // preview's refresh waited for.
  void type(const QString& text) {
    QSignalSpy shown(FForm.get(), &TAppForm::PreviewShown);
    source()->setText(text);
    QTRY_VERIFY_WITH_TIMEOUT(shown.count() >= 1, kTimeout);
  }

  // The body a fresh load of the same HTML shows.
  QString bodyOfAFreshLoad() {
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    FForm->PreviewGoster();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(loads.count() >= 1, kTimeout); }();
    waitUntilReady();
    return body();
  }

  void setStyled(bool styled) {
    auto* action = Control<QAction>(*FForm, "StyledPreview1");
    if (action->isChecked() != styled) action->trigger();
  }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }

  void init() {
    QSettings(QStringLiteral("KELMOOR"), QStringLiteral("Glyphmill")).remove(QStringLiteral("Settings/StyledPreview"));
    FDesktop = std::make_unique<TFakeDesktop>();
    FForm = std::make_unique<TAppForm>();
    FForm->resize(900, 600);
    FForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
  }

  void cleanup() {
    FForm.reset();
    QVERIFY2(FDesktop->Errors().isEmpty(), qPrintable(FDesktop->Errors().join(u'\n')));
    FDesktop.reset();
  }

  void anEditChangesThePageInPlaceAsALoadWouldShowIt_data() {
    QTest::addColumn<bool>("styled");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("inPlace");
    const struct {
      const char* name;
      QString after;
      bool inPlace;
    } edits[] = {
        {"first block changed", edited("# Title", "# Title!"), false},  // the title changes
        {"second block changed", edited("First paragraph.", "First *changed* paragraph."), true},
        {"middle block changed", edited("Third paragraph.", "Third, longer paragraph."), true},
        {"last block changed", edited("Last paragraph.", "Last paragraph, changed."), true},
        {"block inserted", edited("Third paragraph.", "Third paragraph.\r\n\r\n> A new quote."), true},
        {"block deleted", edited("Third paragraph.\r\n\r\n", ""), true},
        {"blocks merged", edited("with *emphasis*.\r\n\r\nThird", "with *emphasis*.\r\nThird"), true},
        {"block split", edited("Second paragraph with", "Second paragraph\r\n\r\nwith"), true},
        {"code changed", edited("var a = 1;", "var a = 'two'; function f() { return 3; }"), true},
        {"code block added", edited("Last paragraph.", "```js\r\nlet b = 2;\r\n```\r\n"), true},
        {"formula changed", edited("$x^2$", "$\\frac{a}{b}$"), true},
        {"formula added", edited("Third paragraph.", "Third $y_1$ paragraph."), true},
        {"list item added", edited("- two\r\n", "- two\r\n- three\r\n"), true},
        {"everything after the title deleted", QStringLiteral("# Title\r\n"), true},
        {"everything deleted", QString(), false},  // the title changes
    };
    for (const bool styled : {true, false}) {
      for (const auto& edit : edits) {
        QTest::newRow(qPrintable(QString::fromLatin1(edit.name) + (styled ? " (styled)" : " (plain)")))
            << styled << edit.after << (edit.inPlace || !styled);
      }
    }
  }
  void anEditChangesThePageInPlaceAsALoadWouldShowIt() {
    QFETCH(bool, styled);
    QFETCH(QString, after);
    QFETCH(bool, inPlace);
    setStyled(styled);
    load(kDocument);
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    type(after);
    QCOMPARE(loads.count() == 0, inPlace);
    if (!inPlace) waitUntilReady();
    // A styled page changes by parsing only the pieces of its body that changed.
    if (styled && inPlace) QCOMPARE(evaluate(QStringLiteral("window.glyphmillChangedBy")).toString(), QStringLiteral("pieces"));
    const QString changed = body();
    QCOMPARE(changed, bodyOfAFreshLoad());
    // The preview file holds the new page.
    const QString file = QString::fromUtf8(ReadTestFile(FForm->PreviewFileName()));
    QVERIFY(file.contains(FForm->HtmlLines.Text().trimmed()));
  }

  void severalEditsInARowEndAsALoad() {
    load(kDocument);
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    type(edited("Third paragraph.", "Third paragraph.\r\n\r\nA fourth one."));
    type(edited("Third paragraph.", "Third paragraph.\r\n\r\n```js\r\nx = 1;\r\n```"));
    type(edited("First paragraph.", "First $z$ paragraph."));
    // Keys faster than the refresh: one refresh takes them all.
    source()->setText(edited("Last paragraph.", "Last."));
    QSignalSpy shown(FForm.get(), &TAppForm::PreviewShown);
    source()->setText(edited("Last paragraph.", "Last, really."));
    QTRY_VERIFY_WITH_TIMEOUT(shown.count() >= 1, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(body().contains(QStringLiteral("Last, really.")), kTimeout);
    QCOMPARE(loads.count(), 0);
    QCOMPARE(body(), bodyOfAFreshLoad());
  }

  // HTML written in the document can leave elements open, close ones never
  // opened, or keep bold going into the next paragraphs; a change in place
  // shows the page as a load does all the same.
  void writtenHtmlChangesAsALoadWouldShowIt_data() {
    QTest::addColumn<QString>("after");
    const struct {
      const char* name;
      const char* from;
      const char* to;
    } edits[] = {
        {"inside a box", "Inside *markdown*.", "Inside *changed* markdown."},
        {"box left open", "</div>\r\n", ""},
        {"box closed early", "Inside *markdown*.", "</div>Inside *markdown*."},
        {"after a box left open", "After the box.", "After the box, changed."},
        {"bold left open ends", "<b>bold</p>", "<b>bold</b></p>"},
        {"text after open bold", "Following paragraph.", "Following paragraph, changed."},
        {"stray end tag", "End.", "End </span> here."},
        {"comment left open", "End.", "<!-- End."},
        {"attribute holding tag signs", "End.", "<span title=\"a>b<c\">End</span>."},
        {"body attributes", "End.", "<body class=\"other\">End."},
        {"table left open", "End.", "<table><tr><td>cell\r\n\r\nEnd."},
    };
    for (const auto& edit : edits) {
      QString after = kRawDocument;
      after.replace(QString::fromLatin1(edit.from), QString::fromLatin1(edit.to));
      QTest::newRow(edit.name) << after;
    }
  }
  void writtenHtmlChangesAsALoadWouldShowIt() {
    QFETCH(QString, after);
    Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(true);
    load(kRawDocument);
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    type(after);
    if (loads.count() > 0) waitUntilReady();
    QCOMPARE(body(), bodyOfAFreshLoad());
  }

  // Edits at random places of a real document, several in a row between
  // loads: each run of them ends with the page a load shows.
  void randomEditsEndAsALoad() {
    QString text = RealDocument(12000);
    load(text);
    const QString snippets[] = {QStringLiteral("x"), QStringLiteral("\r\n\r\n"), QStringLiteral("*"),
                                QStringLiteral("`"), QStringLiteral("- item\r\n"), QStringLiteral("> "),
                                QStringLiteral("| a | b |\r\n|---|---|\r\n"), QStringLiteral("$y^2$"),
                                QStringLiteral("# Head\r\n"), QStringLiteral("```\r\n"), QStringLiteral("<b>")};
    QRandomGenerator random(20261210);
    for (int run = 0; run < 4; ++run) {
      for (int edit = 0; edit < 4; ++edit) {
        const int at = random.bounded(int(text.size()));
        if (random.bounded(2) == 0) {
          text.insert(at, snippets[random.bounded(int(std::size(snippets)))]);
        } else {
          text.remove(at, 1 + random.bounded(40));
        }
        type(text);
      }
      QCOMPARE(body(), bodyOfAFreshLoad());
    }
  }

  void theScrollPositionStays() {
    load(longDocument());
    evaluate(QStringLiteral("window.scrollTo(0, 1500)"));
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("window.scrollY")).toInt(), 1500, kTimeout);
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    QSignalSpy shown(FForm.get(), &TAppForm::PreviewShown);
    // A word typed into the last paragraph, below what is shown.
    source()->insertAt(QStringLiteral("more "), source()->lines() - 3, 0);
    QTRY_VERIFY_WITH_TIMEOUT(shown.count() >= 1, kTimeout);
    QCOMPARE(loads.count(), 0);
    QVERIFY(body().contains(QStringLiteral("more Paragraph 200")));
    QCOMPARE(evaluate(QStringLiteral("window.scrollY")).toInt(), 1500);
  }

  void pagesWithScriptsAllowedAndActiveContentAreLoaded_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("unsafe");
    QTest::addColumn<bool>("inPlace");
    const QString script = QStringLiteral("<script>document.body.dataset.ran = 'yes';</script>\r\n\r\n");
    QTest::newRow("a script added, scripts allowed")
        << kDocument << edited("Third paragraph.", QStringLiteral("Third.\r\n\r\n") + script) << true << false;
    QTest::newRow("a script elsewhere, scripts allowed")
        << script + kDocument << script + edited("Third paragraph.", "Third.") << true << false;
    QTest::newRow("an event handler added, scripts allowed")
        << kDocument << edited("Third paragraph.", "<img src=\"x.png\" onerror=\"this.title = 'x'\">") << true << false;
    QTest::newRow("no active content, scripts allowed")
        << kDocument << edited("Third paragraph.", "Third <b>bold</b>.") << true << true;
    QTest::newRow("a noscript added, scripts off")
        << kDocument << edited("Third paragraph.", "<noscript><p>n</p></noscript>") << false << true;
    QTest::newRow("a template added") << kDocument << edited("Third paragraph.", "<template><p>t</p></template>")
                                      << true << false;
  }
  void pagesWithScriptsAllowedAndActiveContentAreLoaded() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(bool, unsafe);
    QFETCH(bool, inPlace);
    Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(unsafe);
    load(before);
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    type(after);
    QTRY_VERIFY_WITH_TIMEOUT(loads.count() == (inPlace ? 0 : 1), kTimeout);
    if (!inPlace) waitUntilReady();
    QCOMPARE(body(), bodyOfAFreshLoad());
  }

  void afterReloadTheNextRefreshLoads() {
    load(kDocument);
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    WriteTestFile(FForm->PreviewFileName(), "\xEF\xBB\xBF<p>changed on disk</p>");
    Control<QAction>(*FForm, "PreviewReload")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(loads.count() == 1, kTimeout);
    QCOMPARE(body().trimmed(), QStringLiteral("<p>changed on disk</p>"));
    type(edited("Third paragraph.", "Third."));
    QCOMPARE(loads.count(), 2);
    waitUntilReady();
    QCOMPARE(body(), bodyOfAFreshLoad());
  }

  void aChangedSettingLoadsThePage() {
    load(kDocument);
    QSignalSpy loads(view(), &QWebEngineView::loadFinished);
    // Scripts allowed from now on: the shown page ran none, so it is loaded.
    Control<QCheckBox>(*FForm, "CheckBox1")->click();
    QTRY_VERIFY_WITH_TIMEOUT(loads.count() >= 1, kTimeout);
    waitUntilReady();
    loads.clear();
    type(edited("Third paragraph.", "Third."));
    QCOMPARE(loads.count(), 0);
    QCOMPARE(body(), bodyOfAFreshLoad());
  }

  // The page answers a pending change even while it is destroyed with the
  // window; the answer must not reach the half-destroyed window.
  void closingTheWindowDuringARefreshIsSafe() {
    load(kDocument);
    {
      const QSignalBlocker quiet(source());
      source()->setText(edited("Third paragraph.", "Third."));
    }
    const QString previewFile = FForm->PreviewFileName();
    FForm->RefreshPreview();
    FForm.reset();
    QVERIFY(!QFileInfo::exists(previewFile));
  }
};

QTEST_MAIN(LivePreviewTest)
#include "LivePreviewTest.moc"
