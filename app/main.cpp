// Program entry: the named lock, the application, the main window, the event loop.
#include "AppForm.h"
#include "ApplicationIdentity.h"
#include "AppGlobals.h"
#include "CommandLine.h"
#include "ErrorHandler.h"
#include "Languages.h"
#include "PreviewScheme.h"
#include "platform/MemoryReuse.h"
#include "platform/NamedLock.h"
#include "platform/RestartScript.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <exception>

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

// A wrong command line: the reason and a hint on standard error, status 2.
int ReportUsageError(const QString& message) {
  std::fprintf(stderr, "glyphmill: %s\nTry 'glyphmill --help' for more information.\n",
               qPrintable(message));
  return 2;
}

// --help and --version print on standard output; neither needs a display.
int PrintHelpOrVersion(int argc, char* argv[], TCommandLine::TAction action) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("glyphmill"));
  try {
    const QString text = action == TCommandLine::caShowHelp
                             ? UsageText()
                             : VersionLine(QCoreApplication::applicationFilePath()) + u'\n';
    std::fputs(qPrintable(text), stdout);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "glyphmill: %s\n", e.what());
    return 1;
  }
}

// The window program: the named lock, the application, the main window, the
// event loop; `files` are loaded once the loop runs.
int RunWindow(int argc, char* argv[], const QStringList& files) {
  KeepFreedMemoryForReuse();
  // A file-size limit makes a save fail with "File too large" like any write
  // error, instead of ending the program and losing the document.
  std::signal(SIGXFSZ, SIG_IGN);

  // Held for the life of the process; a second instance starts all the same.
  TakeNamedLock(QStringLiteral("KELMOOR_Glyphmill"));

  // The preview's web view shares its graphics contexts with the widgets; its
  // scheme is known to the web engine from the start.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  RegisterPreviewScheme();
  TApplication application(argc, argv);
  SetApplicationIdentity();

  int exitCode = 1;
  ErrorHandler::Run([&] {
    TAppForm form;
    form.show();
    form.LoadCommandLineFiles(files);
    if (qEnvironmentVariableIsSet("GLYPHMILL_EXIT_AFTER_START")) ReportStartAndQuit(form);
    exitCode = QApplication::exec();
  });
  return exitCode;
}

}  // namespace

int main(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  const TCommandLine commandLine = ParseCommandLine(arguments);
  switch (commandLine.Action) {
    case TCommandLine::caError:
      return ReportUsageError(commandLine.Message);
    case TCommandLine::caShowHelp:
    case TCommandLine::caShowVersion:
      return PrintHelpOrVersion(argc, argv, commandLine.Action);
    case TCommandLine::caRunRestartScript: {
      // The runner of the restart script that the language window writes.
      QCoreApplication runner(argc, argv);
      return RunRestartScriptFile(commandLine.ScriptFile);
    }
    case TCommandLine::caOpenWindow:
      break;
  }
  return RunWindow(argc, argv, commandLine.Files);
}
