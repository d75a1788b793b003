// The document itself: its file and line ends, saving the Markdown, the offer
// to save an edited document before it is replaced, the window title and the
// recent documents.
#include "AppForm.h"

#include "AppGlobals.h"
#include "BusyCursor.h"
#include "Editors.h"
#include "ErrorHandler.h"
#include "Languages.h"
#include "TextFiles.h"
#include "platform/Desktop.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

namespace {

void setUpSaveMarkdownDialog(QFileDialog& dialog) {
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({QStringLiteral("Markdown File (*.md *.markdown *.txt)"),
                         QStringLiteral("Any File (*)")});
  dialog.setDefaultSuffix(QStringLiteral("md"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
}

// A file name as a menu entry shows it: "&&" for every "&".
QString menuText(const QString& text) {
  QString escaped = text;
  escaped.replace(u'&', QStringLiteral("&&"));
  return escaped;
}

}  // namespace

void TAppForm::SetUpMarkdown() {
  FRecentFiles = TRecentFiles(StoredRecentFiles());
  ShowRecentFiles();
  connect(SaveMarkdown1, &QAction::triggered, this,
          [this] { Guarded(&TAppForm::SaveMarkdown1Click); });
  connect(SaveMarkdownAs1, &QAction::triggered, this,
          [this] { Guarded(&TAppForm::SaveMarkdownAs1Click); });
  connect(ClearList1, &QAction::triggered, this, [this] { Guarded(&TAppForm::ClearList1Click); });
  // Undoing back to the saved text takes the mark away again.
  connect(SynEdit1, &QsciScintilla::modificationChanged, this, [this] { UpdateTitle(); });
}

bool TAppForm::IsDocumentEdited() const { return SynEdit1->isModified(); }

void TAppForm::SetDocument(const QString& fileName, const TLineEnds& lineEnds) {
  FDocumentPath = fileName;
  FLineEnds = lineEnds;
  SynEdit1->setModified(false);
  UpdateTitle();
}

QString TAppForm::SourceText() const {
  const QString editorText = SynEdit1->text();
  if (editorText != kPlaceholderText) return editorText;
  QString text = SourceLines.Text();
  if (text.endsWith(QStringLiteral("\r\n"))) text.chop(2);
  return text;
}

void TAppForm::WriteMarkdown(const QString& fileName) {
  const TBusyCursor busy;
  WriteFileAtomically(fileName, WithLineEnds(SourceText(), FLineEnds).toUtf8());
  SetDocument(fileName, FLineEnds);
  AddRecentFile(fileName);
  ReportSaved(fileName);
}

bool TAppForm::SaveDocument() {
  // A CSV file stays what it was: its Markdown goes to a file of its own.
  if (FDocumentPath.isEmpty() || IsCsvFile(FDocumentPath)) return SaveDocumentAs();
  WriteMarkdown(FDocumentPath);
  return true;
}

bool TAppForm::SaveDocumentAs() {
  QFileDialog dialog(this);
  setUpSaveMarkdownDialog(dialog);
  if (FDocumentPath.isEmpty()) {
    dialog.setDirectory(StoredDialogFolder(QStringLiteral("SaveMarkdown")));
  } else {
    const bool csv = IsCsvFile(FDocumentPath);
    dialog.selectFile(csv ? SiblingFileName(FDocumentPath, QStringLiteral("md")) : FDocumentPath);
  }
  const QString fileName = ChooseFile(dialog, QStringLiteral("SaveMarkdown"));
  if (fileName.isEmpty()) return false;
  WriteMarkdown(fileName);
  return true;
}

void TAppForm::SaveMarkdown1Click() { SaveDocument(); }

void TAppForm::SaveMarkdownAs1Click() { SaveDocumentAs(); }

bool TAppForm::OfferToSaveDocument() {
  if (!IsDocumentEdited()) return true;
  TQuestion question;
  question.Icon = QMessageBox::Warning;
  question.Caption = AppTitle;
  const QString name = FDocumentPath.isEmpty() ? Translate(QStringLiteral("the new document"))
                                               : QFileInfo(FDocumentPath).fileName();
  question.Text = Translate(QStringLiteral("Save the changes to %1?")).arg(name);
  question.Buttons = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
  question.DefaultButton = QMessageBox::Save;
  switch (Desktop().Ask(this, question)) {
    case QMessageBox::Discard:
      return true;
    case QMessageBox::Save: {
      bool saved = false;
      ErrorHandler::Run([this, &saved] { saved = SaveDocument(); });
      return saved;
    }
    default:
      return false;
  }
}

void TAppForm::UpdateTitle() {
  setWindowTitle(DocumentWindowTitle(FDocumentPath, IsDocumentEdited(), AppTitle));
}

void TAppForm::AddRecentFile(const QString& fileName) {
  FRecentFiles.Add(QFileInfo(fileName).absoluteFilePath());
  StoreRecentFiles(FRecentFiles.Files());
  ShowRecentFiles();
}

void TAppForm::ShowRecentFiles() {
  // The entries before "Clear List" and its separator are the files.
  const QList<QAction*> entries = OpenRecent1->actions();
  for (QAction* entry : entries) {
    if (entry == ClearList1) break;
    OpenRecent1->removeAction(entry);
    entry->deleteLater();
  }
  QAction* before = OpenRecent1->actions().constFirst();
  const QStringList files = FRecentFiles.Files();
  for (int i = 0; i < files.size(); ++i) {
    auto* entry = new QAction(
        QStringLiteral("&%1 ").arg((i + 1) % 10) + menuText(QDir::toNativeSeparators(files[i])),
        OpenRecent1);
    const QString file = files[i];
    connect(entry, &QAction::triggered, this,
            [this, file] { ErrorHandler::Run([this, file] { OpenRecentFile(file); }); });
    OpenRecent1->insertAction(before, entry);
  }
  if (!files.isEmpty()) OpenRecent1->insertSeparator(before);
  ClearList1->setEnabled(!files.isEmpty());
}

void TAppForm::OpenRecentFile(const QString& fileName) {
  if (!QFileInfo(fileName).isFile()) {
    FRecentFiles.Remove(fileName);
    StoreRecentFiles(FRecentFiles.Files());
    ShowRecentFiles();
    const QString text = Translate(QStringLiteral("The file is gone; it was removed from the list:"));
    Desktop().ShowMessage(this, {QMessageBox::Information, AppTitle,
                                 text + u'\n' + QDir::toNativeSeparators(fileName)});
    return;
  }
  LoadFiles({fileName});
}

void TAppForm::ClearList1Click() {
  FRecentFiles.Clear();
  StoreRecentFiles({});
  ShowRecentFiles();
}
