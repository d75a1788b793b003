// The scripts the program runs in its preview pages: highlight.js and KaTeX
// from the installed Debian files, and the preview's own script. They run in
// the application's script world, which works while the page's own scripts
// are off and which the page's scripts cannot reach; nothing is fetched.
#pragma once

#include <QByteArray>
#include <QString>

class QWebEnginePage;

// Where the Debian packages put the libraries; a missing file gives a page
// without that library, not an error.
struct TPageLibraries {
  QString HighlightScript = QStringLiteral("/usr/share/javascript/highlight.js/highlight.min.js");
  QString KatexScript = QStringLiteral("/usr/share/javascript/katex/katex.min.js");
  QString KatexStyle = QStringLiteral("/usr/share/javascript/katex/katex.min.css");
};

// The libraries in use; tests may point them elsewhere before the first page.
TPageLibraries& PageLibraries();

// What a page needs of the scripts.
struct TPageScripts {
  bool Highlight = false;  // code to highlight
  bool Formulas = false;   // formula images to draw
};

// What `html` needs: code elements with a class, images of the formula service.
TPageScripts ScriptsNeededBy(const QString& html);

// The address the converter writes formula images with; the formula follows it.
QString FormulaAddressPrefix();

// Makes `page` run the preview's script on every load, after the libraries
// `scripts` names (those that are installed); replaces what it ran before.
// While the page's own scripts are off, its body is kept out of layout until
// it is parsed, and the preview's script shows it; so set that before.
void UsePreviewScripts(QWebEnginePage* page, const TPageScripts& scripts);

// KaTeX's stylesheet with its fonts inside as data: addresses (only the
// WOFF2 ones, which every current browser reads), so that a page shows the
// formulas without any other file; empty when KaTeX is not installed. Made
// once and kept.
const QByteArray& KatexStylesheet();
