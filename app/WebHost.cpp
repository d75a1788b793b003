#include "WebHost.h"

#include <QtGlobal>

QString WebHost() {
  const QString fromEnvironment = qEnvironmentVariable("GLYPHMILL_WEB_HOST");
  if (!fromEnvironment.isEmpty()) return fromEnvironment;
  return QStringLiteral(GLYPHMILL_DEFAULT_WEB_HOST);
}

bool WebHostIsReal() { return WebHost() != QLatin1StringView("glyphmill.invalid"); }
