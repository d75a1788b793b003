// Loading and saving documents, the file dialogs, dropped files and the files
// named on the command line.
#include "AppForm.h"

#include "BusyCursor.h"
#include "CsvImport.h"
#include "DocumentRules.h"
#include "ErrorHandler.h"
#include "FileDrops.h"
#include "Languages.h"
#include "TextFiles.h"
#include "platform/Desktop.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

void setUpOpenDialog1(QFileDialog& dialog) {
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("Markdown File (*.txt *.csv *.md *.markdown)"),
                         QStringLiteral("Any File (*)")});
  dialog.setDefaultSuffix(QStringLiteral("md"));
}

void setUpSaveDialog1(QFileDialog& dialog) {
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({QStringLiteral("HTML File (*.html)"), QStringLiteral("Any File (*)")});
  dialog.setDefaultSuffix(QStringLiteral("html"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
}

}  // namespace

void TAppForm::SetUpDocuments() {
  connect(ButtonLoad, &QToolButton::clicked, this, [this] { Guarded(&TAppForm::ButtonLoadClick); });
  connect(LoadFile1, &QAction::triggered, this, [this] { Guarded(&TAppForm::LoadFile1Click); });
  connect(ButtonSave, &QPushButton::clicked, this, [this] { Guarded(&TAppForm::ButtonSaveClick); });
  connect(SaveFile1, &QAction::triggered, this, [this] { Guarded(&TAppForm::SaveFile1Click); });
  // A drop is loaded once the drag has ended, so that the source program is not
  // kept waiting by a large file or an error box.
  new TFileDropFilter(this, [this](const QStringList& files) {
    QTimer::singleShot(0, this, [this, files] { LoadFiles(files); });
  });
}

QString TAppForm::ChooseFile(QFileDialog& dialog, const QString& dialogKind) {
  const QStringList chosen = Desktop().RunFileDialog(dialog);
  if (chosen.isEmpty()) return {};
  StoreDialogFolder(dialogKind, QFileInfo(chosen.constFirst()).absolutePath());
  return chosen.constFirst();
}

void TAppForm::ReportSaved(const QString& fileName) {
  const QString where = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
  SetStatusText(Translate(QStringLiteral("Saved to %1")).arg(where));
}

void TAppForm::ButtonLoadClick() {
  if (!OfferToSaveDocument()) return;
  QFileDialog dialog(this);
  setUpOpenDialog1(dialog);
  const QString folder = StoredDialogFolder(QStringLiteral("Load"));
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  const QString fileName = ChooseFile(dialog, QStringLiteral("Load"));
  if (fileName.isEmpty()) return;
  DosyaAc(fileName);
  AddRecentFile(fileName);
  ConvertIfStale();  // the HTML pane never shows another document's HTML
}

void TAppForm::LoadFile1Click() { ButtonLoadClick(); }

void TAppForm::ButtonSaveClick() {
  QFileDialog dialog(this);
  setUpSaveDialog1(dialog);
  // The HTML of a document that has a file goes beside it by default.
  const QString folder = StoredDialogFolder(QStringLiteral("Save"));
  if (!FDocumentPath.isEmpty()) {
    dialog.selectFile(SiblingFileName(FDocumentPath, QStringLiteral("html")));
  } else if (!folder.isEmpty()) {
    dialog.setDirectory(folder);
  }
  const QString fileName = ChooseFile(dialog, QStringLiteral("Save"));
  if (fileName.isEmpty()) return;
  const TBusyCursor busy;
  // What is saved is the conversion of what the window shows.
  ConvertIfStale();
  DosyaKaydet(fileName);
  ReportSaved(fileName);
}

void TAppForm::SaveFile1Click() { ButtonSaveClick(); }

void TAppForm::DosyaAc(const QString& fileName) {
  const TBusyCursor busy;
  QElapsedTimer clock;
  clock.start();
  // Read into a list of its own, so that a failure leaves the document as it was.
  const QString text = ReadTextFile(fileName);
  TLineList lines;
  // The Markdown made from a CSV file is a new text: it gets a new document's line ends.
  TLineEnds lineEnds;
  if (IsCsvFile(fileName)) {
    lines.SetText(CsvToMarkdownTable(text, DetectCsvDelimiter(text)));
  } else {
    lines.SetText(text);
    lineEnds = DetectLineEnds(text);
  }
  SourceLines = std::move(lines);
  FDocumentFolder = QFileInfo(fileName).absolutePath();
  // Marked here too: a large document keeps the placeholder, which may not
  // change the editor's text.
  FSourceChangedSinceConversion = true;
  EkrandaGoster1();
  SetDocument(fileName, lineEnds);
  SetStatusText(QStringLiteral("Load Time: ") + SecondsText(clock) + QStringLiteral(" sec"));
}

void TAppForm::DosyaKaydet(const QString& fileName) {
  WriteFileAtomically(fileName, Utf8Bytes(HtmlLines));
}

void TAppForm::LoadFiles(const QStringList& files) {
  if (files.isEmpty() || !OfferToSaveDocument()) return;
  ErrorHandler::Run([this, &files] {
    for (const QString& file : files) {
      DosyaAc(file);
      AddRecentFile(file);
    }
    ConvertIfStale();
  });
}

void TAppForm::LoadCommandLineFiles(const QStringList& files) {
  if (files.isEmpty()) return;
  QTimer::singleShot(0, this, [this, files] { LoadFiles(files); });
}
