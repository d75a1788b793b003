// Exporting and sharing the conversion: a complete HTML page, a PDF, and the
// HTML on the clipboard.
#include "AppForm.h"

#include "AppGlobals.h"
#include "BusyCursor.h"
#include "DocumentRules.h"
#include "PageRenderer.h"
#include "PreviewScripts.h"
#include "StyledPage.h"
#include "TextFiles.h"
#include "platform/Desktop.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScopeGuard>

namespace {

// Fragments longer than this (in UTF-16 code units) are exported as they
// are: the web engine's messages do not carry them whole.
constexpr qsizetype kLargestRenderedFragment = 32LL * 1024 * 1024;

void setUpExportDialog(QFileDialog& dialog, const QString& filter, const QString& suffix) {
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({filter, QStringLiteral("Any File (*)")});
  dialog.setDefaultSuffix(suffix);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
}

}  // namespace

void TAppForm::SetUpExport() {
  connect(ExportHtmlPage1, &QAction::triggered, this, [this] { Guarded(&TAppForm::ExportHtmlPage1Click); });
  connect(ExportPdf1, &QAction::triggered, this, [this] { Guarded(&TAppForm::ExportPdf1Click); });
  connect(CopyHtml1, &QAction::triggered, this, [this] { Guarded(&TAppForm::CopyHtml1Click); });
  // The HTML pane's popup offers it too.
  PopupMenu2->addSeparator();
  PopupMenu2->addAction(CopyHtml1);
}

void TAppForm::ShowProgress(const QString& text) {
  SetStatusText(text);
  StatusPanel0->repaint();  // at once: what follows may hold the window a while
}

TPageRenderer* TAppForm::PageRenderer() {
  if (FPageRenderer == nullptr) FPageRenderer = new TPageRenderer(this);
  return FPageRenderer;
}

QString TAppForm::ChooseExportFile(const QString& filter, const QString& suffix) {
  QFileDialog dialog(this);
  setUpExportDialog(dialog, filter, suffix);
  const QString folder = StoredDialogFolder(QStringLiteral("Export"));
  if (!FDocumentPath.isEmpty()) {
    dialog.selectFile(SiblingFileName(FDocumentPath, suffix));
  } else if (!folder.isEmpty()) {
    dialog.setDirectory(folder);
  }
  return ChooseFile(dialog, QStringLiteral("Export"));
}

void TAppForm::ExportHtmlPage1Click() {
  const QString fileName = ChooseExportFile(QStringLiteral("HTML Page (*.html *.htm)"), QStringLiteral("html"));
  if (fileName.isEmpty()) return;
  const TBusyCursor busy;
  ConvertIfStale();
  ExportPage(fileName);
  ReportSaved(fileName);
}

void TAppForm::ExportPdf1Click() {
  const QString fileName = ChooseExportFile(QStringLiteral("PDF File (*.pdf)"), QStringLiteral("pdf"));
  if (fileName.isEmpty()) return;
  const TBusyCursor busy;
  ConvertIfStale();
  ExportPdf(fileName);
  ReportSaved(fileName);
}

void TAppForm::CopyHtml1Click() {
  auto* data = new QMimeData;
  data->setText(HtmlLines.Text());
  data->setHtml(HtmlLines.Text());
  QApplication::clipboard()->setMimeData(data);
}

QByteArray TAppForm::ExportedPage(glyphmill::page::TColourScheme scheme) {
  const QString& html = HtmlLines.Text();
  const QString folder = FDocumentFolder.isEmpty() ? DataFolder : FDocumentFolder;
  TStyledPageOptions options;
  options.DocumentPath = FDocumentPath;
  options.Scheme = scheme;
  options.ImagesFolder = folder;
  const TPageScripts needed = ScriptsNeededBy(html);
  if (!(needed.Highlight || needed.Formulas) || html.size() > kLargestRenderedFragment) {
    return StyledPage(html, options);
  }
  // Highlighting and formulas are drawn by the web engine and kept in the
  // page, which then needs no script; KaTeX's stylesheet goes with them.
  const QString fragment = PageRenderer()->RenderedFragment(html, folder);
  if (fragment.contains(QStringLiteral("class=\"katex\"")) && !KatexStylesheet().isEmpty()) {
    options.ExtraHead = QStringLiteral("<style>\r\n") + QString::fromUtf8(KatexStylesheet()) +
                        QStringLiteral("\r\n</style>");
  }
  return StyledPage(fragment, options);
}

void TAppForm::ExportPage(const QString& fileName) {
  if (FExporting) {
    Desktop().Beep();
    return;
  }
  FExporting = true;
  const auto done = qScopeGuard([this] { FExporting = false; });
  ShowProgress(QStringLiteral("Exporting the page..."));
  WriteFileAtomically(fileName, ExportedPage(glyphmill::page::TColourScheme::csBoth));
}

void TAppForm::ExportPdf(const QString& fileName) {
  if (FExporting) {
    Desktop().Beep();
    return;
  }
  FExporting = true;
  const auto done = qScopeGuard([this] { FExporting = false; });
  ShowProgress(QStringLiteral("Printing to PDF..."));
  // Printed in the light colours, on the paper of the user's locale.
  const QByteArray pdf =
      PageRenderer()->PrintToPdf(ExportedPage(glyphmill::page::TColourScheme::csLight), LocalePageLayout());
  WriteFileAtomically(fileName, pdf);
}
