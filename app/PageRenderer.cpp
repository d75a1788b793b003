#include "PageRenderer.h"

#include "PreviewFile.h"
#include "PreviewScheme.h"
#include "PreviewScripts.h"
#include "StyledPage.h"

#include <QEventLoop>
#include <QLocale>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>

#include <stdexcept>

namespace {

// Shows the one page it was given: no navigation elsewhere, no new windows.
class TRenderPage : public QWebEnginePage {
 public:
  using QWebEnginePage::QWebEnginePage;

  QUrl Url;

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
    return url.adjusted(QUrl::RemoveFragment) == Url;
  }
  QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

// What a callback of the web engine hands back, kept alive for a callback
// that comes after the wait gave up.
template <typename T>
struct TAnswer {
  T Value{};
  bool Given = false;
  QEventLoop Loop;
};

// Runs the events until the answer is given or the time is up; whether it was.
template <typename T>
bool waitFor(TAnswer<T>& answer, int timeLimitMs) {
  if (answer.Given) return true;
  QTimer::singleShot(timeLimitMs, &answer.Loop, &QEventLoop::quit);
  answer.Loop.exec();
  return answer.Given;
}

template <typename T>
void give(const std::shared_ptr<TAnswer<T>>& answer, const T& value) {
  answer->Value = value;
  answer->Given = true;
  answer->Loop.quit();
}

// The value of `script` in the application's script world.
QVariant evaluate(QWebEnginePage* page, const QString& script, int timeLimitMs) {
  auto answer = std::make_shared<TAnswer<QVariant>>();
  page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                      [answer](const QVariant& value) { give(answer, value); });
  if (!waitFor(*answer, timeLimitMs)) throw std::runtime_error("The web engine did not answer in time.");
  return answer->Value;
}

// The territories outside the United States' measurement system that use
// Letter paper.
bool usesLetterPaper(const QLocale& locale) {
  if (locale.measurementSystem() == QLocale::ImperialUSSystem) return true;
  static const QLocale::Territory kLetterTerritories[] = {
      QLocale::UnitedStates, QLocale::Canada,      QLocale::Mexico,     QLocale::Philippines,
      QLocale::Chile,        QLocale::Colombia,    QLocale::Venezuela,  QLocale::PuertoRico,
      QLocale::Guatemala,    QLocale::CostaRica,   QLocale::ElSalvador, QLocale::Nicaragua,
      QLocale::Panama,       QLocale::DominicanRepublic};
  for (const QLocale::Territory territory : kLetterTerritories) {
    if (locale.territory() == territory) return true;
  }
  return false;
}

}  // namespace

QPageLayout LocalePageLayout() {
  const QPageSize size(usesLetterPaper(QLocale()) ? QPageSize::Letter : QPageSize::A4);
  return QPageLayout(size, QPageLayout::Portrait, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
}

TPageRenderer::TPageRenderer(QObject* parent) : QObject(parent), FFile(std::make_unique<TPreviewFile>()) {}

TPageRenderer::~TPageRenderer() {
  if (FPage != nullptr && !FUrl.isEmpty()) TPreviewSchemeHandler::Of(FPage->profile()).Withdraw(FUrl);
}

// Made on first use, with the preview's rules: no page scripts, files only
// as images, styles and fonts, formulas not fetched.
QWebEnginePage* TPageRenderer::Page() {
  if (FPage != nullptr) return FPage;
  FPage = new TRenderPage(this);
  QWebEngineSettings* settings = FPage->settings();
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  settings->setAttribute(QWebEngineSettings::PrintElementBackgrounds, true);
  FFilter = new TPreviewRequestFilter(FPage);
  FFilter->SetDrawsFormulas(true);
  FPage->setUrlRequestInterceptor(FFilter);
  return FPage;
}

void TPageRenderer::Load(const QByteArray& page) {
  QWebEnginePage* view = Page();
  FFile->WritePage(page);
  if (FUrl.isEmpty()) {
    FUrl = TPreviewSchemeHandler::Of(view->profile()).Publish(FFile->FileName());
    static_cast<TRenderPage*>(view)->Url = FUrl;
  }
  auto loaded = std::make_shared<TAnswer<bool>>();
  const QMetaObject::Connection connection = connect(
      view, &QWebEnginePage::loadFinished, this, [loaded](bool ok) { give(loaded, ok); });
  view->load(FUrl);
  const bool finished = waitFor(*loaded, kTimeLimitMs);
  disconnect(connection);
  if (!finished || !loaded->Value) throw std::runtime_error("The page could not be rendered for exporting.");
  // The preview's script has run, has done all the code and formulas (it does
  // those far from the view only later, for a page looked at), and the fonts
  // it asked for are in.
  const QString ready = QStringLiteral(
      "document.documentElement.getAttribute('data-glyphmill-ready') === '1' &&"
      " glyphmillFinishPage() && document.fonts.status === 'loaded'");
  for (int waited = 0; !evaluate(view, ready, kTimeLimitMs).toBool(); waited += 20) {
    if (waited > kTimeLimitMs) throw std::runtime_error("The page could not be rendered for exporting.");
    auto pause = std::make_shared<TAnswer<bool>>();
    QTimer::singleShot(20, this, [pause] { give(pause, true); });
    waitFor(*pause, kTimeLimitMs);
  }
}

QString TPageRenderer::RenderedFragment(const QString& html, const QString& baseFolder) {
  UsePreviewScripts(Page(), ScriptsNeededBy(html));
  TStyledPageOptions options;
  options.Scheme = glyphmill::page::TColourScheme::csLight;
  options.ExtraHead = BaseElement(baseFolder);
  Load(StyledPage(html, options));
  QString fragment = evaluate(FPage, QStringLiteral("document.body.innerHTML"), kTimeLimitMs).toString();
  // The parser keeps the line break after <body> and makes every line end a line feed.
  if (fragment.startsWith(u'\n')) fragment.remove(0, 1);
  fragment.replace(u'\n', QStringLiteral("\r\n"));
  if (!fragment.isEmpty() && !fragment.endsWith(u'\n')) fragment += QStringLiteral("\r\n");
  return fragment;
}

QByteArray TPageRenderer::PrintToPdf(const QByteArray& page, const QPageLayout& layout) {
  UsePreviewScripts(Page(), TPageScripts());
  Load(page);
  auto printed = std::make_shared<TAnswer<QByteArray>>();
  FPage->printToPdf([printed](const QByteArray& pdf) { give(printed, pdf); }, layout);
  if (!waitFor(*printed, kTimeLimitMs) || printed->Value.isEmpty()) {
    throw std::runtime_error("The web engine could not print the page to PDF.");
  }
  return printed->Value;
}
