// The preview's web page: it shows the preview file and nothing else.
#pragma once

#include <QElapsedTimer>
#include <QUrl>
#include <QWebEnginePage>

#include <deque>

class QWidget;

// Lets addresses go to the desktop only on the user's own input: each mouse
// click or Enter key on the watched view (or its context menu) lets at most
// one address go, within kSpanMs of it. Scripts of the page cannot make input
// events, so a script alone opens nothing, however often it tries.
class TUserGestures : public QObject {
 public:
  static constexpr int kSpanMs = 5000;

  explicit TUserGestures(QObject* parent = nullptr);

  // The view whose input counts (the view, its children and its menus).
  void Watch(QWidget* view) { FView = view; }
  // True once for each input of the user, while it is recent.
  bool Take();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static bool IsActivation(const QEvent* event);
  bool BelongsToView(const QWidget* widget) const;

  QWidget* FView = nullptr;
  QElapsedTimer FClock;
  // When each input not yet taken came, oldest first (several clicks can come
  // before the first one's navigation does).
  std::deque<qint64> FPending;
};

// Refuses every navigation except to the preview file; a link the user clicks
// in the preview opens in the user's browser instead. What a page script asks
// for (new windows, navigations, clicks it makes itself) goes nowhere.
class TPreviewPage : public QWebEnginePage {
  Q_OBJECT
 public:
  // `view` is the web view that shows this page; its input counts as the user's.
  explicit TPreviewPage(QWidget* view);

  // The one address the page may show.
  void SetPreviewUrl(const QUrl& url) { FPreviewUrl = url; }
  // The page's base address: a link to "#anchor" resolves against it and is a
  // jump within the page.
  void SetBaseUrl(const QUrl& url) { FBaseUrl = url; }

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  // A link that asks for a new window also opens in the user's browser, when
  // the user asked for it.
  QWebEnginePage* createWindow(WebWindowType type) override;

 private:
  QUrl FPreviewUrl;
  TUserGestures FGestures;
  QUrl FBaseUrl;
};
