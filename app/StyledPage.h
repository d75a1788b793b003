// The window's pages around HtmlLines, built by the page library (Page.h):
// the styled preview and the exported page.
#pragma once

#include "Page.h"

#include <QByteArray>
#include <QString>

class QPalette;

// How a page of the window is made.
struct TStyledPageOptions {
  QString DocumentPath;  // the document's file, "" for a new one: the title's fallback
  glyphmill::page::TColourScheme Scheme = glyphmill::page::TColourScheme::csBoth;
  QString ExtraHead;       // put at the end of the head
  QString ImagesFolder;    // local images relative to it are embedded; "" embeds none
};

// The language of the interface as an HTML language code ("en", "de").
QString PageLanguage();

// The colours that match `palette`: the dark ones on a dark palette.
glyphmill::page::TColourScheme SchemeFor(const QPalette& palette);

// The UTF-8 page around the fragment `html`.
QByteArray StyledPage(const QString& html, const TStyledPageOptions& options);
