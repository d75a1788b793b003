// Everything the windows ask of the person or the desktop: message boxes and
// questions, file and folder dialogs, opening an address, the beep, the restart
// runner and the end of the program. The program uses the real desktop; a test
// installs a fake of its own for as long as the fake lives.
#pragma once

#include <QMap>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QFileDialog;
class QUrl;
class QWidget;

// A message box with one OK button.
struct TMessage {
  QMessageBox::Icon Icon = QMessageBox::Information;
  QString Caption;
  QString Text;
};

// A question; the buttons may carry translated captions.
struct TQuestion {
  QMessageBox::Icon Icon = QMessageBox::Question;
  QString Caption;
  QString Text;
  QMessageBox::StandardButtons Buttons = QMessageBox::Yes | QMessageBox::No;
  QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton;
  QMap<QMessageBox::StandardButton, QString> ButtonTexts;
};

class TDesktop {
 public:
  virtual ~TDesktop();

  // Shows a message box modally over `parent`.
  virtual void ShowMessage(QWidget* parent, const TMessage& message);
  // Asks a question modally over `parent`; the button chosen (closing the box
  // chooses its Escape button).
  virtual QMessageBox::StandardButton Ask(QWidget* parent, const TQuestion& question);
  // Runs a prepared file or folder dialog; the chosen paths, none when cancelled.
  virtual QStringList RunFileDialog(QFileDialog& dialog);
  // Hands `url` to the desktop's default handler; whether it was handed on.
  virtual bool OpenUrl(const QUrl& url);
  // The short warning sound.
  virtual void Beep();
  // Starts the restart runner on `scriptFile`, detached, in `workingFolder`.
  virtual void RunRestartScript(const QString& scriptFile, const QString& workingFolder);
  // Ends the program's event loop.
  virtual void EndProgram();

 protected:
  // A fake makes itself the desktop in use for its lifetime (the one made last
  // wins; when it ends, the one before is in use again).
  TDesktop() = default;
  static void Install(TDesktop* desktop);
  static void Uninstall(TDesktop* desktop);

  friend TDesktop& Desktop();
};

// The desktop in use: a test's fake while one lives, otherwise the real one.
TDesktop& Desktop();
