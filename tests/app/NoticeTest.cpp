// The update notice: place, texts, the link, closing, dragging.
#include "AppGlobals.h"
#include "Languages.h"
#include "AppTestSupport.h"
#include "FakeDesktop.h"
#include "NewVersion.h"
#include "WebHost.h"

#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QToolButton>
#include <QtTest>

class NoticeTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFakeDesktop> FDesktop;
  QWidget* FMain = nullptr;

  // A notice over a stand-in main window, shown and opened; it stays open.
  QPointer<TNewVer> openNotice(const QString& address) {
    QPointer<TNewVer> notice = new TNewVer(QStringLiteral("1.3"), address, FMain);
    Control<QTimer>(*notice, "TimerClose")->stop();
    QTest::qWaitFor([&] { return notice->isVisible() && notice->width() == 320; });
    return notice;
  }

 private Q_SLOTS:
  void initTestCase() {
    qputenv("GLYPHMILL_WEB_HOST", "maker.test");
    AppProductName = QStringLiteral("Glyphmill");
  }

  void init() {
    FDesktop = std::make_unique<TFakeDesktop>();
    TNewVer::CloseCountdown = 11;
    FMain = new QWidget;
    FMain->show();
  }

  void cleanup() {
    FDesktop.reset();
    Languages() = TLanguages();
    delete FMain;
    FMain = nullptr;
  }

  // At the top right corner of the screen, with the product and version in the link.
  void placeAndTexts_data() {
    QTest::addColumn<QStringList>("translation");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("link");
    QTest::newRow("English") << QStringList() << "UPDATE AVAILABLE" << "Click to download Glyphmill 1.3";
    QTest::newRow("Turkish") << QStringList{"{UPDATE AVAILABLE}GÜNCELLEME VAR",
                                            "{Click to download}İndirmek için tıklayın:"}
                             << "GÜNCELLEME VAR" << "İndirmek için tıklayın: Glyphmill 1.3";
  }
  void placeAndTexts() {
    QFETCH(QStringList, translation);
    QFETCH(QString, title);
    QFETCH(QString, link);
    if (!translation.isEmpty()) Languages().CurrentLanguageFile = QStringLiteral("Turkish.lang.txt");
    Languages().LanguageLines = translation;
    const QPointer<TNewVer> notice = openNotice(QString());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(notice->geometry(), QRect(screen.right() + 1 - 5 - 320, screen.top() + 5, 320, 68));
    QCOMPARE(Control<QLabel>(*notice, "Label1")->text(), title);
    QCOMPARE(Control<QLabel>(*notice, "Label2")->text(), link);
    delete notice;
  }

  void closesByItself() {
    TNewVer::CloseCountdown = 2;
    const QPointer<TNewVer> notice = new TNewVer(QStringLiteral("1.3"), QString(), FMain);
    Control<QTimer>(*notice, "TimerClose")->setInterval(20);
    QTRY_VERIFY(notice.isNull());
    QCOMPARE(TNewVer::CloseCountdown, 0);
    QVERIFY(FDesktop->Opened.isEmpty());
  }

  // The address comes from the network: nothing but a web address is opened.
  void linkTarget_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("opened");
    const QString home = QStringLiteral("https://maker.test/");
    QTest::newRow("https") << "https://example.org/get?v=1.3" << "https://example.org/get?v=1.3";
    QTest::newRow("http") << "http://example.org/get" << "http://example.org/get";
    QTest::newRow("upper-case scheme") << "HTTPS://example.org/get" << "https://example.org/get";
    QTest::newRow("empty") << "" << home;
    QTest::newRow("local file") << "file:///usr/bin/xterm" << home;
    QTest::newRow("javascript") << "javascript:alert(1)" << home;
    QTest::newRow("mail") << "mailto:someone@example.org" << home;
    QTest::newRow("no host") << "https://" << home;
  }
  void linkTarget() {
    QFETCH(QString, address);
    QFETCH(QString, opened);
    const QPointer<TNewVer> notice = openNotice(address);
    QTest::mouseClick(Control<QLabel>(*notice, "Label2"), Qt::LeftButton);
    QCOMPARE(FDesktop->Opened, QList<QUrl>({QUrl(opened)}));
    QTRY_VERIFY(notice.isNull());
  }

  void closeButtonCloses() {
    const QPointer<TNewVer> notice = openNotice(QStringLiteral("https://example.org/get"));
    QTest::mouseClick(Control<QToolButton>(*notice, "Button1"), Qt::LeftButton);
    QTRY_VERIFY(notice.isNull());
    QVERIFY(FDesktop->Opened.isEmpty());
  }

  void dragging() {
    const QPointer<TNewVer> notice = openNotice(QString());
    const QPoint start = notice->pos();
    const QPoint grip = Control<QLabel>(*notice, "Label1")->rect().center();
    QTest::mousePress(Control<QLabel>(*notice, "Label1"), Qt::LeftButton, {}, grip);
    QTest::mouseMove(Control<QLabel>(*notice, "Label1"), grip + QPoint(-30, 20));
    QTest::mouseRelease(Control<QLabel>(*notice, "Label1"), Qt::LeftButton, {},
                        grip + QPoint(-30, 20));
    QTRY_COMPARE(notice->pos(), start + QPoint(-30, 20));
    delete notice;
  }
};

QTEST_MAIN(NoticeTest)
#include "NoticeTest.moc"
