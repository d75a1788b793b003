// The feedback window: the user's opinion, optionally with an e-mail address,
// posted to the maker's web site.
#pragma once

#include "NetworkLimits.h"

#include <QDialog>
#include <QMessageBox>
#include <QString>

#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Whether the whole of `address` is an e-mail address the maker accepts.
bool IsValidEmail(const QString& address);

class TFeedbackForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFeedbackForm(QWidget* parent = nullptr);

  static constexpr int kMaxMessageLength = 10000;
  static constexpr int kMaxEmailLength = 100;
  // Time and size bounds of the post; tests shorten them.
  TPostLimits PostLimits = kFeedbackLimits;

  bool LikeOn() const { return FLikeOn; }
  bool DislikeOn() const { return FDislikeOn; }

  // The "feedback" field: the chosen toggle's English text (with the shown
  // caption in brackets when translated) and a CR, then the trimmed message.
  QString FeedbackText() const;

 public Q_SLOTS:
  void Image1MouseDown();
  void Image2MouseDown();
  void BitBtn1Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls; each one's object name is its member name.
  QFrame* Panel4 = nullptr;
  QFrame* Panel5 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Caption4 = nullptr;  // the caption of Panel4
  QLabel* Caption5 = nullptr;  // the caption of Panel5
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  void NameControls();

  void FormCreate();
  QFrame* TogglePanel(const QString& imageFile, QLabel** image, QLabel** caption);
  void PaintToggle(QFrame* panel, QLabel* caption, bool on);
  void SetToggles(bool likeOn, bool dislikeOn);
  void LimitMessage();
  bool PostFeedback(const QString& feedback, const QString& address);

  bool FLikeOn = false;
  bool FDislikeOn = false;
};
