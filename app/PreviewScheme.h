// How the preview page is served: each window's preview file at an address of
// the scheme "glyphmill-preview" (glyphmill-preview://<key>/temp.html), read
// from the file by a handler of the program's own.
//
// The page thus has an origin of its own, not a file one: it may show local
// images, style sheets and fonts by their file addresses, and remote ones, but
// a page script can neither fetch nor run a local file (the request filter
// refuses every other kind of request for a file address), and the browser's
// cross-origin rules keep it from reading the pixels or rules of what it shows.
#pragma once

#include <QHash>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlSchemeHandler>

class QWebEngineProfile;

inline constexpr char kPreviewScheme[] = "glyphmill-preview";

// Makes the scheme known to the web engine; must come before the web engine
// starts (the first web view shown or page made). Later calls do nothing.
void RegisterPreviewScheme();

// Serves the preview files that windows publish, read-only, and beside each
// one "katex.css", KaTeX's stylesheet with its fonts inside (PreviewScripts.h);
// any other address of the scheme is not found.
class TPreviewSchemeHandler : public QWebEngineUrlSchemeHandler {
  Q_OBJECT
 public:
  // The handler installed in `profile`, made on first use.
  static TPreviewSchemeHandler& Of(QWebEngineProfile* profile);

  // Publishes `fileName` and returns the address it is served at.
  QUrl Publish(const QString& fileName);
  // Serves the file at `address` no more.
  void Withdraw(const QUrl& address);

  void requestStarted(QWebEngineUrlRequestJob* job) override;

 private:
  explicit TPreviewSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent) {}

  QHash<QString, QString> FFiles;  // address host -> file
  int FLastKey = 0;
};

// Lets a page load a file address only as an image, style sheet, font or media.
// While the page draws its formulas itself, their images are not fetched from
// the formula service either.
class TPreviewRequestFilter : public QWebEngineUrlRequestInterceptor {
  Q_OBJECT
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

  void SetDrawsFormulas(bool draws) { FDrawsFormulas = draws; }

  void interceptRequest(QWebEngineUrlRequestInfo& info) override;

 private:
  bool FDrawsFormulas = false;
};
