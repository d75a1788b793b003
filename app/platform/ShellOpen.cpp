#include "platform/ShellOpen.h"

#include <QDesktopServices>

namespace {
std::function<bool(const QUrl&)>& hook() {
  static std::function<bool(const QUrl&)> instance;
  return instance;
}
}  // namespace

bool OpenUrl(const QUrl& url) {
  if (hook()) return hook()(url);
  return QDesktopServices::openUrl(url);
}

void SetOpenUrlHook(std::function<bool(const QUrl&)> newHook) { hook() = std::move(newHook); }
