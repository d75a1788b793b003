// The command line of the window program: the files to open, --help,
// --version and the restart runner's switch. Qt's own options (-platform,
// -style, ...) are accepted and left to Qt.
#pragma once

#include <QString>
#include <QStringList>

struct TCommandLine {
  enum TAction { caOpenWindow, caShowHelp, caShowVersion, caRunRestartScript, caError };
  TAction Action = caOpenWindow;
  QStringList Files;   // caOpenWindow: the files to load, in order
  QString ScriptFile;  // caRunRestartScript: the script to run
  QString Message;     // caError: what is wrong
};

// Reads `arguments` (the program name first). Needs no application object.
TCommandLine ParseCommandLine(const QStringList& arguments);

// The usage shown by --help (needs the application object, for the program name).
QString UsageText();

// The version line: the version record's product name and file version.
QString VersionLine(const QString& programFile);
