// Program entry: the named lock, the application, the main window, the event loop.
#include "AppForm.h"
#include "AppGlobals.h"
#include "Languages.h"
#include "ErrorHandler.h"
#include "platform/NamedLock.h"
#include "platform/RestartScript.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

// Catches what a command lets escape, so that no error leaves the event loop:
// the general error handler shows it and the program goes on.
class TApplication : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (...) {
      ErrorHandler::ShowCurrentException();
      return false;
    }
  }
};

// For installation checks: says on standard output what started (title,
// version, interface language) and ends once the start conversion is shown.
void ReportStartAndQuit(const TAppForm& form) {
  QTimer::singleShot(0, &form, [&form] {
    const bool converted = !form.HtmlLines.Text().isEmpty();
    const QString language = Languages().CurrentLanguageName.isEmpty()
                                 ? QStringLiteral("English")
                                 : Languages().CurrentLanguageName;
    std::printf("%s %s, language %s, start conversion %s\n", qPrintable(AppTitle),
                qPrintable(AppVersion), qPrintable(language), converted ? "shown" : "missing");
    std::fflush(stdout);
    QApplication::exit(converted ? 0 : 1);
  });
}

}  // namespace

int main(int argc, char* argv[]) {
  // The runner of the restart script that the language window writes.
  if (argc == 3 && qstrcmp(argv[1], kRunRestartScriptSwitch) == 0) {
    QCoreApplication runner(argc, argv);
    return RunRestartScriptFile(QString::fromLocal8Bit(argv[2]));
  }

  // A file-size limit makes a save fail with "File too large" like any write
  // error, instead of ending the program and losing the document.
  std::signal(SIGXFSZ, SIG_IGN);

  // Held for the life of the process; a second instance starts all the same.
  TakeNamedLock(QStringLiteral("KELMOOR_Glyphmill"));

  // The preview's web view shares its graphics contexts with the widgets.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  TApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Glyphmill"));
  QApplication::setApplicationDisplayName(QStringLiteral("Glyphmill"));
  QApplication::setOrganizationName(QStringLiteral("KELMOOR"));
  QGuiApplication::setDesktopFileName(QStringLiteral("com.kelmoor.Glyphmill"));

  int exitCode = 1;
  ErrorHandler::Run([&] {
    TAppForm form;
    form.show();
    form.LoadCommandLineFiles(QCoreApplication::arguments());
    if (qEnvironmentVariableIsSet("GLYPHMILL_EXIT_AFTER_START")) ReportStartAndQuit(form);
    exitCode = QApplication::exec();
  });
  return exitCode;
}
