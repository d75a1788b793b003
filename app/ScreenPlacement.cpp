#include "ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

void PlaceOnScreen(QWidget& window, const QSize& size) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    window.resize(size);
    return;
  }
  const QRect available = screen->availableGeometry();
  // The frame is not known before the window is shown: leave room for a
  // title bar and borders.
  const int border = window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) * 2;
  const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
  const QSize room(available.width() - 2 * border, available.height() - titleBar - 2 * border);
  window.resize(size.boundedTo(room).expandedTo(window.minimumSize()));
  QRect frame = window.frameGeometry();
  frame.moveCenter(available.center());
  // A window larger than the area starts at its top left corner.
  frame.moveLeft(std::max(frame.left(), available.left()));
  frame.moveTop(std::max(frame.top(), available.top()));
  window.move(frame.topLeft());
}
