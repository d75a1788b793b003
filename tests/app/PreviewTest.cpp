// The preview tab: "temp.html" in the data folder, shown by the web view.
#include "AppForm.h"
#include "AppGlobals.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "WebViewInput.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

constexpr int kTimeout = 30000;

QByteArray utf8Mark() { return QByteArrayLiteral("\xef\xbb\xbf"); }

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  // Loading and saving record recent documents and folders: kept out of the user's settings.
  void initTestCase() { UseTestSettings(); }
  void init();
  void cleanup();
  void selectingThePreviewTabShowsTheLastConversion();
  void convertingRefreshesThePreviewOnlyOnItsTab();
  void showsCharactersOutsideEightBitCodePages();
  void scriptsRunOnlyWithUnsafeHtmlAllowed_data();
  void scriptsRunOnlyWithUnsafeHtmlAllowed();
  void relativeImagesLoadFromTheDataFolder();
  void scriptsCannotReadLocalFiles();
  void clickedLinksOpenInTheBrowser();
  void unwritablePreviewFileShowsTheErrorAndDoesNotNavigate();

 private:
  void convert(const QString& source);
  // Runs `action` and waits until the web view has finished a load.
  void loadWith(const std::function<void()>& action);
  QString pageText();
  QVariant evaluate(const QString& script);
  QString previewFile() const { return DataFolder + QStringLiteral("temp.html"); }

  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;
  QString FSavedDataFolder;
};

void PreviewTest::init() {
  FDesktop = std::make_unique<TFakeDesktop>();
  FForm = std::make_unique<TAppForm>();
  FSavedDataFolder = DataFolder;
  QFile::remove(previewFile());
}

void PreviewTest::cleanup() {
  FForm.reset();
  DataFolder = FSavedDataFolder;
  FDesktop.reset();
}

void PreviewTest::convert(const QString& source) {
  Control<TSynEdit>(*FForm, "SynEdit1")->SetText(source);
  QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
}

void PreviewTest::loadWith(const std::function<void()>& action) {
  QSignalSpy loads(Control<QWebEngineView>(*FForm, "WebBrowser1"), &QWebEngineView::loadFinished);
  action();
  QTRY_VERIFY_WITH_TIMEOUT(loads.count() >= 1, kTimeout);
  QVERIFY(loads.last().at(0).toBool());
}

QString PreviewTest::pageText() {
  QString text;
  bool done = false;
  Control<QWebEngineView>(*FForm, "WebBrowser1")->page()->toPlainText([&](const QString& result) {
    text = result;
    done = true;
  });
  [&] { QTRY_VERIFY_WITH_TIMEOUT(done, kTimeout); }();
  return text;
}

QVariant PreviewTest::evaluate(const QString& script) {
  // The application's own script world runs even while the page's scripts are off.
  QVariant value;
  bool done = false;
  Control<QWebEngineView>(*FForm, "WebBrowser1")
      ->page()
      ->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& result) {
        value = result;
        done = true;
      });
  [&] { QTRY_VERIFY_WITH_TIMEOUT(done, kTimeout); }();
  return value;
}

void PreviewTest::selectingThePreviewTabShowsTheLastConversion() {
  convert(QStringLiteral("# Preview heading\r\n\r\nSome *text*."));
  QVERIFY(!QFileInfo::exists(previewFile()));
  loadWith([&] {
    QTabBar* tabs = Control<QTabWidget>(*FForm, "PageControl1")->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
  });
  QCOMPARE(Control<QTabWidget>(*FForm, "PageControl1")->currentIndex(), 1);
  QCOMPARE(ReadTestFile(previewFile()), utf8Mark() + FForm->HtmlLines.Text().toUtf8());
  QCOMPARE(Control<QWebEngineView>(*FForm, "WebBrowser1")->url(),
           QUrl::fromLocalFile(previewFile()));
  QCOMPARE(pageText(), QStringLiteral("Preview heading\n\nSome text."));
  QVERIFY(FDesktop->Errors().isEmpty());
}

void PreviewTest::convertingRefreshesThePreviewOnlyOnItsTab() {
  convert(QStringLiteral("first"));
  loadWith([&] { Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1); });
  const QByteArray shown = ReadTestFile(previewFile());
  Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(0);
  convert(QStringLiteral("second"));
  QCOMPARE(ReadTestFile(previewFile()), shown);
  QCOMPARE(pageText(), QStringLiteral("first"));
  // "New" does not refresh it either.
  Control<QAction>(*FForm, "New1")->trigger();
  QCOMPARE(ReadTestFile(previewFile()), shown);
  // With the Preview tab active, converting refreshes it.
  loadWith([&] { Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1); });
  loadWith([&] { convert(QStringLiteral("second **version**")); });
  QCOMPARE(ReadTestFile(previewFile()), utf8Mark() + QByteArray("<p>second <strong>version</strong></p>\r\n"));
  QCOMPARE(pageText(), QStringLiteral("second version"));
}

void PreviewTest::showsCharactersOutsideEightBitCodePages() {
  convert(QStringLiteral("Ω and 日本"));
  loadWith([&] { Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1); });
  QCOMPARE(pageText(), QStringLiteral("Ω and 日本"));
  // The saved HTML keeps them too, without a mark.
  const QString saved = QDir::temp().filePath(QStringLiteral("glyphmill-preview-test.html"));
  FForm->DosyaKaydet(saved);
  QCOMPARE(ReadTestFile(saved), QByteArray("<p>\xce\xa9 and \xe6\x97\xa5\xe6\x9c\xac</p>\r\n"));
  QFile::remove(saved);
}

void PreviewTest::scriptsRunOnlyWithUnsafeHtmlAllowed_data() {
  QTest::addColumn<bool>("allowUnsafe");
  QTest::addColumn<bool>("throughEngine");
  // Straight into the HTML list, the script passes the engine's safe mode: the
  // web view itself must not run it.
  QTest::newRow("off, script in the HTML list") << false << false;
  QTest::newRow("off, converted") << false << true;
  QTest::newRow("on, converted") << true << true;
}

void PreviewTest::scriptsRunOnlyWithUnsafeHtmlAllowed() {
  QFETCH(bool, allowUnsafe);
  QFETCH(bool, throughEngine);
  const QString script = QStringLiteral("<script>document.title = 'script ran';</script>");
  Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(allowUnsafe);
  if (throughEngine) {
    convert(QStringLiteral("text\r\n\r\n") + script);
  } else {
    FForm->HtmlLines.SetText(QStringLiteral("<p>text</p>\r\n") + script);
  }
  QVERIFY(FForm->HtmlLines.Text().contains(script) == (allowUnsafe || !throughEngine));
  loadWith([&] { Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1); });
  QCOMPARE(evaluate(QStringLiteral("document.body.innerText.trim().startsWith('text')")).toBool(), true);
  QCOMPARE(Control<QWebEngineView>(*FForm, "WebBrowser1")->title() == QStringLiteral("script ran"),
           allowUnsafe);
  QCOMPARE(evaluate(QStringLiteral("document.title")).toString() == QStringLiteral("script ran"), allowUnsafe);
}

void PreviewTest::relativeImagesLoadFromTheDataFolder() {
  QImage image(7, 5, QImage::Format_RGB32);
  image.fill(Qt::red);
  const QString imageFile = DataFolder + QStringLiteral("preview-test.png");
  QVERIFY(image.save(imageFile));
  convert(QStringLiteral("![picture](preview-test.png)"));
  loadWith([&] { Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1); });
  QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("document.images[0].naturalWidth")).toInt(), 7, kTimeout);
  QFile::remove(imageFile);
}

void PreviewTest::scriptsCannotReadLocalFiles() {
  const QString secretFile = DataFolder + QStringLiteral("preview-secret.txt");
  {
    QFile secret(secretFile);
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("secret");
  }
  Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(true);
  convert(QStringLiteral(
      "<script>var r = new XMLHttpRequest();"
      "try { r.open('GET', 'preview-secret.txt', false); r.send();"
      "  document.title = r.responseText ? 'read ' + r.responseText : 'blocked'; }"
      "catch (e) { document.title = 'blocked'; }</script>"));
  loadWith([&] { Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1); });
  QTRY_COMPARE_WITH_TIMEOUT(Control<QWebEngineView>(*FForm, "WebBrowser1")->title(),
                            QStringLiteral("blocked"), kTimeout);
  QFile::remove(secretFile);
}

void PreviewTest::clickedLinksOpenInTheBrowser() {
  // Shown, so that the web view takes the clicks.
  FForm->show();
  QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
  Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(true);
  convert(QStringLiteral("<a id=\"same\" href=\"https://example.org/page\">same</a> <a id=\"blank\" href=\"https://example.org/new\" "
                         "target=\"_blank\">new</a> <a id=\"local\" href=\"file:///bin/sh\">local</a> "
                         "<a id=\"after\" href=\"https://example.org/after\">after</a>"));
  loadWith([&] { Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1); });
  UserClick(Control<QWebEngineView>(*FForm, "WebBrowser1"), QStringLiteral("same"));
  QTRY_COMPARE_WITH_TIMEOUT(FDesktop->Opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/page"))}, kTimeout);
  UserClick(Control<QWebEngineView>(*FForm, "WebBrowser1"), QStringLiteral("blank"));
  QTRY_COMPARE_WITH_TIMEOUT(FDesktop->Opened.size(), 2, kTimeout);
  QCOMPARE(FDesktop->Opened[1], QUrl(QStringLiteral("https://example.org/new")));
  // A link to a local file is not handed to the desktop: the web link clicked
  // after it is the next address opened.
  UserClick(Control<QWebEngineView>(*FForm, "WebBrowser1"), QStringLiteral("local"));
  UserClick(Control<QWebEngineView>(*FForm, "WebBrowser1"), QStringLiteral("after"));
  QTRY_COMPARE_WITH_TIMEOUT(FDesktop->Opened.size(), 3, kTimeout);
  QCOMPARE(FDesktop->Opened[2], QUrl(QStringLiteral("https://example.org/after")));
  // The view goes nowhere else than the preview file.
  Control<QWebEngineView>(*FForm, "WebBrowser1")
      ->load(QUrl::fromLocalFile(DataFolder + QStringLiteral("settings.ini")));
  QCoreApplication::processEvents();
  QCOMPARE(Control<QWebEngineView>(*FForm, "WebBrowser1")->url(),
           QUrl::fromLocalFile(previewFile()));
  QCOMPARE(pageText(), QStringLiteral("same new local after"));
}

void PreviewTest::unwritablePreviewFileShowsTheErrorAndDoesNotNavigate() {
  DataFolder = QDir::temp().filePath(QStringLiteral("glyphmill-missing-folder/"));
  QDir(DataFolder).removeRecursively();
  convert(QStringLiteral("text"));
  Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1);
  QCOMPARE(FDesktop->Errors().size(), 1);
  QVERIFY2(FDesktop->Errors()[0].startsWith(previewFile() + QStringLiteral(": ")),
           qPrintable(FDesktop->Errors()[0]));
  QVERIFY(Control<QWebEngineView>(*FForm, "WebBrowser1")->url().isEmpty());
  QVERIFY(!QFileInfo::exists(DataFolder));
}

QTEST_MAIN(PreviewTest)
#include "PreviewTest.moc"
