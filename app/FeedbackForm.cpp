#include "FeedbackForm.h"

#include "AppGlobals.h"
#include "BusyCursor.h"
#include "Languages.h"
#include "ObjectNames.h"
#include "UpdateCheck.h"
#include "WebHost.h"
#include "platform/Desktop.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int kPanelHeight = 40;
constexpr int kPictureSize = 32;

const QString kEmailPattern =
    QStringLiteral("^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$");

// Removes characters of code 32 or less at both ends.
QString trimControls(const QString& text) {
  qsizetype start = 0;
  qsizetype end = text.size();
  while (start < end && text[start].unicode() <= 32) ++start;
  while (end > start && text[end - 1].unicode() <= 32) --end;
  return text.mid(start, end - start);
}

struct TCodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct TMatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

pcre2_code* emailPattern() {
  static const std::unique_ptr<pcre2_code, TCodeDeleter> code = [] {
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    return std::unique_ptr<pcre2_code, TCodeDeleter>(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(kEmailPattern.utf16()), kEmailPattern.size(),
                      0, &errorCode, &errorOffset, nullptr));
  }();
  return code.get();
}

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                 const QString& text) {
  Desktop().ShowMessage(parent, {icon, caption, text});
}

}  // namespace

bool IsValidEmail(const QString& address) {
  pcre2_code* code = emailPattern();
  if (!code) return false;
  const std::unique_ptr<pcre2_match_data, TMatchDataDeleter> data(
      pcre2_match_data_create_from_pattern(code, nullptr));
  const int result = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(address.utf16()),
                                 address.size(), 0, 0, data.get(), nullptr);
  return result >= 0;
}

TFeedbackForm::TFeedbackForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  Panel4 = TogglePanel(QStringLiteral("emoticon_smile"), &Image1, &Caption4);
  Panel5 = TogglePanel(QStringLiteral("emoticon_unhappy"), &Image2, &Caption5);
  Label1 = new QLabel(this);
  QFont large = Label1->font();
  large.setPointSize(12);
  Label1->setFont(large);
  Label2 = new QLabel(this);
  QFont boldFont = Label2->font();
  boldFont.setPointSize(10);
  boldFont.setBold(true);
  Label2->setFont(boldFont);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Label3 = new QLabel(this);
  Edit1 = new QLineEdit(this);
  Edit1->setMaxLength(kMaxEmailLength);
  BitBtn1 = new QPushButton(QIcon(QStringLiteral(":/icons/comment.png")), QString(), this);
  BitBtn1->setAutoDefault(false);

  auto* toggles = new QHBoxLayout;
  toggles->addWidget(Panel4);
  toggles->addWidget(Panel5);
  auto* email = new QHBoxLayout;
  email->addWidget(Label3);
  email->addWidget(Edit1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(toggles);
  layout->addWidget(Label1);
  layout->addWidget(Label2);
  layout->addWidget(Memo1, 1);
  layout->addLayout(email);
  layout->addWidget(BitBtn1, 0, Qt::AlignRight);

  connect(BitBtn1, &QPushButton::clicked, this, &TFeedbackForm::BitBtn1Click);
  connect(Memo1, &QPlainTextEdit::textChanged, this, &TFeedbackForm::LimitMessage);
  FormCreate();
  SetToggles(false, false);

  setFixedSize(525, 326);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  NameControls();
}

void TFeedbackForm::NameControls() {
  SetObjectNames({{Panel4, "Panel4"},
                  {Panel5, "Panel5"},
                  {Image1, "Image1"},
                  {Image2, "Image2"},
                  {Caption4, "Caption4"},
                  {Caption5, "Caption5"},
                  {Label1, "Label1"},
                  {Label2, "Label2"},
                  {Memo1, "Memo1"},
                  {Label3, "Label3"},
                  {Edit1, "Edit1"},
                  {BitBtn1, "BitBtn1"}});
}

QFrame* TFeedbackForm::TogglePanel(const QString& imageFile, QLabel** image, QLabel** caption) {
  auto* panel = new QFrame(this);
  panel->setFixedHeight(kPanelHeight);
  panel->setFrameShape(QFrame::Panel);
  panel->setLineWidth(2);
  panel->setAutoFillBackground(true);
  panel->setCursor(Qt::PointingHandCursor);
  *image = new QLabel(panel);
  (*image)->setFixedSize(kPictureSize, kPictureSize);
  (*image)->setPixmap(QPixmap(QStringLiteral(":/icons/%1.png").arg(imageFile))
                          .scaled(kPictureSize, kPictureSize, Qt::KeepAspectRatio,
                                  Qt::FastTransformation));
  *caption = new QLabel(panel);
  QFont large = (*caption)->font();
  large.setPointSize(12);
  (*caption)->setFont(large);
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->addWidget(*image);
  layout->addWidget(*caption, 1);
  // A press on the panel, its picture or its caption reaches the panel.
  panel->installEventFilter(this);
  return panel;
}

void TFeedbackForm::FormCreate() {
  setWindowTitle(AppProductName + u' ' + Translate(QStringLiteral("feedback")));
  Caption4->setText(Translate(QStringLiteral("I like it!")));
  Caption5->setText(Translate(QStringLiteral("I dislike it!")));
  Label1->setText(Translate(QStringLiteral("We would really appreciate your feedback.")));
  Label2->setText(Translate(QStringLiteral("What did you like or dislike?")));
  Label3->setText(Translate(QStringLiteral("Include my e-mail:")));
  BitBtn1->setText(Translate(QStringLiteral("Send")));
}

void TFeedbackForm::PaintToggle(QFrame* panel, QLabel* caption, bool on) {
  const QPalette colours = QApplication::palette();
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, colours.color(on ? QPalette::Highlight : QPalette::Button));
  palette.setColor(QPalette::WindowText,
                   colours.color(on ? QPalette::HighlightedText : QPalette::WindowText));
  panel->setPalette(palette);
  caption->setPalette(palette);
  panel->setFrameShadow(on ? QFrame::Sunken : QFrame::Raised);
}

void TFeedbackForm::SetToggles(bool likeOn, bool dislikeOn) {
  FLikeOn = likeOn;
  FDislikeOn = dislikeOn;
  PaintToggle(Panel4, Caption4, FLikeOn);
  PaintToggle(Panel5, Caption5, FDislikeOn);
}

void TFeedbackForm::Image1MouseDown() {
  if (FLikeOn) {
    SetToggles(false, FDislikeOn);
  } else {
    SetToggles(true, false);
  }
}

void TFeedbackForm::Image2MouseDown() {
  if (FDislikeOn) {
    SetToggles(FLikeOn, false);
  } else {
    SetToggles(false, true);
  }
}

bool TFeedbackForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == Panel4) {
      Image1MouseDown();
      return true;
    }
    if (watched == Panel5) {
      Image2MouseDown();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFeedbackForm::LimitMessage() {
  const QString text = Memo1->toPlainText();
  if (text.size() <= kMaxMessageLength) return;
  Memo1->setPlainText(text.left(kMaxMessageLength));
  Memo1->moveCursor(QTextCursor::End);
}

QString TFeedbackForm::FeedbackText() const {
  const QString likeText = QStringLiteral("I like it!");
  const QString dislikeText = QStringLiteral("I dislike it!");
  QString like = likeText;
  if (Caption4->text() != likeText) like += QStringLiteral(" (") + Caption4->text() + u')';
  QString dislike = dislikeText;
  if (Caption5->text() != dislikeText) dislike += QStringLiteral(" (") + Caption5->text() + u')';
  QString feedback;
  if (FLikeOn) {
    feedback = like + u'\r';
  } else if (FDislikeOn) {
    feedback = dislike + u'\r';
  }
  return feedback + trimControls(Memo1->toPlainText());
}

void TFeedbackForm::BitBtn1Click() {
  const QString message = trimControls(Memo1->toPlainText());
  if (message.isEmpty()) {
    Memo1->setFocus();
    Desktop().Beep();
    return;
  }
  const QString address = trimControls(Edit1->text());
  if (!address.isEmpty() && !IsValidEmail(address)) {
    Edit1->setFocus();
    showMessage(this, QMessageBox::Critical, Translate(QStringLiteral("Failure")),
                Translate(QStringLiteral("Invalid e-mail address!")));
    return;
  }
  if (PostFeedback(FeedbackText(), address)) {
    showMessage(this, QMessageBox::Information, Translate(QStringLiteral("Success")),
                Translate(QStringLiteral("Your feedback is received.")) + QStringLiteral("\n\n") +
                    Translate(QStringLiteral("Thank you!")));
    accept();
  } else {
    showMessage(this, QMessageBox::Critical, Translate(QStringLiteral("Failure")),
                Translate(QStringLiteral("Something went wrong. Your feedback could not be delivered.")) +
                    QStringLiteral("\n\n") + Translate(QStringLiteral("Please try again later.")));
  }
}

bool TFeedbackForm::PostFeedback(const QString& feedback, const QString& address) {
  TFormFields fields = {{QStringLiteral("cmd"), QStringLiteral("feedback")},
                        {QStringLiteral("appname"), AppTitle},
                        {QStringLiteral("version"), AppVersion},
                        {QStringLiteral("feedback"), feedback}};
  if (!address.isEmpty()) fields.append({QStringLiteral("email"), address});
  const QString path = WebHost() + QStringLiteral("/php/feedback.php");
  // The window waits for the answer; a second press must not send again.
  BitBtn1->setEnabled(false);
  QString answer;
  {
    TBusyCursor busy;
    const TPostDeadline deadline(PostLimits);
    try {
      answer = PostForm(QStringLiteral("https://") + path, fields, deadline.NextAttemptMs(),
                        PostLimits.MaxAnswerBytes);
    } catch (const std::exception&) {
      try {
        answer = PostForm(QStringLiteral("http://") + path, fields, deadline.NextAttemptMs(),
                          PostLimits.MaxAnswerBytes);
      } catch (const std::exception&) {
        answer.clear();
      }
    }
  }
  BitBtn1->setEnabled(true);
  return trimControls(answer) == QStringLiteral("OK");
}
