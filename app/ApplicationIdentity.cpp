#include "ApplicationIdentity.h"

#include <QGuiApplication>

QString ApplicationTitle() { return QStringLiteral("Glyphmill"); }

void SetApplicationIdentity() {
  QCoreApplication::setApplicationName(ApplicationTitle());
  QCoreApplication::setOrganizationName(QStringLiteral("KELMOOR"));
  QGuiApplication::setDesktopFileName(QStringLiteral("com.kelmoor.Glyphmill"));
}
