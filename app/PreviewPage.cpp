#include "PreviewPage.h"

#include "platform/Desktop.h"
#include "platform/ShellOpen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWebEngineSettings>
#include <QWidget>

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

TUserGestures::TUserGestures(QObject* parent) : QObject(parent) {
  // Input reaches the web view's inner widgets, which come and go with the
  // page; watching at the application sees them all.
  qApp->installEventFilter(this);
  FClock.start();
}

bool TUserGestures::Take() {
  while (!FPending.empty() && FClock.elapsed() - FPending.front() > kSpanMs) FPending.pop_front();
  if (FPending.empty()) return false;
  FPending.pop_front();
  return true;
}

bool TUserGestures::IsActivation(const QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) return true;
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool TUserGestures::BelongsToView(const QWidget* widget) const {
  // Up through parent windows too: the view's context menu is a window of its own.
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (w == FView) return true;
  }
  return false;
}

bool TUserGestures::eventFilter(QObject* watched, QEvent* event) {
  if (FView != nullptr && IsActivation(event) && watched->isWidgetType() &&
      BelongsToView(static_cast<QWidget*>(watched))) {
    FPending.push_back(FClock.elapsed());
  }
  return QObject::eventFilter(watched, event);
}

TPreviewPage::TPreviewPage(QWidget* view) : QWebEnginePage(view) {
  FGestures.Watch(view);
  // The engine's own pop-up blocker, in front of the check of the user's input.
  settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
}

bool TPreviewPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  // The preview file itself, also when a link jumps to an anchor in it.
  if (!FPreviewUrl.isEmpty() && url.adjusted(QUrl::RemoveFragment) == FPreviewUrl) return true;
  if (isMainFrame && url.hasFragment() && url.adjusted(QUrl::RemoveFragment) == FBaseUrl) {
    QUrl jump = FPreviewUrl;
    jump.setFragment(url.fragment());
    QTimer::singleShot(0, this, [this, jump] { setUrl(jump); });
    return false;
  }
  if (type == NavigationTypeLinkClicked && FGestures.Take()) openDocumentLink(url);
  return false;
}

QWebEnginePage* TPreviewPage::createWindow(WebWindowType) {
  if (!FGestures.Take()) return nullptr;
  return new TLinkOpenerPage(profile(), this);
}
