// The rendered preview: the HTML written to "temp.html" in the data folder and
// shown by the web view.
#include "AppForm.h"

#include "AppGlobals.h"
#include "PreviewPage.h"
#include "TextFiles.h"

#include <QCheckBox>
#include <QTabWidget>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

constexpr int kPreviewPage = 1;

QString previewFileName() { return DataFolder + QStringLiteral("temp.html"); }

}  // namespace

void TAppForm::SetUpPreview() {
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this] { Guarded(&TAppForm::PageControl1Change); });
}

// The web engine starts with the first preview, not with the window.
TPreviewPage* TAppForm::PreviewPage() {
  if (FPreviewPage != nullptr) return FPreviewPage;
  FPreviewPage = new TPreviewPage(WebBrowser1);
  QWebEngineSettings* settings = FPreviewPage->settings();
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  // Nothing remote is reached; file access is set with the scripts, per preview.
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  WebBrowser1->setPage(FPreviewPage);
  return FPreviewPage;
}

void TAppForm::PreviewGoster() {
  // UTF-8 with a byte-order mark, so that the web view reads every character
  // right although the fragment declares no character set.
  WriteFileAtomically(previewFileName(), QByteArray("\xEF\xBB\xBF") + Utf8Bytes(HtmlLines));
  const QUrl url = QUrl::fromLocalFile(previewFileName());
  TPreviewPage* page = PreviewPage();
  page->SetPreviewUrl(url);
  // Scripts run only when the user allowed unsafe HTML. Local images and style
  // sheets next to "temp.html" need file access, which is granted only while
  // scripts are off: a script could otherwise read local files.
  const bool scripts = CheckBox1->isChecked();
  QWebEngineSettings* settings = page->settings();
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, scripts);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, !scripts);
  WebBrowser1->load(url);
}

void TAppForm::PageControl1Change() {
  if (PageControl1->currentIndex() == kPreviewPage) PreviewGoster();
}
