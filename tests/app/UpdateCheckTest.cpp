// The update check: the request, the daily limit, the answer, the notice's
// timing, https with its fall-back to http, and the main window's timer.
#include "AppForm.h"
#include "AppGlobals.h"
#include "NewVersion.h"
#include "TestHttpServer.h"
#include "AppTestSupport.h"
#include "FakeDesktop.h"
#include "UpdateCheck.h"

#include <QAction>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QSettings store() { return QSettings(QStringLiteral("KELMOOR"), QStringLiteral("Glyphmill")); }

const QByteArray kNewAnswer = "<version>1.3</version>\r\n<url>https://example.org/get</url>\r\nmore\r\n";

}  // namespace

class UpdateCheckTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFakeDesktop> FDesktop;  // no box ever waits for a click
  std::unique_ptr<TTestHttpServer> FServer;

  // Runs the check against `host` on this thread, as the worker would.
  std::shared_ptr<TCheckState> check(const QString& host, TPostLimits limits = kUpdateCheckLimits) {
    auto state = std::make_shared<TCheckState>();
    TChecker checker(state, {host, limits});
    checker.CheckNow();
    return state;
  }
  std::shared_ptr<TCheckState> check() { return check(FServer->Host()); }

  // Stores the day of the last check ("today" for today's date) and that day's count.
  static void storeLastCheck(const QString& day, int count) {
    store().setValue(kLastUpdateCheckKey, day == QStringLiteral("today") ? TodayText() : day);
    store().setValue(kLastUpdateCheckCountKey, count);
  }

 private Q_SLOTS:
  void initTestCase() {
    UseTestSettings();
    AppTitle = QStringLiteral("KELMOOR - Glyphmill");
    AppProductName = QStringLiteral("Glyphmill");
    AppVersion = QStringLiteral("1.2");
  }

  void init() {
    FDesktop = std::make_unique<TFakeDesktop>();
    store().clear();
    FServer = std::make_unique<TTestHttpServer>();
    QVERIFY(FServer->IsListening());
  }

  void cleanup() {
    FDesktop.reset();
    FServer.reset();
    store().clear();
  }

  void getTagValue_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("value");
    QTest::newRow("version") << "<version>1.3</version>" << "version" << "1.3";
    QTest::newRow("tag in upper case") << "<version>1.3</version>" << "VERSION" << "1.3";
    QTest::newRow("line in upper case") << "<VERSION>1.3</VERSION>" << "version" << "";
    QTest::newRow("empty value") << "<version></version>" << "version" << "";
    QTest::newRow("leading blank") << " <version>1.3</version>" << "version" << "";
    QTest::newRow("trailing blank") << "<version>1.3</version> " << "version" << "";
    QTest::newRow("other tag") << "<url>x</url>" << "version" << "";
    QTest::newRow("empty tag") << "<>1</>" << "" << "";
    QTest::newRow("overlapping tags") << "<a></a>" << "a" << "";
    QTest::newRow("too short") << "<a>/a>" << "a" << "";
  }
  void getTagValue() {
    QFETCH(QString, line);
    QFETCH(QString, tag);
    QFETCH(QString, value);
    QCOMPARE(GetTagValue(line, tag), value);
  }

  void requestFieldsAndHttpFallback() {
    FServer->Answer = kNewAnswer;
    const auto state = check();
    // The https attempt reached the plain server as a TLS hello and failed.
    QVERIFY(FServer->Rejected >= 1);
    QCOMPARE(FServer->Requests.size(), 1);
    const TRecordedRequest& request = FServer->Requests[0];
    QCOMPARE(request.Path, QByteArray("/php/check2.php"));
    QVERIFY(request.Headers.value("content-type").startsWith("application/x-www-form-urlencoded"));
    QCOMPARE(request.FieldNames(), QStringList({"cmd", "appname", "version", "os", "local"}));
    QCOMPARE(request.Field("cmd"), QStringLiteral("check"));
    QCOMPARE(request.Field("appname"), QStringLiteral("KELMOOR - Glyphmill"));
    QCOMPARE(request.Field("version"), QStringLiteral("1.2"));
    QCOMPARE(request.Field("os"), OsDescription());
    QVERIFY(OsDescription().contains(QSysInfo::kernelVersion()) && OsDescription().endsWith(QStringLiteral("-bit")));
    QCOMPARE(request.Field("local"), LocaleName());
    // The fall-back's success clears the https error.
    QVERIFY2(!state->ErrorFlag && state->ErrorText.isEmpty(), qPrintable(state->ErrorText));
    QVERIFY(state->NoticeDue);
    QCOMPARE(store().value(kLastUpdateCheckKey).toString(), TodayText());
  }

  void localeName_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("name");
    QTest::newRow("en_US") << "en_US" << "en-US";
    QTest::newRow("pt_BR") << "pt_BR" << "pt-BR";
    QTest::newRow("C") << "C" << "xx";
  }
  void localeName() {
    QFETCH(QString, locale);
    QFETCH(QString, name);
    const QLocale saved;
    QLocale::setDefault(QLocale(locale));
    const QString result = LocaleName();
    QLocale::setDefault(saved);
    QCOMPARE(result, name);
  }

  void sendsNothing_data() {
    QTest::addColumn<int>("showUpdate");
    QTest::addColumn<int>("countToday");
    QTest::newRow("ShowUpdate 0") << 0 << 0;
    QTest::newRow("five checks today") << 1 << 5;
  }
  void sendsNothing() {
    QFETCH(int, showUpdate);
    QFETCH(int, countToday);
    store().setValue(kShowUpdateKey, showUpdate);
    storeLastCheck(QStringLiteral("today"), countToday);
    FServer->Answer = kNewAnswer;
    const auto state = check();
    QVERIFY(state->CheckFinished);
    QVERIFY(!state->NoticeDue);
    QCOMPARE(FServer->Requests.size() + FServer->Rejected, 0);
    QCOMPARE(store().value(kLastUpdateCheckCountKey).toInt(), countToday);
  }

  // The answer decides the notice, together with the day's count.
  void answers_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("lastCheck");  // "": none stored; "today": today's date
    QTest::addColumn<int>("count");          // stored for that day
    QTest::addColumn<bool>("noticeDue");
    QTest::addColumn<QString>("storedVersion");
    QTest::addColumn<QString>("storedUrl");
    QTest::addColumn<int>("countAfter");
    QTest::addColumn<QString>("error");
    const QString newUrl = QStringLiteral("https://example.org/get");
    const QString oldUrl = QStringLiteral("https://old.example/");
    const QByteArray url = "\n<url>https://example.org/get</url>";
    QTest::newRow("newer, first check") << kNewAnswer << "" << 0 << true << "1.3" << newUrl << 1 << "";
    QTest::newRow("newer, third check") << kNewAnswer << "today" << 2 << true << "1.3" << newUrl << 3 << "";
    QTest::newRow("newer, fourth check") << kNewAnswer << "today" << 3 << false << "1.3" << newUrl << 4 << "";
    QTest::newRow("yesterday's count starts again") << kNewAnswer << "not today" << 5 << true << "1.3" << newUrl << 1
                                                    << "";
    QTest::newRow("older") << "<version>1.1</version>" + url << "" << 0 << true << "1.1" << newUrl << 1 << "";
    QTest::newRow("same") << "<version>1.2</version>" + url << "" << 0 << false << "1.2" << newUrl << 1 << "";
    QTest::newRow("not a number") << "<version>1.2b</version>" + url << "" << 0 << false << "1.2b" << newUrl << 1 << "";
    QTest::newRow("more dots") << "<version>1.2.1</version>" + url << "" << 0 << true << "1.2.1" << newUrl << 1 << "";
    // An error answer or an unreadable first line leaves the stored values alone.
    QTest::newRow("ERROR") << QByteArray("ERROR\n<version>1.3</version>") << "" << 0 << false << "0.9" << oldUrl << 1
                           << "INVALIDSERVERRESPONSE";
    QTest::newRow("leading blank") << " <version>1.3</version>" + url << "" << 0 << false << "" << newUrl << 1 << "";
    QTest::newRow("one line keeps the address") << QByteArray("<version>1.3</version>\r\n") << "" << 0 << true << "1.3"
                                                << oldUrl << 1 << "";
    QTest::newRow("empty answer") << QByteArray() << "" << 0 << false << "0.9" << oldUrl << 1 << "";
  }
  void answers() {
    QFETCH(QByteArray, answer);
    QFETCH(QString, lastCheck);
    QFETCH(int, count);
    QFETCH(bool, noticeDue);
    QFETCH(QString, storedVersion);
    QFETCH(QString, storedUrl);
    QFETCH(int, countAfter);
    QFETCH(QString, error);
    store().setValue(kCurrentVersionKey, QStringLiteral("0.9"));
    store().setValue(kCurrentUrlKey, QStringLiteral("https://old.example/"));
    if (!lastCheck.isEmpty()) storeLastCheck(lastCheck, count);
    FServer->Answer = answer;
    const auto state = check();
    QCOMPARE(FServer->Requests.size(), 1);
    QVERIFY(state->CheckFinished);
    QCOMPARE(state->NoticeDue.load(), noticeDue);
    QCOMPARE(store().value(kCurrentVersionKey).toString(), storedVersion);
    QCOMPARE(store().value(kCurrentUrlKey).toString(), storedUrl);
    QCOMPARE(state->DownloadAddress, storedUrl);
    QCOMPARE(store().value(kLastUpdateCheckKey).toString(), TodayText());
    QCOMPARE(store().value(kLastUpdateCheckCountKey).toInt(), countAfter);
    QCOMPARE(state->ErrorText, error);
  }

  // Both attempts fail: both errors are recorded, nothing is stored.
  void failures_data() {
    QTest::addColumn<int>("failure");  // 0 error status, 1 silent server, 2 nothing listening
    QTest::newRow("error status") << 0;
    QTest::newRow("silent server ends after the time-out") << 1;
    QTest::newRow("nothing listening") << 2;
  }
  void failures() {
    QFETCH(int, failure);
    FServer->Answer = kNewAnswer;
    FServer->Status = failure == 0 ? 500 : 200;
    FServer->Silent = failure == 1;
    const QString host = FServer->Host();
    if (failure == 2) FServer.reset();
    QElapsedTimer clock;
    clock.start();
    const auto state = check(host, {300, 900});
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(state->CheckFinished);
    QVERIFY(!state->NoticeDue);
    QVERIFY(state->ErrorFlag);
    QVERIFY2(state->ErrorText.startsWith(QStringLiteral("HTTPS Response:\r")) &&
                 state->ErrorText.contains(QStringLiteral("\r\rHTTP Response:\r")),
             qPrintable(state->ErrorText));
    QVERIFY(!store().contains(kCurrentVersionKey));
    if (FServer) QCOMPARE(FServer->Requests.size(), 1);
  }

  // A server with a certificate the test process trusts answers over https.
  void httpsRequest() {
    if (!QSslSocket::supportsSsl()) QSKIP("No TLS support in this Qt build");
    QTemporaryDir folder;
    const QString key = folder.filePath(QStringLiteral("key.pem"));
    const QString certificate = folder.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                                              certificate, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                                              "subjectAltName=IP:127.0.0.1"});
    if (!openssl.waitForStarted()) QSKIP("openssl is not installed");
    QVERIFY(openssl.waitForFinished(60000));
    QCOMPARE(openssl.exitCode(), 0);
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certificate);
    QCOMPARE(certificates.size(), 1);

    // Not trusted yet: the TLS error is never ignored, the check falls back to
    // http, which this server does not speak.
    QSslConfiguration serverConfiguration = QSslConfiguration::defaultConfiguration();
    serverConfiguration.setLocalCertificate(certificates[0]);
    serverConfiguration.setPrivateKey(QSslKey(ReadTestFile(key), QSsl::Rsa));
    serverConfiguration.setPeerVerifyMode(QSslSocket::VerifyNone);
    TTestHttpServer secure(serverConfiguration);
    secure.Answer = kNewAnswer;
    auto state = check(secure.Host());
    QVERIFY(!state->NoticeDue);
    QVERIFY(state->ErrorText.startsWith(QStringLiteral("HTTPS Response:\r")));
    QCOMPARE(secure.Requests.size(), 0);

    // Trusted in this process only.
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(certificates[0]);
    QSslConfiguration::setDefaultConfiguration(trusting);
    store().clear();
    state = check(secure.Host());
    QVERIFY2(!state->ErrorFlag, qPrintable(state->ErrorText));
    QVERIFY(state->NoticeDue);
    QCOMPARE(secure.Requests.size(), 1);
    QCOMPARE(secure.Requests[0].Path, QByteArray("/php/check2.php"));
    QCOMPARE(secure.Requests[0].Headers.value("connection").toLower(), QByteArray("close"));
  }

  // The main window's timer: the check on a worker thread, the menu entry
  // disabled until it has finished, then the notice when one is due. The entry
  // turns notices on and off.
  void mainWindow_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("showUpdate");
    QTest::newRow("newer version") << kNewAnswer << 1;
    QTest::newRow("error") << QByteArray("ERROR") << 1;
    QTest::newRow("notices off") << kNewAnswer << 0;
  }
  void mainWindow() {
    QFETCH(QByteArray, answer);
    QFETCH(int, showUpdate);
    store().setValue(kShowUpdateKey, showUpdate);
    FServer->Answer = answer;
    TAppForm main;
    main.UpdateCheckOptions.Host = FServer->Host();
    main.TimerChecker->setInterval(10);
    QVERIFY(!Control<QAction>(main, "UpdateNotifications1")->isEnabled());
    QTRY_VERIFY(Control<QAction>(main, "UpdateNotifications1")->isEnabled());
    QCOMPARE(Control<QAction>(main, "UpdateNotifications1")->isChecked(), showUpdate == 1);
    QCOMPARE(FServer->Requests.size(), showUpdate);
    auto* notice = main.findChild<TNewVer*>();
    QCOMPARE(notice != nullptr, answer == kNewAnswer && showUpdate == 1);
    if (notice) {
      QCOMPARE(notice->ServerVersion, QStringLiteral("1.3"));
      QCOMPARE(notice->DownloadAddress, QStringLiteral("https://example.org/get"));
      QTRY_VERIFY(notice->isVisible());
    }
    Control<QAction>(main, "UpdateNotifications1")->trigger();
    QCOMPARE(Control<QAction>(main, "UpdateNotifications1")->isChecked(), showUpdate == 0);
    QCOMPARE(store().value(kShowUpdateKey).toInt(), 1 - showUpdate);
  }

  // Closing the window while the check waits for an answer ends the check.
  void closingTheWindowStopsTheCheck() {
    FServer->Silent = true;
    QElapsedTimer clock;
    {
      TAppForm main;
      main.UpdateCheckOptions.Host = FServer->Host();
      main.TimerChecker->setInterval(10);
      QTRY_VERIFY(FServer->Requests.size() >= 1);
      clock.start();
    }
    QVERIFY(clock.elapsed() < 5000);
  }
};

QTEST_MAIN(UpdateCheckTest)
#include "UpdateCheckTest.moc"
