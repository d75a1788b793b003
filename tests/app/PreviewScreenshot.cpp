// Takes a screenshot of the main window with the Preview tab shown, for the
// README: PreviewScreenshot OUT.png [light|dark] [document [line]]; with a
// line, the source editor shows that line (1-based) at its top and the preview
// follows. Run under an X server (scripts/preview-screenshot.sh starts Xvfb).
#include "AppForm.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "FakeDesktop.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <cstdio>

namespace {

QPalette darkPalette() {
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(45, 45, 48));
  palette.setColor(QPalette::WindowText, QColor(220, 220, 220));
  palette.setColor(QPalette::Base, QColor(30, 30, 30));
  palette.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
  palette.setColor(QPalette::Text, QColor(212, 212, 212));
  palette.setColor(QPalette::Button, QColor(45, 45, 48));
  palette.setColor(QPalette::ButtonText, QColor(220, 220, 220));
  palette.setColor(QPalette::Highlight, QColor(38, 79, 120));
  palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
  return palette;
}

// Whether the preview's own script has run and the page's fonts are in.
bool previewReady(QWebEngineView* view) {
  bool ready = false, done = false;
  view->page()->runJavaScript(
      QStringLiteral("document.documentElement.getAttribute('data-glyphmill-ready') === '1' &&"
                     " document.fonts.status === 'loaded'"),
      QWebEngineScript::ApplicationWorld, [&](const QVariant& result) {
        ready = result.toBool();
        done = true;
      });
  QTest::qWaitFor([&] { return done; }, 10000);
  return ready;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList args = application.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "Usage: PreviewScreenshot OUT.png [light|dark] [document]\n");
    return 2;
  }
  QStandardPaths::setTestModeEnabled(true);
  if (args.value(2) == QStringLiteral("dark")) {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(darkPalette());
  }
  TFakeDesktop desktop;
  TAppForm form;
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return 1;
  if (args.size() > 3) form.LoadFiles({args[3]});
  QTest::qWait(200);
  QTest::mouseClick(Control<QPushButton>(form, "ButtonConvert"), Qt::LeftButton);
  Control<QTabWidget>(form, "PageControl1")->setCurrentIndex(1);
  auto* view = Control<QWebEngineView>(form, "WebBrowser1");
  if (!QTest::qWaitFor([&] { return previewReady(view); }, 20000)) return 1;
  if (args.size() > 4) {
    Control<TSynEdit>(form, "SynEdit1")->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE,
                                                       args[4].toInt() - 1);
  }
  QTest::qWait(1500);  // the first paint of the web view
  const QPixmap shot = form.screen()->grabWindow(form.winId());
  return shot.save(args[1]) ? 0 : 1;
}
