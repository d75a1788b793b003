// A desktop for window tests: it records what the windows ask and answers from
// prepared lists. It is the desktop in use from its construction to its end, so
// a test fixture that owns one per test leaves nothing behind.
#pragma once

#include "platform/Desktop.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QListView>
#include <QUrl>

// How a file or folder dialog was set up when it was shown.
struct TDialogSeen {
  QFileDialog::AcceptMode AcceptMode = QFileDialog::AcceptOpen;
  QFileDialog::FileMode FileMode = QFileDialog::AnyFile;
  QString Directory;
  QString SelectedFile;  // the name suggested in the dialog's file name box
  QStringList Filters;
  QString Suffix;
  bool ConfirmsOverwrite = false;
  bool SeveralFolders = false;  // a folder dialog whose lists allow several choices
};

class TFakeDesktop : public TDesktop {
 public:
  TFakeDesktop() { Install(this); }
  ~TFakeDesktop() override { Uninstall(this); }
  TFakeDesktop(const TFakeDesktop&) = delete;
  TFakeDesktop& operator=(const TFakeDesktop&) = delete;

  // What the windows asked, in order.
  QList<TMessage> Messages;
  QList<TQuestion> Questions;
  QList<TDialogSeen> Dialogs;
  QList<QUrl> Opened;
  QStringList RestartScripts;  // "script|working folder"
  int Beeps = 0;
  int ProgramEnds = 0;

  // The answers, taken in order. A question with no answer left gets
  // UnansweredQuestion; a dialog with none left is cancelled.
  QList<QMessageBox::StandardButton> Answers;
  QMessageBox::StandardButton UnansweredQuestion = QMessageBox::No;
  QList<QStringList> DialogAnswers;
  bool OpenSucceeds = true;

  // The texts of the error boxes shown (critical messages).
  QStringList Errors() const {
    QStringList texts;
    for (const TMessage& message : Messages) {
      if (message.Icon == QMessageBox::Critical) texts.append(message.Text);
    }
    return texts;
  }

  // Answers every later file dialog with this one path ("" cancels).
  void AnswerDialogsWith(const QString& path) {
    FAlwaysAnswer = path;
    FAnswerAlways = true;
  }

  void ShowMessage(QWidget*, const TMessage& message) override { Messages.append(message); }

  QMessageBox::StandardButton Ask(QWidget*, const TQuestion& question) override {
    Questions.append(question);
    return Answers.isEmpty() ? UnansweredQuestion : Answers.takeFirst();
  }

  QStringList RunFileDialog(QFileDialog& dialog) override {
    Dialogs.append(seen(dialog));
    if (FAnswerAlways) return FAlwaysAnswer.isEmpty() ? QStringList() : QStringList{FAlwaysAnswer};
    return DialogAnswers.isEmpty() ? QStringList() : DialogAnswers.takeFirst();
  }

  bool OpenUrl(const QUrl& url) override {
    Opened.append(url);
    return OpenSucceeds;
  }

  void Beep() override { ++Beeps; }

  void RunRestartScript(const QString& scriptFile, const QString& workingFolder) override {
    RestartScripts.append(scriptFile + u'|' + workingFolder);
  }

  void EndProgram() override { ++ProgramEnds; }

 private:
  static TDialogSeen seen(QFileDialog& dialog) {
    TDialogSeen result;
    result.AcceptMode = dialog.acceptMode();
    result.FileMode = dialog.fileMode();
    result.Directory = dialog.directory().absolutePath();
    const QStringList selected = dialog.selectedFiles();
    result.SelectedFile = selected.isEmpty() ? QString() : selected.constFirst();
    result.Filters = dialog.nameFilters();
    result.Suffix = dialog.defaultSuffix();
    result.ConfirmsOverwrite = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
    const auto views = dialog.findChildren<QListView*>();
    result.SeveralFolders = !views.isEmpty();
    for (QAbstractItemView* view : views) {
      result.SeveralFolders &= view->selectionMode() == QAbstractItemView::ExtendedSelection;
    }
    return result;
  }

  QString FAlwaysAnswer;
  bool FAnswerAlways = false;
};
