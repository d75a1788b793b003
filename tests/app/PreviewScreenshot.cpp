// Takes a screenshot of the main window with the Preview tab shown, for the
// README: PreviewScreenshot OUT.png [document [line]]; with a line, the source
// editor shows that line (1-based) at its top and the preview follows. Run
// under an X server (scripts/preview-screenshot.sh starts Xvfb, in a home
// folder of its own so that the user's settings stay out).
#include "AppForm.h"
#include "AppTestSupport.h"
#include "Editors.h"
#include "FakeDesktop.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <cstdio>

namespace {

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
    std::fprintf(stderr, "Usage: PreviewScreenshot OUT.png [document [line]]\n");
    return 2;
  }
  TFakeDesktop desktop;
  TAppForm form;
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return 1;
  if (args.size() > 2) form.LoadFiles({args[2]});
  QTest::qWait(200);
  QTest::mouseClick(Control<QPushButton>(form, "ButtonConvert"), Qt::LeftButton);
  Control<QTabWidget>(form, "PageControl1")->setCurrentIndex(1);
  auto* view = Control<QWebEngineView>(form, "WebBrowser1");
  if (!QTest::qWaitFor([&] { return previewReady(view); }, 20000)) return 1;
  if (args.size() > 3) {
    Control<TSynEdit>(form, "SynEdit1")->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE,
                                                       args[3].toInt() - 1);
  }
  QTest::qWait(1500);  // the first paint of the web view
  const QPixmap shot = form.screen()->grabWindow(form.winId());
  return shot.save(args[1]) ? 0 : 1;
}
