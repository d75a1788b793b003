#include "WebViewSurface.h"

#include <QOpenGLContext>
#include <QOpenGLWidget>

void PrepareSurfaceForWebView(QWidget* window) {
  // Without OpenGL (the offscreen platform, say) the web view draws in
  // software and needs no such surface.
  QOpenGLContext probe;
  if (!probe.create()) return;
  // A render-to-texture widget marks its top-level window as one that composes
  // textures; it is never shown, so it never draws.
  auto* marker = new QOpenGLWidget(window);
  marker->setObjectName(QStringLiteral("WebViewSurfaceMarker"));
  marker->hide();
}
