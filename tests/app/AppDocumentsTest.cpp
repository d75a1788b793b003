// Loading and saving documents in the real main window: dialogs, encodings,
// CSV files, failures, dropped files and files named on the command line.
#include "AppForm.h"
#include "AppTestSupport.h"
#include "CommandLine.h"
#include "Editors.h"
#include "FakeDesktop.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWebEngineView>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Sends a drag entering `target` and, when it is accepted, the drop; true when accepted.
bool sendDrop(QWidget* target, const QStringList& files, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
  QList<QUrl> urls;
  for (const QString& file : files) urls.append(QUrl::fromLocalFile(file));
  QMimeData data;
  data.setUrls(urls);
  const QPoint where = target->rect().center();
  QDragEnterEvent enter(where, actions, &data, Qt::LeftButton, Qt::NoModifier);
  enter.ignore();
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(where, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  return enter.isAccepted();
}

}  // namespace

class AppDocumentsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;
  QStringList FShown;  // the source editor's texts, one per change

  QString file(const QString& name, const QByteArray& bytes) { return WriteTestFileIn(*FDir, name, bytes); }

  void recordEditorTexts(QObject* context) {
    connect(Control<TSynEdit>(*FForm, "SynEdit1"), &TSynEdit::Changed, context,
            [this] { FShown.append(Control<TSynEdit>(*FForm, "SynEdit1")->text()); });
  }

  // One error was shown, naming the file and a reason.
  void expectError(const QString& path) {
    const QStringList errors = FDesktop->Errors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(
        errors[0].startsWith(path + QStringLiteral(": ")) && errors[0].size() > path.size() + 2,
        qPrintable(errors[0]));
  }

 private Q_SLOTS:
  // Loading and saving record recent documents and folders: kept out of the user's settings.
  void initTestCase() { UseTestSettings(); }
  void init() {
    ForgetRememberedDocuments();
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    FShown.clear();
    FDesktop = std::make_unique<TFakeDesktop>();
    FForm = std::make_unique<TAppForm>();
  }

  void cleanup() {
    FForm.reset();
    FDesktop.reset();
  }


  void loads_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("UTF-8") << "d.md" << QByteArray("# T\xc3\xa9st\r\nline") << QStringList{"# Tést", "line"};
    QTest::newRow("UTF-8 with mark") << "d.md" << QByteArray("\xef\xbb\xbf# Title\r\ntext")
                                     << QStringList{"# Title", "text"};
    QTest::newRow("UTF-16 LE with mark") << "d.md" << QByteArray("\xff\xfe#\0 \0\xa9\x03\n\0b\0", 12)
                                         << QStringList{"# Ω", "b"};
    QTest::newRow("UTF-16 BE with mark") << "d.md" << QByteArray("\xfe\xff\0#\0 \x03\xa9\0\n\0b", 12)
                                         << QStringList{"# Ω", "b"};
    QTest::newRow("8-bit code page") << "d.md" << QByteArray("Caf\xe9") << QStringList{"Café"};
    QTest::newRow("Windows-1252 letters") << "d.md" << QByteArray("\x80 \x93q\x94 \xfc") << QStringList{"€ “q” ü"};
    // Only a mark at the very start is one; later it is a character of the text.
    QTest::newRow("mark after the first line") << "d.md" << QByteArray("a\r\n\xef\xbb\xbf" "b")
                                               << QStringList{"a", QString(QChar(0xFEFF)) + "b"};
    QTest::newRow("CR LF, LF and CR") << "d.md" << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"};
    QTest::newRow("final break adds no line") << "d.md" << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("empty lines kept") << "d.md" << QByteArray("\n\na\r\n\r\n") << QStringList{"", "", "a", ""};
    QTest::newRow("empty file") << "d.md" << QByteArray() << QStringList{};
    QTest::newRow("CSV commas") << "t.csv" << QByteArray("a,b\r\n1,2\r\n")
                                << QStringList{"| a | b |", "|---|---|", "| 1 | 2 |"};
    QTest::newRow("CSV blank file") << "t.csv" << QByteArray(" \r\n\t") << QStringList{};
    QTest::newRow("CSV upper-case extension") << "T.CSV" << QByteArray("a,b") << QStringList{"| a | b |", "|---|---|"};
    QTest::newRow("CSV named .txt stays Markdown") << "t.txt" << QByteArray("a,b\n1,2") << QStringList{"a,b", "1,2"};
    QTest::newRow("8-bit CSV") << "t.csv" << QByteArray("Caf\xe9;x") << QStringList{"| Café | x |", "|---|---|"};
  }

  void loads() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    FForm->DosyaAc(file(name, bytes));
    QCOMPARE(FForm->SourceLines.Lines(), lines);
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), lines.join(QStringLiteral("\r\n")));
    QVERIFY(FDesktop->Errors().isEmpty());
  }

  void loadsThroughTheDialogs() {
    // Cancelled dialogs change nothing.
    const QString source = FForm->SourceLines.Text();
    const QString html = FForm->HtmlLines.Text();
    FForm->SetStatusText(QStringLiteral("before"));
    QTest::mouseClick(Control<QToolButton>(*FForm, "ButtonLoad"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonSave"), Qt::LeftButton);
    Control<QAction>(*FForm, "SaveFile1")->trigger();
    QCOMPARE(FDesktop->Dialogs.size(), 3);
    QCOMPARE(FForm->SourceLines.Text(), source);
    QCOMPARE(FForm->HtmlLines.Text(), html);
    QCOMPARE(FForm->StatusText(), QStringLiteral("before"));
    QVERIFY(FDesktop->Errors().isEmpty());
    QVERIFY(QDir(FDir->path()).isEmpty());

    FDesktop->AnswerDialogsWith(file(QStringLiteral("a.md"), "# From the dialog"));
    QTest::mouseClick(Control<QToolButton>(*FForm, "ButtonLoad"), Qt::LeftButton);
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), QStringLiteral("# From the dialog"));
    QCOMPARE(FDesktop->Dialogs.last().FileMode, QFileDialog::ExistingFile);
    FDesktop->AnswerDialogsWith(file(QStringLiteral("b.md"), "# From the menu"));
    Control<QAction>(*FForm, "LoadFile1")->trigger();
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), QStringLiteral("# From the menu"));
  }

  void loadTimeAndAutoConvert() {
    // Without Auto Convert loading does not convert.
    FForm->DosyaAc(file(QStringLiteral("a.md"), "# Loaded"));
    static const QRegularExpression pattern(QStringLiteral("^Load Time: \\d+[.,]\\d{3} sec$"));
    QVERIFY2(pattern.match(FForm->StatusText()).hasMatch(), qPrintable(FForm->StatusText()));
    QVERIFY(!FForm->HtmlLines.Text().contains(QStringLiteral("Loaded")));

    Control<QAction>(*FForm, "AutoConvert1")->trigger();
    FForm->DosyaAc(file(QStringLiteral("b.md"), "# Loaded"));
    QCOMPARE(FForm->HtmlLines.Text(), QStringLiteral("<h1>Loaded</h1>\r\n"));
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit2")->text(), QStringLiteral("<h1>Loaded</h1>"));
    // The load time, written after the conversion, replaces the elapsed time.
    QVERIFY2(pattern.match(FForm->StatusText()).hasMatch(), qPrintable(FForm->StatusText()));
  }

  // Whatever brought the document in, "Save File..." writes its HTML, converted
  // with the settings the window shows.
  void savesWhatTheWindowShows_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("expected");
    QTest::newRow("load dialog") << "dialog" << "<h1>Notes</h1>\r\n";
    QTest::newRow("drop") << "drop" << "<h1>Notes</h1>\r\n";
    QTest::newRow("command line") << "command line" << "<h1>Notes</h1>\r\n";
    QTest::newRow("edit, Auto Convert off") << "edit" << "<p>edited <em>now</em></p>\r\n";
    QTest::newRow("dialect changed") << "dialect" << "<p>a -- b</p>\r\n";
    QTest::newRow("safe mode changed") << "unsafe" << "<p>a <b onclick=\"x\">b</b></p>\r\n";
  }

  void savesWhatTheWindowShows() {
    QFETCH(QString, how);
    QFETCH(QString, expected);
    int conversions = 0;
    auto factory = FForm->ProcessorFactory;
    FForm->ProcessorFactory = [&conversions, factory](glyphmill::TMarkdownProcessorDialect dialect) {
      ++conversions;
      return factory(dialect);
    };
    const QString notes = file(QStringLiteral("notes.md"), "# Notes");
    if (how == "dialog") {
      FDesktop->AnswerDialogsWith(notes);
      QTest::mouseClick(Control<QToolButton>(*FForm, "ButtonLoad"), Qt::LeftButton);
    } else if (how == "drop") {
      QVERIFY(sendDrop(Control<TSynEdit>(*FForm, "SynEdit1"), {notes}));
    } else if (how == "command line") {
      FForm->LoadCommandLineFiles({notes});
    } else if (how == "edit") {
      Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QStringLiteral("edited *now*"));
    } else if (how == "dialect") {
      Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QStringLiteral("a -- b"));
      QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"),
                        Qt::LeftButton);  // "&ndash;" in CommonMark
      Control<QComboBox>(*FForm, "ComboBox1")->setCurrentIndex(2);
    } else if (how == "unsafe") {
      Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QStringLiteral("a <b onclick=\"x\">b</b>"));
      QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
      Control<QCheckBox>(*FForm, "CheckBox1")->click();
    }
    // A loading command converts once, after the load.
    if (how == "dialog" || how == "drop" || how == "command line") {
      QTRY_COMPARE(conversions, 1);
      QCOMPARE(FForm->HtmlLines.Text(), expected);
    }
    const int before = conversions;
    const QString target = FDir->filePath(QStringLiteral("out.html"));
    FDesktop->AnswerDialogsWith(target);
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonSave"), Qt::LeftButton);
    QVERIFY2(FDesktop->Errors().isEmpty(), qPrintable(FDesktop->Errors().join('\n')));
    QCOMPARE(QString::fromUtf8(ReadTestFile(target)), expected);
    // Saving again converts nothing more: the HTML is up to date.
    const int afterFirstSave = conversions;
    QVERIFY(afterFirstSave <= before + 1);
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonSave"), Qt::LeftButton);
    QCOMPARE(conversions, afterFirstSave);
  }

  // With Auto Convert on, a new dialect or safe-mode choice converts at once.
  void autoConvertFollowsTheSettings() {
    Control<QAction>(*FForm, "AutoConvert1")->trigger();
    Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QStringLiteral("a -- b <b onclick=\"x\">c</b>"));
    QVERIFY(FForm->HtmlLines.Text().contains(QStringLiteral("&ndash;")));
    Control<QComboBox>(*FForm, "ComboBox1")->setCurrentIndex(2);
    QVERIFY2(!FForm->HtmlLines.Text().contains(QStringLiteral("&ndash;")), qPrintable(FForm->HtmlLines.Text()));
    QVERIFY(!FForm->HtmlLines.Text().contains(QStringLiteral("<b onclick")));
    Control<QCheckBox>(*FForm, "CheckBox1")->click();
    QVERIFY2(FForm->HtmlLines.Text().contains(QStringLiteral("<b onclick=\"x\">c</b>")),
             qPrintable(FForm->HtmlLines.Text()));
  }

  void unreadableFileKeepsTheDocument_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "missing.md";
    QTest::newRow("folder") << "folder";
    QTest::newRow("inside a file") << "plain.txt/inner.md";
    // Opening these would block (a FIFO without writer) or never end (a device).
    QTest::newRow("FIFO without a writer") << "pipe.md";
    QTest::newRow("link to an endless device") << "zero.md";
  }

  void unreadableFileKeepsTheDocument() {
    QFETCH(QString, name);
    QVERIFY(QDir(FDir->path()).mkdir(QStringLiteral("folder")));
    file(QStringLiteral("plain.txt"), "text");
    QCOMPARE(::mkfifo(QFile::encodeName(FDir->filePath(QStringLiteral("pipe.md"))).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), FDir->filePath(QStringLiteral("zero.md"))));
    FForm->DosyaAc(file(QStringLiteral("before.md"), "kept\r\nlines"));
    FForm->SetStatusText(QStringLiteral("before"));
    const QString path = FDir->filePath(name);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, FForm->DosyaAc(path));
    // Through the dialog the general error handler names file and reason.
    FDesktop->AnswerDialogsWith(path);
    QTest::mouseClick(Control<QToolButton>(*FForm, "ButtonLoad"), Qt::LeftButton);
    expectError(path);
    QCOMPARE(FForm->SourceLines.Lines(), (QStringList{"kept", "lines"}));
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), QStringLiteral("kept\r\nlines"));
    QCOMPARE(FForm->StatusText(), QStringLiteral("before"));
  }

  void savesTheHtmlList() {
    // A longer file already there is replaced whole.
    const QString target = file(QStringLiteral("out.html"), QByteArray(10000, 'x'));
    Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QStringLiteral("# Ωmega\r\n\r\ntext"));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    // Edits in the HTML pane are not saved: the hidden list is.
    Control<TSynEdit>(*FForm, "SynEdit2")->SetText(QStringLiteral("edited"));
    FDesktop->AnswerDialogsWith(target);
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonSave"), Qt::LeftButton);
    QVERIFY(FDesktop->Errors().isEmpty());
    QCOMPARE(ReadTestFile(target), QByteArray("<h1>\xce\xa9mega</h1>\r\n<p>text</p>\r\n"));
    QCOMPARE(FDesktop->Dialogs.last().AcceptMode, QFileDialog::AcceptSave);
    QVERIFY(FDesktop->Dialogs.last().ConfirmsOverwrite);

    Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QStringLiteral("menu"));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    Control<QAction>(*FForm, "SaveFile1")->trigger();
    QCOMPARE(ReadTestFile(target), QByteArray("<p>menu</p>\r\n"));
    // Nothing but the file is left in the folder.
    QCOMPARE(QDir(FDir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.html"});
  }

  void failedSaveKeepsTheOldFile() {
    // A file size limit makes the write fail half-way, as a full disk would (the
    // limit holds for root too).
    const QByteArray old("old content\r\n");
    const QString target = file(QStringLiteral("out.html"), old);
    Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QString(200000, u'a'));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    QVERIFY(FForm->HtmlLines.Text().size() > 100000);

    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    FDesktop->AnswerDialogsWith(target);
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonSave"), Qt::LeftButton);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    expectError(target);
    QVERIFY2(FDesktop->Errors()[0].endsWith(QStringLiteral(": File too large")),
             qPrintable(FDesktop->Errors()[0]));
    QCOMPARE(ReadTestFile(target), old);
    QCOMPARE(QDir(FDir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.html"});
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), QString(200000, u'a'));
  }

  void failedSaveToAFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("a folder") << "folder";
    QTest::newRow("inside a file") << "plain.txt/out.html";
    QTest::newRow("inside a missing folder") << "missing/out.html";
  }

  void failedSaveToAFolder() {
    QFETCH(QString, name);
    QVERIFY(QDir(FDir->path()).mkdir(QStringLiteral("folder")));
    file(QStringLiteral("folder/inner.txt"), "inner");
    file(QStringLiteral("plain.txt"), "plain");
    const QString target = FDir->filePath(name);
    FDesktop->AnswerDialogsWith(target);
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonSave"), Qt::LeftButton);
    expectError(target);
    QCOMPARE(ReadTestFile(FDir->filePath(QStringLiteral("folder/inner.txt"))), QByteArray("inner"));
    QCOMPARE(ReadTestFile(FDir->filePath(QStringLiteral("plain.txt"))), QByteArray("plain"));
    QCOMPARE(QDir(FDir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"folder", "plain.txt"}));
  }

  // On the editors, the bottom bar and the load button.
  void dropsLoadEveryFileInOrder() {
    const QStringList files = {file(QStringLiteral("1.md"), "first"), file(QStringLiteral("2.csv"), "a,b"),
                               file(QStringLiteral("3.txt"), "third")};
    QObject context;  // ends the recording with this function
    recordEditorTexts(&context);
    for (QWidget* target : QList<QWidget*>{Control<TSynEdit>(*FForm, "SynEdit1")->viewport(),
                                           Control<TSynEdit>(*FForm, "SynEdit2")->viewport(),
                                           Control<QWidget>(*FForm, "Panel1"),
                                           Control<QToolButton>(*FForm, "ButtonLoad")}) {
      FShown.clear();
      QVERIFY(sendDrop(target, files));
      QTRY_COMPARE(FShown, (QStringList{"first", "| a | b |\r\n|---|---|", "third"}));
      QCOMPARE(FForm->SourceLines.Lines(), QStringList{"third"});
    }
    QVERIFY(FDesktop->Errors().isEmpty());
  }

  void dropStopsAtAFileThatFails() {
    const QString missing = FDir->filePath(QStringLiteral("missing.md"));
    sendDrop(
        Control<TSynEdit>(*FForm, "SynEdit1")->viewport(),
        {file(QStringLiteral("1.md"), "first"), missing, file(QStringLiteral("3.md"), "third")});
    QTRY_VERIFY(!FDesktop->Errors().isEmpty());
    expectError(missing);
    QCOMPARE(FForm->SourceLines.Lines(), QStringList{"first"});
  }

  void dropOntoThePreviewDoesNotNavigate() {
    QSignalSpy loads(Control<QWebEngineView>(*FForm, "WebBrowser1"), &QWebEngineView::loadFinished);
    Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1);
    QTRY_COMPARE_WITH_TIMEOUT(loads.count(), 1, 30000);
    const QUrl preview = Control<QWebEngineView>(*FForm, "WebBrowser1")->url();
    // The web view draws its page in a child widget that takes drops itself.
    QVERIFY(Control<QWebEngineView>(*FForm, "WebBrowser1")->focusProxy() != nullptr);
    const QString dropped = file(QStringLiteral("dropped.md"), "# dropped");
    FDesktop->UnansweredQuestion = QMessageBox::Discard;  // the edited text is given up
    for (QWidget* target : {static_cast<QWidget*>(Control<QWebEngineView>(*FForm, "WebBrowser1")),
                            Control<QWebEngineView>(*FForm, "WebBrowser1")->focusProxy()}) {
      Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QStringLiteral("before"));
      sendDrop(target, {dropped});
      QTRY_COMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), QStringLiteral("# dropped"));
    }
    QCoreApplication::processEvents();
    QCOMPARE(Control<QWebEngineView>(*FForm, "WebBrowser1")->url(), preview);
    QCOMPARE(loads.count(), 1);
  }

  void refusedDrags() {
    Control<TSynEdit>(*FForm, "SynEdit1")->SetText(QStringLiteral("kept"));
    // A web address is no file.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/a.md"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QCoreApplication::sendEvent(Control<QWidget>(*FForm, "Panel1"), &enter);
    QVERIFY(!enter.isAccepted());
    // Accepting a move would let the source delete the file.
    sendDrop(Control<QWidget>(*FForm, "Panel1"), {file(QStringLiteral("a.md"), "moved")},
             Qt::MoveAction);
    QCoreApplication::processEvents();  // a queued load would run here
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), QStringLiteral("kept"));
  }

  void loadsFilesFromTheCommandLine() {
    QObject context;  // ends the recording with this function
    recordEditorTexts(&context);
    // The files as the program's command line hands them on, Qt's own options
    // left out.
    const TCommandLine commandLine = ParseCommandLine(
        {QStringLiteral("glyphmill"), QStringLiteral("-platform"), QStringLiteral("offscreen"),
         file(QStringLiteral("first.md"), "# one"), file(QStringLiteral("second.csv"), "x;y")});
    FForm->LoadCommandLineFiles(commandLine.Files);
    QTRY_COMPARE(FShown, (QStringList{"# one", "| x | y |\r\n|---|---|"}));
    // No file names load nothing.
    FForm->LoadCommandLineFiles({});
    QCoreApplication::processEvents();
    QCOMPARE(FShown.size(), 2);
    QVERIFY(FDesktop->Errors().isEmpty());
  }
};

QTEST_MAIN(AppDocumentsTest)
#include "AppDocumentsTest.moc"
