// Times the styled preview in the real window, offscreen, for the sample
// document, a 100 KB and a 1 MB document:
//   - a load (CONVERT, the tab opened): to the page ready (laid out, the code
//     and formulas near the view highlighted and drawn), to the end of its
//     load (every image come or failed), and how long it holds the window;
//   - a keystroke with Auto Convert while the Preview tab is shown;
//   - an edit's refresh: a key typed in the middle of the document, from the
//     refresh the window makes once typing pauses to the changed page laid
//     out, the first edit after a load apart from the later ones.
// Prints the median and the slowest of the runs. Then Export HTML Page and
// Export PDF of the 1 MB document (GLYPHMILL_SKIP_EXPORT=1 leaves them out).
#include "AppForm.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "RealDocument.h"
#include "platform/MemoryReuse.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void report(const char* what, qsizetype size, const std::vector<double>& ms) {
  std::printf("%-38s %8.0f KB  median %7.1f ms  slowest %7.1f ms  (%zu runs)\n", what,
              double(size) / 1024.0, median(ms), *std::max_element(ms.begin(), ms.end()), ms.size());
}

// Runs the event loop until `quit` is called, or a minute passes. (QTest's
// waiting sleeps between its rounds, which would delay the web engine's
// frames and requests and so the page itself.)
void runUntil(const std::function<void(const std::function<void()>&)>& start) {
  QEventLoop loop;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
    std::fprintf(stderr, "no answer from the page\n");
    loop.quit();
  });
  limit.start(60000);
  bool quitted = false;
  start([&] {
    quitted = true;
    loop.quit();
  });
  if (!quitted) loop.exec();
}

QVariant evaluate(QWebEngineView* view, const QString& script) {
  QVariant value;
  runUntil([&](const std::function<void()>& quit) {
    view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&value, quit](const QVariant& result) {
      value = result;
      quit();
    });
  });
  return value;
}

bool isReady(QWebEngineView* view) {
  return evaluate(view, QStringLiteral("document.documentElement.getAttribute('data-glyphmill-ready')")) ==
         QStringLiteral("1");
}

// Waits for the preview to be shown again, then lays its page out.
void waitUntilShown(QWebEngineView* view, const bool& shown) {
  while (!shown) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  evaluate(view, QStringLiteral("document.body.getBoundingClientRect().height"));
}

// A key typed with Auto Convert on, in the middle of the document, and the
// refresh that follows once its conversion is done: from the refresh's start
// (which the window makes when typing pauses) to the changed page laid out.
// The first edit after a load and the later ones are timed apart.
void measureEdits(TAppForm& form, const QString& text, int runs) {
  auto* view = Control<QWebEngineView>(form, "WebBrowser1");
  auto* editor = Control<TSynEdit>(form, "SynEdit1");
  auto* timer = Control<QTimer>(form, "PreviewTimer");
  Control<QAction>(form, "AutoConvert1")->setChecked(true);
  std::vector<double> first, later;
  bool shown = false;
  const QMetaObject::Connection connection = QObject::connect(&form, &TAppForm::PreviewShown, [&shown] { shown = true; });
  constexpr int kEditsPerLoad = 3;
  // An "x" typed and taken back by Backspace, turn about, at one place.
  editor->setCursorPosition(editor->lines() / 2, 0);
  for (int i = 0; i < runs; ++i) {
    if (i % kEditsPerLoad == 0) {
      shown = false;
      form.PreviewGoster();
      waitUntilShown(view, shown);
    }
    editor->setFocus();
    QSignalSpy converted(Control<TSynEdit>(form, "SynEdit2"), &TSynEdit::Changed);
    QTest::keyClick(editor, (i % 2) ? Qt::Key_Backspace : Qt::Key_X);
    if (converted.isEmpty() && !converted.wait(60000)) std::fprintf(stderr, "no conversion\n");
    timer->stop();  // the refresh starts now, not when the window's pause ends
    shown = false;
    QElapsedTimer clock;
    clock.start();
    form.RefreshPreview();
    waitUntilShown(view, shown);
    (i % kEditsPerLoad == 0 ? first : later).push_back(clock.nsecsElapsed() / 1e6);
  }
  QObject::disconnect(connection);
  report("  edit's refresh, first after a load", text.size(), first);
  if (!later.empty()) report("  edit's refresh, later ones", text.size(), later);
}

void measure(TAppForm& form, const char* name, const QString& text, int runs) {
  auto* view = Control<QWebEngineView>(form, "WebBrowser1");
  Control<QAction>(form, "AutoConvert1")->setChecked(false);
  Control<TSynEdit>(form, "SynEdit1")->SetText(text);
  QTest::mouseClick(Control<QPushButton>(form, "ButtonConvert"), Qt::LeftButton);
  if (!QTest::qWaitFor([&] { return isReady(view); }, 60000)) std::fprintf(stderr, "the page is not ready\n");
  std::vector<double> ready, shown, held;
  for (int i = 0; i < runs; ++i) {
    // The old page's mark goes, so only the new page's counts.
    evaluate(view, QStringLiteral("document.documentElement.removeAttribute('data-glyphmill-ready')"));
    bool loaded = false;
    const QMetaObject::Connection connection =
        QObject::connect(&form, &TAppForm::PreviewShown, [&loaded] { loaded = true; });
    QElapsedTimer clock;
    clock.start();
    form.PreviewGoster();
    held.push_back(clock.nsecsElapsed() / 1e6);
    while (!isReady(view)) QApplication::processEvents();
    ready.push_back(clock.nsecsElapsed() / 1e6);
    // The load ends when every image has come or failed.
    while (!loaded) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    shown.push_back(clock.nsecsElapsed() / 1e6);
    QObject::disconnect(connection);
  }
  std::printf("%s\n", name);
  report("  load to the page ready", text.size(), ready);
  report("  load to the load's end", text.size(), shown);
  report("  load holding the window", text.size(), held);

  Control<QAction>(form, "AutoConvert1")->setChecked(true);
  auto* editor = Control<TSynEdit>(form, "SynEdit1");
  editor->setFocus();
  editor->setCursorPosition(editor->lines() / 2, 0);
  std::vector<double> keystroke;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(editor, (i % 2) ? Qt::Key_Backspace : Qt::Key_X);
    QApplication::processEvents();
    keystroke.push_back(clock.nsecsElapsed() / 1e6);
  }
  report("  keystroke, Preview tab shown", text.size(), keystroke);
  QTest::qWait(300);  // the last preview refresh
  measureEdits(form, text, runs);
}

// Export HTML Page and Export PDF of the window's HtmlLines.
void measureExport(TAppForm& form, const QString& text, int runs) {
  Control<QAction>(form, "AutoConvert1")->setChecked(false);
  Control<TSynEdit>(form, "SynEdit1")->SetText(text);
  QTest::mouseClick(Control<QPushButton>(form, "ButtonConvert"), Qt::LeftButton);
  const QString folder = QDir::temp().filePath(QStringLiteral("glyphmill-export-bench"));
  QDir().mkpath(folder);
  std::vector<double> page, pdf;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    form.ExportPage(folder + QStringLiteral("/bench.html"));
    page.push_back(clock.nsecsElapsed() / 1e6);
    clock.restart();
    form.ExportPdf(folder + QStringLiteral("/bench.pdf"));
    pdf.push_back(clock.nsecsElapsed() / 1e6);
  }
  QDir(folder).removeRecursively();
  std::printf("export\n");
  report("  Export HTML Page", text.size(), page);
  report("  Export PDF", text.size(), pdf);
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  KeepFreedMemoryForReuse();  // as the window program does
  QApplication application(argc, argv);
  QStandardPaths::setTestModeEnabled(true);
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 11;
  TAppForm form;
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return 1;
  Control<QTabWidget>(form, "PageControl1")->setCurrentIndex(1);
  // GLYPHMILL_PLAIN_PREVIEW=1 times the preview with "Styled Preview" unchecked.
  if (qEnvironmentVariableIsSet("GLYPHMILL_PLAIN_PREVIEW")) Control<QAction>(form, "StyledPreview1")->setChecked(false);
  measure(form, "sample document", SampleDocument(), runs);
  measure(form, "100 KB document", RealDocument(100 * 1024), runs);
  measure(form, "1 MB document", RealDocument(1024 * 1024), runs);
  if (!qEnvironmentVariableIsSet("GLYPHMILL_SKIP_EXPORT")) measureExport(form, RealDocument(1024 * 1024), std::min(runs, 3));
  return 0;
}
