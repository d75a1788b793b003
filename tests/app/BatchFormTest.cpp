// The batch window driving the real main window: its rules for output names
// and folder scans, the dialogs, drops, and runs that succeed, fail or are
// interrupted.
#include "AppTestForm.h"
#include "BatchForm.h"
#include "Editors.h"
#include "ErrorHandler.h"
#include "Languages.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <dirent.h>

namespace {

// How a dialog was set up when the window showed it.
struct TDialogSeen {
  QString Title;
  QString AcceptLabel;
  QString Directory;
  QFileDialog::FileMode FileMode = QFileDialog::AnyFile;
  QStringList Filters;
  bool NonNative = false;
  bool SeveralFolders = false;
};

// The entries of a folder in the order the file system lists them, read with
// the system's own directory reader.
QStringList systemOrder(const QString& dirName) {
  QStringList names;
  DIR* dir = opendir(QFile::encodeName(dirName).constData());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    const QString name = QFile::decodeName(entry->d_name);
    if (name != "." && name != "..") names.append(name);
  }
  closedir(dir);
  return names;
}

// What a folder scan must give: Markdown files where they are listed, each
// subfolder's files (when included) where the subfolder is listed.
QStringList expectedScan(const QString& dirName, bool subfolders) {
  QStringList files;
  for (const QString& name : systemOrder(dirName)) {
    const QString path = dirName + "/" + name;
    if (QFileInfo(path).isDir()) {
      if (subfolders) files += expectedScan(path, true);
    } else if (QRegularExpression("\\.(md|markdown|txt|csv)$", QRegularExpression::CaseInsensitiveOption)
                   .match(name)
                   .hasMatch()) {
      files.append(path);
    }
  }
  return files;
}

void sendDrop(QWidget* target, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint where = target->rect().center();
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(where, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(where, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
}

QString listText(const QStringList& lines) { return lines.join("\r\n"); }

}  // namespace

class BatchFormTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void init();
  void cleanup();

  // Rules.
  void outputNames_data();
  void outputNames();
  void uniqueNames_data();
  void uniqueNames();
  void markdownFamily_data();
  void markdownFamily();
  void scanDoesNotLoopThroughLinks();

  // The window.
  void menuAndLoadButtonOpenBatchWindows();
  void loadButtonStillLoadsOnAPlainClick();
  void layout();
  void listPopupActsOnTheList();
  void addFilesDialog();
  void folderScan_data();
  void folderScan();
  void addFolderPicksSeveralFolders();
  void browsePicksTheOutputFolder();
  void twoWindowsFollowTheirOwnCheckBoxes();
  void droppedPathsAreAddedAndConverted();

  // Runs.
  void sameNameInTwoFolders();
  void runningTwiceNeverOverwrites();
  void blankLinesSkippedAndPathsTrimmed();
  void csvInputGoesThroughTheImport();
  void outputEqualsWhatTheMainWindowSaves_data();
  void outputEqualsWhatTheMainWindowSaves();
  void emptyListWarns_data();
  void emptyListWarns();
  void emptyOutputFolderIsRefused();
  void unreadableFileStopsTheRun();
  void windowStaysResponsiveDuringARun();
  void closingDuringARunStopsAfterTheCurrentFile();
  void closingTheMainWindowClosesBatchWindows();

 private:
  QString file(const QString& name, const QByteArray& bytes);
  TFormBatch* openBatch();
  void run(TFormBatch* batch);
  // Calls `onConvert` before every conversion of the main window.
  void watchConversions(std::function<void()> onConvert);

  std::unique_ptr<QTemporaryDir> FDir;
  QString FOut;
  std::unique_ptr<TTestForm> FForm;
  QStringList FErrors;
  QList<TBatchMessage> FMessages;
  int FBeeps = 0;
  QList<QStringList> FDialogAnswers;
  QList<TDialogSeen> FDialogs;
};

void BatchFormTest::initTestCase() {
  QStandardPaths::setTestModeEnabled(true);  // keep the user's settings out of it
}

void BatchFormTest::init() {
  FDir = std::make_unique<QTemporaryDir>();
  QVERIFY(FDir->isValid());
  FOut = FDir->filePath("out");
  QVERIFY(QDir().mkdir(FOut));
  FErrors.clear();
  FMessages.clear();
  FBeeps = 0;
  FDialogAnswers.clear();
  FDialogs.clear();
  TFormBatch::LastFolder.clear();
  ErrorHandler::SetHook([this](const QString& message) { FErrors.append(message); });
  TFormBatch::SetMessageHook([this](const TBatchMessage& message) { FMessages.append(message); });
  TFormBatch::SetBeepHook([this] { ++FBeeps; });
  TFormBatch::SetDialogHook([this](QFileDialog& dialog) {
    TDialogSeen seen;
    seen.Title = dialog.windowTitle();
    seen.AcceptLabel = dialog.labelText(QFileDialog::Accept);
    seen.Directory = dialog.directory().absolutePath();
    seen.FileMode = dialog.fileMode();
    seen.Filters = dialog.nameFilters();
    seen.NonNative = dialog.testOption(QFileDialog::DontUseNativeDialog);
    const auto views = dialog.findChildren<QListView*>();
    seen.SeveralFolders = !views.isEmpty();
    for (QAbstractItemView* view : views) {
      seen.SeveralFolders &= view->selectionMode() == QAbstractItemView::ExtendedSelection;
    }
    FDialogs.append(seen);
    return FDialogAnswers.isEmpty() ? QStringList() : FDialogAnswers.takeFirst();
  });
  FForm = std::make_unique<TTestForm>();
}

void BatchFormTest::cleanup() {
  FForm.reset();
  ErrorHandler::SetHook(nullptr);
  TFormBatch::SetMessageHook(nullptr);
  TFormBatch::SetBeepHook(nullptr);
  TFormBatch::SetDialogHook(nullptr);
}

QString BatchFormTest::file(const QString& name, const QByteArray& bytes) {
  const QString path = FDir->filePath(name);
  QDir().mkpath(QFileInfo(path).path());
  WriteTestFile(path, bytes);
  return path;
}

TFormBatch* BatchFormTest::openBatch() {
  const int before = int(FForm->findChildren<TFormBatch*>().size());
  FForm->BatchProcessing1->trigger();
  const auto windows = FForm->findChildren<TFormBatch*>();
  if (windows.size() != before + 1) return nullptr;
  TFormBatch* batch = windows.last();
  batch->Edit1->setText(FOut);
  return batch;
}

void BatchFormTest::run(TFormBatch* batch) {
  QTest::mouseClick(batch->ButtonStart, Qt::LeftButton);
}

void BatchFormTest::watchConversions(std::function<void()> onConvert) {
  FForm->ProcessorFactory = [onConvert, original = FForm->ProcessorFactory](
                                glyphmill::TMarkdownProcessorDialect dialect) {
    onConvert();
    return original(dialect);
  };
}

// Rules.

void BatchFormTest::outputNames_data() {
  QTest::addColumn<QString>("input");
  QTest::addColumn<QString>("folder");
  QTest::addColumn<QString>("output");
  QTest::newRow("markdown") << "/in/readme.md" << "/out" << "/out/readme.html";
  QTest::newRow("folder with separator") << "/in/readme.md" << "/out/" << "/out/readme.html";
  QTest::newRow("last dot only") << "/in/a.b.markdown" << "/out" << "/out/a.b.html";
  QTest::newRow("no extension") << "/in/notes" << "/out" << "/out/notes.html";
  QTest::newRow("dot in the folder only") << "/in.d/notes" << "/out" << "/out/notes.html";
  QTest::newRow("html input") << "/in/page.html" << "/out" << "/out/page.html";
  QTest::newRow("relative input") << "x.csv" << "/out" << "/out/x.html";
}

void BatchFormTest::outputNames() {
  QFETCH(QString, input);
  QFETCH(QString, folder);
  QFETCH(QString, output);
  QCOMPARE(BatchOutputName(input, folder), output);
}

void BatchFormTest::uniqueNames_data() {
  QTest::addColumn<QStringList>("existing");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("unique");
  QTest::newRow("free") << QStringList{} << "x.html" << "x.html";
  QTest::newRow("taken once") << QStringList{"x.html"} << "x.html" << "x (2).html";
  QTest::newRow("taken three times") << QStringList{"x.html", "x (2).html", "x (3).html"}
                                     << "x.html" << "x (4).html";
  QTest::newRow("gap is used") << QStringList{"x.html", "x (3).html"} << "x.html" << "x (2).html";
  QTest::newRow("by a folder") << QStringList{"x.html/"} << "x.html" << "x (2).html";
  QTest::newRow("by a dangling link") << QStringList{"x.html@"} << "x.html" << "x (2).html";
  QTest::newRow("no extension") << QStringList{"x"} << "x" << "x (2)";
  QTest::newRow("last dot") << QStringList{"a.b.html"} << "a.b.html" << "a.b (2).html";
  QTest::newRow("letter case differs") << QStringList{"X.html"} << "x.html" << "x.html";
}

void BatchFormTest::uniqueNames() {
  QFETCH(QStringList, existing);
  QFETCH(QString, name);
  QFETCH(QString, unique);
  for (QString entry : existing) {
    if (entry.endsWith('/')) {
      QVERIFY(QDir(FOut).mkdir(entry.chopped(1)));
    } else if (entry.endsWith('@')) {
      QVERIFY(QFile::link(FOut + "/nowhere", FOut + "/" + entry.chopped(1)));
    } else {
      WriteTestFile(FOut + "/" + entry, "old");
    }
  }
  QCOMPARE(UniqueFileName(FOut + "/" + name), FOut + "/" + unique);
}

void BatchFormTest::markdownFamily_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<bool>("added");
  QTest::newRow("md") << "/d/a.md" << true;
  QTest::newRow("upper case MD") << "/d/PAGE.MD" << true;
  QTest::newRow("markdown") << "/d/a.Markdown" << true;
  QTest::newRow("txt") << "/d/a.txt" << true;
  QTest::newRow("csv") << "/d/a.CSV" << true;
  QTest::newRow("hidden md") << "/d/.notes.md" << true;
  QTest::newRow("xhtml") << "/d/page.xhtml" << false;
  QTest::newRow("html") << "/d/page.html" << false;
  QTest::newRow("md inside the name") << "/d/a.md.bak" << false;
  QTest::newRow("no extension") << "/d/md" << false;
  QTest::newRow("dot in the folder") << "/d.md/readme" << false;
}

void BatchFormTest::markdownFamily() {
  QFETCH(QString, path);
  QFETCH(bool, added);
  QCOMPARE(IsMarkdownFile(path), added);
}

void BatchFormTest::scanDoesNotLoopThroughLinks() {
  const QString a = file("tree/a.md", "a");
  QVERIFY(QFile::link(FDir->filePath("tree"), FDir->filePath("tree/back")));
  const QStringList files = MarkdownFilesInDir(FDir->filePath("tree"), true);
  QCOMPARE(files, QStringList{a});
}

// The window.

void BatchFormTest::menuAndLoadButtonOpenBatchWindows() {
  QVERIFY(FForm->BatchProcessing1->isVisible());
  QVERIFY(FForm->N5->isVisible());
  QCOMPARE(FForm->ButtonLoad->menu(), FForm->PopupMenu3);
  QCOMPARE(FForm->ButtonLoad->popupMode(), QToolButton::MenuButtonPopup);
  QCOMPARE(FForm->PopupMenu3->actions(), QList<QAction*>{FForm->BatchProcessing2});
  QVERIFY(!FForm->BatchProcessing2->icon().isNull());

  FForm->BatchProcessing1->trigger();
  FForm->BatchProcessing1->trigger();
  FForm->BatchProcessing2->trigger();
  const auto windows = FForm->findChildren<TFormBatch*>();
  QCOMPARE(windows.size(), 3);
  for (TFormBatch* batch : windows) {
    QVERIFY(batch->isWindow());
    QVERIFY(batch->isVisible());
    QCOMPARE(batch->windowModality(), Qt::NonModal);
  }
  // Each window has its own list.
  windows[0]->SynEdit1->SetText("only here");
  QCOMPARE(windows[1]->SynEdit1->text(), QString());
  // A closed window goes away.
  QPointer<TFormBatch> closed = windows[2];
  closed->close();
  QTRY_VERIFY(closed.isNull());
}

void BatchFormTest::loadButtonStillLoadsOnAPlainClick() {
  FForm->DialogAnswer = file("loaded.md", "# loaded");
  QTest::mouseClick(FForm->ButtonLoad, Qt::LeftButton);
  QCOMPARE(FForm->DialogCount, 1);
  QCOMPARE(FForm->SynEdit1->text(), QString("# loaded"));
  QVERIFY(FForm->findChildren<TFormBatch*>().isEmpty());
}

void BatchFormTest::layout() {
  FForm->BatchProcessing1->trigger();
  TFormBatch* batch = FForm->findChild<TFormBatch*>();
  QVERIFY(batch != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(batch));
  QCOMPARE(batch->windowTitle(), QString("Batch Processing"));
  QCOMPARE(batch->size(), QSize(587, 441));
  QCOMPARE(batch->Panel1->height(), 41);
  QCOMPARE(batch->Panel2->height(), 41);
  for (QPushButton* button : {batch->Button3, batch->Button4, batch->Button1, batch->ButtonStart}) {
    QCOMPARE(button->size(), QSize(120, 35));
    QVERIFY2(!button->icon().isNull(), qPrintable(button->text()));
  }
  QCOMPARE(batch->Button3->text(), QString("Add Files..."));
  QCOMPARE(batch->Button4->text(), QString("Add Folder..."));
  QCOMPARE(batch->IncludeSubfolders1->text(), QString("Include Subfolders"));
  QVERIFY(!batch->IncludeSubfolders1->isChecked());
  QCOMPARE(batch->Label1->text(), QString("Output Directory:"));
  QCOMPARE(batch->Button1->text(), QString("Browse..."));
  QCOMPARE(batch->ButtonStart->text(), QString("START"));
  QCOMPARE(batch->Edit1->text(),
           QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)));
  // From top to bottom: top bar, list, bottom bar, status bar.
  QVERIFY(batch->Panel2->geometry().bottom() < batch->SynEdit1->geometry().top());
  QVERIFY(batch->SynEdit1->geometry().bottom() < batch->Panel1->geometry().top());
  QVERIFY(batch->Panel1->geometry().bottom() < batch->StatusBar1->geometry().top());
  QVERIFY(batch->StatusPanel0->width() >= 50);
  // The list editor: plain text with line numbers.
  QCOMPARE(batch->SynEdit1->lexer(), nullptr);
  QVERIFY(batch->SynEdit1->marginLineNumbers(1));
}

void BatchFormTest::listPopupActsOnTheList() {
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  QStringList captions;
  for (QAction* action : batch->PopupMenu1->actions())
    captions << (action->isSeparator() ? "-" : action->text());
  QCOMPARE(captions, (QStringList{"Undo", "-", "Cut", "Copy", "Paste", "Delete", "-", "Select All"}));
  FForm->SynEdit1->SetText("main source");
  batch->SynEdit1->SetText("/a.md");
  batch->SelectAll1->trigger();
  QVERIFY(batch->SynEdit1->hasSelectedText());
  QVERIFY(!FForm->SynEdit1->hasSelectedText());
  batch->Delete1->trigger();
  QCOMPARE(batch->SynEdit1->text(), QString());
  batch->Undo1->trigger();
  QCOMPARE(batch->SynEdit1->text(), QString("/a.md"));
  QCOMPARE(FForm->SynEdit1->text(), QString("main source"));
}

void BatchFormTest::addFilesDialog() {
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  FDialogAnswers = {{"/docs/one.md"}, {}, {"/docs/two.csv"}};
  QTest::mouseClick(batch->Button3, Qt::LeftButton);
  QTest::mouseClick(batch->Button3, Qt::LeftButton);  // cancelled
  QTest::mouseClick(batch->Button3, Qt::LeftButton);
  QCOMPARE(batch->SynEdit1->text(), listText({"/docs/one.md", "/docs/two.csv"}));
  QCOMPARE(FDialogs.size(), 3);
  QCOMPARE(FDialogs[0].FileMode, QFileDialog::ExistingFile);
  QCOMPARE(FDialogs[0].Filters,
           (QStringList{"Markdown File (*.txt *.csv *.md *.markdown)", "Any File (*)"}));
  // A list that ends with an empty line gets the next path on that line.
  batch->SynEdit1->SetText("/typed.md\r\n");
  FDialogAnswers = {{"/docs/three.md"}};
  QTest::mouseClick(batch->Button3, Qt::LeftButton);
  QCOMPARE(batch->SynEdit1->text(), listText({"/typed.md", "/docs/three.md"}));
}

void BatchFormTest::folderScan_data() {
  QTest::addColumn<bool>("subfolders");
  QTest::newRow("without subfolders") << false;
  QTest::newRow("with subfolders") << true;
}

void BatchFormTest::folderScan() {
  QFETCH(bool, subfolders);
  for (const char* name : {"scan/a.md", "scan/PAGE.MD", "scan/page.xhtml", "scan/page.html",
                           "scan/.hidden.md", "scan/table.csv", "scan/notes.TXT",
                           "scan/z.markdown", "scan/sub/b.md", "scan/sub/skip.htm",
                           "scan/sub/deep/c.md", "scan/sub/deep/d.txt", "scan/other/e.md",
                           "scan/m/f.md"}) {
    file(name, "x");
  }
  QVERIFY(QDir().mkpath(FDir->filePath("scan/empty")));
  const QString root = FDir->filePath("scan");
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->IncludeSubfolders1->setChecked(subfolders);
  FDialogAnswers = {{root}};
  QTest::mouseClick(batch->Button4, Qt::LeftButton);

  const QStringList lines = batch->SynEdit1->text().split("\r\n");
  QCOMPARE(lines, expectedScan(root, subfolders));
  QVERIFY(lines.contains(root + "/PAGE.MD"));
  QVERIFY(lines.contains(root + "/.hidden.md"));
  QVERIFY(!lines.contains(root + "/page.xhtml"));
  QVERIFY(!lines.contains(root + "/page.html"));
  QCOMPARE(lines.contains(root + "/sub/deep/c.md"), subfolders);
  QCOMPARE(lines.size(), subfolders ? 11 : 6);
  QCOMPARE(TFormBatch::LastFolder, root);
}

void BatchFormTest::addFolderPicksSeveralFolders() {
  const QString one = file("one/a.md", "a");
  const QString two = file("two/b.md", "b");
  TFormBatch::LastFolder = FDir->path();
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  FDialogAnswers = {{FDir->filePath("two"), FDir->filePath("one"), FDir->filePath("missing")}};
  QTest::mouseClick(batch->Button4, Qt::LeftButton);
  QCOMPARE(batch->SynEdit1->text(), listText({two, one}));
  QCOMPARE(TFormBatch::LastFolder, FDir->filePath("two"));
  QCOMPARE(FDialogs.size(), 1);
  QCOMPARE(FDialogs[0].Title, QString("Select folder:"));
  QCOMPARE(FDialogs[0].AcceptLabel, QString("Select"));
  QCOMPARE(FDialogs[0].Directory, FDir->path());
  QCOMPARE(FDialogs[0].FileMode, QFileDialog::Directory);
  QVERIFY(FDialogs[0].NonNative);
  QVERIFY(FDialogs[0].SeveralFolders);
}

void BatchFormTest::browsePicksTheOutputFolder() {
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  TFormBatch::LastFolder = FDir->path();
  FDialogAnswers = {{FOut}, {}};
  QTest::mouseClick(batch->Button1, Qt::LeftButton);
  QCOMPARE(batch->Edit1->text(), FOut);
  QCOMPARE(TFormBatch::LastFolder, FOut);
  QTest::mouseClick(batch->Button1, Qt::LeftButton);  // cancelled: nothing changes
  QCOMPARE(batch->Edit1->text(), FOut);
  QCOMPARE(FDialogs.size(), 2);
  QCOMPARE(FDialogs[0].Title, QString("Select folder:"));
  QCOMPARE(FDialogs[0].AcceptLabel, QString("Select"));
  QCOMPARE(FDialogs[0].Directory, FDir->path());
  QVERIFY(!FDialogs[0].SeveralFolders);
  // The next picker, in any batch window, starts where the last one ended.
  QCOMPARE(FDialogs[1].Directory, FOut);
}

void BatchFormTest::twoWindowsFollowTheirOwnCheckBoxes() {
  const QString top = file("tree/top.md", "t");
  const QString below = file("tree/sub/below.md", "b");
  TFormBatch* first = openBatch();
  TFormBatch* second = openBatch();
  QVERIFY(first != nullptr && second != nullptr && first != second);
  first->IncludeSubfolders1->setChecked(true);
  FDialogAnswers = {{FDir->filePath("tree")}, {FDir->filePath("tree")}};
  QTest::mouseClick(first->Button4, Qt::LeftButton);
  QTest::mouseClick(second->Button4, Qt::LeftButton);
  QCOMPARE(first->SynEdit1->text().split("\r\n").size(), 2);
  QVERIFY(first->SynEdit1->text().contains(below));
  QCOMPARE(second->SynEdit1->text(), top);
}

void BatchFormTest::droppedPathsAreAddedAndConverted() {
  const QString md = file("in/dropped.md", "# Dropped");
  const QString folder = FDir->filePath("in");
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText("/typed.md");
  sendDrop(batch->SynEdit1->viewport(), {QUrl::fromLocalFile(md), QUrl::fromLocalFile(folder)});
  QCOMPARE(batch->SynEdit1->text(), listText({"/typed.md", md, folder}));
  // The main window is not loaded by a drop onto the batch window.
  QCOMPARE(FForm->SynEdit1->text(), SampleDocument());

  batch->SynEdit1->SetText(md);
  run(batch);
  QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
  QCOMPARE(ReadTestFile(FOut + "/dropped.html"), QByteArray("<h1>Dropped</h1>\r\n"));
}

// Runs.

void BatchFormTest::sameNameInTwoFolders() {
  const QString a = file("a/x.md", "first");
  const QString b = file("b/x.md", "second");
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText(listText({a, b}));
  run(batch);
  QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
  QCOMPARE(QDir(FOut).entryList(QDir::Files, QDir::Name), (QStringList{"x (2).html", "x.html"}));
  QCOMPARE(ReadTestFile(FOut + "/x.html"), QByteArray("<p>first</p>\r\n"));
  QCOMPARE(ReadTestFile(FOut + "/x (2).html"), QByteArray("<p>second</p>\r\n"));
  QCOMPARE(batch->StatusPanel0->text(), QString("Completed"));
  QCOMPARE(FBeeps, 1);
  QVERIFY(batch->ButtonStart->isEnabled());
  // The main window shows the last file of the run.
  QCOMPARE(FForm->SynEdit1->text(), QString("second"));
  QCOMPARE(FForm->HtmlLines.Text(), QString("<p>second</p>\r\n"));
}

void BatchFormTest::runningTwiceNeverOverwrites() {
  const QString x = file("in/x.md", "one");
  const QString y = file("in/y.txt", "two");
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText(listText({x, y}));
  run(batch);
  WriteTestFile(FOut + "/x.html", "kept");
  run(batch);
  QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
  QCOMPARE(QDir(FOut).entryList(QDir::Files, QDir::Name),
           (QStringList{"x (2).html", "x.html", "y (2).html", "y.html"}));
  QCOMPARE(ReadTestFile(FOut + "/x.html"), QByteArray("kept"));
  QCOMPARE(ReadTestFile(FOut + "/x (2).html"), QByteArray("<p>one</p>\r\n"));
  QCOMPARE(ReadTestFile(FOut + "/y (2).html"), QByteArray("<p>two</p>\r\n"));
  QCOMPARE(FBeeps, 2);
}

void BatchFormTest::blankLinesSkippedAndPathsTrimmed() {
  const QString a = file("in/a.md", "*a*");
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText("   \r\n\t " + a + "  \t\r\n\r\n \t");
  int conversions = 0;
  watchConversions([&conversions] { ++conversions; });
  run(batch);
  QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
  QCOMPARE(conversions, 1);
  QCOMPARE(QDir(FOut).entryList(QDir::Files), QStringList{"a.html"});
  QCOMPARE(ReadTestFile(FOut + "/a.html"), QByteArray("<p><em>a</em></p>\r\n"));
}

void BatchFormTest::csvInputGoesThroughTheImport() {
  const QString csv = file("in/table.csv", "a;b\r\n1;2\r\n");
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText(csv);
  run(batch);
  QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
  const QByteArray html = ReadTestFile(FOut + "/table.html");
  QVERIFY2(html.startsWith("<table style=\"border: 1px solid black; border-collapse: collapse;\">"),
           html.constData());
  QVERIFY2(html.contains("<th style=\"border: 1px solid black; padding: 3px;\">a</th>"), html.constData());
  QVERIFY2(html.contains(">2</td>"), html.constData());
}

void BatchFormTest::outputEqualsWhatTheMainWindowSaves_data() {
  QTest::addColumn<int>("dialect");
  QTest::addColumn<bool>("unsafe");
  QTest::newRow("CommonMark, safe") << 0 << false;
  QTest::newRow("TxtMark, safe") << 1 << false;
  QTest::newRow("DaringFireball, unsafe") << 2 << true;
  QTest::newRow("CommonMark, unsafe") << 0 << true;
}

void BatchFormTest::outputEqualsWhatTheMainWindowSaves() {
  QFETCH(int, dialect);
  QFETCH(bool, unsafe);
  const QString input = file("in/doc.md",
                             "# Title\r\n\r\n<script>alert(1)</script>\r\n\r\n"
                             "Some ~~struck~~ and ==marked== text, x^2^.\r\n\r\n"
                             "| a | b |\r\n|---|---|\r\n| 1 | 2 |\r\n\r\n"
                             "\xc3\xa9t\xc3\xa9 \xe2\x80\x94 done\r\n");
  FForm->ComboBox1->setCurrentIndex(dialect);
  FForm->CheckBox1->setChecked(unsafe);
  FForm->DosyaAc(input);
  FForm->ButtonConvertClick();
  const QString reference = FDir->filePath("reference.html");
  FForm->DosyaKaydet(reference);
  FForm->New1Click();

  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText(input);
  run(batch);
  QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
  QCOMPARE(ReadTestFile(FOut + "/doc.html"), ReadTestFile(reference));
}

void BatchFormTest::emptyListWarns_data() {
  QTest::addColumn<QString>("list");
  QTest::newRow("empty") << "";
  QTest::newRow("blanks and controls") << " \t\r\n \r\n\x01";
}

void BatchFormTest::emptyListWarns() {
  QFETCH(QString, list);
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText(list);
  batch->StatusPanel0->setText("before");
  run(batch);
  QCOMPARE(FMessages.size(), 1);
  QCOMPARE(FMessages[0].Text, QString("No file added!"));
  QCOMPARE(FMessages[0].Caption, Translate("WARNING"));
  QCOMPARE(FMessages[0].Icon, QMessageBox::Warning);
  QCOMPARE(FBeeps, 0);
  QCOMPARE(batch->StatusPanel0->text(), QString("before"));
  QVERIFY(batch->ButtonStart->isEnabled());
  QVERIFY(QDir(FOut).isEmpty());
}

void BatchFormTest::emptyOutputFolderIsRefused() {
  const QString a = file("in/a.md", "a");
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText(a);
  batch->Edit1->setText("  ");
  int conversions = 0;
  watchConversions([&conversions] { ++conversions; });
  run(batch);
  QCOMPARE(FMessages.size(), 1);
  QCOMPARE(FMessages[0].Text, QString("No output directory given!"));
  QCOMPARE(FMessages[0].Caption, Translate("WARNING"));
  QCOMPARE(FMessages[0].Icon, QMessageBox::Warning);
  QCOMPARE(conversions, 0);
  QCOMPARE(FForm->SynEdit1->text(), SampleDocument());  // nothing loaded
  QCOMPARE(FBeeps, 0);
  QVERIFY(batch->ButtonStart->isEnabled());
}

void BatchFormTest::unreadableFileStopsTheRun() {
  const QString first = file("in/first.md", "first");
  const QString missing = FDir->filePath("in/missing.md");
  const QString last = file("in/last.md", "last");
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText(listText({first, missing, last}));
  run(batch);
  QCOMPARE(FErrors.size(), 1);
  QVERIFY2(FErrors[0].startsWith(missing + ": "), qPrintable(FErrors[0]));
  QCOMPARE(QDir(FOut).entryList(QDir::Files), QStringList{"first.html"});
  QCOMPARE(ReadTestFile(FOut + "/first.html"), QByteArray("<p>first</p>\r\n"));
  QCOMPARE(batch->StatusPanel0->text(), "Processing " + missing + "...");
  QCOMPARE(FBeeps, 0);
  // Ready for the next run.
  QVERIFY(batch->ButtonStart->isEnabled());
  QVERIFY(batch->SynEdit1->isEnabled());
  QVERIFY(batch->Edit1->isEnabled());
  QVERIFY(batch->Button3->isEnabled());
  QVERIFY(batch->Button4->isEnabled());
  QVERIFY(!batch->Running());
  QCOMPARE(QApplication::overrideCursor(), nullptr);

  // An output folder that cannot be written stops the run the same way.
  FErrors.clear();
  batch->SynEdit1->SetText(last);
  batch->Edit1->setText(FDir->filePath("no/such/folder"));
  run(batch);
  QCOMPARE(FErrors.size(), 1);
  QVERIFY(batch->ButtonStart->isEnabled());
}

void BatchFormTest::windowStaysResponsiveDuringARun() {
  QStringList inputs;
  for (int i = 0; i < 4; ++i) inputs << file(QString("in/f%1.md").arg(i), "text");
  TFormBatch* batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText(listText(inputs));
  // A timer that fires whenever the window handles its events.
  int ticks = 0;
  QTimer ticker;
  ticker.setInterval(0);
  connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start();
  QStringList statusSeen;
  QList<int> ticksSeen;
  bool controlsLocked = true;
  watchConversions([&] {
    statusSeen << batch->StatusPanel0->text();
    ticksSeen << ticks;
    controlsLocked &= !batch->ButtonStart->isEnabled() && !batch->SynEdit1->isEnabled() &&
                      !batch->Edit1->isEnabled() && !batch->Button3->isEnabled() &&
                      !batch->Button4->isEnabled() && batch->Running();
  });
  run(batch);
  QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
  QStringList expected;
  for (const QString& input : inputs) expected << "Processing " + input + "...";
  QCOMPARE(statusSeen, expected);
  QVERIFY(controlsLocked);
  for (int i = 1; i < ticksSeen.size(); ++i) {
    QVERIFY2(ticksSeen[i] > ticksSeen[i - 1], "no events handled between two files");
  }
  QVERIFY(batch->ButtonStart->isEnabled());
  QVERIFY(batch->SynEdit1->isEnabled());
}

void BatchFormTest::closingDuringARunStopsAfterTheCurrentFile() {
  QStringList inputs;
  for (int i = 0; i < 3; ++i) inputs << file(QString("in/f%1.md").arg(i), "text");
  QPointer<TFormBatch> batch = openBatch();
  QVERIFY(batch != nullptr);
  batch->SynEdit1->SetText(listText(inputs));
  int conversions = 0;
  watchConversions([&] {
    if (++conversions == 2) batch->close();
  });
  run(batch);
  QCOMPARE(conversions, 2);
  QCOMPARE(QDir(FOut).entryList(QDir::Files, QDir::Name), (QStringList{"f0.html", "f1.html"}));
  QCOMPARE(FBeeps, 0);
  QTRY_VERIFY(batch.isNull());
}

void BatchFormTest::closingTheMainWindowClosesBatchWindows() {
  QStringList inputs;
  for (int i = 0; i < 3; ++i) inputs << file(QString("in/f%1.md").arg(i), "text");
  QPointer<TFormBatch> idle = openBatch();
  QPointer<TFormBatch> running = openBatch();
  QVERIFY(idle != nullptr && running != nullptr);
  // Batch windows alone do not keep the program going.
  QVERIFY(!idle->testAttribute(Qt::WA_QuitOnClose));
  running->SynEdit1->SetText(listText(inputs));
  int conversions = 0;
  watchConversions([&] {
    if (++conversions == 1) FForm->close();
  });
  run(running);
  QCOMPARE(conversions, 1);
  QCOMPARE(QDir(FOut).entryList(QDir::Files), QStringList{"f0.html"});
  QTRY_VERIFY(idle.isNull());
  QTRY_VERIFY(running.isNull());
}

QTEST_MAIN(BatchFormTest)
#include "BatchFormTest.moc"
