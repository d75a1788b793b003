#include "Languages.h"

#include "MarkdownProcessor.h"
#include "TextFiles.h"
#include "UserSettings.h"
#include "platform/InstalledData.h"
#include "platform/UiLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <stdexcept>

namespace {

const QString kLanguageSuffix = QStringLiteral(".lang.txt");
const QString kCodeTableName = QStringLiteral("LanguageCodes.csv");

QStringList splitLines(const QString& text) {
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
  QStringList lines = text.split(lineBreak);
  // A final line break ends the last line; it does not start another.
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

// The code table: a byte-order mark decides, otherwise Windows-1252.
QStringList readCodeTable(const QString& fileName) {
  try {
    const std::string bytes = glyphmill::readFileBytes(QFile::encodeName(fileName).toStdString(), kSmallTextLimit);
    const std::u16string text = glyphmill::decodeText(bytes, "windows-1252");
    return splitLines(QString::fromStdU16String(text));
  } catch (const std::runtime_error&) {
    return {};
  }
}

const QString kLanguageKey = QStringLiteral("Settings/Language");

}  // namespace

QString DefaultLanguagesFolder() {
  const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Languages");
  if (QFileInfo(beside).isDir()) return beside;
  return InstalledDataFolder() + QStringLiteral("/Languages");
}

QString StoredLanguageFile() { return UserSettings().value(kLanguageKey).toString(); }

void StoreLanguageFile(const QString& fileName) {
  QSettings settings = UserSettings();
  settings.setValue(kLanguageKey, fileName);
  settings.sync();
  // The restart that follows relies on the choice being stored.
  if (settings.status() != QSettings::NoError) {
    throw std::runtime_error(
        QStringLiteral("Cannot store the language choice in \"%1\".").arg(settings.fileName()).toStdString());
  }
}

QStringList ReadLanguageLines(const QString& fileName) {
  return splitLines(ReadStrictUtf8Text(fileName));
}

std::optional<QString> KeyText(const QStringList& lines, const QString& key) {
  const QString prefix = u'{' + key + u'}';
  for (const QString& line : lines) {
    if (line.startsWith(prefix)) return line.mid(line.indexOf(u'}') + 1);
  }
  return std::nullopt;
}

QString LookUpKey(const QStringList& lines, const QString& key) {
  const std::optional<QString> text = KeyText(lines, key);
  return text && !text->isEmpty() ? *text : key;
}

QString LanguageNameOf(const QString& fileName) {
  const qsizetype at = fileName.indexOf(kLanguageSuffix);
  return at < 0 ? QString() : fileName.left(at);
}

TLanguages::TLanguages() : UiLanguageSource(GetUserDefaultUILanguage) {}

void TLanguages::LoadLanguage(const QString& name) {
  LanguagesFolder = FolderSource();
  LanguageFiles.clear();
  CurrentLanguageName.clear();
  CurrentLanguageFile.clear();
  LanguageLines.clear();
  if (!QFileInfo(LanguagesFolder).isDir()) return;
  FindLanguageFiles(LanguagesFolder);

  QString fileName = name;
  if (name.trimmed().isEmpty()) {
    bool english = false;
    fileName = NameFromStoredChoice(&english);
    if (english) return;
    if (fileName.isEmpty()) fileName = NameFromCodeTable();
  }
  const QString path = LanguagesFolder + u'/' + fileName;
  if (fileName.isEmpty() || !QFileInfo(path).isFile()) return;

  CurrentLanguageName = LanguageNameOf(fileName);
  CurrentLanguageFile = path;
  LanguageLines = ReadLanguageLines(path);
}

void TLanguages::FindLanguageFiles(const QString& folder) {
  const QFileInfoList entries =
      QDir(folder).entryInfoList({QStringLiteral("*lang.txt")}, QDir::Files | QDir::Hidden,
                                 QDir::Name);
  for (const QFileInfo& entry : entries) LanguageFiles.append(entry.fileName());
}

QString TLanguages::Translate(const QString& key) const {
  if (CurrentLanguageFile.isEmpty()) return key;
  return LookUpKey(LanguageLines, key);
}

// The user's earlier choice when its file is still there; English when English
// was chosen (it has no file).
QString TLanguages::NameFromStoredChoice(bool* english) const {
  const QString stored = StoredLanguageFile().trimmed();
  if (stored.isEmpty()) return {};
  const QString listed = ListedFile(stored);
  if (!listed.isEmpty()) return listed;
  *english = stored.compare(kEnglishLanguageFile, Qt::CaseInsensitive) == 0;
  return {};
}

// The file that the code table names for the user's interface language.
QString TLanguages::NameFromCodeTable() const {
  const QString table = LanguagesFolder + u'/' + kCodeTableName;
  if (!QFileInfo::exists(table)) return {};
  const QString id = QString::number(UiLanguageSource());
  for (const QString& line : readCodeTable(table)) {
    const qsizetype comma = line.indexOf(u',');
    if (comma < 0 || line.left(comma).trimmed() != id) continue;
    return ListedFile(line.mid(comma + 1).trimmed());
  }
  return {};
}

// The entry of LanguageFiles equal to `wanted` regardless of letter case.
QString TLanguages::ListedFile(const QString& wanted) const {
  for (const QString& file : LanguageFiles) {
    if (file.toLower() == wanted.toLower()) return file;
  }
  return {};
}

TLanguages& Languages() {
  static TLanguages instance;
  return instance;
}

QString Translate(const QString& key) { return Languages().Translate(key); }
