#include "NewVersion.h"

#include "AppGlobals.h"
#include "Languages.h"
#include "ObjectNames.h"
#include "WebHost.h"
#include "platform/Desktop.h"
#include "platform/ShellOpen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 68;
constexpr int kEdgeDistance = 5;
constexpr int kIconSize = 60;
constexpr int kCloseButtonSize = 22;
constexpr int kAnimationMs = 100;

}  // namespace

TNewVer::TNewVer(const QString& serverVersion, const QString& downloadAddress, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ServerVersion(serverVersion),
      DownloadAddress(downloadAddress),
      FMainWindow(mainWindow) {
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAutoFillBackground(true);

  Image1 = new QLabel(this);
  Image1->setFixedSize(kIconSize, kIconSize);
  Label1 = new QLabel(this);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setAlignment(Qt::AlignCenter);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  Label2 = new QLabel(this);
  Label2->setTextFormat(Qt::PlainText);
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setWordWrap(true);
  QFont underlined = Label2->font();
  underlined.setUnderline(true);
  Label2->setFont(underlined);
  Label2->setCursor(Qt::PointingHandCursor);
  Label2->installEventFilter(this);
  Button1 = new QToolButton(this);
  Button1->setIcon(QIcon(QStringLiteral(":/icons/cross.png")));
  Button1->setFixedSize(kCloseButtonSize, kCloseButtonSize);
  Button1->setAutoRaise(true);

  auto* texts = new QVBoxLayout;
  texts->addWidget(Label1);
  texts->addWidget(Label2, 1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  // The animations resize the window below what its contents ask for.
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  layout->addWidget(Image1);
  layout->addLayout(texts, 1);
  layout->addWidget(Button1, 0, Qt::AlignTop);

  TimerStart = new QTimer(this);
  TimerStart->setInterval(1);
  TimerStart->setSingleShot(true);
  TimerClose = new QTimer(this);
  TimerClose->setInterval(1000);
  TimerLink = new QTimer(this);
  TimerLink->setInterval(100);
  connect(TimerStart, &QTimer::timeout, this, &TNewVer::TimerStartTimer);
  connect(TimerClose, &QTimer::timeout, this, &TNewVer::TimerCloseTimer);
  connect(TimerLink, &QTimer::timeout, this, &TNewVer::TimerLinkTimer);
  connect(Button1, &QToolButton::clicked, this, &TNewVer::Button1Click);

  FormCreate();
  TimerStart->start();
  TimerClose->start();
  TimerLink->start();
  NameControls();
}

void TNewVer::NameControls() {
  SetObjectNames({{Image1, "Image1"},
                  {Label1, "Label1"},
                  {Label2, "Label2"},
                  {Button1, "Button1"},
                  {TimerStart, "TimerStart"},
                  {TimerClose, "TimerClose"},
                  {TimerLink, "TimerLink"}});
}

void TNewVer::FormCreate() {
  Image1->setPixmap(QIcon(QStringLiteral(":/icons/glyphmill.png")).pixmap(kIconSize, kIconSize));
  Image1->setScaledContents(true);
  Label1->setText(Translate(QStringLiteral("UPDATE AVAILABLE")));
  Label2->setText(Translate(QStringLiteral("Click to download")) + u' ' + AppProductName + u' ' +
                  ServerVersion);
  QRect screen(0, 0, 1024, 768);
  if (const QScreen* primary = QGuiApplication::primaryScreen()) screen = primary->geometry();
  FFullGeometry = QRect(screen.right() + 1 - kEdgeDistance - kWidth, screen.top() + kEdgeDistance,
                        kWidth, kHeight);
  setGeometry(FFullGeometry);
}

QString TNewVer::LinkTarget(const QString& downloadAddress) {
  const QString trimmed = downloadAddress.trimmed();
  const bool web = trimmed.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
                   trimmed.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
  const QUrl url(trimmed, QUrl::StrictMode);
  if (web && IsWebAddress(url)) return url.toString();
  return QStringLiteral("https://") + WebHost() + u'/';
}

QRect TNewVer::CentreRect() const { return QRect(FFullGeometry.center(), QSize(1, 1)); }

void TNewVer::TimerStartTimer() {
  TimerStart->stop();
  setGeometry(CentreRect());
  show();
  auto* opening = new QPropertyAnimation(this, "geometry", this);
  opening->setDuration(kAnimationMs);
  opening->setStartValue(CentreRect());
  opening->setEndValue(FFullGeometry);
  opening->start(QAbstractAnimation::DeleteWhenStopped);
  // The notice must not take the focus from the user's work.
  if (FMainWindow) FMainWindow->activateWindow();
}

void TNewVer::TimerCloseTimer() {
  --CloseCountdown;
  if (CloseCountdown > 0) return;
  TimerClose->stop();
  CloseAnimated();
}

void TNewVer::CloseAnimated() {
  auto* closing = new QPropertyAnimation(this, "geometry", this);
  closing->setDuration(kAnimationMs);
  closing->setStartValue(geometry());
  closing->setEndValue(QRect(geometry().center(), QSize(1, 1)));
  connect(closing, &QPropertyAnimation::finished, this, &QWidget::close);
  closing->start(QAbstractAnimation::DeleteWhenStopped);
}

void TNewVer::TimerLinkTimer() {
  const bool hovered = Label2->rect().contains(Label2->mapFromGlobal(QCursor::pos()));
  QPalette palette = Label2->palette();
  palette.setColor(QPalette::WindowText,
                   this->palette().color(hovered ? QPalette::Highlight : QPalette::WindowText));
  Label2->setPalette(palette);
}

void TNewVer::Label2Click() {
  // The address comes from the network: only a web address is opened.
  Desktop().OpenUrl(QUrl(LinkTarget(DownloadAddress)));
  close();
}

void TNewVer::Button1Click() { close(); }

bool TNewVer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label2 && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && Label2->rect().contains(mouse->position().toPoint())) {
      Label2Click();
    }
    return true;
  }
  // The link starts no drag.
  if (watched == Label2 && event->type() == QEvent::MouseButtonPress) return true;
  return QWidget::eventFilter(watched, event);
}

void TNewVer::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) return;
  dragging = true;
  const QPoint position = event->globalPosition().toPoint();
  dx = position.x();
  dy = position.y();
}

void TNewVer::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging) return;
  const QPoint position = event->globalPosition().toPoint();
  move(pos() + QPoint(position.x() - dx, position.y() - dy));
  dx = position.x();
  dy = position.y();
}

void TNewVer::mouseReleaseEvent(QMouseEvent*) { dragging = false; }
