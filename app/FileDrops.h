// Files dropped anywhere on a window, its editors and web view included.
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

// Watches the application's drag and drop events and takes those that carry
// local files and are aimed at a widget of one window, before the widget itself
// (an editor, a web view) can handle them. Other drags (text moved inside an
// editor) go on as usual.
class TFileDropFilter : public QObject {
 public:
  using TOnDrop = std::function<void(const QStringList& files)>;

  // Installs itself on the application; `window` owns it.
  TFileDropFilter(QWidget* window, TOnDrop onDrop);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* FWindow;
  TOnDrop FOnDrop;
};

// The local files of a drag, in the order they were dropped.
QStringList DroppedFiles(const QMimeData* data);
