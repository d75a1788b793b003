// The update notice: a small borderless window at the top-right corner of the
// screen that offers the download page of another version.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPropertyAnimation;
class QTimer;
class QToolButton;

class TNewVer : public QWidget {
  Q_OBJECT
 public:
  // `serverVersion` is shown in the link; `downloadAddress` is opened by it.
  // The notice deletes itself when closed; `mainWindow` gets the focus back.
  TNewVer(const QString& serverVersion, const QString& downloadAddress, QWidget* mainWindow);

  // Seconds until the notice closes by itself; shared by the process, since
  // there is at most one notice per run. Tests shorten it.
  static inline int CloseCountdown = 11;

  // The address the link opens: the download address when it is an http or
  // https address, otherwise the maker's home page.
  static QString LinkTarget(const QString& downloadAddress);

  QString ServerVersion;
  QString DownloadAddress;

 public Q_SLOTS:
  void TimerStartTimer();
  void TimerCloseTimer();
  void TimerLinkTimer();
  void Label2Click();
  void Button1Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The controls; each one's object name is its member name.
  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QToolButton* Button1 = nullptr;
  QTimer* TimerStart = nullptr;
  QTimer* TimerClose = nullptr;
  QTimer* TimerLink = nullptr;
  void NameControls();

  void FormCreate();
  QRect CentreRect() const;
  void CloseAnimated();

  QWidget* FMainWindow = nullptr;
  QRect FFullGeometry;
  bool dragging = false;
  int dx = 0;
  int dy = 0;
};
