// The interface language: language files ("German.lang.txt"), the code table
// that maps the user's interface language to a file, and the lookup of texts by
// their English wording.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Every text the program looks up with Translate. Each shipped language file
// translates all of them.
inline constexpr const char* kTranslationKeys[] = {
    // Language window (the first key names the translators).
    "INFO:Translated By", "Language", "User Interface Language:", "Translated by:", "OK",
    "Contribute to Translation", "Copy", "Select All", "Yes", "No", "Confirmation",
    "Restart Application?",
    // Batch window.
    "WARNING",
    // Update notice.
    "UPDATE AVAILABLE", "Click to download",
    // Feedback window.
    "feedback", "We would really appreciate your feedback.", "What did you like or dislike?",
    "Include my e-mail:", "Send", "I like it!", "I dislike it!", "Invalid e-mail address!",
    "Failure", "Success", "Your feedback is received.", "Thank you!",
    "Something went wrong. Your feedback could not be delivered.", "Please try again later.",
    // About window.
    "About", "Version", "Visit the web site", "Icons: Silk icon set by Mark James (CC BY 3.0)",
    "Flags: flag icons by Mark James (public domain)"};

// The file a choice of English stands for; no such file exists.
inline const QString kEnglishLanguageFile = QStringLiteral("English.lang.txt");

// The "Languages" folder beside the program when it exists, otherwise the
// installed data folder's.
QString DefaultLanguagesFolder();

// The language file the user chose last (empty when none), and storing a choice.
QString StoredLanguageFile();
void StoreLanguageFile(const QString& fileName);

// Reads a language file as UTF-8 (a byte-order mark is allowed) into lines.
// Throws std::runtime_error when it cannot be read or is not valid UTF-8.
QStringList ReadLanguageLines(const QString& fileName);

// The text after the first "}" of the first line that starts with "{key}"
// (possibly empty); no value when no line does.
std::optional<QString> KeyText(const QStringList& lines, const QString& key);

// KeyText, or `key` itself when there is none or it is empty.
QString LookUpKey(const QStringList& lines, const QString& key);

// `fileName` up to the first ".lang.txt"; empty when it holds none.
QString LanguageNameOf(const QString& fileName);

class TLanguages {
 public:
  // Where the language files are looked for and the user's interface language
  // identifier; tests replace them.
  std::function<QString()> FolderSource = DefaultLanguagesFolder;
  std::function<quint16()> UiLanguageSource;

  TLanguages();

  QString LanguagesFolder;      // no trailing separator
  QStringList LanguageFiles;    // names of the "*lang.txt" files in LanguagesFolder
  QString CurrentLanguageName;  // "German" for German.lang.txt; empty when none is loaded
  QString CurrentLanguageFile;  // full path of the loaded file; empty when none is loaded
  QStringList LanguageLines;    // the loaded file's lines

  // Selects and loads the language; an empty `name` takes the stored choice,
  // then the code table's file for the user's interface language. Throws
  // std::runtime_error when the chosen file is not valid UTF-8.
  void LoadLanguage(const QString& name);
  // Appends the names of the folder's non-folder entries matching "*lang.txt".
  void FindLanguageFiles(const QString& folder);
  // The translation of `key`, or `key` itself.
  QString Translate(const QString& key) const;

 private:
  QString NameFromStoredChoice(bool* english) const;
  QString NameFromCodeTable() const;
  QString ListedFile(const QString& wanted) const;
};

// The process-wide language state, loaded once at start.
TLanguages& Languages();

// Languages().Translate(key).
QString Translate(const QString& key);
