// The button bars of the windows: a fixed-height panel and its fixed-size buttons.
#pragma once

#include <QIcon>
#include <QPushButton>
#include <QSize>
#include <QWidget>

// A panel of the given height that stretches across its window.
inline QWidget* NewBar(QWidget* parent, int height) {
  auto* panel = new QWidget(parent);
  panel->setFixedHeight(height);
  return panel;
}

// A push button of a fixed size with an icon and a caption.
inline QPushButton* NewBarButton(const QString& caption, const QIcon& icon, QSize size,
                                 QWidget* parent) {
  auto* button = new QPushButton(icon, caption, parent);
  button->setFixedSize(size);
  return button;
}
