// Loading and saving documents in the real main window: dialogs, encodings,
// CSV files, failures, dropped files and files named on the command line.
#include "AppTestForm.h"
#include "Editors.h"
#include "ErrorHandler.h"

#include <QAction>
#include <QCheckBox>
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

namespace {

QString editorTextOf(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")); }

void sendDrop(QWidget* target, const QList<QUrl>& urls, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint where = target->rect().center();
  QDragEnterEvent enter(where, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(where, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
}

QList<QUrl> fileUrls(const QStringList& files) {
  QList<QUrl> urls;
  for (const QString& file : files) urls.append(QUrl::fromLocalFile(file));
  return urls;
}

}  // namespace

class AppDocumentsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void init();
  void cleanup();
  void loadsTextFiles_data();
  void loadsTextFiles();
  void loadsCsvFiles_data();
  void loadsCsvFiles();
  void loadsThroughTheDialog();
  void cancelledDialogsDoNothing();
  void showsLoadTime();
  void convertsAfterLoadWithAutoConvert();
  void unreadableFileKeepsTheDocument_data();
  void unreadableFileKeepsTheDocument();
  void savesTheHtmlList();
  void saveReplacesAnExistingFileWhole();
  void failedSaveKeepsTheOldFile();
  void failedSaveToAFolder_data();
  void failedSaveToAFolder();
  void dropsLoadEveryFileInOrder_data();
  void dropsLoadEveryFileInOrder();
  void dropStopsAtAFileThatFails();
  void dropOntoThePreviewDoesNotNavigate();
  void dragsWithoutFilesAreLeftAlone();
  void moveOnlyDragIsRefused();
  void loadsFilesFromTheCommandLine();

 private:
  QString file(const QString& name, const QByteArray& bytes);

  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TTestForm> FForm;
  QStringList FErrors;
};

void AppDocumentsTest::init() {
  FDir = std::make_unique<QTemporaryDir>();
  QVERIFY(FDir->isValid());
  FErrors.clear();
  ErrorHandler::SetHook([this](const QString& message) { FErrors.append(message); });
  FForm = std::make_unique<TTestForm>();
}

void AppDocumentsTest::cleanup() {
  FForm.reset();
  ErrorHandler::SetHook(nullptr);
}

QString AppDocumentsTest::file(const QString& name, const QByteArray& bytes) {
  const QString path = FDir->filePath(name);
  WriteTestFile(path, bytes);
  return path;
}

void AppDocumentsTest::loadsTextFiles_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QStringList>("lines");
  QTest::newRow("UTF-8") << QByteArray("# T\xc3\xa9st\r\nline") << QStringList{"# Tést", "line"};
  QTest::newRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbf# Title\r\ntext")
                                   << QStringList{"# Title", "text"};
  QTest::newRow("UTF-16 LE with mark") << QByteArray("\xff\xfe#\0 \0\xa9\x03\n\0b\0", 12)
                                       << QStringList{"# Ω", "b"};
  QTest::newRow("UTF-16 BE with mark") << QByteArray("\xfe\xff\0#\0 \x03\xa9\0\n\0b", 12)
                                       << QStringList{"# Ω", "b"};
  QTest::newRow("8-bit code page") << QByteArray("Caf\xe9") << QStringList{"Café"};
  QTest::newRow("8-bit code page, Windows-1252 letters")
      << QByteArray("\x80 \x93q\x94 \xfc") << QStringList{"€ “q” ü"};
  // Only a mark at the very start is one; later it is a character of the text.
  QTest::newRow("mark after the first line") << QByteArray("a\r\n\xef\xbb\xbf" "b")
                                             << QStringList{"a", QString(QChar(0xFEFF)) + "b"};
  QTest::newRow("CR LF, LF and CR") << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"};
  QTest::newRow("final break adds no line") << QByteArray("a\nb\n") << QStringList{"a", "b"};
  QTest::newRow("empty lines kept") << QByteArray("\n\na\r\n\r\n") << QStringList{"", "", "a", ""};
  QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void AppDocumentsTest::loadsTextFiles() {
  QFETCH(QByteArray, bytes);
  QFETCH(QStringList, lines);
  FForm->DosyaAc(file(QStringLiteral("doc.md"), bytes));
  QCOMPARE(FForm->SourceLines.Lines(), lines);
  QCOMPARE(FForm->SynEdit1->text(), editorTextOf(lines));
  QVERIFY(FForm->SynEdit1->isEnabled());
  QVERIFY(FErrors.isEmpty());
}

void AppDocumentsTest::loadsCsvFiles_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QStringList>("lines");
  QTest::newRow("commas") << "t.csv" << QByteArray("a,b\r\n1,2\r\n")
                          << QStringList{"| a | b |", "|---|---|", "| 1 | 2 |"};
  QTest::newRow("semicolons") << "t.csv" << QByteArray("x;y;z\n1;2;3")
                              << QStringList{"| x | y | z |", "|---|---|---|", "| 1 | 2 | 3 |"};
  QTest::newRow("comma wins a tie") << "t.csv" << QByteArray("a,b;c")
                                    << QStringList{"| a | b;c |", "|---|---|"};
  QTest::newRow("no candidate") << "t.csv" << QByteArray("alpha\nbeta")
                                << QStringList{"| alpha |", "|---|", "| beta |"};
  QTest::newRow("quotes") << "t.csv" << QByteArray("\"say \"\"hi\"\"\",\"one\r\ntwo\"")
                          << QStringList{"| say \"hi\" | one<br>two |", "|---|---|"};
  QTest::newRow("empty line and line of blanks") << "t.csv" << QByteArray("a\n\n  \nb")
                                                 << QStringList{"| a |", "|---|", "|  |", "| b |"};
  QTest::newRow("blank file") << "t.csv" << QByteArray(" \r\n\t") << QStringList{};
  QTest::newRow("upper-case extension") << "T.CSV" << QByteArray("a,b")
                                        << QStringList{"| a | b |", "|---|---|"};
  QTest::newRow("mixed-case extension") << "t.Csv" << QByteArray("a;b")
                                        << QStringList{"| a | b |", "|---|---|"};
  QTest::newRow("CSV named .txt stays Markdown") << "t.txt" << QByteArray("a,b\n1,2")
                                                 << QStringList{"a,b", "1,2"};
  QTest::newRow("8-bit CSV") << "t.csv" << QByteArray("Caf\xe9;x") << QStringList{"| Café | x |", "|---|---|"};
}

void AppDocumentsTest::loadsCsvFiles() {
  QFETCH(QString, name);
  QFETCH(QByteArray, bytes);
  QFETCH(QStringList, lines);
  FForm->DosyaAc(file(name, bytes));
  QCOMPARE(FForm->SourceLines.Lines(), lines);
  QCOMPARE(FForm->SynEdit1->text(), editorTextOf(lines));
}

void AppDocumentsTest::loadsThroughTheDialog() {
  FForm->DialogAnswer = file(QStringLiteral("a.md"), "# From the dialog");
  QTest::mouseClick(FForm->ButtonLoad, Qt::LeftButton);
  QCOMPARE(FForm->DialogCount, 1);
  QCOMPARE(FForm->SynEdit1->text(), QStringLiteral("# From the dialog"));
  QCOMPARE(FForm->DialogMode, QFileDialog::AcceptOpen);
  QCOMPARE(FForm->DialogFileMode, QFileDialog::ExistingFile);
  QCOMPARE(FForm->DialogFilters, (QStringList{"Markdown File (*.txt *.csv *.md *.markdown)", "Any File (*)"}));
  QCOMPARE(FForm->DialogSuffix, QStringLiteral("md"));

  FForm->DialogAnswer = file(QStringLiteral("b.md"), "# From the menu");
  FForm->LoadFile1->trigger();
  QCOMPARE(FForm->DialogCount, 2);
  QCOMPARE(FForm->SynEdit1->text(), QStringLiteral("# From the menu"));
  // Loading does not convert.
  QVERIFY(!FForm->HtmlLines.Text().contains(QStringLiteral("From the")));
}

void AppDocumentsTest::cancelledDialogsDoNothing() {
  const QString source = FForm->SourceLines.Text();
  const QString html = FForm->HtmlLines.Text();
  FForm->SetStatusText(QStringLiteral("before"));
  FForm->DialogAnswer.clear();
  QTest::mouseClick(FForm->ButtonLoad, Qt::LeftButton);
  QTest::mouseClick(FForm->ButtonSave, Qt::LeftButton);
  FForm->SaveFile1->trigger();
  QCOMPARE(FForm->DialogCount, 3);
  QCOMPARE(FForm->SourceLines.Text(), source);
  QCOMPARE(FForm->HtmlLines.Text(), html);
  QCOMPARE(FForm->StatusText(), QStringLiteral("before"));
  QVERIFY(FErrors.isEmpty());
  QVERIFY(QDir(FDir->path()).isEmpty());
}

void AppDocumentsTest::showsLoadTime() {
  FForm->DosyaAc(file(QStringLiteral("a.md"), "x"));
  static const QRegularExpression pattern(QStringLiteral("^Load Time: \\d+[.,]\\d{3} sec$"));
  QVERIFY2(pattern.match(FForm->StatusText()).hasMatch(), qPrintable(FForm->StatusText()));
}

void AppDocumentsTest::convertsAfterLoadWithAutoConvert() {
  FForm->AutoConvert1->trigger();
  QVERIFY(FForm->AutoConvert1->isChecked());
  FForm->DosyaAc(file(QStringLiteral("a.md"), "# Loaded"));
  QCOMPARE(FForm->HtmlLines.Text(), QStringLiteral("<h1>Loaded</h1>\r\n"));
  QCOMPARE(FForm->SynEdit2->text(), QStringLiteral("<h1>Loaded</h1>"));
  // The load time, written after the conversion, replaces the elapsed time.
  QVERIFY2(FForm->StatusText().startsWith(QStringLiteral("Load Time: ")), qPrintable(FForm->StatusText()));
}

void AppDocumentsTest::unreadableFileKeepsTheDocument_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("missing file") << "missing.md";
  QTest::newRow("folder") << "folder";
  QTest::newRow("inside a file") << "plain.txt/inner.md";
}

void AppDocumentsTest::unreadableFileKeepsTheDocument() {
  QFETCH(QString, name);
  QVERIFY(QDir(FDir->path()).mkdir(QStringLiteral("folder")));
  file(QStringLiteral("plain.txt"), "text");
  FForm->DosyaAc(file(QStringLiteral("before.md"), "kept\r\nlines"));
  FForm->SetStatusText(QStringLiteral("before"));
  const QString path = FDir->filePath(name);
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, FForm->DosyaAc(path));

  // The same through the dialog: the general error handler names file and reason.
  FForm->DialogAnswer = path;
  QTest::mouseClick(FForm->ButtonLoad, Qt::LeftButton);
  QCOMPARE(FErrors.size(), 1);
  QVERIFY2(FErrors[0].startsWith(path + QStringLiteral(": ")), qPrintable(FErrors[0]));
  QVERIFY2(FErrors[0].size() > path.size() + 2, qPrintable(FErrors[0]));
  QCOMPARE(FForm->SourceLines.Lines(), (QStringList{"kept", "lines"}));
  QCOMPARE(FForm->SynEdit1->text(), QStringLiteral("kept\r\nlines"));
  QCOMPARE(FForm->StatusText(), QStringLiteral("before"));
}

void AppDocumentsTest::savesTheHtmlList() {
  FForm->SynEdit1->SetText(QStringLiteral("# Ωmega\r\n\r\ntext"));
  QTest::mouseClick(FForm->ButtonConvert, Qt::LeftButton);
  // Edits in the HTML pane are not saved: the hidden list is.
  FForm->SynEdit2->SetText(QStringLiteral("edited"));
  const QString target = FDir->filePath(QStringLiteral("out.html"));
  FForm->DialogAnswer = target;
  QTest::mouseClick(FForm->ButtonSave, Qt::LeftButton);
  QVERIFY(FErrors.isEmpty());
  QCOMPARE(ReadTestFile(target), QByteArray("<h1>\xce\xa9mega</h1>\r\n<p>text</p>\r\n"));
  QCOMPARE(FForm->DialogMode, QFileDialog::AcceptSave);
  QCOMPARE(FForm->DialogFilters, (QStringList{"HTML File (*.html)", "Any File (*)"}));
  QCOMPARE(FForm->DialogSuffix, QStringLiteral("html"));
  QVERIFY(FForm->DialogConfirmsOverwrite);

  FForm->SynEdit1->SetText(QStringLiteral("menu"));
  QTest::mouseClick(FForm->ButtonConvert, Qt::LeftButton);
  FForm->SaveFile1->trigger();
  QCOMPARE(ReadTestFile(target), QByteArray("<p>menu</p>\r\n"));
  // Nothing but the file is left in the folder.
  QCOMPARE(QDir(FDir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.html"});
}

void AppDocumentsTest::saveReplacesAnExistingFileWhole() {
  const QString target = file(QStringLiteral("out.html"), QByteArray(10000, 'x'));
  FForm->SynEdit1->SetText(QStringLiteral("short"));
  QTest::mouseClick(FForm->ButtonConvert, Qt::LeftButton);
  FForm->DosyaKaydet(target);
  QCOMPARE(ReadTestFile(target), QByteArray("<p>short</p>\r\n"));
}

void AppDocumentsTest::failedSaveKeepsTheOldFile() {
  // A file size limit makes the write fail half-way, as a full disk would (the
  // limit holds for root too).
  const QByteArray old("old content\r\n");
  const QString target = file(QStringLiteral("out.html"), old);
  FForm->SynEdit1->SetText(QString(200000, u'a'));
  QTest::mouseClick(FForm->ButtonConvert, Qt::LeftButton);
  QVERIFY(FForm->HtmlLines.Text().size() > 100000);

  rlimit saved{};
  QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
  FForm->DialogAnswer = target;
  QTest::mouseClick(FForm->ButtonSave, Qt::LeftButton);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  QCOMPARE(FErrors.size(), 1);
  QVERIFY2(FErrors[0].startsWith(target + QStringLiteral(": ")), qPrintable(FErrors[0]));
  QCOMPARE(ReadTestFile(target), old);
  QCOMPARE(QDir(FDir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.html"});
}

void AppDocumentsTest::failedSaveToAFolder_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("a folder") << "folder";
  QTest::newRow("inside a file") << "plain.txt/out.html";
  QTest::newRow("inside a missing folder") << "missing/out.html";
}

void AppDocumentsTest::failedSaveToAFolder() {
  QFETCH(QString, name);
  QVERIFY(QDir(FDir->path()).mkdir(QStringLiteral("folder")));
  file(QStringLiteral("folder/inner.txt"), "inner");
  file(QStringLiteral("plain.txt"), "plain");
  const QString target = FDir->filePath(name);
  FForm->DialogAnswer = target;
  QTest::mouseClick(FForm->ButtonSave, Qt::LeftButton);
  QCOMPARE(FErrors.size(), 1);
  QVERIFY2(FErrors[0].startsWith(target + QStringLiteral(": ")), qPrintable(FErrors[0]));
  QVERIFY(QFileInfo(FDir->filePath(QStringLiteral("folder"))).isDir());
  QCOMPARE(ReadTestFile(FDir->filePath(QStringLiteral("folder/inner.txt"))), QByteArray("inner"));
  QCOMPARE(ReadTestFile(FDir->filePath(QStringLiteral("plain.txt"))), QByteArray("plain"));
  QCOMPARE(QDir(FDir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           (QStringList{"folder", "plain.txt"}));
}

void AppDocumentsTest::dropsLoadEveryFileInOrder_data() {
  QTest::addColumn<QString>("target");
  QTest::newRow("source editor") << "SynEdit1";
  QTest::newRow("HTML editor") << "SynEdit2";
  QTest::newRow("bottom bar") << "Panel1";
  QTest::newRow("load button") << "ButtonLoad";
}

void AppDocumentsTest::dropsLoadEveryFileInOrder() {
  QFETCH(QString, target);
  QWidget* widget = target == "SynEdit1"   ? FForm->SynEdit1->viewport()
                    : target == "SynEdit2" ? FForm->SynEdit2->viewport()
                    : target == "Panel1"   ? FForm->Panel1
                                           : static_cast<QWidget*>(FForm->ButtonLoad);
  const QStringList files = {file(QStringLiteral("1.md"), "first"), file(QStringLiteral("2.csv"), "a,b"),
                             file(QStringLiteral("3.txt"), "third")};
  QStringList shown;
  QObject context;  // ends the connection with this function
  connect(FForm->SynEdit1, &TSynEdit::Changed, &context, [&] { shown.append(FForm->SynEdit1->text()); });
  sendDrop(widget, fileUrls(files));
  QTRY_COMPARE(shown, (QStringList{"first", "| a | b |\r\n|---|---|", "third"}));
  QCOMPARE(FForm->SourceLines.Lines(), QStringList{"third"});
  QVERIFY(FErrors.isEmpty());
}

void AppDocumentsTest::dropStopsAtAFileThatFails() {
  const QString missing = FDir->filePath(QStringLiteral("missing.md"));
  const QStringList files = {file(QStringLiteral("1.md"), "first"), missing, file(QStringLiteral("3.md"), "third")};
  sendDrop(FForm->SynEdit1->viewport(), fileUrls(files));
  QTRY_COMPARE(FErrors.size(), 1);
  QVERIFY2(FErrors[0].startsWith(missing + QStringLiteral(": ")), qPrintable(FErrors[0]));
  QCOMPARE(FForm->SynEdit1->text(), QStringLiteral("first"));
  QCOMPARE(FForm->SourceLines.Lines(), QStringList{"first"});
}

void AppDocumentsTest::dropOntoThePreviewDoesNotNavigate() {
  QSignalSpy loads(FForm->WebBrowser1, &QWebEngineView::loadFinished);
  FForm->PageControl1->setCurrentIndex(1);
  QTRY_COMPARE_WITH_TIMEOUT(loads.count(), 1, 30000);
  const QUrl preview = FForm->WebBrowser1->url();
  QVERIFY(preview.toLocalFile().endsWith(QStringLiteral("/temp.html")));
  // The web view draws its page in a child widget that takes drops itself.
  QVERIFY(FForm->WebBrowser1->focusProxy() != nullptr);
  const QString dropped = file(QStringLiteral("dropped.md"), "# dropped");
  for (QWidget* target : {static_cast<QWidget*>(FForm->WebBrowser1), FForm->WebBrowser1->focusProxy()}) {
    FForm->SynEdit1->SetText(QStringLiteral("before"));
    sendDrop(target, fileUrls({dropped}));
    QTRY_COMPARE(FForm->SynEdit1->text(), QStringLiteral("# dropped"));
  }
  QCoreApplication::processEvents();
  QCOMPARE(FForm->WebBrowser1->url(), preview);
  QCOMPARE(loads.count(), 1);
}

void AppDocumentsTest::dragsWithoutFilesAreLeftAlone() {
  QMimeData data;
  data.setUrls({QUrl(QStringLiteral("https://example.org/a.md"))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  enter.ignore();
  QCoreApplication::sendEvent(FForm->Panel1, &enter);
  QVERIFY(!enter.isAccepted());

  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(file(QStringLiteral("a.md"), "a"))});
  QDragEnterEvent fileEnter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  fileEnter.ignore();
  QCoreApplication::sendEvent(FForm->Panel1, &fileEnter);
  QVERIFY(fileEnter.isAccepted());
  QCOMPARE(fileEnter.dropAction(), Qt::CopyAction);
}

void AppDocumentsTest::moveOnlyDragIsRefused() {
  // Accepting a move would let the source delete the file.
  FForm->SynEdit1->SetText(QStringLiteral("kept"));
  sendDrop(FForm->Panel1, fileUrls({file(QStringLiteral("a.md"), "moved")}), Qt::MoveAction);
  QTest::qWait(0);
  QCoreApplication::processEvents();
  QCOMPARE(FForm->SynEdit1->text(), QStringLiteral("kept"));
}

void AppDocumentsTest::loadsFilesFromTheCommandLine() {
  const QString first = file(QStringLiteral("first.md"), "# one");
  const QString second = file(QStringLiteral("second.csv"), "x;y");
  QStringList shown;
  QObject context;  // ends the connection with this function
  connect(FForm->SynEdit1, &TSynEdit::Changed, &context, [&] { shown.append(FForm->SynEdit1->text()); });
  FForm->LoadCommandLineFiles({QStringLiteral("glyphmill"), first, second});
  QTRY_COMPARE(shown, (QStringList{"# one", "| x | y |\r\n|---|---|"}));
  // The program name alone loads nothing.
  FForm->LoadCommandLineFiles({QStringLiteral("glyphmill")});
  QCoreApplication::processEvents();
  QCOMPARE(shown.size(), 2);
  QVERIFY(FErrors.isEmpty());
}

QTEST_MAIN(AppDocumentsTest)
#include "AppDocumentsTest.moc"
