#include "BatchForm.h"

#include "BatchTarget.h"
#include "BusyCursor.h"
#include "CsvImport.h"
#include "DocumentRules.h"
#include "Editors.h"
#include "ErrorHandler.h"
#include "FileDrops.h"
#include "Languages.h"
#include "ObjectNames.h"
#include "WindowBars.h"
#include "platform/Desktop.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int kBarHeight = 41;
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 35;
constexpr int kStatusPanelWidth = 50;

QPushButton* barButton(const QString& caption, const QString& iconFile, QWidget* parent) {
  return NewBarButton(caption, QIcon(QStringLiteral(":/icons/%1.png").arg(iconFile)),
                      QSize(kButtonWidth, kButtonHeight), parent);
}

QWidget* bar(QWidget* parent) { return NewBar(parent, kBarHeight); }

QString withSeparator(const QString& folder) {
  return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The extension of a file name: from its last '.' to the end; "" without '.'.
qsizetype extensionStart(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(u'.');
  return dot < 0 ? fileName.size() : dot;
}

// Whether an entry of that name is there, a dangling link included.
bool nameTaken(const QString& name) {
  const QFileInfo info(name);
  return info.exists() || info.isSymLink();
}

void collectMarkdownFiles(const QString& dirName, bool includeSubfolders,
                          QSet<QString>& scanning, QStringList& files) {
  const QString canonical = QFileInfo(dirName).canonicalFilePath();
  if (scanning.contains(canonical)) return;
  scanning.insert(canonical);
  QDirIterator entries(dirName, QDir::AllEntries | QDir::Hidden | QDir::System |
                                    QDir::NoDotAndDotDot);
  while (entries.hasNext()) {
    entries.next();
    const QString path = withSeparator(dirName) + entries.fileName();
    if (entries.fileInfo().isDir()) {
      if (includeSubfolders) collectMarkdownFiles(path, true, scanning, files);
    } else if (IsMarkdownFile(path)) {
      files.append(path);
    }
  }
  scanning.remove(canonical);
}

}  // namespace

QString BatchOutputName(const QString& inputPath, const QString& outputFolder) {
  const QString fileName = QFileInfo(inputPath).fileName();
  return withSeparator(outputFolder) + fileName.left(extensionStart(fileName)) +
         QStringLiteral(".html");
}

QString UniqueFileName(const QString& name) {
  const qsizetype slash = name.lastIndexOf(u'/');
  const QString folder = name.left(slash + 1);
  const QString fileName = name.mid(slash + 1);
  const qsizetype dot = extensionStart(fileName);
  const QString base = fileName.left(dot);
  const QString extension = fileName.mid(dot);
  QString candidate = name;
  for (int n = 2; nameTaken(candidate); ++n) {
    candidate = folder + base + QStringLiteral(" (%1)").arg(n) + extension;
  }
  return candidate;
}

bool IsMarkdownFile(const QString& path) {
  const QString fileName = QFileInfo(path).fileName();
  const QString extension = fileName.mid(extensionStart(fileName)).toLower();
  return extension == QLatin1StringView(".md") || extension == QLatin1StringView(".markdown") ||
         extension == QLatin1StringView(".txt") || extension == QLatin1StringView(".csv");
}

QStringList MarkdownFilesInDir(const QString& dirName, bool includeSubfolders) {
  QSet<QString> scanning;
  QStringList files;
  collectMarkdownFiles(dirName, includeSubfolders, scanning, files);
  return files;
}

TFormBatch::TFormBatch(QWidget* mainForm, TBatchTarget& target)
    : QWidget(mainForm, Qt::Window), FMainForm(mainForm), FTarget(target) {
  // Closing the main window ends the program even while batch windows are open.
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowTitle(QStringLiteral("Batch Processing"));
  QFont windowFont = QApplication::font();
  windowFont.setPointSize(8);
  setFont(windowFont);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  CreateTopBar();
  SynEdit1 = new TSynEdit(this);
  PopupMenu1 = CreateEditorPopup(
      SynEdit1, {&Undo1, &Redo1, &N2, &Cut1, &Copy1, &Paste1, &Delete1, &N4, &SelectAll1});
  CreateBottomBar();
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  StatusPanel0 = new QLabel(StatusBar1);
  // At least the panel's width; it grows so that a long path stays readable.
  StatusPanel0->setMinimumWidth(kStatusPanelWidth);
  StatusBar1->addWidget(StatusPanel0, 1);
  layout->addWidget(Panel2);
  layout->addWidget(SynEdit1, 1);
  layout->addWidget(Panel1);
  layout->addWidget(StatusBar1);

  resize(587, 441);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  FormCreate();
  NameControls();
}

void TFormBatch::NameControls() {
  SetObjectNames({{Panel2, "Panel2"},
                  {Button3, "Button3"},
                  {Button4, "Button4"},
                  {IncludeSubfolders1, "IncludeSubfolders1"},
                  {SynEdit1, "SynEdit1"},
                  {PopupMenu1, "PopupMenu1"},
                  {Undo1, "Undo1"},
                  {Redo1, "Redo1"},
                  {N2, "N2"},
                  {Cut1, "Cut1"},
                  {Copy1, "Copy1"},
                  {Paste1, "Paste1"},
                  {Delete1, "Delete1"},
                  {N4, "N4"},
                  {SelectAll1, "SelectAll1"},
                  {Panel1, "Panel1"},
                  {Label1, "Label1"},
                  {Edit1, "Edit1"},
                  {Button1, "Button1"},
                  {ButtonStart, "ButtonStart"},
                  {StatusBar1, "StatusBar1"},
                  {StatusPanel0, "StatusPanel0"}});
}

void TFormBatch::CreateTopBar() {
  Panel2 = bar(this);
  auto* layout = new QHBoxLayout(Panel2);
  layout->setContentsMargins(3, 3, 3, 3);
  Button3 = barButton(QStringLiteral("Add Files..."), QStringLiteral("add"), Panel2);
  Button4 = barButton(QStringLiteral("Add Folder..."), QStringLiteral("folder_add"), Panel2);
  IncludeSubfolders1 = new QCheckBox(QStringLiteral("Include Subfolders"), Panel2);
  IncludeSubfolders1->setChecked(false);
  layout->addWidget(Button3);
  layout->addWidget(Button4);
  layout->addSpacing(8);
  layout->addWidget(IncludeSubfolders1);
  layout->addStretch(1);
  connect(Button3, &QPushButton::clicked, this, [this] { ErrorHandler::Run([this] { Button3Click(); }); });
  connect(Button4, &QPushButton::clicked, this, [this] { ErrorHandler::Run([this] { Button4Click(); }); });
}

void TFormBatch::CreateBottomBar() {
  Panel1 = bar(this);
  auto* layout = new QHBoxLayout(Panel1);
  layout->setContentsMargins(3, 3, 3, 3);
  Label1 = new QLabel(QStringLiteral("Output Directory:"), Panel1);
  Edit1 = new QLineEdit(Panel1);
  Button1 = barButton(QStringLiteral("Browse..."), QStringLiteral("folder"), Panel1);
  ButtonStart = barButton(QStringLiteral("START"), QStringLiteral("arrow_right"), Panel1);
  layout->addWidget(Label1);
  layout->addWidget(Edit1, 1);
  layout->addWidget(Button1);
  layout->addWidget(ButtonStart);
  connect(Button1, &QPushButton::clicked, this, [this] { ErrorHandler::Run([this] { Button1Click(); }); });
  connect(ButtonStart, &QPushButton::clicked, this,
          [this] { ErrorHandler::Run([this] { ButtonStartClick(); }); });
}

QString ChooseOutputFolder(const QString& desktopFolder, const QString& homeFolder) {
  // A new account may have no desktop folder yet; a run into it would fail.
  if (!desktopFolder.isEmpty() && QFileInfo(desktopFolder).isDir()) return desktopFolder;
  return homeFolder;
}

void TFormBatch::FormCreate() {
  Edit1->setText(QDir::toNativeSeparators(
      ChooseOutputFolder(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                         QDir::homePath())));
  // Dropped paths are appended as they are, folders included; the list stays
  // as it is while a run goes on.
  new TFileDropFilter(this, [this](const QStringList& files) {
    if (!FRunning) AppendLines(files);
  });
  if (FMainForm) FMainForm->installEventFilter(this);
  // The folder picker starts where the last one ended, in this start or an earlier one.
  if (LastFolder.isEmpty()) LastFolder = StoredDialogFolder(QStringLiteral("BatchFolders"));
}

void TFormBatch::AppendLine(const QString& line) { AppendLines({line}); }

void TFormBatch::AppendLines(const QStringList& lines) {
  if (lines.isEmpty()) return;
  // A new line after the last one, or into the last one when it is empty.
  const bool lastLineEmpty = SynEdit1->text(SynEdit1->lines() - 1).isEmpty();
  QString text = lastLineEmpty ? QString() : QStringLiteral("\r\n");
  text += lines.join(QStringLiteral("\r\n"));
  SynEdit1->append(text);
}

void TFormBatch::Button3Click() {
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("Markdown File (*.txt *.csv *.md *.markdown)"),
                         QStringLiteral("Any File (*)")});
  dialog.setDefaultSuffix(QStringLiteral("md"));
  const QString folder = StoredDialogFolder(QStringLiteral("BatchFiles"));
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  const QStringList files = Desktop().RunFileDialog(dialog);
  if (files.isEmpty()) return;
  StoreDialogFolder(QStringLiteral("BatchFiles"), QFileInfo(files.constFirst()).absolutePath());
  AppendLine(files.constFirst());
}

QStringList TFormBatch::PickFolders(bool several) {
  QFileDialog dialog(this, QStringLiteral("Select folder:"), LastFolder);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
  if (several) {
    for (QListView* view : dialog.findChildren<QListView*>())
      view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (QTreeView* view : dialog.findChildren<QTreeView*>())
      view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  }
  QStringList folders;
  for (const QString& folder : Desktop().RunFileDialog(dialog)) {
    if (QFileInfo(folder).isDir()) folders.append(folder);
  }
  if (!several && folders.size() > 1) folders.resize(1);
  return folders;
}

void TFormBatch::Button4Click() {
  const QStringList folders = PickFolders(true);
  if (folders.isEmpty()) return;
  SetLastFolder(folders.constFirst());
  for (const QString& folder : folders) AddMyFolder(folder);
}

void TFormBatch::Button1Click() {
  const QStringList folders = PickFolders(false);
  if (folders.isEmpty()) return;
  SetLastFolder(folders.constFirst());
  Edit1->setText(LastFolder);
}

void TFormBatch::SetLastFolder(const QString& folder) {
  LastFolder = folder;
  StoreDialogFolder(QStringLiteral("BatchFolders"), folder);
}

void TFormBatch::AddMyFolder(const QString& foldername) { AddAllFilesInDir(foldername); }

void TFormBatch::AddAllFilesInDir(const QString& dirName) {
  AppendLines(MarkdownFilesInDir(dirName, IncludeSubfolders1->isChecked()));
}

void TFormBatch::ShowWarning(const QString& text) {
  Desktop().ShowMessage(this, {QMessageBox::Warning, Translate(QStringLiteral("WARNING")), text});
}

void TFormBatch::SetRunning(bool running) {
  FRunning = running;
  ButtonStart->setEnabled(!running);
  SynEdit1->setEnabled(!running);
  Edit1->setEnabled(!running);
  Button3->setEnabled(!running);
  Button4->setEnabled(!running);
  // "Browse..." would change the output folder under the run.
  Button1->setEnabled(!running);
}

void TFormBatch::ButtonStartClick() {
  if (FRunning) return;
  if (TrimControls(SynEdit1->text()).isEmpty()) {
    ShowWarning(QStringLiteral("No file added!"));
    return;
  }
  // An empty output folder would put every result at the root of the file system.
  if (TrimControls(Edit1->text()).isEmpty()) {
    ShowWarning(QStringLiteral("No output directory given!"));
    return;
  }
  // The run replaces the main window's document: an edited one is offered for saving first.
  if (!FTarget.MayReplaceDocument()) return;
  FStopRequested = false;
  SetRunning(true);
  const TBusyCursor busy;
  // Also when a file fails: the window usable again and a window closed during
  // the run removed.
  const auto finish = qScopeGuard([this] {
    SetRunning(false);
    if (FDeleteAfterRun) deleteLater();
  });
  QApplication::processEvents();
  RunLines();
  if (FStopRequested) return;
  StatusPanel0->setText(QStringLiteral("Completed"));
  Desktop().Beep();
}

void TFormBatch::RunLines() {
  for (int i = 0; i < SynEdit1->lines(); ++i) {
    if (FStopRequested || !FMainForm) {
      FStopRequested = true;
      return;
    }
    const QString path = TrimControls(SynEdit1->text(i));
    if (path.isEmpty()) continue;
    StatusPanel0->setText(QStringLiteral("Processing ") + path + QStringLiteral("..."));
    QApplication::processEvents();
    if (FStopRequested || !FMainForm) {
      FStopRequested = true;
      return;
    }
    // The free name is taken after other windows had their turn, so that a run
    // in another batch window cannot have written it meanwhile.
    const QString output = UniqueFileName(BatchOutputName(path, Edit1->text()));
    FTarget.DosyaAc(path);
    FTarget.ButtonConvertClick();
    FTarget.DosyaKaydet(output);
  }
}

void TFormBatch::closeEvent(QCloseEvent* event) {
  event->accept();
  if (FRunning) {
    // The run ends after the file it is at; the window goes once it has.
    FStopRequested = true;
    FDeleteAfterRun = true;
    return;
  }
  deleteLater();
}

bool TFormBatch::eventFilter(QObject* watched, QEvent* event) {
  // The main window may refuse to close (its document offered for saving and
  // the person cancelled), so the batch window looks once the event is through.
  if (watched == FMainForm && event->type() == QEvent::Close) {
    QTimer::singleShot(0, this, [this] {
      if (FMainForm && FMainForm->isVisible()) return;
      FStopRequested = true;
      close();
    });
  }
  return QWidget::eventFilter(watched, event);
}
