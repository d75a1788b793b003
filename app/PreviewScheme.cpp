#include "PreviewScheme.h"

#include "PreviewScripts.h"

#include <QBuffer>
#include <QFile>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace {

const QString kPreviewPath = QStringLiteral("/temp.html");
const QString kKatexPath = QStringLiteral("/katex.css");

}  // namespace

void RegisterPreviewScheme() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  QWebEngineUrlScheme scheme(kPreviewScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  // Lets the page show file addresses. It is not a local scheme itself, so
  // the file rules of local pages (reading any file) never apply to it.
  scheme.setFlags(QWebEngineUrlScheme::LocalAccessAllowed);
  QWebEngineUrlScheme::registerScheme(scheme);
}

TPreviewSchemeHandler& TPreviewSchemeHandler::Of(QWebEngineProfile* profile) {
  const QByteArray name(kPreviewScheme);
  if (auto* handler = qobject_cast<TPreviewSchemeHandler*>(
          const_cast<QWebEngineUrlSchemeHandler*>(profile->urlSchemeHandler(name)))) {
    return *handler;
  }
  auto* handler = new TPreviewSchemeHandler(profile);
  profile->installUrlSchemeHandler(name, handler);
  return *handler;
}

QUrl TPreviewSchemeHandler::Publish(const QString& fileName) {
  const QString key = QStringLiteral("preview%1").arg(++FLastKey);
  FFiles.insert(key, fileName);
  QUrl address;
  address.setScheme(QString::fromLatin1(kPreviewScheme));
  address.setHost(key);
  address.setPath(kPreviewPath);
  return address;
}

void TPreviewSchemeHandler::Withdraw(const QUrl& address) { FFiles.remove(address.host()); }

void TPreviewSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  const QUrl address = job->requestUrl();
  const auto file = FFiles.constFind(address.host());
  if (file != FFiles.constEnd() && address.path() == kKatexPath && !KatexStylesheet().isEmpty()) {
    auto* content = new QBuffer(job);
    content->setData(KatexStylesheet());
    content->open(QIODevice::ReadOnly);
    job->reply("text/css", content);
    return;
  }
  if (file == FFiles.constEnd() || address.path() != kPreviewPath) {
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    return;
  }
  auto* content = new QFile(*file, job);
  if (!content->open(QIODevice::ReadOnly)) {
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    return;
  }
  job->reply("text/html", content);
}

void TPreviewRequestFilter::interceptRequest(QWebEngineUrlRequestInfo& info) {
  if (FDrawsFormulas && info.requestUrl().toString().startsWith(FormulaAddressPrefix())) {
    info.block(true);
    return;
  }
  if (!info.requestUrl().isLocalFile()) return;
  switch (info.resourceType()) {
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
      return;
    default:
      info.block(true);  // scripts, fetches, frames, workers, objects
  }
}
