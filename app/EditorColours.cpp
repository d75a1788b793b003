#include "EditorColours.h"

#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>

#include <QPalette>

#include <cmath>

namespace {

// Lexers number their styles below this.
constexpr int kStyleCount = 128;
constexpr double kReadableContrast = 4.5;

double linearChannel(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return 0.2126 * linearChannel(rgb.redF()) + 0.7152 * linearChannel(rgb.greenF()) +
         0.0722 * linearChannel(rgb.blueF());
}

}  // namespace

double ContrastRatio(const QColor& first, const QColor& second) {
  const double a = relativeLuminance(first);
  const double b = relativeLuminance(second);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor ReadableOn(const QColor& colour, const QColor& paper) {
  if (ContrastRatio(colour, paper) >= kReadableContrast) return colour;
  // Move the lightness away from the paper's, in small steps; at the far end
  // (white or black) the contrast against any paper is at least 4.58:1 on one side.
  const bool darkPaper = relativeLuminance(paper) < 0.18;
  float hue = 0;
  float saturation = 0;
  float lightness = 0;
  float alpha = 1;
  colour.toHsl().getHslF(&hue, &saturation, &lightness, &alpha);
  for (int step = 0; step <= 100; ++step) {
    const float next = darkPaper ? lightness + (1 - lightness) * float(step) / 100
                                 : lightness * (1 - float(step) / 100);
    const QColor candidate = QColor::fromHslF(hue, saturation, next);
    if (ContrastRatio(candidate, paper) >= kReadableContrast) return candidate;
  }
  return darkPaper ? QColor(Qt::white) : QColor(Qt::black);
}

bool IsDarkPalette(const QPalette& palette) {
  return relativeLuminance(palette.color(QPalette::Base)) <
         relativeLuminance(palette.color(QPalette::Text));
}

void ApplyPaletteColours(QsciScintilla& editor) {
  const QPalette& palette = editor.palette();
  const QColor paper = palette.color(QPalette::Base);
  const QColor text = palette.color(QPalette::Text);
  if (QsciLexer* lexer = editor.lexer()) {
    lexer->setDefaultPaper(paper);
    lexer->setDefaultColor(text);
    for (int style = 0; style < kStyleCount; ++style) {
      if (lexer->description(style).isEmpty()) continue;
      lexer->setPaper(paper, style);
      const QColor colour = style == 0 ? text : lexer->defaultColor(style);
      lexer->setColor(ReadableOn(colour, paper), style);
    }
  } else {
    editor.setPaper(paper);
    editor.setColor(text);
  }
  editor.setCaretForegroundColor(text);
  editor.setSelectionBackgroundColor(palette.color(QPalette::Highlight));
  editor.setSelectionForegroundColor(palette.color(QPalette::HighlightedText));
  editor.setMarginsBackgroundColor(palette.color(QPalette::Window));
  editor.setMarginsForegroundColor(palette.color(QPalette::WindowText));
}
