// The language window, the restart script and its runner, and the Help menu's
// "Language..." entry.
#include "AppForm.h"
#include "AppGlobals.h"
#include "FakeDesktop.h"
#include "Languages.h"
#include "TranslateForm.h"
#include "WebHost.h"
#include "platform/RestartScript.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QSysInfo>
#include <QTemporaryDir>
#include "AppTestSupport.h"

#include <QtTest>

#include <stdexcept>

namespace {

QStringList itemTexts(const QComboBox* box) {
  QStringList texts;
  for (int i = 0; i < box->count(); ++i) texts.append(box->itemText(i));
  return texts;
}

QImage flagFile(const QString& name) {
  return QImage(QStringLiteral("/usr/share/flags/countries/16x11/%1.png").arg(name))
      .convertToFormat(QImage::Format_ARGB32);
}

QImage resourceFlag(const QString& image) {
  return QImage(QStringLiteral(":/flags/%1.png").arg(image)).convertToFormat(QImage::Format_ARGB32);
}

// Pixel by pixel (a file's colour-space chunk makes otherwise equal images differ).
bool samePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
    }
  }
  return true;
}

}  // namespace

class TranslateFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> FTemp;
  QString FFolder;
  std::unique_ptr<TFakeDesktop> FDesktop;

  void put(const QString& name, const QByteArray& content) {
    WriteTestFile(FFolder + u'/' + name, content);
  }
  // Loads the state as start-up does, with 1055 (Turkish) as the user's language.
  void start() {
    Languages() = TLanguages();
    Languages().FolderSource = [folder = FFolder] { return folder; };
    Languages().UiLanguageSource = [] { return quint16(1055); };
    Languages().LoadLanguage(QString());
  }
  // A window whose program end is only counted (by the fake desktop).
  std::unique_ptr<TTranslateForm> openForm() {
    auto form = std::make_unique<TTranslateForm>();
    form->show();
    return form;
  }
  // The questions asked: "text|caption|yes|no" each.
  QStringList questions() const {
    QStringList texts;
    for (const TQuestion& question : FDesktop->Questions) {
      texts.append(QStringList{question.Text, question.Caption,
                               question.ButtonTexts.value(QMessageBox::Yes),
                               question.ButtonTexts.value(QMessageBox::No)}
                       .join(u'|'));
    }
    return texts;
  }
  void answerQuestionsWith(bool yes) {
    FDesktop->UnansweredQuestion = yes ? QMessageBox::Yes : QMessageBox::No;
  }
  QString script() const { return DataFolder + QStringLiteral("start.bat"); }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }

  void init() {
    StoreLanguageFile(QString());
    FTemp = std::make_unique<QTemporaryDir>();
    FFolder = FTemp->path() + QStringLiteral("/Languages");
    QVERIFY(QDir().mkdir(FFolder));
    DataFolder = FTemp->path() + u'/';
    FDesktop = std::make_unique<TFakeDesktop>();
    put(QStringLiteral("LanguageCodes.csv"), "1055,Turkish.lang.txt\r\n");
    put(QStringLiteral("Turkish.lang.txt"),
        "{INFO:Translated By}Ann, Bob ,Cy\r\n{Language}Dil\r\n{Yes}Evet\r\n{No}Hay\xC4\xB1r\r\n"
        "{Confirmation}Onay\r\n{Restart Application?}Yeniden ba\xC5\x9flat\xC4\xB1ls\xC4\xB1n m\xC4\xB1?\r\n");
    put(QStringLiteral("German.lang.txt"), "{OK}OK\r\n{Language}Sprache\r\n");
  }

  void cleanup() {
    FDesktop.reset();
    StoreLanguageFile(QString());
    Languages() = TLanguages();
  }

  void sortedListWithFlags() {
    for (const char* name : {"Klingon.lang.txt", "notes-lang.txt", "Catalan.lang.txt", "Vietnamese.lang.txt"}) {
      put(QString::fromLatin1(name), "");
    }
    start();
    TTranslateForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Dil"));  // captions are translated
    QCOMPARE(itemTexts(Control<QComboBox>(form, "ComboBox1")),
             QStringList({"", "Catalan", "English", "German", "Klingon", "Turkish", "Vietnamese"}));
    QCOMPARE(Control<QComboBox>(form, "ComboBox1")->currentText(), QStringLiteral("Turkish"));
    QCOMPARE(form.OpeningLanguage, QStringLiteral("Turkish"));

    // Each item is drawn 18 high with its own flag at the top-left.
    const QHash<QString, QImage> flags = {
        {"English", flagFile("gb")},        {"German", flagFile("de")},     {"Turkish", flagFile("tr")},
        {"Catalan", flagFile("catalonia")}, {"Vietnamese", flagFile("vn")}, {"Klingon", resourceFlag("xx")},
        {"", resourceFlag("xx")}};
    QAbstractItemView* list = Control<QComboBox>(form, "ComboBox1")->view();
    for (int row = 0; row < Control<QComboBox>(form, "ComboBox1")->count(); ++row) {
      const QModelIndex index = Control<QComboBox>(form, "ComboBox1")->model()->index(row, 0);
      QStyleOptionViewItem option;
      option.initFrom(list);
      option.rect = QRect(QPoint(0, 0), list->itemDelegate()->sizeHint(option, index));
      QCOMPARE(option.rect.height(), 18);
      QImage drawn(option.rect.size(), QImage::Format_ARGB32);
      drawn.fill(Qt::magenta);
      {
        QPainter painter(&drawn);
        list->itemDelegate()->paint(&painter, option, index);
      }
      const QImage expected = flags.value(Control<QComboBox>(form, "ComboBox1")->itemText(row));
      QVERIFY(!expected.isNull());
      QVERIFY2(samePixels(drawn.copy(0, 0, 16, 11), expected),
               qPrintable(Control<QComboBox>(form, "ComboBox1")->itemText(row)));
    }
  }

  void translatorLines_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("shown");
    QTest::newRow("split and trimmed") << QByteArray("{INFO:Translated By}Ann, Bob ,Cy") << "Ann\nBob\nCy";
    QTest::newRow("no translator line") << QByteArray("{OK}Gut") << "INFO:Translated By";
    QTest::newRow("empty translator line") << QByteArray("{INFO:Translated By}") << "";
    QTest::newRow("first line wins")
        << QByteArray("{INFO:Translated By}Ann\r\n{INFO:Translated By}Bob") << "Ann";
    QTest::newRow("not UTF-8") << QByteArray("{INFO:Translated By}J\xF6rg") << "";
  }

  void translatorLines() {
    QFETCH(QByteArray, content);
    QFETCH(QString, shown);
    put(QStringLiteral("German.lang.txt"), content);
    start();
    TTranslateForm form;
    Control<QComboBox>(form, "ComboBox1")->setCurrentText(QStringLiteral("German"));
    QCOMPARE(Control<QPlainTextEdit>(form, "RichEdit1")->toPlainText(), shown);
    Control<QComboBox>(form, "ComboBox1")->setCurrentText(QStringLiteral("English"));
    QCOMPARE(Control<QPlainTextEdit>(form, "RichEdit1")->toPlainText(), QStringLiteral("Kelmoor"));
  }

  void withoutFolderOnlyEnglish() {
    QVERIFY(QDir(FFolder).removeRecursively());
    start();
    TTranslateForm form;
    QCOMPARE(itemTexts(Control<QComboBox>(form, "ComboBox1")), QStringList({"English"}));
    QCOMPARE(form.windowTitle(), QStringLiteral("Language"));
    QCOMPARE(Control<QPlainTextEdit>(form, "RichEdit1")->toPlainText(), QStringLiteral("Kelmoor"));
  }

  // OK without a change, or Escape even from the language list, closes without a
  // question; No, or a script that cannot be written, keeps the window open and
  // writes nothing.
  void okWithoutRestart_data() {
    QTest::addColumn<QString>("choice");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("dataFolder");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<int>("errors");
    const QStringList asked = {"Yeniden başlatılsın mı?|Onay|Evet|Hayır"};
    QTest::newRow("no change") << "Turkish" << false << true << "" << QStringList() << 0;
    QTest::newRow("Escape") << "German" << true << true << "" << QStringList() << 0;
    QTest::newRow("No") << "German" << false << false << "" << asked << 0;
    QTest::newRow("script not writable") << "German" << false << true << "/missing/" << asked << 1;
  }

  void okWithoutRestart() {
    QFETCH(QString, choice);
    QFETCH(bool, escape);
    QFETCH(bool, answer);
    QFETCH(QString, dataFolder);
    QFETCH(QStringList, questions);
    QFETCH(int, errors);
    start();
    if (!dataFolder.isEmpty()) DataFolder = FTemp->path() + dataFolder;
    auto form = openForm();
    Control<QComboBox>(*form, "ComboBox1")->setCurrentText(choice);
    answerQuestionsWith(answer);
    if (escape) {
      QVERIFY(QTest::qWaitForWindowExposed(form.get()));
      Control<QComboBox>(*form, "ComboBox1")->setFocus();
      QTest::keyClick(Control<QComboBox>(*form, "ComboBox1"), Qt::Key_Escape);
    } else {
      QTest::mouseClick(Control<QPushButton>(*form, "Button1"), Qt::LeftButton);
    }
    QCOMPARE(this->questions(), questions);
    const QStringList errorsSeen = FDesktop->Errors();
    QCOMPARE(errorsSeen.size(), errors);
    if (errors > 0) QVERIFY2(errorsSeen.first().contains("start.bat"), qPrintable(errorsSeen.first()));
    QTRY_COMPARE(form->isVisible(), !questions.isEmpty());
    QVERIFY(!QFile::exists(script()));
    QVERIFY(FDesktop->RestartScripts.isEmpty());
    QCOMPARE(FDesktop->ProgramEnds, 0);
    if (errors == 0) QVERIFY(StoredLanguageFile().isEmpty());  // the choice is kept only on Yes
  }

  // Help > Language... opens the window modally; Yes stores the choice, writes
  // the script and hands it to the runner, and the next start follows it.
  void yesRestartsIntoTheChoice() {
    Languages().FolderSource = [folder = FFolder] { return folder; };
    Languages().UiLanguageSource = [] { return quint16(1055); };
    auto main = std::make_unique<TAppForm>();
    QCOMPARE(Languages().CurrentLanguageName, QStringLiteral("Turkish"));
    bool wasModal = false;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
      auto* form = qobject_cast<TTranslateForm*>(QApplication::activeModalWidget());
      if (form == nullptr) return;
      answer.stop();
      wasModal = true;
      Control<QComboBox>(*form, "ComboBox1")->setCurrentText(QStringLiteral("German"));
      answerQuestionsWith(true);
      Control<QPushButton>(*form, "Button1")->click();
    });
    answer.start(10);
    Control<QAction>(*main, "Language1")->trigger();
    QVERIFY(wasModal);
    QCOMPARE(FDesktop->Questions.size(), 1);
    QCOMPARE(StoredLanguageFile(), QStringLiteral("German.lang.txt"));
    QCOMPARE(ReadTestFile(script()),
             RestartScriptBytes(QCoreApplication::applicationFilePath(),
                                RestartScriptNeedsTimeout(QSysInfo::kernelVersion())));
    QCOMPARE(FDesktop->RestartScripts, QStringList({script() + u'|' + DataFolder}));
    QCOMPARE(FDesktop->ProgramEnds, 1);
    main.reset();

    // The next start comes back in German, not in the code table's Turkish.
    start();
    QCOMPARE(Languages().CurrentLanguageName, QStringLiteral("German"));
    QCOMPARE(Translate(QStringLiteral("Language")), QStringLiteral("Sprache"));

    // Choosing English is kept too.
    auto form = openForm();
    QCOMPARE(form->OpeningLanguage, QStringLiteral("German"));
    Control<QComboBox>(*form, "ComboBox1")->setCurrentText(QStringLiteral("English"));
    QTest::mouseClick(Control<QPushButton>(*form, "Button1"), Qt::LeftButton);
    QCOMPARE(FDesktop->ProgramEnds, 2);
    start();
    QVERIFY(Languages().CurrentLanguageFile.isEmpty());
    QCOMPARE(Translate(QStringLiteral("Language")), QStringLiteral("Language"));
  }

  void linkOpensTranslationPage() {
    start();
    auto form = openForm();
    QTest::mouseClick(Control<QLabel>(*form, "Label3"), Qt::LeftButton);
    QCOMPARE(FDesktop->Opened, QList<QUrl>({QUrl("https://" + WebHost() + "/translation/")}));
  }

  void scriptBytes_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("timeout");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray head =
        "@ECHO OFF\r\n"
        "ECHO This file was created automatically to restart the program.\r\n"
        "ECHO It is safe to delete this file.\r\n";
    QTest::newRow("with timeout") << "/opt/glyphmill/glyphmill" << true
                                  << head + "timeout 1\r\n\"/opt/glyphmill/glyphmill\"\r\n";
    QTest::newRow("without timeout") << "/opt/glyphmill/glyphmill" << false
                                     << head + "\"/opt/glyphmill/glyphmill\"\r\n";
    QTest::newRow("Windows-1252") << "/home/Zoë/€ and blanks/glyphmill" << false
                                  << head + "\"/home/Zo\xEB/\x80 and blanks/glyphmill\"\r\n";
  }

  void scriptBytes() {
    QFETCH(QString, program);
    QFETCH(bool, timeout);
    QFETCH(QByteArray, bytes);
    QCOMPARE(RestartScriptBytes(program, timeout), bytes);
  }

  void pathWindows1252CannotHold() {
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, RestartScriptBytes("/home/Doğan/glyphmill", true));
  }

  void timeoutByKernelVersion_data() {
    QTest::addColumn<QString>("kernel");
    QTest::addColumn<bool>("timeout");
    QTest::newRow("6.1") << "6.1.0-18-amd64" << true;
    QTest::newRow("5.10") << "5.10.0-28-amd64" << false;
    QTest::newRow("10.0") << "10.0.19045" << true;
    QTest::newRow("unknown") << "" << false;
  }

  void timeoutByKernelVersion() {
    QFETCH(QString, kernel);
    QFETCH(bool, timeout);
    QCOMPARE(RestartScriptNeedsTimeout(kernel), timeout);
  }

  // The real runner (this program's glyphmill) starts the given program after
  // the script's wait, in the script's working folder.
  void runnerStartsTheProgramAfterTheWait() {
    const QString record = FTemp->path() + QStringLiteral("/started.txt");
    qputenv("GLYPHMILL_RECORD_FILE", QFile::encodeName(record));
    WriteTestFile(script(), RestartScriptBytes(QStringLiteral(GLYPHMILL_RECORD_START), true));
    QElapsedTimer clock;
    clock.start();
    RunRestartScript(script(), DataFolder, QStringLiteral(GLYPHMILL_APP_PATH));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 20000);
    QVERIFY2(clock.elapsed() >= 1000, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE(ReadTestFile(record), QFile::encodeName(FTemp->path()) + "\n");
  }

  void runnerLines() {
    const QString record = FTemp->path() + QStringLiteral("/started.txt");
    qputenv("GLYPHMILL_RECORD_FILE", QFile::encodeName(record));
    WriteTestFile(script(), "@ECHO OFF\r\necho hello\r\nTIMEOUT 0\r\n\r\n\"" GLYPHMILL_RECORD_START
                        "\"\r\n");
    QCOMPARE(RunRestartScriptFile(script()), 0);
    QTRY_VERIFY(QFile::exists(record));

    WriteTestFile(script(), "@ECHO OFF\r\ndel *.*\r\n");
    QCOMPARE(RunRestartScriptFile(script()), 1);
    WriteTestFile(script(), "\"" + QFile::encodeName(FTemp->path()) + "/no-such-program\"\r\n");
    QCOMPARE(RunRestartScriptFile(script()), 1);
    QCOMPARE(RunRestartScriptFile(FTemp->path() + "/missing.bat"), 1);
  }
};

QTEST_MAIN(TranslateFormTest)
#include "TranslateFormTest.moc"
