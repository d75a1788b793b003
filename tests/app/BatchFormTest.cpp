// The batch window driving the real main window: its rules for output names
// and folder scans, the dialogs, drops, and runs that succeed, fail or are
// interrupted.
#include "AppForm.h"
#include "AppTestSupport.h"
#include "BatchForm.h"
#include "Editors.h"
#include "FakeDesktop.h"
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
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <dirent.h>

#define VERIFY_NO_ERRORS() \
  QVERIFY2(FDesktop->Errors().isEmpty(), qPrintable(FDesktop->Errors().join('\n')))

namespace {

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
  static const QRegularExpression markdown("\\.(md|markdown|txt|csv)$",
                                           QRegularExpression::CaseInsensitiveOption);
  QStringList files;
  for (const QString& name : systemOrder(dirName)) {
    const QString path = dirName + "/" + name;
    if (QFileInfo(path).isDir()) {
      if (subfolders) files += expectedScan(path, true);
    } else if (markdown.match(name).hasMatch()) {
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

// True when the controls that start or change a run are all `enabled`, and a
// run is going on exactly when they are not.
bool controlsEnabled(const TFormBatch* batch, bool enabled) {
  for (const QWidget* control : std::initializer_list<const QWidget*>{
           Control<QPushButton>(*batch, "ButtonStart"), Control<TSynEdit>(*batch, "SynEdit1"),
           Control<QLineEdit>(*batch, "Edit1"), Control<QPushButton>(*batch, "Button3"),
           Control<QPushButton>(*batch, "Button4")}) {
    if (control->isEnabled() != enabled) return false;
  }
  return batch->Running() != enabled;
}

}  // namespace

class BatchFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> FDir;
  QString FOut;
  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;

  QString file(const QString& name, const QByteArray& bytes) { return WriteTestFileIn(*FDir, name, bytes); }

  // `count` small Markdown files named after `stem`.
  QStringList files(const QString& stem, int count) {
    QStringList paths;
    for (int i = 0; i < count; ++i) paths << file(QString("in/%1%2.md").arg(stem).arg(i), "text");
    return paths;
  }

  TFormBatch* openBatch() {
    const qsizetype before = FForm->findChildren<TFormBatch*>().size();
    Control<QAction>(*FForm, "BatchProcessing1")->trigger();
    const auto windows = FForm->findChildren<TFormBatch*>();
    if (windows.size() != before + 1) return nullptr;
    Control<QLineEdit>(*windows.last(), "Edit1")->setText(FOut);
    return windows.last();
  }

  // Opens a batch window, lists `list` in it and runs it.
  TFormBatch* runList(const QString& list) {
    TFormBatch* batch = openBatch();
    if (batch == nullptr) return nullptr;
    Control<TSynEdit>(*batch, "SynEdit1")->SetText(list);
    run(batch);
    return batch;
  }

  // Calls `onConvert` before every conversion of the main window.
  void watchConversions(std::function<void()> onConvert) {
    FForm->ProcessorFactory = [onConvert, original = FForm->ProcessorFactory](
                                  glyphmill::TMarkdownProcessorDialect dialect) {
      onConvert();
      return original(dialect);
    };
  }

  void run(TFormBatch* batch) {
    QTest::mouseClick(Control<QPushButton>(*batch, "ButtonStart"), Qt::LeftButton);
  }
  QStringList outputs() const { return QDir(FOut).entryList(QDir::Files, QDir::Name); }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }

  void init() {
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    FOut = FDir->filePath("out");
    QVERIFY(QDir().mkdir(FOut));
    TFormBatch::LastFolder.clear();
    FDesktop = std::make_unique<TFakeDesktop>();
    FForm = std::make_unique<TAppForm>();
  }

  void cleanup() {
    FForm.reset();
    FDesktop.reset();
  }

  // Rules.

  // The output file for an input, given what the output folder holds ("name/" is
  // a folder there, "name@" a link to nowhere).
  void outputFile_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("output");
    QTest::newRow("last dot only") << "/in/a.b.markdown" << QStringList{} << "a.b.html";
    QTest::newRow("dot in the folder only") << "/in.d/notes" << QStringList{} << "notes.html";
    QTest::newRow("html input") << "/in/page.html" << QStringList{} << "page.html";
    QTest::newRow("relative input") << "x.csv" << QStringList{} << "x.html";
    QTest::newRow("taken three times") << "/in/x.md" << QStringList{"x.html", "x (2).html", "x (3).html"}
                                       << "x (4).html";
    QTest::newRow("gap is used") << "/in/x.md" << QStringList{"x.html", "x (3).html"} << "x (2).html";
    QTest::newRow("by a folder") << "/in/x.md" << QStringList{"x.html/"} << "x (2).html";
    QTest::newRow("by a dangling link") << "/in/x.md" << QStringList{"x.html@"} << "x (2).html";
    QTest::newRow("last dot") << "/in/a.b.md" << QStringList{"a.b.html"} << "a.b (2).html";
    QTest::newRow("letter case differs") << "/in/x.md" << QStringList{"X.html"} << "x.html";
  }

  void outputFile() {
    QFETCH(QString, input);
    QFETCH(QStringList, existing);
    QFETCH(QString, output);
    for (QString entry : existing) {
      if (entry.endsWith('/')) {
        QVERIFY(QDir(FOut).mkdir(entry.chopped(1)));
      } else if (entry.endsWith('@')) {
        QVERIFY(QFile::link(FOut + "/nowhere", FOut + "/" + entry.chopped(1)));
      } else {
        WriteTestFile(FOut + "/" + entry, "old");
      }
    }
    QCOMPARE(BatchOutputName(input, FOut + "/"), BatchOutputName(input, FOut));
    QCOMPARE(UniqueFileName(BatchOutputName(input, FOut)), FOut + "/" + output);
  }

  // A fresh account without a desktop folder starts in the home folder.
  void outputFolderAtStart_data() {
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("expected");
    QTest::newRow("desktop exists") << "Desktop/" << "Desktop";
    QTest::newRow("no desktop") << "Desktop" << "home";
    QTest::newRow("desktop is a file") << "Desktop=" << "home";
    QTest::newRow("no desktop location") << "" << "home";
  }

  void outputFolderAtStart() {
    QFETCH(QString, desktop);
    QFETCH(QString, expected);
    const QString home = FDir->filePath("home");
    QVERIFY(QDir().mkpath(home));
    QString desktopPath;
    if (!desktop.isEmpty()) {
      const QString name = desktop.endsWith('/') || desktop.endsWith('=') ? desktop.chopped(1) : desktop;
      desktopPath = home + "/" + name;
      if (desktop.endsWith('/')) QVERIFY(QDir(home).mkdir(name));
      if (desktop.endsWith('=')) WriteTestFile(desktopPath, "x");
    }
    const QString want = expected == "home" ? home : home + "/" + expected;
    QCOMPARE(ChooseOutputFolder(desktopPath, home), want);
  }

  void scanDoesNotLoopThroughLinks() {
    const QString a = file("tree/a.md", "a");
    QVERIFY(QFile::link(FDir->filePath("tree"), FDir->filePath("tree/back")));
    QCOMPARE(MarkdownFilesInDir(FDir->filePath("tree"), true), QStringList{a});
  }

  // The window.

  void menuAndLoadButtonOpenBatchWindows() {
    QCOMPARE(Control<QToolButton>(*FForm, "ButtonLoad")->menu(),
             Control<QMenu>(*FForm, "PopupMenu3"));
    QCOMPARE(Control<QMenu>(*FForm, "PopupMenu3")->actions(),
             QList<QAction*>{Control<QAction>(*FForm, "BatchProcessing2")});
    Control<QAction>(*FForm, "BatchProcessing1")->trigger();
    Control<QAction>(*FForm, "BatchProcessing2")->trigger();
    const auto windows = FForm->findChildren<TFormBatch*>();
    QCOMPARE(windows.size(), 2);
    for (TFormBatch* batch : windows) {
      QVERIFY(batch->isWindow() && batch->isVisible());
      QCOMPARE(batch->windowModality(), Qt::NonModal);
    }
    // A closed window goes away.
    QPointer<TFormBatch> closed = windows[1];
    closed->close();
    QTRY_VERIFY(closed.isNull());
    // A plain click on the load button still loads a file.
    FDesktop->DialogAnswers = {{file("loaded.md", "# loaded")}};
    QTest::mouseClick(Control<QToolButton>(*FForm, "ButtonLoad"), Qt::LeftButton);
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), QString("# loaded"));
    QCOMPARE(FForm->findChildren<TFormBatch*>().size(), 1);
  }

  // The list's popup acts on the batch list, not on the main window's editor.
  void listPopupActsOnTheList() {
    TFormBatch* batch = openBatch();
    QVERIFY(batch != nullptr);
    Control<TSynEdit>(*FForm, "SynEdit1")->SetText("main source");
    Control<TSynEdit>(*batch, "SynEdit1")->SetText("/a.md");
    Control<QAction>(*batch, "SelectAll1")->trigger();
    QVERIFY(!Control<TSynEdit>(*FForm, "SynEdit1")->hasSelectedText());
    Control<QAction>(*batch, "Delete1")->trigger();
    QCOMPARE(Control<TSynEdit>(*batch, "SynEdit1")->text(), QString());
    Control<QAction>(*batch, "Undo1")->trigger();
    QCOMPARE(Control<TSynEdit>(*batch, "SynEdit1")->text(), QString("/a.md"));
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), QString("main source"));
  }

  void addFilesDialog() {
    TFormBatch* batch = openBatch();
    QVERIFY(batch != nullptr);
    FDesktop->DialogAnswers = {{"/docs/one.md"}, {}, {"/docs/two.csv"}};
    for (int i = 0; i < 3; ++i)
      QTest::mouseClick(Control<QPushButton>(*batch, "Button3"), Qt::LeftButton);  // 2nd cancelled
    QCOMPARE(Control<TSynEdit>(*batch, "SynEdit1")->text(),
             listText({"/docs/one.md", "/docs/two.csv"}));
    QCOMPARE(FDesktop->Dialogs[0].FileMode, QFileDialog::ExistingFile);
    // A list that ends with an empty line gets the next path on that line.
    Control<TSynEdit>(*batch, "SynEdit1")->SetText("/typed.md\r\n");
    FDesktop->DialogAnswers = {{"/docs/three.md"}};
    QTest::mouseClick(Control<QPushButton>(*batch, "Button3"), Qt::LeftButton);
    QCOMPARE(Control<TSynEdit>(*batch, "SynEdit1")->text(),
             listText({"/typed.md", "/docs/three.md"}));
  }

  void folderScan_data() {
    QTest::addColumn<bool>("subfolders");
    QTest::newRow("without subfolders") << false;
    QTest::newRow("with subfolders") << true;
  }

  void folderScan() {
    QFETCH(bool, subfolders);
    for (const char* name : {"scan/a.md", "scan/PAGE.MD", "scan/page.xhtml", "scan/page.html",
                             "scan/.hidden.md", "scan/table.csv", "scan/notes.TXT",
                             "scan/z.markdown", "scan/sub/b.md", "scan/sub/skip.htm",
                             "scan/sub/deep/c.md", "scan/sub/deep/d.txt", "scan/other/e.md",
                             "scan/m/f.md",
                             "scan/a.md.bak", "scan/md", "scan/d.md/readme"}) {
      file(name, "x");
    }
    QVERIFY(QDir().mkpath(FDir->filePath("scan/empty")));
    const QString root = FDir->filePath("scan");
    // A second window with the other setting follows its own check box.
    TFormBatch* batch = openBatch();
    TFormBatch* other = openBatch();
    QVERIFY(batch != nullptr && other != nullptr && batch != other);
    Control<QCheckBox>(*batch, "IncludeSubfolders1")->setChecked(subfolders);
    Control<QCheckBox>(*other, "IncludeSubfolders1")->setChecked(!subfolders);
    FDesktop->DialogAnswers = {{root}, {root}};
    QTest::mouseClick(Control<QPushButton>(*batch, "Button4"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(*other, "Button4"), Qt::LeftButton);

    const QStringList lines = Control<TSynEdit>(*batch, "SynEdit1")->text().split("\r\n");
    QCOMPARE(lines, expectedScan(root, subfolders));
    QVERIFY(lines.contains(root + "/PAGE.MD"));
    QVERIFY(!lines.contains(root + "/page.xhtml"));
    QCOMPARE(lines.size(), subfolders ? 11 : 6);
    QCOMPARE(Control<TSynEdit>(*other, "SynEdit1")->text().split("\r\n"),
             expectedScan(root, !subfolders));
    QCOMPARE(TFormBatch::LastFolder, root);
  }

  // Add Folder takes several folders, Browse one; each starts where the last ended.
  void folderPickers() {
    const QString one = file("one/a.md", "a");
    const QString two = file("two/b.md", "b");
    TFormBatch::LastFolder = FDir->path();
    TFormBatch* batch = openBatch();
    QVERIFY(batch != nullptr);
    FDesktop->DialogAnswers = {
        {FDir->filePath("two"), FDir->filePath("one"), FDir->filePath("missing")}, {FOut}, {}};
    QTest::mouseClick(Control<QPushButton>(*batch, "Button4"), Qt::LeftButton);
    QCOMPARE(Control<TSynEdit>(*batch, "SynEdit1")->text(), listText({two, one}));
    QTest::mouseClick(Control<QPushButton>(*batch, "Button1"), Qt::LeftButton);
    QCOMPARE(Control<QLineEdit>(*batch, "Edit1")->text(), FOut);
    QTest::mouseClick(Control<QPushButton>(*batch, "Button1"),
                      Qt::LeftButton);  // cancelled: nothing changes
    QCOMPARE(Control<QLineEdit>(*batch, "Edit1")->text(), FOut);
    QCOMPARE(FDesktop->Dialogs.size(), 3);
    QCOMPARE(FDesktop->Dialogs[0].Directory, FDir->path());
    QCOMPARE(FDesktop->Dialogs[0].FileMode, QFileDialog::Directory);
    QVERIFY(FDesktop->Dialogs[0].SeveralFolders);
    QCOMPARE(FDesktop->Dialogs[1].Directory, FDir->filePath("two"));
    QVERIFY(!FDesktop->Dialogs[1].SeveralFolders);
    QCOMPARE(FDesktop->Dialogs[2].Directory, FOut);
  }

  void droppedPathsAreAddedAndConverted() {
    const QString md = file("in/dropped.md", "# Dropped");
    const QString folder = FDir->filePath("in");
    TFormBatch* batch = openBatch();
    QVERIFY(batch != nullptr);
    Control<TSynEdit>(*batch, "SynEdit1")->SetText("/typed.md");
    sendDrop(Control<TSynEdit>(*batch, "SynEdit1")->viewport(),
             {QUrl::fromLocalFile(md), QUrl::fromLocalFile(folder)});
    QCOMPARE(Control<TSynEdit>(*batch, "SynEdit1")->text(), listText({"/typed.md", md, folder}));
    // The main window is not loaded by a drop onto the batch window.
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), SampleDocument());

    Control<TSynEdit>(*batch, "SynEdit1")->SetText(md);
    run(batch);
    VERIFY_NO_ERRORS();
    QCOMPARE(ReadTestFile(FOut + "/dropped.html"), QByteArray("<h1>Dropped</h1>\r\n"));
  }

  // Runs.

  void sameNameInTwoFoldersAndRunningTwice() {
    TFormBatch* batch = runList(listText({file("a/x.md", "first"), file("b/x.md", "second")}));
    QVERIFY(batch != nullptr);
    VERIFY_NO_ERRORS();
    QCOMPARE(outputs(), (QStringList{"x (2).html", "x.html"}));
    QCOMPARE(Control<QLabel>(*batch, "StatusPanel0")->text(), QString("Completed"));
    QCOMPARE(FDesktop->Beeps, 1);
    QVERIFY(controlsEnabled(batch, true));
    // The main window shows the last file of the run.
    QCOMPARE(FForm->HtmlLines.Text(), QString("<p>second</p>\r\n"));
    // A second run never overwrites what is there.
    WriteTestFile(FOut + "/x.html", "kept");
    run(batch);
    VERIFY_NO_ERRORS();
    QCOMPARE(outputs(), (QStringList{"x (2).html", "x (3).html", "x (4).html", "x.html"}));
    QCOMPARE(ReadTestFile(FOut + "/x.html"), QByteArray("kept"));
    QCOMPARE(ReadTestFile(FOut + "/x (3).html"), QByteArray("<p>first</p>\r\n"));
    QCOMPARE(ReadTestFile(FOut + "/x (4).html"), QByteArray("<p>second</p>\r\n"));
  }

  // One listed file converted to its output (which holds `html`); %1 in the list
  // stands for the file's path.
  void oneFileConverted_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QByteArray>("html");
    QTest::newRow("blank lines skipped, path trimmed")
        << "a.md" << QByteArray("*a*") << "   \r\n\t %1  \t\r\n\r\n \t" << QByteArray("<p><em>a</em></p>\r\n");
    QTest::newRow("CSV through the import")
        << "table.csv" << QByteArray("a;b\r\n1;2\r\n") << "%1"
        << QByteArray("<th style=\"border: 1px solid black; padding: 3px;\">a</th>");
  }

  void oneFileConverted() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, list);
    QFETCH(QByteArray, html);
    QVERIFY(runList(list.arg(file("in/" + name, bytes))) != nullptr);
    VERIFY_NO_ERRORS();
    const QString output = QFileInfo(name).completeBaseName() + ".html";
    QCOMPARE(outputs(), QStringList{output});
    const QByteArray written = ReadTestFile(FOut + "/" + output);
    QVERIFY2(written.contains(html), written.constData());
  }

  void outputEqualsWhatTheMainWindowSaves_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<bool>("unsafe");
    QTest::newRow("CommonMark, safe") << 0 << false;
    QTest::newRow("TxtMark, safe") << 1 << false;
    QTest::newRow("DaringFireball, unsafe") << 2 << true;
    QTest::newRow("CommonMark, unsafe") << 0 << true;
    QTest::newRow("GitHub, safe") << 3 << false;
  }

  void outputEqualsWhatTheMainWindowSaves() {
    QFETCH(int, dialect);
    QFETCH(bool, unsafe);
    const QString input = file("in/doc.md",
                               "# Title\r\n\r\n<script>alert(1)</script>\r\n\r\n"
                               "Some ~~struck~~ and ==marked== text, x^2^.\r\n\r\n"
                               "| a | b |\r\n|---|---|\r\n| 1 | 2 |\r\n\r\n"
                               "\xc3\xa9t\xc3\xa9 \xe2\x80\x94 done\r\n");
    Control<QComboBox>(*FForm, "ComboBox1")->setCurrentIndex(dialect);
    Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(unsafe);
    FForm->DosyaAc(input);
    FForm->ButtonConvertClick();
    const QString reference = FDir->filePath("reference.html");
    FForm->DosyaKaydet(reference);
    FForm->New1Click();

    QVERIFY(runList(input) != nullptr);
    VERIFY_NO_ERRORS();
    QCOMPARE(ReadTestFile(FOut + "/doc.html"), ReadTestFile(reference));
  }

  // An empty list or an empty output folder is refused before anything is loaded.
  void refusedBeforeConverting_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty list") << "" << "out" << "No file added!";
    QTest::newRow("blanks and controls") << " \t\r\n \r\n\x01" << "out" << "No file added!";
    QTest::newRow("blank output folder") << "in/a.md" << "  " << "No output directory given!";
  }

  void refusedBeforeConverting() {
    QFETCH(QString, list);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    file("in/a.md", "a");
    TFormBatch* batch = openBatch();
    QVERIFY(batch != nullptr);
    Control<TSynEdit>(*batch, "SynEdit1")
        ->SetText(list.startsWith("in/") ? FDir->filePath(list) : list);
    Control<QLineEdit>(*batch, "Edit1")->setText(folder == "out" ? FOut : folder);
    Control<QLabel>(*batch, "StatusPanel0")->setText("before");
    int conversions = 0;
    watchConversions([&conversions] { ++conversions; });
    run(batch);
    QCOMPARE(FDesktop->Messages.size(), 1);
    QCOMPARE(FDesktop->Messages[0].Text, message);
    QCOMPARE(FDesktop->Messages[0].Caption, Translate("WARNING"));
    QCOMPARE(FDesktop->Messages[0].Icon, QMessageBox::Warning);
    QCOMPARE(conversions, 0);
    QCOMPARE(Control<TSynEdit>(*FForm, "SynEdit1")->text(), SampleDocument());
    QCOMPARE(FDesktop->Beeps, 0);
    QCOMPARE(Control<QLabel>(*batch, "StatusPanel0")->text(), QString("before"));
    QVERIFY(controlsEnabled(batch, true));
  }

  void unreadableFileStopsTheRun() {
    const QString first = file("in/first.md", "first");
    const QString missing = FDir->filePath("in/missing.md");
    const QString last = file("in/last.md", "last");
    TFormBatch* batch = runList(listText({first, missing, last}));
    QVERIFY(batch != nullptr);
    QCOMPARE(FDesktop->Errors().size(), 1);
    QVERIFY2(FDesktop->Errors()[0].startsWith(missing + ": "), qPrintable(FDesktop->Errors()[0]));
    QCOMPARE(outputs(), QStringList{"first.html"});
    QCOMPARE(ReadTestFile(FOut + "/first.html"), QByteArray("<p>first</p>\r\n"));
    QCOMPARE(Control<QLabel>(*batch, "StatusPanel0")->text(), "Processing " + missing + "...");
    QCOMPARE(FDesktop->Beeps, 0);
    QVERIFY(controlsEnabled(batch, true));
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    // An output folder that cannot be written stops the run the same way.
    FDesktop->Messages.clear();
    Control<TSynEdit>(*batch, "SynEdit1")->SetText(last);
    Control<QLineEdit>(*batch, "Edit1")->setText(FDir->filePath("no/such/folder"));
    run(batch);
    QCOMPARE(FDesktop->Errors().size(), 1);
    QVERIFY(controlsEnabled(batch, true));
  }

  // During a run the window handles events between files, shows the file in
  // hand and locks its controls; closing the batch window or the main window
  // stops the run after the current file.
  void closingDuringARun_data() {
    QTest::addColumn<bool>("mainWindow");
    QTest::newRow("batch window") << false;
    QTest::newRow("main window") << true;
  }

  void closingDuringARun() {
    QFETCH(bool, mainWindow);
    const QStringList inputs = files("f", 3);
    QPointer<TFormBatch> idle = openBatch();
    QPointer<TFormBatch> batch = openBatch();
    QVERIFY(idle != nullptr && batch != nullptr);
    // Batch windows alone do not keep the program going.
    QVERIFY(!idle->testAttribute(Qt::WA_QuitOnClose));
    Control<TSynEdit>(*batch, "SynEdit1")->SetText(listText(inputs));
    int ticks = 0;  // counts whenever the window handles its events
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(0);
    QStringList statusSeen;
    QList<int> ticksSeen;
    bool controlsLocked = true;
    watchConversions([&] {
      statusSeen << Control<QLabel>(*batch, "StatusPanel0")->text();
      ticksSeen << ticks;
      controlsLocked &= controlsEnabled(batch, false);
      if (ticksSeen.size() == 2)
        (mainWindow ? static_cast<QWidget*>(FForm.get()) : batch.data())->close();
    });
    run(batch);
    QCOMPARE(statusSeen, QStringList({"Processing " + inputs[0] + "...", "Processing " + inputs[1] + "..."}));
    QVERIFY(controlsLocked);
    QVERIFY2(ticksSeen[1] > ticksSeen[0], "no events handled between two files");
    QCOMPARE(outputs(), (QStringList{"f0.html", "f1.html"}));
    QCOMPARE(FDesktop->Beeps, 0);
    QTRY_VERIFY(batch.isNull());
    QTRY_COMPARE(idle.isNull(), mainWindow);
  }
};

QTEST_MAIN(BatchFormTest)
#include "BatchFormTest.moc"
