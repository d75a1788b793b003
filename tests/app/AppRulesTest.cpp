// The main window's rules that need no window: line lists, table styling, the
// data folder, the settings file, the version record, address colouring.
#include "CommandLine.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "LineList.h"
#include "SettingsFile.h"
#include "TableStyling.h"
#include "TextChange.h"
#include "TextFiles.h"
#include "VersionInfo.h"
#include "platform/DataFolder.h"
#include "platform/NamedLock.h"
#include "platform/RestartScript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include "AppTestSupport.h"

#include <QtTest>

class AppRulesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  // A fake is the desktop in use while it lives; when it ends, the one made
  // before it is in use again, and with none left the real desktop is.
  void fakeDesktopsNest() {
    QVERIFY(dynamic_cast<TFakeDesktop*>(&Desktop()) == nullptr);
    auto outer = std::make_unique<TFakeDesktop>();
    {
      TFakeDesktop inner;
      Desktop().Beep();
      QCOMPARE(inner.Beeps, 1);
    }
    Desktop().Beep();
    QCOMPARE(outer->Beeps, 1);
    outer.reset();
    QVERIFY(dynamic_cast<TFakeDesktop*>(&Desktop()) == nullptr);
  }

  // What the window program makes of its command line.
  void commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("detail");
    using C = TCommandLine;
    QTest::newRow("nothing") << QStringList{} << int(C::caOpenWindow) << QStringList{} << "";
    QTest::newRow("files in order")
        << QStringList{"b.md", "a.md"} << int(C::caOpenWindow) << QStringList{"b.md", "a.md"} << "";
    QTest::newRow("Qt's options pass") << QStringList{"-platform", "offscreen", "-reverse", "x.md"}
                                       << int(C::caOpenWindow) << QStringList{"x.md"} << "";
    QTest::newRow("after -- a dash name is a file")
        << QStringList{"--", "--help"} << int(C::caOpenWindow) << QStringList{"--help"} << "";
    QTest::newRow("--help") << QStringList{"--help", "a.md"} << int(C::caShowHelp) << QStringList{}
                            << "";
    QTest::newRow("-h") << QStringList{"-h"} << int(C::caShowHelp) << QStringList{} << "";
    QTest::newRow("--version") << QStringList{"--version"} << int(C::caShowVersion) << QStringList{}
                               << "";
    QTest::newRow("restart runner")
        << QStringList{"--run-restart-script", "/d/start.bat"} << int(C::caRunRestartScript)
        << QStringList{} << "/d/start.bat";
    QTest::newRow("unknown option") << QStringList{"--bogus", "a.md"} << int(C::caError)
                                    << QStringList{} << "Unknown option 'bogus'.";
    QTest::newRow("runner without script")
        << QStringList{"--run-restart-script"} << int(C::caError) << QStringList{}
        << "Missing value after '--run-restart-script'.";
  }

  void commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QStringList, files);
    QFETCH(QString, detail);
    const TCommandLine result = ParseCommandLine(QStringList{"glyphmill"} + arguments);
    QCOMPARE(int(result.Action), action);
    QCOMPARE(result.Files, files);
    QCOMPARE(action == TCommandLine::caRunRestartScript ? result.ScriptFile : result.Message,
             detail);
  }

  // The program itself: --help and --version need no display; a wrong option
  // is refused with status 2 before any window opens.
  void programCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "glyphmill-convert"
                            << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0
                               << "Glyphmill " GLYPHMILL_FILE_VERSION << "";
    QTest::newRow("--bogus") << QStringList{"--bogus"} << 2 << ""
                             << "Unknown option 'bogus'";
  }

  void programCommandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(GLYPHMILL_APP_PATH), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(output.isEmpty() ? out.isEmpty() : out.contains(output), qPrintable(out));
    QVERIFY2(error.isEmpty() ? err.isEmpty() : err.contains(error), qPrintable(err));
  }

  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void lineListWholeText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("whole");
    QTest::addColumn<int>("count");
    QTest::newRow("empty") << "" << "" << 0;
    QTest::newRow("one line, no break") << "a" << "a\r\n" << 1;
    QTest::newRow("final LF makes no extra line") << "a\n" << "a\r\n" << 1;
    QTest::newRow("CR LF kept") << "a\r\nb\r\n" << "a\r\nb\r\n" << 2;
    QTest::newRow("lone CR") << "a\rb" << "a\r\nb\r\n" << 2;
    QTest::newRow("LF CR is two breaks") << "a\n\rb" << "a\r\n\r\nb\r\n" << 3;
    QTest::newRow("mixed breaks") << "a\r\nb\nc\rd" << "a\r\nb\r\nc\r\nd\r\n" << 4;
    QTest::newRow("empty lines kept") << "\n\n" << "\r\n\r\n" << 2;
    QTest::newRow("only CR LF") << "\r\n" << "\r\n" << 1;
    QTest::newRow("trailing CR") << "a\r" << "a\r\n" << 1;
  }
  void lineListWholeText() {
    QFETCH(QString, text);
    QFETCH(QString, whole);
    QFETCH(int, count);
    TLineList list;
    list.SetText(text);
    QCOMPARE(list.Text(), whole);
    QCOMPARE(list.Count(), count);
    QCOMPARE(list.Lines().size(), count);
    // Setting the whole text again changes nothing.
    list.SetText(list.Text());
    QCOMPARE(list.Text(), whole);
  }

  // The changed part lies between whole characters, in UTF-16 and in UTF-8,
  // and putting it in place of the old part gives the new text.
  void changeBetween_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("kept");
    QTest::newRow("same") << "abc" << "abc" << 3 << 0;
    QTest::newRow("both empty") << "" << "" << 0 << 0;
    QTest::newRow("from nothing") << "" << "abc" << 0 << 0;
    QTest::newRow("to nothing") << "abc" << "" << 0 << 0;
    QTest::newRow("middle replaced") << "abXde" << "abYZde" << 2 << 2;
    QTest::newRow("inserted") << "abde" << "abcde" << 2 << 2;
    QTest::newRow("deleted") << "abcde" << "abde" << 2 << 2;
    // The end kept never reaches into the beginning kept.
    QTest::newRow("repeated letter deleted") << "aaa" << "aa" << 2 << 0;
    QTest::newRow("repeated letter added") << "aa" << "aaa" << 2 << 0;
    // Characters outside the first plane differ in their second half.
    QTest::newRow("pair changed") << QString::fromUtf8("x\U0001F600y") << QString::fromUtf8("x\U0001F601y")
                                  << 1 << 1;
    QTest::newRow("pair before a change") << QString::fromUtf8("\U0001F600a") << QString::fromUtf8("\U0001F600b")
                                          << 2 << 0;
    QTest::newRow("accented letters") << QString::fromUtf8("caf\u00E9!") << QString::fromUtf8("caf\u00E8!") << 3
                                      << 1;
  }
  void changeBetween() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, start);
    QFETCH(int, kept);
    const TTextChange change = ChangeBetween(before, after);
    QCOMPARE(change.Start, start);
    QCOMPARE(change.Kept, kept);
    // The same texts in UTF-8 give the same change, counted in bytes.
    const QByteArray before8 = before.toUtf8();
    const QByteArray after8 = after.toUtf8();
    const TTextChange bytes = ChangeBetween(QByteArrayView(before8), QByteArrayView(after8));
    QCOMPARE(bytes.Start, before.left(start).toUtf8().size());
    QCOMPARE(bytes.Kept, before.right(kept).toUtf8().size());
    // Whole characters on both sides: each part is valid text of its own.
    const QString middle = after.mid(start, after.size() - kept - start);
    QCOMPARE(before.left(start) + middle + before.right(kept), after);
    QCOMPARE(QString::fromUtf8(after8.mid(bytes.Start, after8.size() - bytes.Kept - bytes.Start)), middle);
  }

  void styledHtmlText_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("styled");
    const QString table = "<table style=\"border: 1px solid black; border-collapse: collapse;\">";
    const QString th = "<th style=\"border: 1px solid black; padding: 3px;\">";
    const QString td = "<td style=\"border: 1px solid black; padding: 3px;\">";
    QTest::newRow("plain tags") << "<table><tr><th>a</th><td>b</td></tr></table>"
                                << table + "<tr>" + th + "a</th>" + td + "b</td></tr></table>\r\n";
    QTest::newRow("upper case") << "<TABLE><TH><Td>" << table + th + td + "\r\n";
    QTest::newRow("attributes stay") << "<td align=\"left\"><table class=\"x\"><th >"
                                     << "<td align=\"left\"><table class=\"x\"><th >\r\n";
    QTest::newRow("text without tags") << "tables and <thead>" << "tables and <thead>\r\n";
    QTest::newRow("every occurrence") << "<td><td>" << td + td + "\r\n";
    QTest::newRow("a tag cut by the end") << "a <t" << "a <t\r\n";
    QTest::newRow("nothing") << "" << "";
    QTest::newRow("line feeds") << "<table>\n<td>\n\nx\n" << table + "\r\n" + td + "\r\n\r\nx\r\n";
    QTest::newRow("carriage returns alone and with line feeds")
        << "a\rb\r\n\r\rc" << "a\r\nb\r\n\r\n\r\nc\r\n";
    QTest::newRow("a break last of all") << "<th>\r" << th + "\r\n";
  }
  // One pass gives what styling the tags and then taking the text into a
  // line list would, and the list takes it as it is.
  void styledHtmlText() {
    QFETCH(QString, html);
    QFETCH(QString, styled);
    const QString text =
        StyledHtmlText(std::u16string_view(reinterpret_cast<const char16_t*>(html.utf16()), std::size_t(html.size())));
    QCOMPARE(text, styled);
    TLineList lines;
    lines.SetText(text);
    QCOMPARE(lines.Text(), styled);
    QVERIFY(lines.Text().isSharedWith(text) || text.isEmpty());
  }

  void dataFolderIsProgramFolderWhenWritable() {
    QTemporaryDir program;
    QCOMPARE(ChooseDataFolder(program.path(), "KELMOOR", "Glyphmill"), program.path() + "/");
    QVERIFY(!QFile::exists(program.filePath("chk.tmp")));
  }

  void dataFolderIsPerUserWithLeftoverCheckFile() {
    QTemporaryDir program;
    WriteTestFile(program.filePath("chk.tmp"), "left over");
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString expected = userData + "/KELMOOR/Glyphmill/";
    QCOMPARE(ChooseDataFolder(program.path(), "KELMOOR", "Glyphmill"), expected);
    QVERIFY(QDir(expected).exists());
    QVERIFY(QFile::exists(program.filePath("chk.tmp")));  // not ours to remove
  }

  void dataFolderIsPerUserWhenProgramFolderIsMissing() {
    QTemporaryDir scratch;
    const QString missing = scratch.filePath("no/such/folder");
    QVERIFY(ChooseDataFolder(missing, "KELMOOR", "Glyphmill").endsWith("/KELMOOR/Glyphmill/"));
  }

  // Never a folder of the system's packages, even when it could be written.
  void systemFolders_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("system");
    QTest::newRow("/usr/bin") << "/usr/bin" << true;
    QTest::newRow("/usr/local/bin") << "/usr/local/bin" << true;
    QTest::newRow("/usr itself") << "/usr" << true;
    QTest::newRow("/bin") << "/bin" << true;
    QTest::newRow("/sbin") << "/sbin" << true;
    QTest::newRow("/lib64") << "/lib64" << true;
    QTest::newRow("/usrx is not /usr") << "/usrx/bin" << false;
    QTest::newRow("/opt, owned by root") << "/opt" << true;
    QTest::newRow("a home folder") << QDir::homePath() << false;
    QTest::newRow("the temporary folder") << QDir::tempPath() << false;
  }
  void systemFolders() {
    QFETCH(QString, folder);
    QFETCH(bool, system);
    if (folder == "/opt" && QFileInfo(folder).ownerId() != 0) QSKIP("/opt is not root's here");
    QCOMPARE(IsSystemFolder(folder), system);
  }

  void dataFolderIsNeverASystemFolder() {
    // /usr/bin is writable for root: the program run from there as root still
    // keeps its files in the per-user folder.
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QCOMPARE(ChooseDataFolder("/usr/bin", "KELMOOR", "Glyphmill"), userData + "/KELMOOR/Glyphmill/");
    QVERIFY(!QFile::exists("/usr/bin/chk.tmp"));
  }

  // The program's own files replace a planted link instead of writing through
  // it; the user's own file follows the link the user chose.
  void writingThroughLinks_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("dangling");
    QTest::addColumn<bool>("targetWritten");
    QTest::newRow("program file, link to a file") << int(wkProgramFile) << false << false;
    QTest::newRow("program file, dangling link") << int(wkProgramFile) << true << false;
    QTest::newRow("scratch file, link to a file") << int(wkScratchFile) << false << false;
    QTest::newRow("scratch file, dangling link") << int(wkScratchFile) << true << false;
    QTest::newRow("user file, link to a file") << int(wkUserFile) << false << true;
  }
  void writingThroughLinks() {
    QFETCH(int, kind);
    QFETCH(bool, dangling);
    QFETCH(bool, targetWritten);
    QTemporaryDir folder;
    const QString target = folder.filePath("victim");
    const QString name = folder.filePath("own.file");
    if (!dangling) WriteTestFile(target, "victim");
    QVERIFY(QFile::link(target, name));
    WriteFileAtomically(name, "new content", TWriteKind(kind));
    QCOMPARE(ReadTestFile(name), QByteArray("new content"));
    QCOMPARE(QFileInfo(name).isSymLink(), targetWritten);
    if (dangling) {
      QVERIFY(!QFileInfo::exists(target));
    } else {
      QCOMPARE(ReadTestFile(target), targetWritten ? QByteArray("new content") : QByteArray("victim"));
    }
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
             dangling ? 1 : 2);  // no temporary file left behind
  }

  void restartScriptReplacesAPlantedLink() {
    QTemporaryDir folder;
    const QString target = folder.filePath("bashrc");
    WriteTestFile(target, "victim");
    const QString script = folder.filePath("start.bat");
    QVERIFY(QFile::link(target, script));
    WriteRestartScript(script, "/opt/glyphmill/glyphmill");
    QCOMPARE(ReadTestFile(target), QByteArray("victim"));
    QVERIFY(!QFileInfo(script).isSymLink());
    QVERIFY(ReadTestFile(script).startsWith("@ECHO OFF\r\n"));
  }

  void namedLockDoesNotFollowAPlantedLink() {
    QTemporaryDir runtime;
    QVERIFY(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString target = runtime.filePath("victim");
    QVERIFY(QFile::link(target, runtime.filePath("planted-test.lock")));
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const bool taken = TakeNamedLock("planted-test");
    if (saved.isEmpty()) qunsetenv("XDG_RUNTIME_DIR"); else qputenv("XDG_RUNTIME_DIR", saved);
    QVERIFY(!taken);
    QVERIFY(!QFileInfo::exists(target));
  }

  void settingsFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("kept");
    QTest::newRow("valid ini") << QByteArray("[Settings]\r\nKey=Wert \xC3\xBC\r\n") << true;
    QTest::newRow("with mark") << QByteArray("\xEF\xBB\xBF[a]\nb=c\n") << true;
    QTest::newRow("invalid UTF-8") << QByteArray("[Settings]\nKey=\xE9t\xE9\n") << false;
    QTest::newRow("truncated sequence") << QByteArray("x=\xC3") << false;
  }
  void settingsFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, kept);
    QTemporaryDir folder;
    const QString path = folder.filePath("settings.ini");
    WriteTestFile(path, bytes);
    QString problem;
    const auto settings = OpenSettingsFile(path, problem);
    QVERIFY(settings != nullptr);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));  // replaced without a word
    QCOMPARE(QFile::exists(path), kept);
    if (kept) {
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(file.readAll(), bytes);  // never written back
    }
  }

  void settingsFileReadsValues() {
    QTemporaryDir folder;
    WriteTestFile(folder.filePath("settings.ini"), "[Settings]\nName = Gr\xC3\xBC\xC3\x9F" "e\n");
    QString problem;
    const auto settings = OpenSettingsFile(folder.filePath("settings.ini"), problem);
    QCOMPARE(settings->ReadString("Settings", "Name", "-"), QString(" Grüße"));
    QCOMPARE(settings->ReadString("Settings", "Other", "-"), QString("-"));
    // A missing file is not created.
    OpenSettingsFile(folder.filePath("other.ini"), problem);
    QVERIFY(!QFile::exists(folder.filePath("other.ini")));
  }

  void versionDataOfTheBuiltProgram() {
    const TEXEVersionData data = ReadVersionData(GLYPHMILL_APP_PATH);
    QCOMPARE(data.CompanyName, QString("KELMOOR"));
    QCOMPARE(data.ProductName, QString("Glyphmill"));
    QCOMPARE(data.FileVersion, QString(GLYPHMILL_FILE_VERSION));
    QVERIFY(data.LegalTrademarks.isEmpty());  // a missing field stays empty
    const TFixedFileVersion version = ReadFixedFileVersion(GLYPHMILL_APP_PATH);
    QCOMPARE(QString("%1.%2.%3.%4").arg(version.Major).arg(version.Minor).arg(version.Release)
                 .arg(version.Build),
             QString(GLYPHMILL_FILE_VERSION));
  }

  void versionDataMissing_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("path");  // a file of its own when empty
    QTest::newRow("not a program") << QByteArray("plain text") << QString();
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("truncated ELF header") << QByteArray("\x7f" "ELF\x02\x01\x01", 7) << QString();
    QTest::newRow("program without the record") << QByteArray() << QString("/bin/sh");
    QTest::newRow("no such file") << QByteArray() << QString("/no/such/program");
  }
  void versionDataMissing() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, path);
    QTemporaryDir folder;
    if (path.isEmpty()) {
      path = folder.filePath("program");
      WriteTestFile(path, bytes);
    }
    try {
      ReadVersionData(path);
      QFAIL("no error for a file without version data");
    } catch (const std::runtime_error& e) {
      QVERIFY(QString::fromUtf8(e.what()).contains(path));
    }
  }

  void uris_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("uris");
    QTest::newRow("Markdown link") << QByteArray("[A link](https://example.org/a?b=c) to")
                                   << QStringList{"https://example.org/a?b=c"};
    QTest::newRow("sentence end") << QByteArray("See http://example.org/x.") << QStringList{"http://example.org/x"};
    QTest::newRow("www and mail") << QByteArray("www.example.org or mailto:a@b.org")
                                  << QStringList{"www.example.org", "mailto:a@b.org"};
    QTest::newRow("inside a word") << QByteArray("xhttp://a.b") << QStringList{};
    QTest::newRow("upper-case scheme") << QByteArray("<HTTPS://A.B/C>") << QStringList{"HTTPS://A.B/C"};
    QTest::newRow("non-ASCII path") << QByteArray("https://a.b/\xC3\xBC x") << QStringList{"https://a.b/ü"};
    QTest::newRow("scheme alone") << QByteArray("http:// x") << QStringList{};
  }
  void uris() {
    QFETCH(QByteArray, text);
    QFETCH(QStringList, uris);
    QStringList found;
    for (const auto& range : FindUris(text)) {
      found << QString::fromUtf8(text.mid(range.first, range.second - range.first));
    }
    QCOMPARE(found, uris);
  }

  void uriAtPosition() {
    const QByteArray line("go to www.example.org now");
    QCOMPARE(UriAt(line, 8), QString("http://www.example.org"));
    QCOMPARE(UriAt(line, 2), QString());
  }
};

QTEST_GUILESS_MAIN(AppRulesTest)
#include "AppRulesTest.moc"
