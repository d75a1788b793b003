#include "CommandLine.h"

#include "VersionInfo.h"
#include "platform/RestartScript.h"

#include <QCommandLineParser>

namespace {

// Options that QGuiApplication and QApplication read themselves; the parser
// only has to let them through. The first group takes a value.
const char* const kQtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle", "display", "geometry", "style", "stylesheet",
    "session", "qmljsdebugger"};
const char* const kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

void AddHiddenOption(QCommandLineParser& parser, const char* name, bool takesValue) {
  QCommandLineOption option(QString::fromLatin1(name));
  if (takesValue) option.setValueName(QStringLiteral("value"));
  option.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(option);
}

QString RestartSwitchName() { return QString::fromLatin1(kRunRestartScriptSwitch).mid(2); }

void SetUpParser(QCommandLineParser& parser) {
  // "-platform offscreen" as Qt spells its options, and "--help" alike.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(
      QStringLiteral("Glyphmill: a Markdown editor that converts Markdown into HTML.\n"
                     "For conversion on the command line, use glyphmill-convert "
                     "(see glyphmill-convert --help)."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("files"),
                               QStringLiteral("Markdown or CSV files to open, in order."),
                               QStringLiteral("[files...]"));
  AddHiddenOption(parser, qPrintable(RestartSwitchName()), true);
  for (const char* name : kQtOptionsWithValue) AddHiddenOption(parser, name, true);
  for (const char* name : kQtFlags) AddHiddenOption(parser, name, false);
}

}  // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  SetUpParser(parser);
  TCommandLine result;
  if (!parser.parse(arguments)) {
    result.Action = TCommandLine::caError;
    result.Message = parser.errorText();
    return result;
  }
  if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
    result.Action = TCommandLine::caShowHelp;
  } else if (parser.isSet(QStringLiteral("version"))) {
    result.Action = TCommandLine::caShowVersion;
  } else if (parser.isSet(RestartSwitchName())) {
    result.Action = TCommandLine::caRunRestartScript;
    result.ScriptFile = parser.value(RestartSwitchName());
  } else {
    result.Files = parser.positionalArguments();
  }
  return result;
}

QString UsageText() {
  QCommandLineParser parser;
  SetUpParser(parser);
  return parser.helpText();
}

QString VersionLine(const QString& programFile) {
  const TEXEVersionData record = ReadVersionData(programFile);
  return record.ProductName + u' ' + record.FileVersion;
}
