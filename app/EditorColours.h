// The editors' colours, taken from the window's palette: every style of a
// lexer is drawn on the palette's base colour with a foreground that keeps a
// contrast of at least 4.5:1 against it, in light and dark palettes alike.
#pragma once

#include <QColor>

class QPalette;
class QsciLexer;
class QsciScintilla;

// The contrast ratio of two colours, from 1 (equal) to 21 (black on white).
double ContrastRatio(const QColor& first, const QColor& second);

// `colour` made lighter or darker until it reads on `paper` with a contrast of
// at least 4.5:1; its hue is kept.
QColor ReadableOn(const QColor& colour, const QColor& paper);

// Whether `palette` draws light text on a dark base.
bool IsDarkPalette(const QPalette& palette);

// Gives every style of the editor's lexer the palette's base as paper and a
// readable foreground; also the caret, the selection and the margins.
void ApplyPaletteColours(QsciScintilla& editor);
