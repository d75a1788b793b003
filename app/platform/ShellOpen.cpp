#include "platform/ShellOpen.h"

bool IsWebAddress(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}
