#include "FileDrops.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

QStringList DroppedFiles(const QMimeData* data) {
  QStringList files;
  if (data == nullptr || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files.append(url.toLocalFile());
  }
  return files;
}

TFileDropFilter::TFileDropFilter(QWidget* window, TOnDrop onDrop)
    : QObject(window), FWindow(window), FOnDrop(std::move(onDrop)) {
  window->setAcceptDrops(true);  // for the parts of the window that take no drops themselves
  QCoreApplication::instance()->installEventFilter(this);
}

bool TFileDropFilter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  const auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != FWindow) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QStringList files = DroppedFiles(drop->mimeData());
  if (files.isEmpty()) return false;
  // Files are read, never moved: a drag that offers only a move is refused, so
  // that the source does not delete them.
  if (drop->possibleActions() & Qt::CopyAction) {
    drop->setDropAction(Qt::CopyAction);
  } else if (drop->possibleActions() & Qt::LinkAction) {
    drop->setDropAction(Qt::LinkAction);
  } else {
    drop->ignore();
    return true;
  }
  drop->accept();
  if (type == QEvent::Drop) FOnDrop(files);
  return true;
}
