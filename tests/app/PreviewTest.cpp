// The preview tab: each window's private preview file, served to the web view
// with the document's folder as its base address; what the page may load; the
// preview's context menu.
#include "AppForm.h"
#include "AppGlobals.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "PreviewFile.h"
#include "TestHttpServer.h"
#include "WebViewInput.h"

#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <sys/stat.h>

namespace {

constexpr int kTimeout = 30000;

QByteArray utf8Mark() { return QByteArrayLiteral("\xef\xbb\xbf"); }

// A PNG of `width` x 5 pixels.
QByteArray pngBytes(int width) { return TestPngBytes(width, 5, Qt::red); }

QStringList texts(const QList<QAction*>& actions) {
  QStringList result;
  for (const QAction* action : actions) result.append(action->text());
  return result;
}

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
  void imagesLoad_data();
  void imagesLoad();
  void scriptsCannotReadLocalFiles_data();
  void scriptsCannotReadLocalFiles();
  void clickedLinksOpenInTheBrowser();
  void anchorLinksJumpWithinThePage();
  void twoWindowsPreviewTheirOwnDocuments();
  void thePreviewFileGoesWithTheWindow();
  void contextMenuHoldsItsFourCommands();
  void aLinkPlantedAtThePreviewFileIsReplaced_data();
  void aLinkPlantedAtThePreviewFileIsReplaced();
  void unwritablePreviewFolderShowsTheErrorAndDoesNotNavigate();
  void privateFilesRoot_data();
  void privateFilesRoot();

 private:
  void convert(const QString& source, TAppForm* form = nullptr);
  // Writes `source` as notes.md in FDocuments, loads it and converts it.
  void loadDocument(const QString& source);
  void showPreview(TAppForm* form = nullptr);
  // Runs `action` and waits until the web view has finished a load.
  void loadWith(const std::function<void()>& action, TAppForm* form = nullptr);
  QString pageText(TAppForm* form = nullptr);
  QVariant evaluate(const QString& script);
  QString previewFile() const { return FForm->PreviewFileName(); }
  QString title() { return Control<QWebEngineView>(*FForm, "WebBrowser1")->title(); }

  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;
  std::unique_ptr<QTemporaryDir> FDocuments;
  QString FSavedDataFolder;
};

void PreviewTest::init() {
  FDesktop = std::make_unique<TFakeDesktop>();
  FForm = std::make_unique<TAppForm>();
  FDocuments = std::make_unique<QTemporaryDir>();
  FSavedDataFolder = DataFolder;
}

void PreviewTest::cleanup() {
  FForm.reset();
  FDocuments.reset();
  DataFolder = FSavedDataFolder;
  FDesktop.reset();
}

void PreviewTest::convert(const QString& source, TAppForm* form) {
  if (form == nullptr) form = FForm.get();
  Control<TSynEdit>(*form, "SynEdit1")->SetText(source);
  QTest::mouseClick(Control<QPushButton>(*form, "ButtonConvert"), Qt::LeftButton);
}

void PreviewTest::loadDocument(const QString& source) {
  const QString document = FDocuments->filePath(QStringLiteral("notes.md"));
  WriteTestFile(document, source.toUtf8());
  FForm->DosyaAc(document);
  QTest::mouseClick(Control<QPushButton>(*FForm, "ButtonConvert"), Qt::LeftButton);
}

void PreviewTest::showPreview(TAppForm* form) {
  if (form == nullptr) form = FForm.get();
  loadWith([&] { Control<QTabWidget>(*form, "PageControl1")->setCurrentIndex(1); }, form);
}

void PreviewTest::loadWith(const std::function<void()>& action, TAppForm* form) {
  if (form == nullptr) form = FForm.get();
  QSignalSpy loads(Control<QWebEngineView>(*form, "WebBrowser1"), &QWebEngineView::loadFinished);
  action();
  QTRY_VERIFY_WITH_TIMEOUT(loads.count() >= 1, kTimeout);
  QVERIFY(loads.last().at(0).toBool());
}

QString PreviewTest::pageText(TAppForm* form) {
  if (form == nullptr) form = FForm.get();
  QString text;
  bool done = false;
  Control<QWebEngineView>(*form, "WebBrowser1")->page()->toPlainText([&](const QString& result) {
    text = result;
    done = true;
  });
  [&] { QTRY_VERIFY_WITH_TIMEOUT(done, kTimeout); }();
  return text;
}

QVariant PreviewTest::evaluate(const QString& script) {
  return EvaluateInPage(Control<QWebEngineView>(*FForm, "WebBrowser1")->page(), script, kTimeout);
}

void PreviewTest::selectingThePreviewTabShowsTheLastConversion() {
  convert(QStringLiteral("# Preview heading\r\n\r\nSome *text*."));
  QVERIFY(previewFile().isEmpty());
  loadWith([&] {
    QTabBar* tabs = Control<QTabWidget>(*FForm, "PageControl1")->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
  });
  QCOMPARE(Control<QTabWidget>(*FForm, "PageControl1")->currentIndex(), 1);
  // A private file: in a folder of its own under the runtime folder, which only
  // the user may enter.
  const QFileInfo folder(QFileInfo(previewFile()).absolutePath());
  QCOMPARE(folder.absolutePath(), QFileInfo(PrivateFilesRoot()).absoluteFilePath());
  QCOMPARE(folder.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser |
                                    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner),
           QFile::Permissions());
  const QByteArray written = ReadTestFile(previewFile());
  QVERIFY(written.startsWith(utf8Mark()));
  // The styled page holds the HTML as it is in its body.
  QVERIFY(written.contains(("<body>\r\n" + FForm->HtmlLines.Text() + "</body>\r\n").toUtf8()));
  QCOMPARE(Control<QWebEngineView>(*FForm, "WebBrowser1")->url().scheme(),
           QStringLiteral("glyphmill-preview"));
  QCOMPARE(pageText(), QStringLiteral("Preview heading\n\nSome text."));
  // With no document loaded, relative addresses resolve in the data folder.
  QCOMPARE(evaluate(QStringLiteral("document.baseURI")).toString(),
           QUrl::fromLocalFile(DataFolder).toString(QUrl::FullyEncoded));
  QVERIFY(FDesktop->Errors().isEmpty());
}

void PreviewTest::convertingRefreshesThePreviewOnlyOnItsTab() {
  convert(QStringLiteral("first"));
  showPreview();
  const QByteArray shown = ReadTestFile(previewFile());
  Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(0);
  convert(QStringLiteral("second"));
  QCOMPARE(ReadTestFile(previewFile()), shown);
  QCOMPARE(pageText(), QStringLiteral("first"));
  // "New" does not refresh it either.
  Control<QAction>(*FForm, "New1")->trigger();
  QCOMPARE(ReadTestFile(previewFile()), shown);
  // With the Preview tab active, converting refreshes it.
  showPreview();
  loadWith([&] { convert(QStringLiteral("second **version**")); });
  QVERIFY(ReadTestFile(previewFile()).contains("<p>second <strong>version</strong></p>\r\n</body>"));
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

void PreviewTest::imagesLoad_data() {
  // %1 is the image's folder, %2 the 127.0.0.1 server.
  QTest::addColumn<QString>("source");
  QTest::addColumn<bool>("besideDocument");  // else in the data folder, no document loaded
  QTest::addColumn<bool>("allowUnsafe");
  for (const bool unsafe : {false, true}) {
    const char* mode = unsafe ? ", scripts on" : ", scripts off";
    QTest::newRow(qPrintable(QStringLiteral("beside the document") + mode))
        << "![x](pic.png)" << true << unsafe;
    QTest::newRow(qPrintable(QStringLiteral("absolute path") + mode))
        << "![x](%1/pic.png)" << true << unsafe;
    QTest::newRow(qPrintable(QStringLiteral("file address") + mode))
        << "![x](file://%1/pic.png)" << true << unsafe;
    QTest::newRow(qPrintable(QStringLiteral("data folder without a document") + mode))
        << "![x](pic.png)" << false << unsafe;
    QTest::newRow(qPrintable(QStringLiteral("remote") + mode))
        << "![x](http://%2/logo.png)" << true << unsafe;
  }
}

void PreviewTest::imagesLoad() {
  QFETCH(QString, source);
  QFETCH(bool, besideDocument);
  QFETCH(bool, allowUnsafe);
  constexpr int kWidth = 7;
  TTestHttpServer server;
  QVERIFY(server.IsListening());
  server.Answer = pngBytes(kWidth);
  server.ContentType = "image/png";
  if (!besideDocument) DataFolder = FDocuments->path() + u'/';
  WriteTestFile(FDocuments->filePath(QStringLiteral("pic.png")), pngBytes(kWidth));
  Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(allowUnsafe);
  source.replace(QStringLiteral("%1"), FDocuments->path()).replace(QStringLiteral("%2"), server.Host());
  if (besideDocument) {
    loadDocument(source);
  } else {
    convert(source);
  }
  showPreview();
  QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("document.images[0].naturalWidth")).toInt(),
                            kWidth, kTimeout);
  if (source.contains(server.Host())) {
    QCOMPARE(server.Requests.size(), 1);
    QCOMPARE(server.Requests[0].Path, QByteArray("/logo.png"));
  }
}

void PreviewTest::scriptsCannotReadLocalFiles_data() {
  // Each script sets the title to "read ..." when it got at the secret beside
  // the document, "blocked" when it did not.
  QTest::addColumn<QString>("script");
  QTest::newRow("XMLHttpRequest")
      << "<script>var r = new XMLHttpRequest();"
         "try { r.open('GET', 'secret.txt', false); r.send();"
         "  document.title = r.responseText ? 'read ' + r.responseText : 'blocked'; }"
         "catch (e) { document.title = 'blocked'; }</script>";
  QTest::newRow("fetch") << "<script>fetch('secret.txt').then(r => r.text())"
                            ".then(t => { document.title = 'read ' + t; },"
                            " () => { document.title = 'blocked'; });</script>";
  QTest::newRow("a script element")
      << "<script src=\"secret.js\"></script><script>document.title ="
         " typeof secret === 'undefined' ? 'blocked' : 'read ' + secret;</script>";
  QTest::newRow("pixels of a shown image")
      << "<img id=\"pic\" src=\"pic.png\"><script>var i = document.getElementById('pic');"
         "function look() { try { var c = document.createElement('canvas').getContext('2d');"
         "  c.drawImage(i, 0, 0); document.title = 'read ' + c.getImageData(0, 0, 1, 1).data[0]; }"
         "  catch (e) { document.title = 'blocked'; } }"
         "if (i.complete) look(); else i.onload = look;</script>";
}

void PreviewTest::scriptsCannotReadLocalFiles() {
  QFETCH(QString, script);
  WriteTestFile(FDocuments->filePath(QStringLiteral("secret.txt")), "secret");
  WriteTestFile(FDocuments->filePath(QStringLiteral("secret.js")), "var secret = 'secret';");
  WriteTestFile(FDocuments->filePath(QStringLiteral("pic.png")), pngBytes(3));
  Control<QCheckBox>(*FForm, "CheckBox1")->setChecked(true);
  loadDocument(script);
  QVERIFY(FForm->HtmlLines.Text().contains(QStringLiteral("<script")));
  showPreview();
  QTRY_COMPARE_WITH_TIMEOUT(title(), QStringLiteral("blocked"), kTimeout);
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
  // The view goes nowhere else than the preview.
  const QUrl preview = Control<QWebEngineView>(*FForm, "WebBrowser1")->url();
  Control<QWebEngineView>(*FForm, "WebBrowser1")
      ->load(QUrl::fromLocalFile(DataFolder + QStringLiteral("settings.ini")));
  QCoreApplication::processEvents();
  QCOMPARE(Control<QWebEngineView>(*FForm, "WebBrowser1")->url(), preview);
  QCOMPARE(pageText(), QStringLiteral("same new local after"));
}

void PreviewTest::anchorLinksJumpWithinThePage() {
  // The base address is the document's folder, so "#end" resolves there; it
  // is still a jump within the preview.
  loadDocument(QStringLiteral("[jump](#end)"));
  showPreview();
  evaluate(QStringLiteral("document.links[0].click(); true"));
  QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("location.hash")).toString(), QStringLiteral("#end"),
                            kTimeout);
  QCOMPARE(pageText(), QStringLiteral("jump"));
  QVERIFY(FDesktop->Opened.isEmpty());
}

void PreviewTest::twoWindowsPreviewTheirOwnDocuments() {
  TAppForm second;
  convert(QStringLiteral("first window"));
  convert(QStringLiteral("second window"), &second);
  showPreview();
  showPreview(&second);
  QVERIFY(previewFile() != second.PreviewFileName());
  // Each one's Reload shows its own document again, whichever wrote last.
  loadWith([&] { Control<QAction>(*FForm, "PreviewReload")->trigger(); });
  loadWith([&] { Control<QAction>(second, "PreviewReload")->trigger(); }, &second);
  QCOMPARE(pageText(), QStringLiteral("first window"));
  QCOMPARE(pageText(&second), QStringLiteral("second window"));
}

void PreviewTest::thePreviewFileGoesWithTheWindow() {
  convert(QStringLiteral("text"));
  showPreview();
  const QString file = previewFile();
  QVERIFY(QFileInfo::exists(file));
  FForm.reset();
  QVERIFY(!QFileInfo::exists(file));
  QVERIFY(!QFileInfo::exists(QFileInfo(file).absolutePath()));
}

void PreviewTest::contextMenuHoldsItsFourCommands() {
  convert(QStringLiteral("menu text"));
  showPreview();
  auto* view = Control<QWebEngineView>(*FForm, "WebBrowser1");
  auto* menu = Control<QMenu>(*FForm, "PreviewMenu");
  FForm->show();
  QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
  QWidget* surface = view->focusProxy() != nullptr ? view->focusProxy() : view;
  const QPoint middle = surface->rect().center();
  QTest::mousePress(surface, Qt::RightButton, Qt::NoModifier, middle);
  QTest::mouseRelease(surface, Qt::RightButton, Qt::NoModifier, middle);
  QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), kTimeout);
  QCOMPARE(texts(menu->actions()),
           QStringList({"Reload", "Copy", "Select All", "Open in Browser"}));
  menu->hide();

  Control<QAction>(*FForm, "PreviewSelectAll")->trigger();
  QGuiApplication::clipboard()->clear();
  Control<QAction>(*FForm, "PreviewCopy")->trigger();
  QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text().trimmed(), QStringLiteral("menu text"),
                            kTimeout);

  Control<QAction>(*FForm, "PreviewOpenInBrowser")->trigger();
  QCOMPARE(FDesktop->Opened, QList<QUrl>{QUrl::fromLocalFile(previewFile())});

  // Reload reads the window's preview file again.
  WriteTestFile(previewFile(), utf8Mark() + "<p>changed on disk</p>");
  loadWith([&] { Control<QAction>(*FForm, "PreviewReload")->trigger(); });
  QCOMPARE(pageText(), QStringLiteral("changed on disk"));
}

void PreviewTest::aLinkPlantedAtThePreviewFileIsReplaced_data() {
  QTest::addColumn<bool>("dangling");
  QTest::newRow("to a file") << false;
  QTest::newRow("dangling") << true;
}

void PreviewTest::aLinkPlantedAtThePreviewFileIsReplaced() {
  QFETCH(bool, dangling);
  convert(QStringLiteral("first"));
  showPreview();
  const QString target = FDocuments->filePath(QStringLiteral("victim.txt"));
  if (!dangling) WriteTestFile(target, "victim");
  QVERIFY(QFile::remove(previewFile()));
  QVERIFY(QFile::link(target, previewFile()));
  loadWith([&] { convert(QStringLiteral("second")); });
  QCOMPARE(pageText(), QStringLiteral("second"));
  QVERIFY(!QFileInfo(previewFile()).isSymLink());
  if (dangling) {
    QVERIFY(!QFileInfo::exists(target));
  } else {
    QCOMPARE(ReadTestFile(target), QByteArray("victim"));
  }
}

void PreviewTest::unwritablePreviewFolderShowsTheErrorAndDoesNotNavigate() {
  // Neither the runtime folder nor the temporary folder can be used: both
  // lie under a plain file.
  const QString blocker = FDocuments->filePath(QStringLiteral("plain-file"));
  WriteTestFile(blocker, "x");
  const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
  const QByteArray savedTemp = qgetenv("TMPDIR");
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(blocker + QStringLiteral("/runtime")));
  qputenv("TMPDIR", QFile::encodeName(blocker + QStringLiteral("/tmp")));
  convert(QStringLiteral("text"));
  Control<QTabWidget>(*FForm, "PageControl1")->setCurrentIndex(1);
  qputenv("XDG_RUNTIME_DIR", savedRuntime);
  qputenv("TMPDIR", savedTemp);
  if (savedTemp.isEmpty()) qunsetenv("TMPDIR");
  QCOMPARE(FDesktop->Errors().size(), 1);
  QVERIFY2(FDesktop->Errors()[0].contains(QStringLiteral("preview")), qPrintable(FDesktop->Errors()[0]));
  QVERIFY(Control<QWebEngineView>(*FForm, "WebBrowser1")->url().isEmpty());
}

void PreviewTest::privateFilesRoot_data() {
  // The runtime folder (a subfolder of FDocuments) is used only when it is the
  // user's own and closed to others; otherwise the temporary folder is.
  QTest::addColumn<QString>("runtime");  // a subfolder of FDocuments, or "" for unset
  QTest::addColumn<int>("mode");
  QTest::addColumn<bool>("used");
  QTest::newRow("private") << "run" << 0700 << true;
  QTest::newRow("open to the group") << "run" << 0770 << false;
  QTest::newRow("open to all") << "run" << 0777 << false;
  QTest::newRow("missing") << "missing" << 0 << false;
  QTest::newRow("unset") << "" << 0 << false;
}

void PreviewTest::privateFilesRoot() {
  QFETCH(QString, runtime);
  QFETCH(int, mode);
  QFETCH(bool, used);
  const QString folder = FDocuments->filePath(runtime);
  if (mode != 0) {
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode_t(mode)) == 0);
  }
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  if (runtime.isEmpty()) {
    qunsetenv("XDG_RUNTIME_DIR");
  } else {
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
  }
  const QString root = PrivateFilesRoot();
  if (saved.isEmpty()) qunsetenv("XDG_RUNTIME_DIR"); else qputenv("XDG_RUNTIME_DIR", saved);
  QCOMPARE(root, used ? folder : QDir::tempPath());
}

QTEST_MAIN(PreviewTest)
#include "PreviewTest.moc"
