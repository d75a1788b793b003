#include "ErrorHandler.h"

#include "ApplicationIdentity.h"
#include "platform/Desktop.h"

#include <QApplication>

#include <exception>

namespace ErrorHandler {
void Show(const QString& message) {
  Desktop().ShowMessage(QApplication::activeWindow(),
                        {QMessageBox::Critical, ApplicationTitle(), message});
}

void ShowCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    Show(QString::fromUtf8(e.what()));
  } catch (...) {
    Show(QStringLiteral("An unknown error occurred."));
  }
}

void Run(const std::function<void()>& command) {
  try {
    command();
  } catch (...) {
    ShowCurrentException();
  }
}

}  // namespace ErrorHandler
