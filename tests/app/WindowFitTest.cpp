// The windows on the desktop: their captions exactly as given (no
// application name added), the main window's first size within the screen at
// any scale, and a top-level window that the preview's web view does not
// replace.
#include "AboutForm.h"
#include "AppForm.h"
#include "ApplicationIdentity.h"
#include "BatchForm.h"
#include "ErrorHandler.h"
#include "FakeDesktop.h"
#include "FeedbackForm.h"
#include "Licences.h"
#include "TranslateForm.h"
#include "AppTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QWebEngineView>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The caption of the modal window that `open` shows; the window is closed.
QString modalCaption(const std::function<void()>& open) {
  QString caption;
  QTimer::singleShot(0, [&caption] {
    QWidget* modal = QApplication::activeModalWidget();
    caption = modal ? modal->windowTitle() : QStringLiteral("<no modal window>");
    if (modal) modal->close();
  });
  open();
  return caption;
}

}  // namespace

class WindowFitTest : public QObject {
  Q_OBJECT
 private:
  std::unique_ptr<TFakeDesktop> FDesktop;

 private Q_SLOTS:
  void initTestCase() {
    UseTestSettings();
    SetApplicationIdentity();
  }
  void init() { FDesktop = std::make_unique<TFakeDesktop>(); }
  void cleanup() { FDesktop.reset(); }

  // The desktop adds the display name to every caption when one is set; the
  // program sets none, so the display name follows the application name.
  void noDisplayNameIsSet() {
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("renamed"));
    const QString displayName = QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(name);
    QCOMPARE(displayName, QStringLiteral("renamed"));
    QCOMPARE(name, QStringLiteral("Glyphmill"));
  }

  void captions() {
    TAppForm form;
    form.TimerChecker->stop();
    QCOMPARE(form.windowTitle(), QStringLiteral("KELMOOR - Glyphmill"));
    form.BatchProcessing1Click();
    const QList<TFormBatch*> batches = form.findChildren<TFormBatch*>();
    QCOMPARE(batches.size(), 1);
    QCOMPARE(batches[0]->windowTitle(), QStringLiteral("Batch Processing"));
    QCOMPARE(modalCaption([&] { form.SendFeedback1Click(); }), QStringLiteral("Glyphmill feedback"));
    QCOMPARE(modalCaption([&] { form.Language1Click(); }), QStringLiteral("Language"));
    QCOMPARE(modalCaption([&] { form.About1Click(); }), QStringLiteral("About"));
    // The general error box carries the application's title.
    ErrorHandler::Show(QStringLiteral("broken"));
    QCOMPARE(FDesktop->Messages.size(), 1);
    QCOMPARE(FDesktop->Messages[0].Caption, QStringLiteral("Glyphmill"));
    QCOMPARE(FDesktop->Messages[0].Text, QStringLiteral("broken"));
  }

  // The first size is the usual one when it fits, and never larger than the
  // screen's free area (a scale of 2 on a small screen, say); the window is
  // placed inside that area.
  void firstSizeFitsTheScreen() {
    TAppForm form;
    form.TimerChecker->stop();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect available = form.screen()->availableGeometry();
    QVERIFY2(available.contains(form.frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4 not within %5x%6")
                            .arg(form.frameGeometry().x())
                            .arg(form.frameGeometry().y())
                            .arg(form.frameGeometry().width())
                            .arg(form.frameGeometry().height())
                            .arg(available.width())
                            .arg(available.height())));
    if (available.width() >= 800 && available.height() >= 700)
      QCOMPARE(form.centralWidget()->height() + form.statusBar()->height(), 541);
  }

  // Showing the preview for the first time keeps the top-level native window.
  void firstPreviewKeepsTheNativeWindow() {
    TAppForm form;
    form.TimerChecker->stop();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const WId before = form.winId();
    const QWindow* handle = form.windowHandle();
    const QSize size = form.size();
    auto* browser = Control<QWebEngineView>(form, "WebBrowser1");
    QSignalSpy loaded(browser, &QWebEngineView::loadFinished);
    Control<QTabWidget>(form, "PageControl1")->setCurrentIndex(1);
    QVERIFY(loaded.wait(60000));
    QTRY_VERIFY(browser->isVisible());
    QApplication::processEvents();
    QCOMPARE(form.windowHandle(), handle);
    QCOMPARE(form.winId(), before);
    QCOMPARE(form.size(), size);
    QVERIFY(form.screen()->availableGeometry().contains(form.frameGeometry()));
  }

  // About: Glyphmill's licence in one line, one line per icon set, the full
  // notices behind "Licences".
  void aboutShowsShortCredits() {
    TAboutForm about;
    about.show();
    QCOMPARE(Control<QLabel>(about, "LabelLicence")->text(), GlyphmillLicenceLine());
    QVERIFY(Control<QLabel>(about, "LabelIcons")->text().contains(QStringLiteral("CC BY 3.0")));
    QVERIFY(Control<QLabel>(about, "LabelFlags")->text().contains(QStringLiteral("public domain")));
    auto* notices = Control<QPlainTextEdit>(about, "MemoLicences");
    QVERIFY(!notices->isVisible());
    Control<QPushButton>(about, "ButtonLicences")->click();
    QVERIFY(notices->isVisible());
    const QString text = notices->toPlainText();
    QVERIFY(text.startsWith(QStringLiteral("Glyphmill\nCopyright (C) KELMOOR")));
    QVERIFY(text.contains(QStringLiteral("Creative Commons Attribution 3.0")));
    QVERIFY(text.contains(QStringLiteral("These icons are Public Domain")));
    for (const QString& line : text.split(u'\n')) {
      QVERIFY2(line.trimmed() != u'.', "a continuation dot is left");
      QVERIFY2(!line.startsWith(QStringLiteral("Format:")), qPrintable(line));
    }
    Control<QPushButton>(about, "ButtonLicences")->click();
    QVERIFY(!notices->isVisible());
  }

  void readableCopyright_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("readable");
    QTest::newRow("machine-readable")
        << "Format: https://example.org/dep5\nUpstream-Name: set\n\nFiles: *\n"
           "Copyright: Someone\nLicense: X-1\n First line\n .\n Second\n  indented\n"
        << "Upstream-Name: set\n\nFiles: *\nCopyright: Someone\nLicense: X-1\nFirst line\n\n"
           "Second\n indented";
    QTest::newRow("format field with continuation")
        << "Format: a\n b\nSource: s\n" << "Source: s";
    QTest::newRow("free text") << "Licence:\n\n\tPublic domain.\n\n\n\tThanks.  \n"
                               << "Licence:\n\nPublic domain.\n\nThanks.";
  }
  void readableCopyright() {
    QFETCH(QString, file);
    QFETCH(QString, readable);
    QCOMPARE(ReadableCopyright(file), readable);
  }
};

QTEST_MAIN(WindowFitTest)
#include "WindowFitTest.moc"
