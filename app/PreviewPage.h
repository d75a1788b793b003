// The preview's web page: it shows the preview file and nothing else.
#pragma once

#include <QUrl>
#include <QWebEnginePage>

// Refuses every navigation except to the preview file; a link clicked in the
// preview opens in the user's browser instead.
class TPreviewPage : public QWebEnginePage {
  Q_OBJECT
 public:
  explicit TPreviewPage(QObject* parent = nullptr);

  // The one address the page may show.
  void SetPreviewUrl(const QUrl& url) { FPreviewUrl = url; }
  // The page's base address: a link to "#anchor" resolves against it and is a
  // jump within the page.
  void SetBaseUrl(const QUrl& url) { FBaseUrl = url; }

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  // A link that asks for a new window also opens in the user's browser.
  QWebEnginePage* createWindow(WebWindowType type) override;

 private:
  QUrl FPreviewUrl;
  QUrl FBaseUrl;
};
