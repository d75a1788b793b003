// The small rules behind documents in the main window: line ends, the window
// title, the list of recent documents, suggested file names and the folders
// the file dialogs start in.
#pragma once

#include <QString>
#include <QStringList>

// How a document's lines end: the break used between lines and whether the
// last line has one too.
struct TLineEnds {
  QString Break = QStringLiteral("\n");
  bool FinalBreak = true;
};

// The line ends of a text: its first break (CR LF, LF or CR; LF when it has
// none) and whether it ends with a break.
TLineEnds DetectLineEnds(const QString& text);

// `text` with every break (CR LF, lone LF, lone CR) written as `ends.Break`,
// followed by one more break when `ends.FinalBreak` is set.
QString WithLineEnds(const QString& text, const TLineEnds& ends);

// The main window's title: the document's file name, "*" while it has unsaved
// edits, " — " and the caption; the caption alone when there is no file.
QString DocumentWindowTitle(const QString& documentPath, bool edited, const QString& caption);

// Whether a file is a comma-separated file by its extension, in any letter case.
bool IsCsvFile(const QString& fileName);

// The file beside `documentPath` with the same base name and `extension`
// ("html", "md"); "" when there is no document path.
QString SiblingFileName(const QString& documentPath, const QString& extension);

// The last documents loaded or saved, newest first, at most kMaxCount, each
// path once.
class TRecentFiles {
 public:
  static constexpr int kMaxCount = 10;

  explicit TRecentFiles(const QStringList& files = {});
  const QStringList& Files() const { return FFiles; }
  // Puts `path` first, removing an older entry of it and the entries past kMaxCount.
  void Add(const QString& path);
  void Remove(const QString& path);
  void Clear() { FFiles.clear(); }

 private:
  QStringList FFiles;
};

// The recent documents kept in the user settings store, and keeping them.
QStringList StoredRecentFiles();
void StoreRecentFiles(const QStringList& files);

// The folder a kind of file dialog ("Load", "Save", "SaveMarkdown",
// "BatchFiles", "BatchFolders") used last, kept in the user settings store;
// "" when it has not been used or the folder is gone.
QString StoredDialogFolder(const QString& dialog);
void StoreDialogFolder(const QString& dialog, const QString& folder);
