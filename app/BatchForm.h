// The batch window: converts a list of files by driving the main window once
// per file, writing each result as an HTML file into an output folder.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class TBatchTarget;
class TSynEdit;

// The output file for `inputPath` in `outputFolder`: the folder, a separator
// when it has none, the input's file name without its extension, ".html".
QString BatchOutputName(const QString& inputPath, const QString& outputFolder);

// `name` when no file of that name exists, otherwise the first free name of
// "base (2).ext", "base (3).ext", ... in the same folder.
QString UniqueFileName(const QString& name);

// The output folder a new batch window starts with: the desktop folder when it
// exists, otherwise the home folder.
QString ChooseOutputFolder(const QString& desktopFolder, const QString& homeFolder);

// Whether the path's extension is one of the Markdown family the main window
// loads: ".md", ".markdown", ".txt", ".csv", in any letter case.
bool IsMarkdownFile(const QString& path);

// The Markdown files of a folder in the order the file system lists them,
// hidden ones included; with `includeSubfolders` each subfolder's files come
// where the subfolder is met. A folder already being scanned higher up (a link
// back to it) is not entered again.
QStringList MarkdownFilesInDir(const QString& dirName, bool includeSubfolders);

class TFormBatch : public QWidget {
  Q_OBJECT
 public:
  // A top-level window owned by the main window `mainForm`; every run drives
  // `target`, the main window's commands.
  TFormBatch(QWidget* mainForm, TBatchTarget& target);

  // The folder chosen last in any batch window; where the folder picker starts
  // (kept in the user settings store for the next start).
  static inline QString LastFolder;

  // Whether a run is going on.
  bool Running() const { return FRunning; }

  // Appends the Markdown files of a folder to the list (subfolders as the
  // check box says).
  void AddAllFilesInDir(const QString& dirName);
  void AddMyFolder(const QString& foldername);

 public Q_SLOTS:
  void Button3Click();
  void Button4Click();
  void Button1Click();
  // Converts every listed file: load, convert and save through the main window.
  void ButtonStartClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls; each one's object name is its member name.
  // Top bar.
  QWidget* Panel2 = nullptr;
  QPushButton* Button3 = nullptr;  // "Add Files..."
  QPushButton* Button4 = nullptr;  // "Add Folder..."
  QCheckBox* IncludeSubfolders1 = nullptr;
  // The list of input paths, one a line.
  TSynEdit* SynEdit1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction *Undo1 = nullptr, *Redo1 = nullptr, *N2 = nullptr, *Cut1 = nullptr, *Copy1 = nullptr,
          *Paste1 = nullptr,
          *Delete1 = nullptr, *N4 = nullptr, *SelectAll1 = nullptr;
  // Bottom bar.
  QWidget* Panel1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;      // the output folder
  QPushButton* Button1 = nullptr;  // "Browse..."
  QPushButton* ButtonStart = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* StatusPanel0 = nullptr;
  void NameControls();

  void CreateTopBar();
  void CreateBottomBar();
  void FormCreate();
  void AppendLine(const QString& line);
  void AppendLines(const QStringList& lines);
  QStringList PickFolders(bool several);
  void SetLastFolder(const QString& folder);
  void ShowWarning(const QString& text);
  void SetRunning(bool running);
  void RunLines();

  QPointer<QWidget> FMainForm;
  TBatchTarget& FTarget;  // valid while FMainForm lives
  bool FRunning = false;
  bool FStopRequested = false;
  bool FDeleteAfterRun = false;
};
