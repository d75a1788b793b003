#include "platform/UiLanguage.h"

#include <QLocale>

#include <unicode/uloc.h>

namespace {

constexpr quint16 kEnglishUnitedStates = 1033;

// "de" -> "de_DE", "zh-Hant-TW" -> "zh_TW": language and region, which is what
// the identifiers are made of (a script subtag makes ICU answer the neutral one).
QByteArray languageAndRegion(const QString& localeName) {
  const QByteArray name = localeName.toLatin1().replace('-', '_');
  char likely[ULOC_FULLNAME_CAPACITY] = {};
  UErrorCode status = U_ZERO_ERROR;
  uloc_addLikelySubtags(name.constData(), likely, sizeof likely, &status);
  if (U_FAILURE(status)) return name;
  char language[ULOC_LANG_CAPACITY] = {};
  char region[ULOC_COUNTRY_CAPACITY] = {};
  status = U_ZERO_ERROR;
  uloc_getLanguage(likely, language, sizeof language, &status);
  uloc_getCountry(likely, region, sizeof region, &status);
  if (U_FAILURE(status) || language[0] == 0) return name;
  QByteArray result(language);
  if (region[0] != 0) result += '_' + QByteArray(region);
  return result;
}

}  // namespace

quint16 LanguageIdForLocaleName(const QString& localeName) {
  if (localeName.isEmpty() || localeName == u"C" || localeName == u"POSIX") return 0;
  return static_cast<quint16>(uloc_getLCID(languageAndRegion(localeName).constData()));
}

quint16 GetUserDefaultUILanguage() {
  const QStringList languages = QLocale::system().uiLanguages();
  if (languages.isEmpty()) return kEnglishUnitedStates;
  const quint16 id = LanguageIdForLocaleName(languages.first());
  return id != 0 ? id : kEnglishUnitedStates;
}
