// Where a window opens: its usual size when that fits the free area of its
// screen, otherwise as much as fits, centred in that area.
#pragma once

class QSize;
class QWidget;

// Resizes `window` (not yet shown) to `size`, cut to the free area of the
// primary screen less room for the window frame, and centres it there.
void PlaceOnScreen(QWidget& window, const QSize& size);
