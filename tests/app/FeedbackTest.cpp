// The feedback window against a local HTTP server, and the About window.
#include "AboutForm.h"
#include "AppTestSupport.h"
#include "FakeDesktop.h"
#include "AppForm.h"
#include "AppGlobals.h"
#include "FeedbackForm.h"
#include "Languages.h"
#include "TestHttpServer.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(QMessageBox::Icon)

namespace {

const QString kFailureText =
    QStringLiteral("Something went wrong. Your feedback could not be delivered.\n\nPlease try again later.");

}  // namespace

class FeedbackTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TTestHttpServer> FServer;
  std::unique_ptr<TFakeDesktop> FDesktop;

  QPointer<TFeedbackForm> openForm() {
    QPointer<TFeedbackForm> form = new TFeedbackForm;
    form->show();
    form->activateWindow();
    QTest::qWaitForWindowActive(form);
    return form;
  }
  // Turns a toggle on (1 "I like it!", 2 "I dislike it!"), fills the window and presses Send.
  void send(TFeedbackForm* form, int toggle, const QString& message, const QString& address = QString()) {
    if (toggle == 1) QTest::mouseClick(Control<QLabel>(*form, "Image1"), Qt::LeftButton);
    if (toggle == 2) QTest::mouseClick(Control<QLabel>(*form, "Image2"), Qt::LeftButton);
    Control<QPlainTextEdit>(*form, "Memo1")->setPlainText(message);
    Control<QLineEdit>(*form, "Edit1")->setText(address);
    Control<QPushButton>(*form, "BitBtn1")->click();
  }

 private Q_SLOTS:
  void initTestCase() {
    UseTestSettings();
    AppTitle = QStringLiteral("KELMOOR - Glyphmill");
    AppProductName = QStringLiteral("Glyphmill");
    AppVersion = QStringLiteral("1.2");
  }

  void init() {
    FServer = std::make_unique<TTestHttpServer>();
    QVERIFY(FServer->IsListening());
    qputenv("GLYPHMILL_WEB_HOST", FServer->Host().toUtf8());
    FDesktop = std::make_unique<TFakeDesktop>();
  }

  void cleanup() {
    FDesktop.reset();
    Languages() = TLanguages();
    FServer.reset();
    for (QWidget* window : QApplication::topLevelWidgets()) delete qobject_cast<TFeedbackForm*>(window);
  }

  void messageIsLimited() {
    const QPointer<TFeedbackForm> form = openForm();
    Control<QPlainTextEdit>(*form, "Memo1")->setPlainText(QString(10005, u'x'));
    QCOMPARE(Control<QPlainTextEdit>(*form, "Memo1")->toPlainText().size(), 10000);
  }

  void escapeCloses() {
    for (int control = 0; control < 3; ++control) {
      const QPointer<TFeedbackForm> form = openForm();
      QWidget* target = QList<QWidget*>{Control<QPlainTextEdit>(*form, "Memo1"),
                                        Control<QLineEdit>(*form, "Edit1"),
                                        Control<QPushButton>(*form, "BitBtn1")}[control];
      target->setFocus();
      QTest::keyClick(target, Qt::Key_Escape);
      QTRY_VERIFY2(form.isNull(), qPrintable(QString::number(control)));
    }
  }

  void togglesExcludeEachOther() {
    const QPointer<TFeedbackForm> form = openForm();
    QVERIFY(!form->LikeOn() && !form->DislikeOn());
    QTest::mouseClick(Control<QLabel>(*form, "Image1"), Qt::LeftButton);
    QVERIFY(form->LikeOn() && !form->DislikeOn());
    QCOMPARE(Control<QFrame>(*form, "Panel4")->palette().color(QPalette::Window),
             QApplication::palette().color(QPalette::Highlight));
    // Turning "I dislike it!" on turns "I like it!" off.
    QTest::mouseClick(Control<QLabel>(*form, "Caption5"), Qt::LeftButton);
    QVERIFY(!form->LikeOn() && form->DislikeOn());
    QCOMPARE(Control<QFrame>(*form, "Panel4")->palette().color(QPalette::Window),
             QApplication::palette().color(QPalette::Button));
    // Clicking an on toggle turns it off; the right button does nothing.
    QTest::mouseClick(Control<QFrame>(*form, "Panel5"), Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(!form->LikeOn() && !form->DislikeOn());
    QTest::mouseClick(Control<QFrame>(*form, "Panel4"), Qt::RightButton, {}, QPoint(2, 2));
    QVERIFY(!form->LikeOn());
  }

  void emptyMessageBeeps_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("like");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks and line breaks") << " \r\n\t \n" << false;
    QTest::newRow("empty with a toggle on") << "" << true;
  }
  void emptyMessageBeeps() {
    QFETCH(QString, message);
    QFETCH(bool, like);
    const QPointer<TFeedbackForm> form = openForm();
    Control<QLineEdit>(*form, "Edit1")->setFocus();
    send(form, like ? 1 : 0, message);
    QCOMPARE(FDesktop->Beeps, 1);
    QVERIFY(FDesktop->Messages.isEmpty());
    QCOMPARE(FServer->Requests.size() + FServer->Rejected, 0);
    QVERIFY(!form.isNull());
    QTRY_COMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(Control<QPlainTextEdit>(*form, "Memo1")));
  }

  void emailPattern_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "me@example.org" << true;
    QTest::newRow("dots and plus") << "first.last+tag@mail.example.co.uk" << true;
    QTest::newRow("hyphen in domain") << "a_b@my-host.example" << true;
    QTest::newRow("blank inside") << "me @example.org" << false;
    QTest::newRow("no dot after @") << "me@example" << false;
    QTest::newRow("no @") << "me.example.org" << false;
    QTest::newRow("nothing before @") << "@example.org" << false;
    QTest::newRow("ends with a dot") << "me@example.org." << false;
    QTest::newRow("two @") << "me@you@example.org" << false;
    QTest::newRow("non-ASCII") << "jörg@example.org" << false;
  }
  void emailPattern() {
    QFETCH(QString, address);
    QFETCH(bool, valid);
    QCOMPARE(IsValidEmail(address), valid);
  }

  void invalidAddressIsRefused_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("blank inside") << "me @example.org";
    QTest::newRow("no dot after @") << "me@example";
  }
  void invalidAddressIsRefused() {
    QFETCH(QString, address);
    const QPointer<TFeedbackForm> form = openForm();
    Control<QPlainTextEdit>(*form, "Memo1")->setFocus();
    send(form, 0, QStringLiteral("Great tool"), address);
    QCOMPARE(FDesktop->Messages.size(), 1);
    QCOMPARE(FDesktop->Messages[0].Text, QStringLiteral("Invalid e-mail address!"));
    QCOMPARE(FServer->Requests.size() + FServer->Rejected, 0);
    QVERIFY(!form.isNull());
    QTRY_COMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(Control<QLineEdit>(*form, "Edit1")));
  }

  // The request's fields; https is tried first and falls back to http.
  void feedbackField_data() {
    QTest::addColumn<QString>("likeCaption");  // empty: not translated
    QTest::addColumn<int>("toggle");           // 0 none, 1 like, 2 dislike
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("feedback");
    QTest::newRow("like") << "" << 1 << "Great tool" << "" << "I like it!\rGreat tool";
    QTest::newRow("like, translated") << "Gefällt mir!" << 1 << "Great tool" << ""
                                      << "I like it! (Gefällt mir!)\rGreat tool";
    QTest::newRow("dislike") << "" << 2 << "  Too slow \n" << "" << "I dislike it!\rToo slow";
    QTest::newRow("neither") << "" << 0 << "Fine & dandy = 100%" << "" << "Fine & dandy = 100%";
    QTest::newRow("with e-mail") << "" << 0 << "Hi" << "  me@example.org " << "Hi";
  }
  void feedbackField() {
    QFETCH(QString, likeCaption);
    QFETCH(int, toggle);
    QFETCH(QString, message);
    QFETCH(QString, address);
    QFETCH(QString, feedback);
    if (!likeCaption.isEmpty()) {
      Languages().CurrentLanguageFile = QStringLiteral("German.lang.txt");
      Languages().LanguageLines = {QStringLiteral("{I like it!}") + likeCaption};
    }
    FServer->Answer = "OK\n";
    const QPointer<TFeedbackForm> form = openForm();
    send(form, toggle, message, address);

    QVERIFY(FServer->Rejected >= 1);
    QCOMPARE(FServer->Requests.size(), 1);
    const TRecordedRequest& request = FServer->Requests[0];
    QCOMPARE(request.Path, QByteArray("/php/feedback.php"));
    QStringList names = {"cmd", "appname", "version", "feedback"};
    if (!address.trimmed().isEmpty()) names.append(QStringLiteral("email"));
    QCOMPARE(request.FieldNames(), names);
    QCOMPARE(request.Field("cmd"), QStringLiteral("feedback"));
    QCOMPARE(request.Field("appname"), QStringLiteral("KELMOOR - Glyphmill"));
    QCOMPARE(request.Field("version"), QStringLiteral("1.2"));
    QCOMPARE(request.Field("feedback"), feedback);
    QCOMPARE(request.Field("email"), address.trimmed());
    // Success: the box, then the window closes.
    QCOMPARE(FDesktop->Messages.size(), 1);
    QCOMPARE(FDesktop->Messages[0].Text,
             QStringLiteral("Your feedback is received.\n\nThank you!"));
    QTRY_VERIFY(form.isNull());
  }

  void answers_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("status");  // 0: nothing listening
    QTest::addColumn<bool>("success");
    QTest::newRow("OK and a line break") << QByteArray("OK\n") << 200 << true;
    QTest::newRow("OK") << QByteArray("OK") << 200 << true;
    QTest::newRow("blanks around") << QByteArray(" \r\nOK \r\n") << 200 << true;
    QTest::newRow("lower case") << QByteArray("ok") << 200 << false;
    QTest::newRow("more") << QByteArray("OK, thanks") << 200 << false;
    QTest::newRow("empty") << QByteArray() << 200 << false;
    QTest::newRow("error status") << QByteArray("OK") << 500 << false;
    QTest::newRow("nothing listening") << QByteArray() << 0 << false;
  }
  void answers() {
    QFETCH(QByteArray, answer);
    QFETCH(int, status);
    QFETCH(bool, success);
    FServer->Answer = answer;
    FServer->Status = status;
    if (status == 0) qputenv("GLYPHMILL_WEB_HOST", "127.0.0.1:1");
    const QPointer<TFeedbackForm> form = openForm();
    send(form, 2, QStringLiteral("Too slow"), QStringLiteral("me@example.org"));
    QCOMPARE(FServer->Requests.size(), status == 0 ? 0 : 1);
    QCOMPARE(FDesktop->Messages.size(), 1);
    QCOMPARE(FDesktop->Messages[0].Icon,
             success ? QMessageBox::Information : QMessageBox::Critical);
    QCOMPARE(FDesktop->Messages[0].Caption,
             success ? QStringLiteral("Success") : QStringLiteral("Failure"));
    if (success) {
      QTRY_VERIFY(form.isNull());
      return;
    }
    QCOMPARE(FDesktop->Messages[0].Text, kFailureText);
    // The window stays open with its content.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!form.isNull() && form->isVisible());
    QCOMPARE(Control<QPlainTextEdit>(*form, "Memo1")->toPlainText(), QStringLiteral("Too slow"));
    QCOMPARE(Control<QLineEdit>(*form, "Edit1")->text(), QStringLiteral("me@example.org"));
    QVERIFY(form->DislikeOn());
    QVERIFY(Control<QPushButton>(*form, "BitBtn1")->isEnabled());
  }

  // The Help menu's entries open the two windows modally.
  void helpMenuOpensTheWindows() {
    TAppForm main;
    main.TimerChecker->stop();
    QString feedbackTitle;
    QTimer::singleShot(0, [&] {
      auto* form = qobject_cast<TFeedbackForm*>(QApplication::activeModalWidget());
      feedbackTitle = form ? form->windowTitle() : QString();
      QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
    });
    Control<QAction>(main, "SendFeedback1")->trigger();
    QCOMPARE(feedbackTitle, QStringLiteral("Glyphmill feedback"));

    QTimer::singleShot(0, [] {
      auto* form = qobject_cast<TAboutForm*>(QApplication::activeModalWidget());
      QVERIFY(form);
      QTest::mouseClick(Control<QLabel>(*form, "LabelWebSite"), Qt::LeftButton);
      QVERIFY(Control<QPlainTextEdit>(*form, "MemoLicences")
                  ->toPlainText()
                  .contains(QStringLiteral("Creative Commons")));
      Control<QPushButton>(*form, "ButtonOK")->click();
    });
    Control<QAction>(main, "About1")->trigger();
    QCOMPARE(FDesktop->Opened,
             QList<QUrl>({QUrl(QStringLiteral("https://") + FServer->Host() + u'/')}));
  }
};

QTEST_MAIN(FeedbackTest)
#include "FeedbackTest.moc"
