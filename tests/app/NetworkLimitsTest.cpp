// Bounds of the posts to the maker's web site against servers that never end
// their answer or send it one byte at a time: the update check and the
// feedback window fail within their deadlines, and memory stays bounded.
#include "AppGlobals.h"
#include "AppTestSupport.h"
#include "FakeDesktop.h"
#include "FeedbackForm.h"
#include "HostileHttpServer.h"
#include "NetworkLimits.h"
#include "TestHttpServer.h"
#include "UpdateCheck.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <stdexcept>

namespace {

// Short enough for a quick test, far longer than a local answer needs.
constexpr TPostLimits kTestLimits{250, 750};

const QByteArray kNewAnswer = "<version>1.3</version>\r\n<url>https://example.org/get</url>\r\n";

// A valid answer padded with blanks, so that trickling it lasts long.
QByteArray padded(const QByteArray& answer) { return answer + QByteArray(400, ' '); }

// What the client may have been sent at most: the cap, plus what socket
// buffers on both sides hold before an abort is noticed.
constexpr qint64 kSentBound = qint64(16) << 20;

}  // namespace

class NetworkLimitsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    UseTestSettings();
    AppTitle = QStringLiteral("KELMOOR - Glyphmill");
    AppProductName = QStringLiteral("Glyphmill");
    AppVersion = QStringLiteral("1.2");
  }

  void cleanup() { QSettings(QStringLiteral("KELMOOR"), QStringLiteral("Glyphmill")).clear(); }

  // An answer up to the cap is read whole; one byte more fails the post.
  void answerSize_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("small") << qint64(2) << true;
    QTest::newRow("exactly the cap") << kMaxAnswerBytes << true;
    QTest::newRow("one byte over") << kMaxAnswerBytes + 1 << false;
    QTest::newRow("a megabyte") << qint64(1 << 20) << false;
  }
  void answerSize() {
    QFETCH(qint64, size);
    QFETCH(bool, accepted);
    TTestHttpServer server;
    server.Answer = QByteArray(size, 'a');
    const QString address = QStringLiteral("http://") + server.Host() + QStringLiteral("/php/check2.php");
    try {
      const QString answer = PostForm(address, {}, 5000);
      QVERIFY2(accepted, "an answer over the cap was accepted");
      QCOMPARE(answer.size(), size);
    } catch (const std::runtime_error& error) {
      QVERIFY2(!accepted, error.what());
      QVERIFY2(QByteArray(error.what()).contains("larger than 65536 bytes"), error.what());
    }
  }

  // Both kinds of server make one attempt fail: the endless one after at most
  // a bounded amount of data, the trickling one at the deadline although every
  // byte comes well within it.
  void hostileServer_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("reason");
    QTest::newRow("endless answer") << int(THostileHttpServer::hmEndless) << "larger than";
    QTest::newRow("one byte at a time") << int(THostileHttpServer::hmTrickle) << "No whole answer within 400 ms";
  }
  void hostileServer() {
    QFETCH(int, mode);
    QFETCH(QString, reason);
    THostileHttpServer server(THostileHttpServer::TMode(mode), padded("OK"));
    QVERIFY(server.IsListening());
    const QString address = QStringLiteral("http://") + server.Host() + QStringLiteral("/php/feedback.php");
    QString message;
    try {
      PostForm(address, {{QStringLiteral("cmd"), QStringLiteral("feedback")}}, 400);
    } catch (const std::runtime_error& error) {
      message = QString::fromUtf8(error.what());
    }
    QVERIFY2(message.contains(reason), qPrintable(message));
    QCOMPARE(server.Requests, 1);
    QVERIFY2(server.BytesSent < kSentBound, qPrintable(QString::number(server.BytesSent)));
  }

  // The update check against either server: finished, failed, no notice, and
  // within the check's total (https and http together).
  void updateCheck_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("endless answer") << int(THostileHttpServer::hmEndless);
    QTest::newRow("one byte at a time") << int(THostileHttpServer::hmTrickle);
  }
  void updateCheck() {
    QFETCH(int, mode);
    THostileHttpServer server(THostileHttpServer::TMode(mode), padded(kNewAnswer));
    auto state = std::make_shared<TCheckState>();
    TChecker checker(state, {server.Host(), kTestLimits});
    QElapsedTimer clock;
    clock.start();
    checker.CheckNow();
    const qint64 elapsed = clock.elapsed();
    QVERIFY(state->CheckFinished);
    QVERIFY2(state->ErrorFlag && state->ErrorText.contains(QStringLiteral("HTTP Response:\r")),
             qPrintable(state->ErrorText));
    QVERIFY(!state->NoticeDue);
    QVERIFY(state->ServerVersion.isEmpty());
    // The trickle alone would take over 20 s.
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
    QVERIFY2(server.BytesSent < kSentBound, qPrintable(QString::number(server.BytesSent)));
  }

  // The feedback window shows its failure message and stays open.
  void feedbackWindow_data() { updateCheck_data(); }
  void feedbackWindow() {
    QFETCH(int, mode);
    THostileHttpServer server(THostileHttpServer::TMode(mode), padded("OK"));
    qputenv("GLYPHMILL_WEB_HOST", server.Host().toUtf8());
    TFakeDesktop desktop;
    const QList<TMessage>& messages = desktop.Messages;
    const QPointer<TFeedbackForm> form = new TFeedbackForm;
    form->PostLimits = kTestLimits;
    form->show();
    Control<QPlainTextEdit>(*form, "Memo1")->setPlainText(QStringLiteral("Great tool"));
    Control<QPushButton>(*form, "BitBtn1")->click();
    qunsetenv("GLYPHMILL_WEB_HOST");
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].Icon, QMessageBox::Critical);
    QVERIFY(!form.isNull() && form->isVisible());
    QCOMPARE(Control<QPlainTextEdit>(*form, "Memo1")->toPlainText(), QStringLiteral("Great tool"));
    QVERIFY(Control<QPushButton>(*form, "BitBtn1")->isEnabled());
    QCOMPARE(server.Requests, 1);
    QVERIFY2(server.BytesSent < kSentBound, qPrintable(QString::number(server.BytesSent)));
    delete form;
  }
};

QTEST_MAIN(NetworkLimitsTest)
#include "NetworkLimitsTest.moc"
