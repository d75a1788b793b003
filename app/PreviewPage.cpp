#include "PreviewPage.h"

#include "platform/Desktop.h"
#include "platform/ShellOpen.h"

#include <QTimer>

namespace {

// A link of the document is handed to the desktop only when it is a web or
// mail address: the document may be hostile, and a local file or another
// scheme could start a program.
void openDocumentLink(const QUrl& url) {
  if (IsWebAddress(url) || url.scheme().compare(u"mailto", Qt::CaseInsensitive) == 0) {
    Desktop().OpenUrl(url);
  }
}

// Stands in for a new window: hands the first address it is sent to the user's
// browser and goes away.
class TLinkOpenerPage : public QWebEnginePage {
 public:
  using QWebEnginePage::QWebEnginePage;

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
    openDocumentLink(url);
    deleteLater();
    return false;
  }
};

}  // namespace

TPreviewPage::TPreviewPage(QObject* parent) : QWebEnginePage(parent) {}

bool TPreviewPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  // The preview file itself, also when a link jumps to an anchor in it.
  if (!FPreviewUrl.isEmpty() && url.adjusted(QUrl::RemoveFragment) == FPreviewUrl) return true;
  if (isMainFrame && url.hasFragment() && url.adjusted(QUrl::RemoveFragment) == FBaseUrl) {
    QUrl jump = FPreviewUrl;
    jump.setFragment(url.fragment());
    QTimer::singleShot(0, this, [this, jump] { setUrl(jump); });
    return false;
  }
  if (type == NavigationTypeLinkClicked) openDocumentLink(url);
  return false;
}

QWebEnginePage* TPreviewPage::createWindow(WebWindowType) {
  return new TLinkOpenerPage(profile(), this);
}
