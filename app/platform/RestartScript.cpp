#include "platform/RestartScript.h"

#include "MarkdownProcessor.h"
#include "TextFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>

#include <cstdio>
#include <stdexcept>

namespace {

// The characters Windows-1252 puts at 0x80..0x9F (0 where it has none).
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte of `c`, or -1 when it has none.
int windows1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i) {
    if (kWindows1252High[i] != 0 && kWindows1252High[i] == c) return 0x80 + i;
  }
  return -1;
}

QByteArray toWindows1252(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (const QChar c : text) {
    const int byte = windows1252Byte(c.unicode());
    if (byte < 0) {
      throw std::runtime_error(
          QStringLiteral("The restart script cannot hold the path \"%1\".").arg(text).toStdString());
    }
    bytes.append(static_cast<char>(byte));
  }
  return bytes;
}

void complain(const QString& message) {
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

bool RestartScriptNeedsTimeout(const QString& kernelVersion) {
  bool ok = false;
  const int major = kernelVersion.section(u'.', 0, 0).toInt(&ok);
  return ok && major > 5;
}

QByteArray RestartScriptBytes(const QString& programPath, bool withTimeout) {
  QStringList lines = {
      QStringLiteral("@ECHO OFF"),
      QStringLiteral("ECHO This file was created automatically to restart the program."),
      QStringLiteral("ECHO It is safe to delete this file."),
  };
  if (withTimeout) lines.append(QStringLiteral("timeout 1"));
  lines.append(u'"' + QDir::toNativeSeparators(programPath) + u'"');
  QByteArray bytes;
  for (const QString& line : lines) bytes += toWindows1252(line) + "\r\n";
  return bytes;
}

void WriteRestartScript(const QString& fileName, const QString& programPath) {
  const QByteArray bytes =
      RestartScriptBytes(programPath, RestartScriptNeedsTimeout(QSysInfo::kernelVersion()));
  WriteFileAtomically(fileName, bytes, wkProgramFile);
}

void RunRestartScript(const QString& scriptFile, const QString& workingFolder,
                      const QString& runner) {
  const QStringList arguments = {QString::fromLatin1(kRunRestartScriptSwitch), scriptFile};
  const QString program = runner.isEmpty() ? QCoreApplication::applicationFilePath() : runner;
  if (!QProcess::startDetached(program, arguments, workingFolder)) {
    throw std::runtime_error(
        QStringLiteral("Cannot run the restart script \"%1\".").arg(scriptFile).toStdString());
  }
}

int RunRestartScriptFile(const QString& scriptFile) {
  QFile file(scriptFile);
  if (!file.open(QIODevice::ReadOnly)) {
    complain(QStringLiteral("Cannot read \"%1\": %2").arg(scriptFile, file.errorString()));
    return 1;
  }
  const QString text =
      QString::fromStdU16String(glyphmill::decodeText(file.readAll().toStdString(), "windows-1252"));
  static const QRegularExpression timeout(QStringLiteral("^timeout\\s+(\\d{1,5})$"),
                                          QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression echo(QStringLiteral("^@?echo(\\s.*)?$"),
                                       QRegularExpression::CaseInsensitiveOption);
  int result = 0;
  for (QString line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
    line = line.trimmed();
    if (line.isEmpty() || echo.match(line).hasMatch()) continue;
    if (const QRegularExpressionMatch wait = timeout.match(line); wait.hasMatch()) {
      QThread::sleep(wait.captured(1).toULong());
    } else if (line.size() > 2 && line.startsWith(u'"') && line.endsWith(u'"')) {
      const QString program = line.mid(1, line.size() - 2);
      if (!QProcess::startDetached(program, {}, QDir::currentPath())) {
        complain(QStringLiteral("Cannot start \"%1\".").arg(program));
        result = 1;
      }
    } else {
      complain(QStringLiteral("Not understood: %1").arg(line));
      result = 1;
    }
  }
  return result;
}
