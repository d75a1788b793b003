#include "platform/Desktop.h"

#include "platform/RestartScript.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPushButton>
#include <QUrl>

#include <vector>

namespace {

// The fakes alive, the one installed last at the end.
std::vector<TDesktop*>& installed() {
  static std::vector<TDesktop*> fakes;
  return fakes;
}

// The real desktop: Qt's boxes and dialogs and the desktop services.
class TRealDesktop final : public TDesktop {};

}  // namespace

TDesktop::~TDesktop() = default;

void TDesktop::Install(TDesktop* desktop) { installed().push_back(desktop); }

void TDesktop::Uninstall(TDesktop* desktop) { std::erase(installed(), desktop); }

TDesktop& Desktop() {
  static TRealDesktop real;
  return installed().empty() ? real : *installed().back();
}

void TDesktop::ShowMessage(QWidget* parent, const TMessage& message) {
  QMessageBox box(message.Icon, message.Caption, message.Text, QMessageBox::Ok, parent);
  box.exec();
}

QMessageBox::StandardButton TDesktop::Ask(QWidget* parent, const TQuestion& question) {
  QMessageBox box(question.Icon, question.Caption, question.Text, question.Buttons, parent);
  if (question.DefaultButton != QMessageBox::NoButton) box.setDefaultButton(question.DefaultButton);
  for (auto text = question.ButtonTexts.cbegin(); text != question.ButtonTexts.cend(); ++text) {
    if (QAbstractButton* button = box.button(text.key())) button->setText(text.value());
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QStringList TDesktop::RunFileDialog(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

bool TDesktop::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

void TDesktop::Beep() { QApplication::beep(); }

void TDesktop::RunRestartScript(const QString& scriptFile, const QString& workingFolder) {
  ::RunRestartScript(scriptFile, workingFolder);
}

void TDesktop::EndProgram() { QCoreApplication::quit(); }
