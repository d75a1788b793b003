// The restart script "start.bat" and its runner. The language window writes the
// script and has it run; since Linux has no shell for it, the program runs it
// itself in a mode of its own (glyphmill --run-restart-script FILE).
#pragma once

#include <QByteArray>
#include <QString>

// The command-line switch that makes the program run a restart script.
inline constexpr char kRunRestartScriptSwitch[] = "--run-restart-script";

// Whether the script waits a second: when the kernel's major version (the part
// of `kernelVersion` before its first dot) is greater than 5.
bool RestartScriptNeedsTimeout(const QString& kernelVersion);

// The script's bytes: "@ECHO OFF", two ECHO lines, "timeout 1" when asked for,
// and the program's path in double quotes, each line ending with CR LF, in
// Windows-1252. Throws std::runtime_error when the path has a character that
// Windows-1252 cannot hold.
QByteArray RestartScriptBytes(const QString& programPath, bool withTimeout);

// Writes the script for `programPath` to `fileName`, replacing an earlier one;
// "timeout 1" follows the running kernel. Throws std::runtime_error when it
// cannot be written.
void WriteRestartScript(const QString& fileName, const QString& programPath);

// Starts the runner (`runner`, by default this program) on `scriptFile`,
// detached and in `workingFolder`. Throws std::runtime_error when it cannot be
// started.
void RunRestartScript(const QString& scriptFile, const QString& workingFolder,
                      const QString& runner = QString());

// The runner: goes through the script's lines. "@ECHO OFF" and "ECHO ..." do
// nothing, "timeout N" waits N seconds, a path in double quotes starts that
// program detached. Returns 0 when every line was understood and every program
// started, otherwise 1 (after a message on standard error).
int RunRestartScriptFile(const QString& scriptFile);
