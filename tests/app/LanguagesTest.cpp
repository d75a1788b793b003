// Language files, the code table, the stored choice and the lookup of texts.
#include "AppForm.h"
#include "FakeDesktop.h"
#include "Languages.h"
#include "TextFiles.h"
#include "platform/UiLanguage.h"

#include "AppTestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

class LanguagesTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> FTemp;
  std::unique_ptr<TFakeDesktop> FDesktop;  // no box ever waits for a click
  QString FFolder;

  // A fresh state reading FFolder, with `uiLanguage` as the user's language.
  TLanguages languages(quint16 uiLanguage = 1033) {
    TLanguages result;
    result.FolderSource = [folder = FFolder] { return folder; };
    result.UiLanguageSource = [uiLanguage] { return uiLanguage; };
    return result;
  }
  void put(const QString& name, const QByteArray& content) {
    WriteTestFile(FFolder + u'/' + name, content);
  }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }

  void init() {
    FDesktop = std::make_unique<TFakeDesktop>();
    StoreLanguageFile(QString());
    FTemp = std::make_unique<QTemporaryDir>();
    FFolder = FTemp->path() + QStringLiteral("/Languages");
    QVERIFY(QDir().mkdir(FFolder));
  }

  void cleanup() {
    FDesktop.reset();
    Languages() = TLanguages();
    StoreLanguageFile(QString());
  }

  void codeTableChoosesTheFile_data() {
    QTest::addColumn<QByteArray>("codeTable");
    QTest::addColumn<int>("uiLanguage");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("no code table") << QByteArray() << 1031 << "" << "";
    QTest::newRow("blanks around both parts")
        << QByteArray(" 1031 , german.lang.txt \r\n") << 1031 << "German" << "German.lang.txt";
    QTest::newRow("no line for the language") << QByteArray("1055,Turkish.lang.txt\r\n") << 1031 << "" << "";
    QTest::newRow("first matching line decides")
        << QByteArray("1031,Deutsch.lang.txt\r\n1031,German.lang.txt\r\n") << 1031 << "" << "";
    QTest::newRow("first matching line wins")
        << QByteArray("1055,German.lang.txt\n1031,Turkish.lang.txt\n1031,German.lang.txt\n") << 1031
        << "Turkish" << "Turkish.lang.txt";
    QTest::newRow("line without a comma") << QByteArray("1031 German.lang.txt\r\n") << 1031 << "" << "";
    QTest::newRow("identifier compared as text") << QByteArray("01031,German.lang.txt\r\n") << 1031 << "" << "";
    QTest::newRow("everything after the first comma")
        << QByteArray("1031,German.lang.txt,x\r\n") << 1031 << "" << "";
    QTest::newRow("byte-order mark")
        << QByteArray("\xEF\xBB\xBF" "1031,German.lang.txt\r\n") << 1031 << "German" << "German.lang.txt";
    QTest::newRow("16-bit identifier") << QByteArray("65535,German.lang.txt") << 65535 << "German"
                                       << "German.lang.txt";
  }

  void codeTableChoosesTheFile() {
    QFETCH(QByteArray, codeTable);
    QFETCH(int, uiLanguage);
    QFETCH(QString, name);
    QFETCH(QString, file);
    if (!codeTable.isNull()) put(QStringLiteral("LanguageCodes.csv"), codeTable);
    put(QStringLiteral("German.lang.txt"), "{OK}Gut\r\n");
    put(QStringLiteral("Turkish.lang.txt"), "{OK}Tamam\r\n");
    TLanguages state = languages(static_cast<quint16>(uiLanguage));
    state.LoadLanguage(QString());
    QCOMPARE(state.CurrentLanguageName, name);
    QCOMPARE(state.CurrentLanguageFile, file.isEmpty() ? QString() : FFolder + u'/' + file);
  }

  void translate_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("translated") << QByteArray("{OK}Tamam") << "OK" << "Tamam";
    QTest::newRow("letter case differs") << QByteArray("{ok}Tamam") << "OK" << "OK";
    QTest::newRow("blank before the brace") << QByteArray(" {OK}Tamam") << "OK" << "OK";
    QTest::newRow("nothing after the key") << QByteArray("{OK}\r\n{OK}Tamam") << "OK" << "OK";
    QTest::newRow("first of two lines") << QByteArray("{OK}Tamam\r\n{OK}Evet") << "OK" << "Tamam";
    QTest::newRow("rest not trimmed") << QByteArray("{OK} Tamam ") << "OK" << " Tamam ";
    QTest::newRow("longer key") << QByteArray("{OKAY}Tamam") << "OK" << "OK";
    QTest::newRow("up to the first brace") << QByteArray("{a}b}Tamam") << "a}b" << "b}Tamam";
    QTest::newRow("key missing") << QByteArray("{Yes}Evet") << "No" << "No";
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF{OK}Tamam") << "OK" << "Tamam";
    QTest::newRow("LF and CR line ends") << QByteArray("x\n{No}Hay\xC4\xB1r\r{Yes}Evet") << "Yes" << "Evet";
  }

  void translate() {
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    put(QStringLiteral("Turkish.lang.txt"), content);
    TLanguages state = languages();
    state.LoadLanguage(QStringLiteral("Turkish.lang.txt"));
    QCOMPARE(state.CurrentLanguageName, QStringLiteral("Turkish"));
    QCOMPARE(state.Translate(key), expected);
  }

  void listsOnlyLanguageFiles() {
    put(QStringLiteral("German.lang.txt"), "");
    put(QStringLiteral("notes-lang.txt"), "");
    put(QStringLiteral("readme.txt"), "");
    put(QStringLiteral("LanguageCodes.csv"), "");
    put(QStringLiteral("a.lang.txt.lang.txt"), "{OK}x");
    QVERIFY(QDir(FFolder).mkdir(QStringLiteral("Folder.lang.txt")));
    TLanguages state = languages();
    state.LoadLanguage(QStringLiteral("a.lang.txt.lang.txt"));
    QCOMPARE(state.CurrentLanguageName, QStringLiteral("a"));  // the name ends at the first suffix
    QStringList files = state.LanguageFiles;
    files.sort();
    QCOMPARE(files, QStringList({"German.lang.txt", "a.lang.txt.lang.txt", "notes-lang.txt"}));
  }

  void withoutFolderEverythingIsEnglish() {
    QVERIFY(QDir(FFolder).removeRecursively());
    TLanguages state = languages(1031);
    state.LoadLanguage(QStringLiteral("German.lang.txt"));
    QCOMPARE(state.LanguagesFolder, FFolder);
    QVERIFY(state.LanguageFiles.isEmpty());
    QVERIFY(state.CurrentLanguageFile.isEmpty());
    QCOMPARE(state.Translate(QStringLiteral("OK")), QStringLiteral("OK"));
  }

  void invalidUtf8Fails() {
    put(QStringLiteral("German.lang.txt"), "{OK}Gut\r\n{Yes}J\xE4\r\n");
    TLanguages state = languages();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, state.LoadLanguage(QStringLiteral("German.lang.txt")));
    QCOMPARE(state.CurrentLanguageFile, FFolder + QStringLiteral("/German.lang.txt"));
    QCOMPARE(state.Translate(QStringLiteral("OK")), QStringLiteral("OK"));
  }

  // Language files are small: a large one, or a link to an endless device, is
  // refused as too large once the limit is passed.
  void largeLanguageFilesAreRefused_data() {
    QTest::addColumn<qint64>("size");  // -1: a link to /dev/zero
    QTest::addColumn<bool>("fits");
    QTest::newRow("at the limit") << kSmallTextLimit << true;
    QTest::newRow("one byte more") << kSmallTextLimit + 1 << false;
    QTest::newRow("endless device") << qint64(-1) << false;
  }

  void largeLanguageFilesAreRefused() {
    QFETCH(qint64, size);
    QFETCH(bool, fits);
    const QString path = FFolder + QStringLiteral("/German.lang.txt");
    if (size < 0) {
      QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    } else {
      put(QStringLiteral("German.lang.txt"), QByteArray(size, 'x'));
    }
    if (fits) {
      QCOMPARE(ReadLanguageLines(path), QStringList{QString(size, u'x')});
      return;
    }
    try {
      ReadLanguageLines(path);
      QFAIL("read beyond the limit");
    } catch (const std::runtime_error& error) {
      QCOMPARE(QString::fromUtf8(error.what()), path + QStringLiteral(": too large (more than 1 MiB)"));
    }
  }

  void anEndlessCodeTableChoosesNothing() {
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), FFolder + QStringLiteral("/LanguageCodes.csv")));
    put(QStringLiteral("German.lang.txt"), "{OK}Gut\r\n");
    TLanguages state = languages(1031);
    state.LoadLanguage(QString());
    QCOMPARE(state.CurrentLanguageName, QString());
    QCOMPARE(state.CurrentLanguageFile, QString());
  }

  void invalidUtf8AtStartGoesToTheErrorHandler() {
    put(QStringLiteral("LanguageCodes.csv"), "1031,German.lang.txt\r\n");
    put(QStringLiteral("German.lang.txt"), "{OK}\xFF\r\n");
    const TFakeDesktop desktop;
    Languages().FolderSource = [folder = FFolder] { return folder; };
    Languages().UiLanguageSource = [] { return quint16(1031); };
    { TAppForm form; }
    const QStringList messages = desktop.Errors();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(QStringLiteral("not valid UTF-8")), qPrintable(messages.first()));
  }

  void storedChoice_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("name");
    QTest::newRow("nothing stored: the code table") << "" << "Turkish";
    QTest::newRow("stored file") << "German.lang.txt" << "German";
    QTest::newRow("stored file, other letter case") << "german.lang.txt" << "German";
    QTest::newRow("stored file gone: the code table") << "Klingon.lang.txt" << "Turkish";
    QTest::newRow("English") << "English.lang.txt" << "";
  }

  void storedChoice() {
    QFETCH(QString, stored);
    QFETCH(QString, name);
    put(QStringLiteral("LanguageCodes.csv"), "1055,Turkish.lang.txt\r\n");
    put(QStringLiteral("German.lang.txt"), "{OK}Gut\r\n");
    put(QStringLiteral("Turkish.lang.txt"), "{OK}Tamam\r\n");
    StoreLanguageFile(stored);
    TLanguages state = languages(1055);
    state.LoadLanguage(QString());
    QCOMPARE(state.CurrentLanguageName, name);
    // A name given outright is taken as it is.
    state.LoadLanguage(QStringLiteral("Turkish.lang.txt"));
    QCOMPARE(state.CurrentLanguageName, QStringLiteral("Turkish"));
  }

  // The shipped files, as the program finds them beside itself.
  void shippedFilesHoldEveryKey() {
    QCOMPARE(DefaultLanguagesFolder(), QCoreApplication::applicationDirPath() + "/Languages");
    const QDir shipped(DefaultLanguagesFolder());
    const QStringList files = shipped.entryList({QStringLiteral("*.lang.txt")}, QDir::Files);
    QVERIFY(files.size() >= 8);  // which ones: shippedCodeTable
    for (const QString& file : files) {
      const QStringList lines = ReadLanguageLines(shipped.filePath(file));
      for (const char* key : kTranslationKeys) {
        const std::optional<QString> text = KeyText(lines, QString::fromUtf8(key));
        QVERIFY2(text && !text->trimmed().isEmpty(), qPrintable(file + ": " + key));
      }
      QCOMPARE(*KeyText(lines, QStringLiteral("INFO:Translated By")),
               QStringLiteral("Glyphmill contributors"));
    }
  }

  // The user's locale gives the language identifier, and the shipped code table
  // the shipped file for it.
  void shippedCodeTable_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::newRow("de_DE") << "de_DE" << 1031 << "German";
    QTest::newRow("de") << "de" << 1031 << "German";
    QTest::newRow("de_AT") << "de_AT" << 3079 << "German";
    QTest::newRow("de_CH") << "de_CH" << 2055 << "German";
    QTest::newRow("fr_CA") << "fr_CA" << 3084 << "French";
    QTest::newRow("es_MX") << "es_MX" << 2058 << "Spanish";
    QTest::newRow("it_CH") << "it_CH" << 2064 << "Italian";
    QTest::newRow("tr_TR") << "tr_TR" << 1055 << "Turkish";
    QTest::newRow("pt-BR") << "pt-BR" << 1046 << "PortugueseBrazil";
    QTest::newRow("pl_PL") << "pl_PL" << 1045 << "Polish";
    QTest::newRow("ja_JP") << "ja_JP" << 1041 << "Japanese";
    QTest::newRow("en_US") << "en_US" << 1033 << "";
    QTest::newRow("zh-Hant-TW") << "zh-Hant-TW" << 1028 << "";
    QTest::newRow("C") << "C" << 0 << "";
  }

  void shippedCodeTable() {
    QFETCH(QString, locale);
    QFETCH(int, id);
    QFETCH(QString, name);
    QCOMPARE(int(LanguageIdForLocaleName(locale)), id);
    TLanguages state;
    state.UiLanguageSource = [id] { return quint16(id); };
    state.LoadLanguage(QString());
    QCOMPARE(state.CurrentLanguageName, name);
  }

  // Run by ctest with the user's language set to German through the locale.
  void germanUserStartsInGerman() {
    const QString expected = qEnvironmentVariable("GLYPHMILL_EXPECT_LANGUAGE");
    if (expected.isEmpty()) QSKIP("run with LANG=de_DE.UTF-8 and GLYPHMILL_EXPECT_LANGUAGE");
    QCOMPARE(int(GetUserDefaultUILanguage()), 1031);
    TAppForm form;
    QCOMPARE(Languages().CurrentLanguageName, expected);
    QCOMPARE(Translate(QStringLiteral("Restart Application?")), QStringLiteral("Anwendung neu starten?"));
  }
};

QTEST_MAIN(LanguagesTest)
#include "LanguagesTest.moc"
