#include "DocumentRules.h"

#include "UserSettings.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString dialogFolderKey(const QString& dialog) {
  return QStringLiteral("Settings/Folder") + dialog;
}

const QString kRecentFilesKey = QStringLiteral("Settings/RecentFiles");

}  // namespace

TLineEnds DetectLineEnds(const QString& text) {
  TLineEnds ends;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') {
      ends.Break = QStringLiteral("\n");
      break;
    }
    if (text[i] == u'\r') {
      const bool crlf = i + 1 < text.size() && text[i + 1] == u'\n';
      ends.Break = crlf ? QStringLiteral("\r\n") : QStringLiteral("\r");
      break;
    }
  }
  ends.FinalBreak = text.endsWith(u'\n') || text.endsWith(u'\r');
  return ends;
}

QString WithLineEnds(const QString& text, const TLineEnds& ends) {
  QString result;
  result.reserve(text.size() + text.size() / 32 + 2);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      result += ends.Break;
    } else if (c == u'\n') {
      result += ends.Break;
    } else {
      result += c;
    }
  }
  if (ends.FinalBreak) result += ends.Break;
  return result;
}

QString DocumentWindowTitle(const QString& documentPath, bool edited, const QString& caption) {
  if (documentPath.isEmpty()) return caption;
  return QFileInfo(documentPath).fileName() + (edited ? QStringLiteral("*") : QString()) +
         QStringLiteral(" \u2014 ") + caption;
}

bool IsCsvFile(const QString& fileName) {
  return QFileInfo(fileName).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
}

QString SiblingFileName(const QString& documentPath, const QString& extension) {
  if (documentPath.isEmpty()) return {};
  const QFileInfo info(documentPath);
  return info.dir().filePath(info.completeBaseName() + u'.' + extension);
}

TRecentFiles::TRecentFiles(const QStringList& files) {
  // Added oldest first, so that the list keeps its order without repeats.
  for (qsizetype i = files.size() - 1; i >= 0; --i) {
    if (!files[i].isEmpty()) Add(files[i]);
  }
}

void TRecentFiles::Add(const QString& path) {
  FFiles.removeAll(path);
  FFiles.prepend(path);
  while (FFiles.size() > kMaxCount) FFiles.removeLast();
}

void TRecentFiles::Remove(const QString& path) { FFiles.removeAll(path); }

QStringList StoredRecentFiles() {
  return TRecentFiles(UserSettings().value(kRecentFilesKey).toStringList()).Files();
}

void StoreRecentFiles(const QStringList& files) {
  UserSettings().setValue(kRecentFilesKey, files);
}

QString StoredDialogFolder(const QString& dialog) {
  const QString folder = UserSettings().value(dialogFolderKey(dialog)).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void StoreDialogFolder(const QString& dialog, const QString& folder) {
  if (!folder.isEmpty()) UserSettings().setValue(dialogFolderKey(dialog), folder);
}
