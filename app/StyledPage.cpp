#include "StyledPage.h"

#include "EditorColours.h"
#include "Languages.h"

#include <QLocale>
#include <QPalette>

QString PageLanguage() {
  const QString name = Languages().CurrentLanguageName;
  if (name.isEmpty()) return QStringLiteral("en");
  // Language files are named after the language in English, sometimes with
  // the country joined on ("PortugueseBrazil").
  for (int value = QLocale::C + 1; value <= QLocale::LastLanguage; ++value) {
    const auto language = QLocale::Language(value);
    const QString english = QLocale::languageToString(language);
    if (!english.isEmpty() && name.startsWith(english, Qt::CaseInsensitive)) {
      const QString code = QLocale::languageToCode(language, QLocale::ISO639Part1);
      if (!code.isEmpty()) return code;
    }
  }
  return QStringLiteral("en");
}

glyphmill::page::TColourScheme SchemeFor(const QPalette& palette) {
  return IsDarkPalette(palette) ? glyphmill::page::TColourScheme::csDark
                                : glyphmill::page::TColourScheme::csLight;
}

QByteArray StyledPage(const QString& html, const TStyledPageOptions& options) {
  std::string fragment = html.toStdString();
  if (!options.ImagesFolder.isEmpty()) {
    fragment = glyphmill::page::EmbedLocalImages(fragment, options.ImagesFolder.toStdString());
  }
  glyphmill::page::TPageParts parts;
  parts.Language = PageLanguage().toStdString();
  parts.Title = glyphmill::page::PageTitle(fragment, options.DocumentPath.toStdString());
  parts.Scheme = options.Scheme;
  parts.ExtraHead = options.ExtraHead.toStdString();
  std::string page = glyphmill::page::BuildPage(fragment, parts);
  return QByteArray::fromStdString(page);
}
