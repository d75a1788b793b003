// Times batch runs through the real main window, offscreen: 1,000 small files
// and 20 files of 1 MB. Prints the time per file, the longest stretch without
// the window handling events, and how many of the status panel's texts a timer
// running beside the window saw.
#include "AppForm.h"
#include "AppTestSupport.h"
#include "BatchForm.h"
#include "BenchDocuments.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "platform/MemoryReuse.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

bool writeInputs(const QString& folder, int count, const QByteArray& bytes, QStringList& paths) {
  if (!QDir().mkpath(folder)) return false;
  for (int i = 0; i < count; ++i) {
    const QString path = QStringLiteral("%1/doc%2.md").arg(folder).arg(i);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return false;
    paths.append(path);
  }
  return true;
}

void measure(TAppForm& mainForm, const char* what, const QStringList& inputs, const QString& out) {
  Control<QAction>(mainForm, "BatchProcessing1")->trigger();
  TFormBatch* batch = mainForm.findChildren<TFormBatch*>().last();
  Control<QLineEdit>(*batch, "Edit1")->setText(out);
  Control<TSynEdit>(*batch, "SynEdit1")->SetText(inputs.join(QStringLiteral("\r\n")));
  QApplication::processEvents();

  // A timer beside the window: the longest gap between its ticks is the longest
  // time the window did not handle events.
  QElapsedTimer sinceTick;
  qint64 longestGap = 0;
  QSet<QString> statusSeen;
  QTimer ticker;
  ticker.setInterval(0);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
    sinceTick.restart();
    statusSeen.insert(Control<QLabel>(*batch, "StatusPanel0")->text());
  });
  QElapsedTimer clock;
  clock.start();
  sinceTick.start();
  ticker.start();
  QTest::mouseClick(Control<QPushButton>(*batch, "ButtonStart"), Qt::LeftButton);
  const double total = clock.nsecsElapsed() / 1e6;
  ticker.stop();
  std::printf(
      "%-22s %5lld files  %9.0f ms total  %8.2f ms per file  longest without events %8.2f ms"
      "  status texts seen %lld  last status \"%s\"\n",
      what, static_cast<long long>(inputs.size()), total, total / double(inputs.size()),
      longestGap / 1e6, static_cast<long long>(statusSeen.size()),
      qPrintable(Control<QLabel>(*batch, "StatusPanel0")->text()));
  batch->close();
}

// A desktop that writes the messages to standard error and answers nothing.
class TReportingDesktop : public TFakeDesktop {
 public:
  void ShowMessage(QWidget*, const TMessage& message) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(message.Text));
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  KeepFreedMemoryForReuse();  // as the window program does
  QApplication application(argc, argv);
  QStandardPaths::setTestModeEnabled(true);  // the update check must not count in the user's settings
  // Errors go to standard error; no box waits for a click.
  const TReportingDesktop desktop;
  QTemporaryDir dir;
  QStringList small;
  QStringList large;
  if (!dir.isValid() ||
      !writeInputs(dir.filePath(QStringLiteral("small")), 1000, ReadmeLikeDocument(2 * 1024).toUtf8(), small) ||
      !writeInputs(dir.filePath(QStringLiteral("large")), 20, ReadmeLikeDocument(1024 * 1024).toUtf8(), large) ||
      !QDir().mkpath(dir.filePath(QStringLiteral("out")))) {
    std::fprintf(stderr, "cannot write the input files\n");
    return 1;
  }
  TAppForm form;
  form.show();
  QApplication::processEvents();
  measure(form, "1,000 files of 2 KB", small, dir.filePath(QStringLiteral("out")));
  measure(form, "20 files of 1 MB", large, dir.filePath(QStringLiteral("out")));
  return 0;
}
