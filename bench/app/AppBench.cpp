// Times the main window driven as a user drives it, offscreen, on README-like
// documents of 100 KB, 1 MB and 10 MB, with the HTML tab and with the Preview
// tab open:
//   - CONVERT: the click until both panes are painted;
//   - echo: a typed key until the source pane has painted it (Auto Convert on);
//   - freshness: the key until the HTML pane shows its conversion (HTML tab),
//     or until the preview shows it once typing paused (Preview tab);
//   - burst: 20 keys 30 ms apart; the echo of every key, the conversions run
//     and whether the HTML pane ends equal to a fresh conversion;
//   - the Markdown colouring alone in a 10 MB document.
// Each row prints the median and the slowest of its runs; freshness rows also
// print the engine's share of their median.
// Usage: glyphmill-app-bench [runs [KB...]]   (default 21 runs; 100 1024 10240 KB)
#include "AppForm.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "BenchDocuments.h"
#include "MarkdownLexer.h"
#include "platform/MemoryReuse.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double slowest(const std::vector<double>& values) {
  return *std::max_element(values.begin(), values.end());
}

double milliseconds(const QElapsedTimer& clock) { return double(clock.nsecsElapsed()) / 1e6; }

void report(const char* what, const char* tab, qsizetype size, const std::vector<double>& ms,
            const char* extra = "") {
  std::printf("%-22s %-7s %6.0f KB  median %8.2f ms  slowest %8.2f ms  (%zu runs)%s\n", what, tab,
              double(size) / 1024.0, median(ms), slowest(ms), ms.size(), extra);
  std::fflush(stdout);
}

// The engine alone on the same text: what the window adds is the rest.
std::vector<double> engineTimes(const QString& text, int runs) {
  std::vector<double> engine;
  for (int i = 0; i < runs; ++i) {
    std::u16string source(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
    QElapsedTimer clock;
    clock.start();
    auto processor = glyphmill::TMarkdownProcessor::CreateDialect(glyphmill::mdCommonMark);
    processor->Process(std::move(source));
    engine.push_back(milliseconds(clock));
  }
  return engine;
}

// Lets the event loop run, sleeping, until `clock` shows `dueMs`; the last
// fraction of a millisecond, below a timer's precision, is spun.
void waitUntil(const QElapsedTimer& clock, double dueMs) {
  const int sleepMs = int(dueMs - milliseconds(clock)) - 1;
  if (sleepMs > 0) {
    QEventLoop loop;
    QTimer::singleShot(sleepMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
  }
  while (milliseconds(clock) < dueMs) QApplication::processEvents(QEventLoop::AllEvents);
}

// The window under measurement; it counts the conversions it runs.
class TBench {
 public:
  TBench() {
    FForm.ProcessorFactory = [this](glyphmill::TMarkdownProcessorDialect dialect) {
      ++FConversions;
      return glyphmill::TMarkdownProcessor::CreateDialect(dialect);
    };
    FForm.resize(1000, 700);
    FForm.show();
    QApplication::processEvents();
  }

  TSynEdit* Source() { return Control<TSynEdit>(FForm, "SynEdit1"); }
  TSynEdit* Html() { return Control<TSynEdit>(FForm, "SynEdit2"); }
  QWebEngineView* Preview() { return Control<QWebEngineView>(FForm, "WebBrowser1"); }

  // Loads `text` as the document, with Auto Convert on and the tab chosen
  // (0 HTML, 1 Preview), and waits until both panes show it.
  void Load(const QString& text, int tab) {
    Control<QAction>(FForm, "AutoConvert1")->setChecked(false);
    Control<QTabWidget>(FForm, "PageControl1")->setCurrentIndex(0);
    Source()->SetText(text);
    Click();
    if (tab == 1) {
      QSignalSpy loaded(&FForm, &TAppForm::PreviewShown);
      Control<QTabWidget>(FForm, "PageControl1")->setCurrentIndex(1);
      loaded.wait(60000);
    }
    Control<QAction>(FForm, "AutoConvert1")->setChecked(true);
    Source()->setFocus();
    Source()->setCursorPosition(Source()->lines() / 2, 0);
    QApplication::processEvents();
  }

  // CONVERT until both panes have painted.
  void Click() {
    QTest::mouseClick(Control<QPushButton>(FForm, "ButtonConvert"), Qt::LeftButton);
    Source()->repaint();
    Html()->repaint();
  }

  // The i-th key of a run: an "x" typed, or taken back.
  void TypeKey(int i) {
    QTest::keyClick(Source(), (i % 2) ? Qt::Key_Backspace : Qt::Key_X);
    Source()->repaint();
  }

  // Lets the event loop run until the HTML pane has changed (as `changed`
  // records) and has painted the change. The loop sleeps while it waits, as
  // the window's own loop does: spinning would take a core from the
  // conversion's worker thread.
  void WaitForHtml(QSignalSpy& changed) {
    while (changed.isEmpty()) changed.wait(60000);
    Html()->repaint();
  }

  // Lets the event loop run until nothing is left to do: the HTML pane has not
  // changed for `quietMs` and, with the Preview tab open, the preview has
  // loaded once more.
  void Settle(int tab, int quietMs) {
    if (tab == 1) {
      QSignalSpy loaded(&FForm, &TAppForm::PreviewShown);
      loaded.wait(60000);
    }
    QSignalSpy changed(Html(), &TSynEdit::Changed);
    while (changed.wait(quietMs)) changed.clear();
  }

  int Conversions() const { return FConversions; }

  // Whether the HTML pane equals what CONVERT makes of the source now.
  bool HtmlIsFresh() {
    const QString shown = Html()->text();
    Click();
    return Html()->text() == shown;
  }

  TAppForm& Form() { return FForm; }

 private:
  TAppForm FForm;
  int FConversions = 0;
};

const char* tabName(int tab) { return tab == 0 ? "HTML" : "Preview"; }

void measureConvert(TBench& bench, const QString& text, int runs) {
  bench.Load(text, 0);
  std::vector<double> convert;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    bench.Click();
    convert.push_back(milliseconds(clock));
  }
  report("CONVERT", "HTML", text.size(), convert);
}

// Echo and freshness of single keys, each after typing has paused. With the
// Preview tab on a document of several megabytes only the echo is timed: the web view
// takes far longer to load such a page than the goals concern.
void measureKeys(TBench& bench, const QString& text, int tab, int runs, double engineMedian) {
  const int quietMs = std::max(300, int(3 * engineMedian));
  const bool timeFreshness = tab == 0 || text.size() < 2 * 1024 * 1024;
  bench.Load(text, tab);
  std::vector<double> echo;
  std::vector<double> fresh;
  for (int i = 0; i < runs; ++i) {
    QSignalSpy loaded(&bench.Form(), &TAppForm::PreviewShown);
    QSignalSpy changed(bench.Html(), &TSynEdit::Changed);
    QElapsedTimer clock;
    clock.start();
    bench.TypeKey(i);
    echo.push_back(milliseconds(clock));
    if (tab == 0) {
      bench.WaitForHtml(changed);
    } else if (timeFreshness) {
      loaded.wait(60000);
    } else {
      bench.WaitForHtml(changed);
      QTest::qWait(150);  // the preview's refresh starts; the next key cancels it
    }
    fresh.push_back(milliseconds(clock));
    bench.Settle(0, quietMs);
  }
  report("echo", tabName(tab), text.size(), echo);
  if (!timeFreshness) return;
  char share[64];
  std::snprintf(share, sizeof share, "  engine %.0f%%", 100.0 * engineMedian / median(fresh));
  report(tab == 0 ? "freshness, HTML pane" : "freshness, preview", tabName(tab), text.size(), fresh,
         share);
}

// Bursts of 20 keys 30 ms apart. A key is due at its time; when a conversion
// is running then, the key waits for it, and that wait counts in its echo.
void measureBursts(TBench& bench, const QString& text, int tab, int bursts, double engineMedian) {
  const int quietMs = std::max(300, int(3 * engineMedian));
  constexpr int kKeys = 20;
  constexpr int kGapMs = 30;
  bench.Load(text, tab);
  std::vector<double> echo;
  int mostConversions = 0;
  int staleEnds = 0;
  for (int burst = 0; burst < bursts; ++burst) {
    const int before = bench.Conversions();
    QElapsedTimer clock;
    clock.start();
    for (int key = 0; key < kKeys; ++key) {
      const double due = double(key * kGapMs);
      waitUntil(clock, due);
      bench.TypeKey(key);
      echo.push_back(milliseconds(clock) - due);
    }
    bench.Settle(tab, quietMs);
    mostConversions = std::max(mostConversions, bench.Conversions() - before);
    if (!bench.HtmlIsFresh()) ++staleEnds;
    bench.Settle(tab, quietMs);
  }
  const auto late = std::count_if(echo.begin(), echo.end(), [](double ms) { return ms > 16.0; });
  char extra[160];
  std::snprintf(extra, sizeof extra, "  %zd keys over 16 ms; at most %d conversions for %d keys; %d of %d ends stale",
                std::ptrdiff_t(late), mostConversions, kKeys, staleEnds, bursts);
  report("burst echo", tabName(tab), text.size(), echo, extra);
}

// Typing into a large document without Auto Convert: what the Markdown
// colouring costs per keystroke (only the lines shown are coloured), and
// colouring the whole text once, line by line, as scrolling to its end does.
void measureColouring(TBench& bench, const QString& text, int runs) {
  Control<QAction>(bench.Form(), "AutoConvert1")->setChecked(false);
  Control<QTabWidget>(bench.Form(), "PageControl1")->setCurrentIndex(0);
  bench.Source()->SetText(text);
  QApplication::processEvents();
  bench.Source()->setFocus();
  bench.Source()->setCursorPosition(bench.Source()->lines() / 2, 0);
  std::vector<double> keystroke;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    bench.TypeKey(i);
    keystroke.push_back(milliseconds(clock));
  }
  report("keystroke, colouring", "HTML", text.size(), keystroke);

  const QList<QByteArray> lines = text.toUtf8().split('\n');
  std::vector<double> whole;
  for (int i = 0; i < std::min(runs, 5); ++i) {
    QElapsedTimer clock;
    clock.start();
    TMarkdownLineState state;
    for (const QByteArray& line : lines) MarkdownLineStyles(line, state);
    whole.push_back(milliseconds(clock));
  }
  report("colouring whole text", "-", text.size(), whole);
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  KeepFreedMemoryForReuse();  // as the window program does
  QApplication application(argc, argv);
  QStandardPaths::setTestModeEnabled(true);  // the update check must not count in the user's settings
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 21;
  std::vector<qsizetype> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(qsizetype(std::max(1, atoi(argv[i]))) * 1024);
  if (sizes.empty()) sizes = {qsizetype(100) * 1024, qsizetype(1024) * 1024, qsizetype(10240) * 1024};
  TBench bench;
  for (const qsizetype size : sizes) {
    const QString text = ReadmeLikeDocument(size);
    const std::vector<double> engine = engineTimes(text, runs);
    report("engine alone", "-", text.size(), engine);
    measureConvert(bench, text, runs);
    for (const int tab : {0, 1}) measureKeys(bench, text, tab, runs, median(engine));
    if (size == qsizetype(1024) * 1024) {  // the bursts of the goals
      for (const int tab : {0, 1}) measureBursts(bench, text, tab, runs, median(engine));
    }
  }
  if (argc <= 2) measureColouring(bench, ReadmeLikeDocument(qsizetype(10240) * 1024), runs);
  return 0;
}
