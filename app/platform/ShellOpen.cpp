#include "platform/ShellOpen.h"

#include <QDesktopServices>

namespace {
std::function<bool(const QUrl&)>& hook() {
  static std::function<bool(const QUrl&)> instance;
  return instance;
}
}  // namespace

bool IsWebAddress(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

bool OpenUrl(const QUrl& url) {
  if (hook()) return hook()(url);
  return QDesktopServices::openUrl(url);
}

void SetOpenUrlHook(std::function<bool(const QUrl&)> newHook) { hook() = std::move(newHook); }
