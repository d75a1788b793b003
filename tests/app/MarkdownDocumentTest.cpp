// The document in the real main window: the offer to save an edited document
// before New, closing, the language restart and a batch run replace it;
// saving the Markdown; the window title; Open Recent; the remembered folders
// and the keys.
#include "AppForm.h"
#include "AppGlobals.h"
#include "AppTestSupport.h"
#include "BatchForm.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "Languages.h"
#include "TranslateForm.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const QString kCaption = QStringLiteral("KELMOOR - Glyphmill");

QString titled(const QString& fileName, bool edited) {
  return fileName + (edited ? QStringLiteral("*") : QString()) + QStringLiteral(" \u2014 ") + kCaption;
}

}  // namespace

class MarkdownDocumentTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;

  QString file(const QString& name, const QByteArray& bytes) { return WriteTestFileIn(*FDir, name, bytes); }
  TSynEdit* source() const { return Control<TSynEdit>(*FForm, "SynEdit1"); }
  void edit(const QString& text) { source()->insertAt(text, 0, 0); }
  QStringList recentMenuEntries() const {
    QStringList entries;
    for (QAction* action : Control<QMenu>(*FForm, "OpenRecent1")->actions()) {
      if (!action->isSeparator()) entries.append(action->text());
    }
    return entries;
  }

  // Runs one of the commands that replace the document; whether it went through.
  bool runReplacingCommand(const QString& command) {
    if (command == QLatin1StringView("New")) {
      Control<QAction>(*FForm, "New1")->trigger();
      return source()->text().isEmpty();
    }
    if (command == QLatin1StringView("Close")) return FForm->close();
    if (command == QLatin1StringView("Load")) {
      FDesktop->DialogAnswers.append({file(QStringLiteral("other.md"), "other")});
      Control<QAction>(*FForm, "LoadFile1")->trigger();
      return source()->text() == QLatin1StringView("other");
    }
    if (command == QLatin1StringView("Language")) return restartIntoAnotherLanguage();
    return runBatchOn(file(QStringLiteral("batch.md"), "# batch"));
  }

  // Chooses another language in the language window and confirms the restart.
  bool restartIntoAnotherLanguage() {
    Languages() = TLanguages();
    Languages().FolderSource = [this] { return FDir->path(); };
    Languages().UiLanguageSource = [] { return quint16(1033); };
    Languages().LoadLanguage(QString());
    DataFolder = FDir->path() + u'/';
    FDesktop->Answers.prepend(QMessageBox::Yes);  // "Restart Application?"
    bool seen = false;
    QTimer::singleShot(0, this, [this, &seen] {
      auto* form = FForm->findChild<TTranslateForm*>();
      if (form == nullptr) return;
      seen = true;
      auto* languages = Control<QComboBox>(*form, "ComboBox1");
      languages->setCurrentIndex(languages->currentIndex() == 0 ? 1 : 0);
      QTest::mouseClick(Control<QPushButton>(*form, "Button1"), Qt::LeftButton);
      if (form->isVisible()) form->reject();
    });
    Control<QAction>(*FForm, "Language1")->trigger();
    [&] { QVERIFY(seen); }();
    return !FDesktop->RestartScripts.isEmpty();
  }

  bool runBatchOn(const QString& input) {
    Control<QAction>(*FForm, "BatchProcessing1")->trigger();
    TFormBatch* batch = FForm->findChildren<TFormBatch*>().last();
    Control<TSynEdit>(*batch, "SynEdit1")->SetText(input);
    Control<QLineEdit>(*batch, "Edit1")->setText(FDir->filePath(QStringLiteral("out")));
    QTest::mouseClick(Control<QPushButton>(*batch, "ButtonStart"), Qt::LeftButton);
    return QFile::exists(FDir->filePath(QStringLiteral("out/batch.html")));
  }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }

  void init() {
    ForgetRememberedDocuments();
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    QVERIFY(QDir(FDir->path()).mkdir(QStringLiteral("out")));
    WriteTestFile(FDir->filePath(QStringLiteral("German.lang.txt")), "{OK}OK\r\n");
    WriteTestFile(FDir->filePath(QStringLiteral("Turkish.lang.txt")), "{OK}Tamam\r\n");
    FDesktop = std::make_unique<TFakeDesktop>();
    FForm = std::make_unique<TAppForm>();
  }

  void cleanup() {
    FForm.reset();
    FDesktop.reset();
    StoreLanguageFile(QString());
    Languages() = TLanguages();
  }

  // Each command that replaces the document (New, closing, the language
  // restart, a batch run, loading a file) asks for an edited one only;
  // "Cancel" leaves everything as it was, "Save" writes the Markdown first.
  void offersAnEditedDocumentForSaving_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("goesOn");
    for (const char* command : {"New", "Close", "Language", "Batch", "Load"}) {
      const QByteArray name(command);
      QTest::newRow(name + ", unedited") << QString(command) << false << int(QMessageBox::Cancel) << true;
      QTest::newRow(name + ", Discard") << QString(command) << true << int(QMessageBox::Discard) << true;
      QTest::newRow(name + ", Cancel") << QString(command) << true << int(QMessageBox::Cancel) << false;
      QTest::newRow(name + ", Save") << QString(command) << true << int(QMessageBox::Save) << true;
    }
  }

  void offersAnEditedDocumentForSaving() {
    QFETCH(QString, command);
    QFETCH(bool, edited);
    QFETCH(int, answer);
    QFETCH(bool, goesOn);
    const QString doc = file(QStringLiteral("doc.md"), "# doc\n");
    FForm->LoadFiles({doc});
    if (edited) edit(QStringLiteral("new "));
    const QString shown = source()->text();
    const QString title = FForm->windowTitle();
    FDesktop->Answers = {QMessageBox::StandardButton(answer)};

    QCOMPARE(runReplacingCommand(command), goesOn);

    const qsizetype saveQuestions = std::count_if(
        FDesktop->Questions.cbegin(), FDesktop->Questions.cend(),
        [](const TQuestion& q) { return q.Buttons.testFlag(QMessageBox::Discard); });
    QCOMPARE(saveQuestions, edited ? 1 : 0);
    if (edited) {
      const TQuestion& question = FDesktop->Questions.constLast();
      QCOMPARE(question.Buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
      QVERIFY2(question.Text.contains(QStringLiteral("doc.md")), qPrintable(question.Text));
    }
    const bool saved = answer == QMessageBox::Save && edited;
    QCOMPARE(ReadTestFile(doc), saved ? QByteArray("new # doc\n") : QByteArray("# doc\n"));
    if (!goesOn) {
      QCOMPARE(source()->text(), shown);
      QVERIFY(FForm->IsDocumentEdited());
      QCOMPARE(FForm->windowTitle(), title);
      QVERIFY(FDesktop->RestartScripts.isEmpty());
      QVERIFY(!QFile::exists(FDir->filePath(QStringLiteral("out/batch.html"))));
    }
    QVERIFY(FDesktop->Errors().isEmpty());
  }

  // A close that is cancelled leaves the batch windows open; one that goes on
  // takes them along.
  void cancelledCloseKeepsTheBatchWindows() {
    FForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
    Control<QAction>(*FForm, "BatchProcessing1")->trigger();
    QPointer<TFormBatch> batch = FForm->findChildren<TFormBatch*>().last();
    edit(QStringLiteral("x"));
    FDesktop->Answers = {QMessageBox::Cancel, QMessageBox::Discard};
    QVERIFY(!FForm->close());
    QCoreApplication::processEvents();  // the batch window looks once the close is through
    QVERIFY(FForm->isVisible());
    QVERIFY(batch != nullptr && batch->isVisible());
    QVERIFY(FForm->close());
    QTRY_VERIFY(batch.isNull());
  }

  // A new document has no file yet: "Save" asks for one, and cancelling that
  // dialog cancels the command.
  void savingANewDocumentAsksForAFile() {
    Control<QAction>(*FForm, "New1")->trigger();
    edit(QStringLiteral("typed"));
    const QString target = FDir->filePath(QStringLiteral("typed.md"));
    FDesktop->Answers = {QMessageBox::Save, QMessageBox::Save};
    FDesktop->DialogAnswers = {{}, {target}};
    QVERIFY(!FForm->close());
    QCOMPARE(source()->text(), QStringLiteral("typed"));
    QVERIFY(FForm->close());
    QCOMPARE(FDesktop->Dialogs.size(), 2);
    QCOMPARE(FDesktop->Dialogs[1].AcceptMode, QFileDialog::AcceptSave);
    QVERIFY(FDesktop->Dialogs[1].ConfirmsOverwrite);
    QCOMPARE(ReadTestFile(target), QByteArray("typed\n"));  // a new document's lines end with LF
  }

  // After New, Undo brings the old text back.
  void undoAfterNew() {
    FForm->LoadFiles({file(QStringLiteral("kept.md"), "kept\ntext")});
    Control<QAction>(*FForm, "New1")->trigger();
    QCOMPARE(source()->text(), QString());
    QCOMPARE(FForm->windowTitle(), kCaption);
    QTest::keyClick(source(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(source()->text(), QStringLiteral("kept\r\ntext"));
    QTest::keyClick(source(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(source()->text(), QString());
    QTest::keyClick(source(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(source(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(source()->text(), QString());
    Control<QAction>(*FForm, "Undo1")->trigger();
    QCOMPARE(source()->text(), QStringLiteral("kept\r\ntext"));
    Control<QAction>(*FForm, "Redo1")->trigger();
    QCOMPARE(source()->text(), QString());
  }

  // "Save Markdown" writes a document back byte for byte.
  void markdownRoundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("LF") << QByteArray("# Title\n\n* a\n* b\n\nT\xc3\xa9xt  \n");
    QTest::newRow("CR LF") << QByteArray("# Title\r\n\r\n* a\r\n\r\nT\xc3\xa9xt\r\n");
    QTest::newRow("no final break") << QByteArray("a\nb");
    QTest::newRow("trailing empty lines") << QByteArray("a\r\n\r\n\r\n");
    QTest::newRow("tabs and blanks") << QByteArray("\tcode\n   \n");
  }

  void markdownRoundTrip() {
    QFETCH(QByteArray, bytes);
    const QString original = file(QStringLiteral("doc.md"), bytes);
    FForm->LoadFiles({original});
    const QString copy = FDir->filePath(QStringLiteral("copy.md"));
    FDesktop->DialogAnswers = {{copy}};
    Control<QAction>(*FForm, "SaveMarkdownAs1")->trigger();
    QCOMPARE(ReadTestFile(copy), bytes);
    QCOMPARE(FForm->DocumentPath(), copy);
    QVERIFY(FDesktop->Dialogs[0].ConfirmsOverwrite);
    QCOMPARE(FDesktop->Dialogs[0].SelectedFile, original);
    // "Save Markdown" writes into the document's own file without a dialog.
    QFile::remove(copy);
    Control<QAction>(*FForm, "SaveMarkdown1")->trigger();
    QCOMPARE(FDesktop->Dialogs.size(), 1);
    QCOMPARE(ReadTestFile(copy), bytes);
    QCOMPARE(FForm->StatusText(), QStringLiteral("Saved to ") + QDir::toNativeSeparators(copy));
    QVERIFY(FDesktop->Errors().isEmpty());
  }

  // A document made from a CSV file is saved as Markdown only under a new
  // name, NAME.md beside it; the CSV file stays.
  void csvDocumentSavesAsMarkdownBesideIt() {
    const QString csv = file(QStringLiteral("table.csv"), "a,b\r\n1,2\r\n");
    FForm->LoadFiles({csv});
    FDesktop->DialogAnswers = {{}};
    Control<QAction>(*FForm, "SaveMarkdown1")->trigger();
    QCOMPARE(FDesktop->Dialogs.size(), 1);
    QCOMPARE(FDesktop->Dialogs[0].SelectedFile, FDir->filePath(QStringLiteral("table.md")));
    QCOMPARE(FDesktop->Dialogs[0].Suffix, QStringLiteral("md"));
    QCOMPARE(ReadTestFile(csv), QByteArray("a,b\r\n1,2\r\n"));
  }

  void titleFollowsTheDocument() {
    QCOMPARE(FForm->windowTitle(), kCaption);
    const QString notes = file(QStringLiteral("notes.md"), "# notes\n");
    FForm->LoadFiles({notes});
    QCOMPARE(FForm->windowTitle(), titled("notes.md", false));
    edit(QStringLiteral("x"));
    QCOMPARE(FForm->windowTitle(), titled("notes.md", true));
    // Undoing back to the loaded text is no edit.
    QTest::keyClick(source(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(FForm->windowTitle(), titled("notes.md", false));
    edit(QStringLiteral("y"));
    Control<QAction>(*FForm, "SaveMarkdown1")->trigger();
    QCOMPARE(FForm->windowTitle(), titled("notes.md", false));
    QCOMPARE(ReadTestFile(notes), QByteArray("y# notes\n"));
    FDesktop->DialogAnswers = {{FDir->filePath(QStringLiteral("other.md"))}};
    Control<QAction>(*FForm, "SaveMarkdownAs1")->trigger();
    QCOMPARE(FForm->windowTitle(), titled("other.md", false));
    Control<QAction>(*FForm, "New1")->trigger();
    QCOMPARE(FForm->windowTitle(), kCaption);
    QVERIFY(FDesktop->Questions.isEmpty());
  }

  // Open Recent lists the last ten documents loaded or saved, newest first,
  // in this start and the next.
  void openRecentKeepsTen() {
    QStringList newestFirst;
    for (int i = 0; i < 12; ++i) {
      newestFirst.prepend(file(QStringLiteral("%1.md").arg(i), QByteArray::number(i)));
      FForm->LoadFiles({newestFirst.constFirst()});
    }
    const QString saved = FDir->filePath(QStringLiteral("saved.md"));
    FDesktop->DialogAnswers = {{saved}};
    Control<QAction>(*FForm, "SaveMarkdownAs1")->trigger();
    newestFirst.prepend(saved);
    newestFirst.resize(TRecentFiles::kMaxCount);
    QCOMPARE(FForm->RecentFiles(), newestFirst);
    QStringList entries = recentMenuEntries();
    QCOMPARE(entries.size(), TRecentFiles::kMaxCount + 1);
    QCOMPARE(entries.takeLast(), QStringLiteral("Clear List"));
    QVERIFY2(entries[0].endsWith(QDir::toNativeSeparators(saved)), qPrintable(entries[0]));

    FForm = std::make_unique<TAppForm>();
    QCOMPARE(FForm->RecentFiles(), newestFirst);
    // Choosing an entry loads it and puts it first.
    QAction* fifth = Control<QMenu>(*FForm, "OpenRecent1")->actions()[4];
    fifth->trigger();
    QCOMPARE(FForm->DocumentPath(), newestFirst[4]);
    QCOMPARE(FForm->RecentFiles().constFirst(), newestFirst[4]);
  }

  void openRecentDropsAMissingFile() {
    const QString kept = file(QStringLiteral("kept.md"), "kept");
    const QString gone = file(QStringLiteral("gone.md"), "gone");
    FForm->LoadFiles({kept});
    FForm->LoadFiles({gone});
    FForm->LoadFiles({kept});
    QVERIFY(QFile::remove(gone));
    FForm->OpenRecentFile(gone);
    QCOMPARE(FForm->RecentFiles(), QStringList{kept});
    QCOMPARE(recentMenuEntries().size(), 2);
    QCOMPARE(FDesktop->Messages.size(), 1);
    QVERIFY(FDesktop->Messages[0].Text.contains(gone));
    QCOMPARE(source()->text(), QStringLiteral("kept"));
    QVERIFY(FDesktop->Errors().isEmpty());
    Control<QAction>(*FForm, "ClearList1")->trigger();
    QVERIFY(FForm->RecentFiles().isEmpty());
    QCOMPARE(recentMenuEntries(), QStringList{"Clear List"});
    QVERIFY(!Control<QAction>(*FForm, "ClearList1")->isEnabled());
    QVERIFY(TAppForm().RecentFiles().isEmpty());
  }

  // The dialogs start where they ended, also after a new start; "Save File..."
  // suggests the HTML file beside the document and says where it wrote it.
  void dialogsRemember() {
    QVERIFY(QDir(FDir->path()).mkpath(QStringLiteral("docs")));
    QVERIFY(QDir(FDir->path()).mkpath(QStringLiteral("html")));
    const QString doc = file(QStringLiteral("docs/notes.md"), "# notes");
    FDesktop->DialogAnswers = {{doc}, {FDir->filePath(QStringLiteral("html/notes.html"))}};
    Control<QAction>(*FForm, "LoadFile1")->trigger();
    Control<QAction>(*FForm, "SaveFile1")->trigger();
    QCOMPARE(FDesktop->Dialogs[1].SelectedFile, FDir->filePath(QStringLiteral("docs/notes.html")));
    QVERIFY(ReadTestFile(FDir->filePath(QStringLiteral("html/notes.html"))).startsWith("<h1>notes</h1>"));
    QCOMPARE(FForm->StatusText(),
             QStringLiteral("Saved to ") + QDir::toNativeSeparators(FDir->filePath(QStringLiteral("html/notes.html"))));

    FForm = std::make_unique<TAppForm>();
    FDesktop->Dialogs.clear();
    Control<QAction>(*FForm, "LoadFile1")->trigger();
    Control<QAction>(*FForm, "SaveFile1")->trigger();  // no document file: the folder used last
    QCOMPARE(FDesktop->Dialogs[0].Directory, FDir->filePath(QStringLiteral("docs")));
    QCOMPARE(FDesktop->Dialogs[1].Directory, FDir->filePath(QStringLiteral("html")));
  }

  void batchPickersRemember() {
    QVERIFY(QDir(FDir->path()).mkpath(QStringLiteral("in/sub")));
    Control<QAction>(*FForm, "BatchProcessing1")->trigger();
    TFormBatch* batch = FForm->findChildren<TFormBatch*>().last();
    FDesktop->DialogAnswers = {{FDir->filePath(QStringLiteral("in/a.md"))}, {FDir->filePath(QStringLiteral("in/sub"))}};
    QTest::mouseClick(Control<QPushButton>(*batch, "Button3"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(*batch, "Button1"), Qt::LeftButton);
    // The next start.
    TFormBatch::LastFolder.clear();
    FForm = std::make_unique<TAppForm>();
    FDesktop->Dialogs.clear();
    Control<QAction>(*FForm, "BatchProcessing1")->trigger();
    batch = FForm->findChildren<TFormBatch*>().last();
    QTest::mouseClick(Control<QPushButton>(*batch, "Button3"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(*batch, "Button1"), Qt::LeftButton);
    QCOMPARE(FDesktop->Dialogs[0].Directory, FDir->filePath(QStringLiteral("in")));
    QCOMPARE(FDesktop->Dialogs[1].Directory, FDir->filePath(QStringLiteral("in/sub")));
  }

  void menuKeys_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QKeySequence>("key");
    QTest::newRow("New") << "New1" << QKeySequence(QStringLiteral("Ctrl+N"));
    QTest::newRow("Load File") << "LoadFile1" << QKeySequence(QStringLiteral("Ctrl+O"));
    QTest::newRow("Save File") << "SaveFile1" << QKeySequence(QStringLiteral("Ctrl+S"));
    QTest::newRow("Save Markdown As") << "SaveMarkdownAs1" << QKeySequence(QStringLiteral("Ctrl+Shift+S"));
    QTest::newRow("Exit") << "Exit1" << QKeySequence(QStringLiteral("Ctrl+Q"));
    QTest::newRow("Online Help") << "Help2" << QKeySequence(QStringLiteral("F1"));
    QTest::newRow("Undo") << "Undo1" << QKeySequence(QStringLiteral("Ctrl+Z"));
    QTest::newRow("Redo") << "Redo1" << QKeySequence(QStringLiteral("Ctrl+Y"));
    QTest::newRow("HTML pane's Redo") << "Redo2" << QKeySequence(QStringLiteral("Ctrl+Y"));
  }

  void menuKeys() {
    QFETCH(QString, entry);
    QFETCH(QKeySequence, key);
    QCOMPARE(Control<QAction>(*FForm, entry.toLatin1().constData())->shortcut(), key);
  }

  // The keys act while the person types in the source editor.
  void keysActInTheWindow() {
    FForm->show();
    FForm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
    source()->setFocus();
    source()->SetText(QStringLiteral("# typed"));
    QVERIFY(FForm->IsHtmlStale());
    QTest::keyClick(source(), Qt::Key_Return, Qt::ControlModifier);
    QTRY_VERIFY(!FForm->IsHtmlStale());  // the button's key clicks it a moment later
    QCOMPARE(FForm->HtmlLines.Text(), QStringLiteral("<h1>typed</h1>\r\n"));
    QCOMPARE(source()->text(), QStringLiteral("# typed"));
    FDesktop->Answers = {QMessageBox::Discard};
    QTest::keyClick(source(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(source()->text(), QString());
    FDesktop->AnswerDialogsWith(QString());
    QTest::keyClick(source(), Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(source(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(source(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(FDesktop->Dialogs.size(), 3);
    QCOMPARE(FDesktop->Dialogs[0].AcceptMode, QFileDialog::AcceptOpen);
    QCOMPARE(FDesktop->Dialogs[1].Suffix, QStringLiteral("html"));
    QCOMPARE(FDesktop->Dialogs[2].Suffix, QStringLiteral("md"));
  }
};

QTEST_MAIN(MarkdownDocumentTest)
#include "MarkdownDocumentTest.moc"
