#include "ErrorHandler.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

namespace ErrorHandler {
namespace {
std::function<void(const QString&)>& hook() {
  static std::function<void(const QString&)> instance;
  return instance;
}
}  // namespace

void Show(const QString& message) {
  if (hook()) {
    hook()(message);
    return;
  }
  QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                        message);
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

void SetHook(std::function<void(const QString&)> newHook) { hook() = std::move(newHook); }

}  // namespace ErrorHandler
