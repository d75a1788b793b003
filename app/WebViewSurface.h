// The top-level window that holds a web view needs an OpenGL-capable native
// surface. Qt recreates a top-level window (a new native window, at times of
// a wrong size) when the first such child appears after the window exists;
// giving it a hidden render-to-texture child before it is created avoids that.
#pragma once

class QWidget;

// Gives `window` (not yet shown) a hidden child that makes Qt create its
// native window with an OpenGL surface from the start.
void PrepareSurfaceForWebView(QWidget* window);
