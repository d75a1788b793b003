// The user's interface language as a Windows language identifier (1031 for
// German, 1055 for Turkish), which the language code table is keyed by.
#pragma once

#include <QString>

// The identifier for a locale name such as "de_DE", "de-DE" or "de" (a name
// without a region takes its likely one); 0 when ICU knows none.
quint16 LanguageIdForLocaleName(const QString& localeName);

// The identifier of the first of the system locale's interface languages;
// 1033 (English, United States) when it has none.
quint16 GetUserDefaultUILanguage();
