// Times the main window's conversion command and one keystroke with "Auto
// Convert" on, for a 100 KB and a 1 MB document, and a keystroke with the
// Markdown colouring alone in a 10 MB document, driving the real window
// offscreen. Prints the median and the slowest of the runs.
#include "AppForm.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "MarkdownLexer.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// One section of a README-like document: headings, paragraphs with inline
// markup, a list, a table, a quote and a code block.
QString section(int n) {
  return QStringLiteral(
             "## Section %1\r\n\r\n"
             "Glyphmill turns **Markdown** into *HTML*; see [the guide](https://example.org/guide/%1) "
             "or `glyphmill-convert --help` for details. Lines like this one make up most documents, "
             "with a footnote-like remark (number %1) and an e-mail <user%1@example.org>.\r\n\r\n"
             "- first item with `code`\r\n- second item with a [link](http://example.org/%1)\r\n"
             "  continued on a second line\r\n- third item\r\n\r\n"
             "| Option | Meaning |\r\n|---|---|\r\n| -d | dialect |\r\n| -o | output %1 |\r\n\r\n"
             "> A quoted remark about section %1,\r\n> spread over two lines.\r\n\r\n"
             "```cpp\r\nint main() { return %1; }\r\n```\r\n\r\n")
      .arg(n);
}

QString documentOfSize(qsizetype size) {
  QString text;
  for (int n = 1; text.size() < size; ++n) text += section(n);
  return text;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void report(const char* what, qsizetype size, const std::vector<double>& ms) {
  std::printf("%-28s %8.0f KB  median %7.2f ms  slowest %7.2f ms  (%zu runs)\n", what,
              double(size) / 1024.0, median(ms), *std::max_element(ms.begin(), ms.end()),
              ms.size());
}

// The engine alone on the same text: what the window adds is the rest.
void measureEngine(const QString& text, int runs) {
  std::vector<double> engine;
  for (int i = 0; i < runs; ++i) {
    std::u16string source(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
    QElapsedTimer clock;
    clock.start();
    auto processor = glyphmill::TMarkdownProcessor::CreateDialect(glyphmill::mdCommonMark);
    processor->Process(std::move(source));
    engine.push_back(clock.nsecsElapsed() / 1e6);
  }
  report("engine alone (Process)", text.size(), engine);
}

void measure(TAppForm& form, qsizetype size, int runs) {
  Control<QAction>(form, "AutoConvert1")->setChecked(false);
  const QString text = documentOfSize(size);
  measureEngine(text, runs);
  Control<TSynEdit>(form, "SynEdit1")->SetText(text);
  QApplication::processEvents();

  std::vector<double> convert;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(Control<QPushButton>(form, "ButtonConvert"), Qt::LeftButton);
    QApplication::processEvents();  // let the panes paint
    convert.push_back(clock.nsecsElapsed() / 1e6);
  }
  report("CONVERT", size, convert);

  Control<QAction>(form, "AutoConvert1")->setChecked(true);
  Control<TSynEdit>(form, "SynEdit1")->setFocus();
  Control<TSynEdit>(form, "SynEdit1")
      ->setCursorPosition(Control<TSynEdit>(form, "SynEdit1")->lines() / 2, 0);
  std::vector<double> keystroke;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(Control<TSynEdit>(form, "SynEdit1"), (i % 2) ? Qt::Key_Backspace : Qt::Key_X);
    QApplication::processEvents();
    keystroke.push_back(clock.nsecsElapsed() / 1e6);
  }
  report("keystroke with Auto Convert", size, keystroke);
}

// Typing into a large document without Auto Convert: what the Markdown
// colouring costs per keystroke (only the lines shown are coloured), and
// colouring the whole text once, line by line, as scrolling to its end does.
void measureTyping(TAppForm& form, qsizetype size, int runs) {
  Control<QAction>(form, "AutoConvert1")->setChecked(false);
  const QString text = documentOfSize(size);
  auto* editor = Control<TSynEdit>(form, "SynEdit1");
  editor->SetText(text);
  QApplication::processEvents();
  editor->setFocus();
  editor->setCursorPosition(editor->lines() / 2, 0);
  std::vector<double> keystroke;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(editor, (i % 2) ? Qt::Key_Backspace : Qt::Key_X);
    editor->repaint();
    keystroke.push_back(clock.nsecsElapsed() / 1e6);
  }
  report("keystroke, colouring only", size, keystroke);

  const QList<QByteArray> lines = text.toUtf8().split('\n');
  std::vector<double> whole;
  for (int i = 0; i < std::min(runs, 5); ++i) {
    QElapsedTimer clock;
    clock.start();
    TMarkdownLineState state;
    for (const QByteArray& line : lines) MarkdownLineStyles(line, state);
    whole.push_back(clock.nsecsElapsed() / 1e6);
  }
  report("colouring the whole text", size, whole);
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QStandardPaths::setTestModeEnabled(true);  // the update check must not count in the user's settings
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 21;
  TAppForm form;
  form.show();
  QApplication::processEvents();
  measure(form, 100 * 1024, runs);
  measure(form, 1024 * 1024, runs);
  measureTyping(form, 10 * 1024 * 1024, runs);
  return 0;
}
