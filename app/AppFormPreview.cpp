// The rendered preview: the HTML written to the window's private preview file
// and shown by the web view under the preview scheme (PreviewScheme.h); the
// preview's context menu.
#include "AppForm.h"

#include "AppGlobals.h"
#include "PreviewFile.h"
#include "PreviewPage.h"
#include "PreviewScheme.h"
#include "platform/Desktop.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QTabWidget>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

constexpr int kPreviewPage = 1;

}  // namespace

void TAppForm::SetUpPreview() {
  // Before the window is shown: showing the web view starts the web engine,
  // which takes no new schemes after that.
  RegisterPreviewScheme();
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this] { Guarded(&TAppForm::PageControl1Change); });
  FPreviewFile = std::make_unique<TPreviewFile>();
  // The web view's own menu offers commands that mean nothing here (Back,
  // Forward, Save page, View source); this one holds what does.
  PreviewMenu = new QMenu(this);
  PreviewReload = PreviewMenu->addAction(QStringLiteral("Reload"));
  PreviewCopy = PreviewMenu->addAction(QStringLiteral("Copy"));
  PreviewSelectAll = PreviewMenu->addAction(QStringLiteral("Select All"));
  PreviewOpenInBrowser = PreviewMenu->addAction(QStringLiteral("Open in Browser"));
  connect(PreviewReload, &QAction::triggered, this, [this] { Guarded(&TAppForm::PreviewReloadClick); });
  connect(PreviewCopy, &QAction::triggered, this,
          [this] { WebBrowser1->page()->triggerAction(QWebEnginePage::Copy); });
  connect(PreviewSelectAll, &QAction::triggered, this,
          [this] { WebBrowser1->page()->triggerAction(QWebEnginePage::SelectAll); });
  connect(PreviewOpenInBrowser, &QAction::triggered, this,
          [this] { Guarded(&TAppForm::PreviewOpenInBrowserClick); });
  WebBrowser1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(WebBrowser1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& position) { PreviewMenu->popup(WebBrowser1->mapToGlobal(position)); });
}

// Stops serving this window's preview; its file goes with FPreviewFile.
void TAppForm::EndPreview() {
  if (FPreviewPage != nullptr) TPreviewSchemeHandler::Of(FPreviewPage->profile()).Withdraw(FPreviewUrl);
}

// The web engine starts with the first preview, not with the window.
TPreviewPage* TAppForm::PreviewPage() {
  if (FPreviewPage != nullptr) return FPreviewPage;
  FPreviewPage = new TPreviewPage(WebBrowser1);
  QWebEngineSettings* settings = FPreviewPage->settings();
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  // The page is not a local one, so these file-page permissions stay off.
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  FPreviewPage->setUrlRequestInterceptor(new TPreviewRequestFilter(FPreviewPage));
  WebBrowser1->setPage(FPreviewPage);
  return FPreviewPage;
}

QString TAppForm::PreviewFileName() const { return FPreviewFile->FileName(); }

void TAppForm::PreviewGoster() {
  // Relative addresses resolve beside the document, or in the data folder
  // while no document was loaded.
  const QString baseFolder = FDocumentFolder.isEmpty() ? DataFolder : FDocumentFolder;
  FPreviewFile->Write(HtmlLines.Text(), baseFolder);
  TPreviewPage* page = PreviewPage();
  page->SetBaseUrl(BaseAddress(baseFolder));
  if (FPreviewUrl.isEmpty()) {
    FPreviewUrl = TPreviewSchemeHandler::Of(page->profile()).Publish(FPreviewFile->FileName());
    page->SetPreviewUrl(FPreviewUrl);
  }
  // Scripts run only when the user allowed unsafe HTML.
  page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, CheckBox1->isChecked());
  WebBrowser1->load(FPreviewUrl);
}

void TAppForm::PageControl1Change() {
  if (PageControl1->currentIndex() == kPreviewPage) PreviewGoster();
}

void TAppForm::PreviewReloadClick() {
  if (!FPreviewUrl.isEmpty()) WebBrowser1->reload();
}

void TAppForm::PreviewOpenInBrowserClick() {
  if (!FPreviewUrl.isEmpty()) Desktop().OpenUrl(QUrl::fromLocalFile(FPreviewFile->FileName()));
}
