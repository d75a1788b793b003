// With "Allow Unsafe HTML", the preview's scripts run, but nothing they do
// reaches the desktop: no new windows, no links they click themselves, no
// navigations. Only the user's own click on a link opens the browser.
#include "AppForm.h"
#include "AppGlobals.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "WebViewInput.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

constexpr int kTimeout = 30000;

// A link to click, one that asks for a new window, and a form; the row's
// script runs after them and then sets the title.
QString document(const QString& script) {
  return QStringLiteral(
             "<a id=\"link\" href=\"https://example.org/clicked\" style=\"display:block;height:60px\">link</a>\r\n"
             "<a id=\"blank\" href=\"https://example.org/blank\" target=\"_blank\">blank</a>\r\n"
             "<form id=\"form\" action=\"https://example.org/form\"><input name=\"q\" value=\"1\"></form>\r\n"
             "<script>\r\n") +
         script + QStringLiteral("\r\ndocument.title = 'tried';\r\n</script>\r\n");
}

}  // namespace

class PreviewScriptsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;

  QVariant evaluate(const QString& script) {
    return EvaluateInPage(Control<QWebEngineView>(*FForm, "WebBrowser1")->page(), script, kTimeout);
  }

  void userClick(const QString& id) { UserClick(Control<QWebEngineView>(*FForm, "WebBrowser1"), id); }

 private Q_SLOTS:
  void init() {
    FDesktop = std::make_unique<TFakeDesktop>();
    FForm = std::make_unique<TAppForm>();
    FForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
    Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(true);
  }

  void cleanup() {
    FForm.reset();
    QVERIFY2(FDesktop->Errors().isEmpty(), qPrintable(FDesktop->Errors().join(u'\n')));
    FDesktop.reset();
  }

  void scriptsReachNothingOnTheDesktop_data() {
    QTest::addColumn<QString>("script");
    QTest::newRow("window.open in a loop") << "for (let i = 0; i < 21; i++) window.open('https://example.org/popup' + i);";
    QTest::newRow("window.open, then an address") << "const w = window.open(''); if (w) w.location = 'https://example.org/later';";
    QTest::newRow("a link the script clicks") << "document.getElementById('link').click();";
    QTest::newRow("a new-window link the script clicks") << "document.getElementById('blank').click();";
    QTest::newRow("a new location") << "location.href = 'https://example.org/moved';";
    QTest::newRow("a form the script sends") << "document.getElementById('form').submit();";
  }
  void scriptsReachNothingOnTheDesktop() {
    QFETCH(QString, script);
    Control<TSynEdit>(*FForm, "SynEdit1")->SetText(document(script));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    QVERIFY(FForm->HtmlLines.Text().contains(QStringLiteral("<script>")));
    Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1);
    QTRY_COMPARE_WITH_TIMEOUT(Control<QWebEngineView>(*FForm, "WebBrowser1")->title(), QStringLiteral("tried"), kTimeout);
    // The user's click comes after every attempt of the script and is the
    // only address that reaches the desktop.
    userClick(QStringLiteral("link"));
    QTRY_VERIFY_WITH_TIMEOUT(!FDesktop->Opened.isEmpty(), kTimeout);
    evaluate(QStringLiteral("true"));
    QCOMPARE(FDesktop->Opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/clicked"))});
    // The view still shows this window's preview.
    const QUrl shown = Control<QWebEngineView>(*FForm, "WebBrowser1")->url();
    QCOMPARE(shown.scheme(), QStringLiteral("glyphmill-preview"));
    QVERIFY2(shown.path().endsWith(QStringLiteral("/temp.html")), qPrintable(shown.toString()));
  }

  // One click of the user lets one address go, not a burst of pop-ups that a
  // script starts on that click.
  void oneClickOpensOneAddress() {
    Control<TSynEdit>(*FForm, "SynEdit1")->SetText(document(QStringLiteral(
        "document.getElementById('link').addEventListener('click', () => {"
        " for (let i = 0; i < 5; i++) window.open('https://example.org/popup' + i); });")));
    QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
    Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1);
    QTRY_COMPARE_WITH_TIMEOUT(Control<QWebEngineView>(*FForm, "WebBrowser1")->title(), QStringLiteral("tried"), kTimeout);
    userClick(QStringLiteral("link"));
    QTRY_VERIFY_WITH_TIMEOUT(!FDesktop->Opened.isEmpty(), kTimeout);
    // A second click on the link itself: its address is the next one opened.
    userClick(QStringLiteral("blank"));
    QTRY_VERIFY_WITH_TIMEOUT(FDesktop->Opened.size() >= 2, kTimeout);
    evaluate(QStringLiteral("true"));
    QCOMPARE(FDesktop->Opened.size(), 2);
    QCOMPARE(FDesktop->Opened[1], QUrl(QStringLiteral("https://example.org/blank")));
  }
};

QTEST_MAIN(PreviewScriptsTest)
#include "PreviewScriptsTest.moc"
