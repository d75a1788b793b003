// The conversion command, automatic conversion, "New", and showing the lists.
#include "AppForm.h"

#include "BusyCursor.h"
#include "Editors.h"
#include "TableStyling.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTabWidget>

namespace {

std::u16string toEngineText(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
}

QString fromEngineText(const std::u16string& text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

// A list's whole text as an editor shows it: the lines joined by CR LF, no break
// after the last one.
QString editorTextOf(const TLineList& list) {
  QString text = list.Text();
  if (text.endsWith(QStringLiteral("\r\n"))) text.chop(2);
  return text;
}

}  // namespace

glyphmill::TMarkdownProcessorDialect TAppForm::DialectForIndex(int index) {
  switch (index) {
    case 0: return glyphmill::mdCommonMark;
    case 1: return glyphmill::mdTxtMark;
    case 3: return glyphmill::mdGitHub;
    default: return glyphmill::mdDaringFireball;
  }
}

void TAppForm::ButtonConvertClick() {
  const TBusyCursor busy;
  QElapsedTimer clock;
  clock.start();
  // Whatever happens below: the elapsed time goes into the status bar.
  const auto finish = qScopeGuard([this, &clock] {
    SetStatusText(QStringLiteral("Elapsed Time: ") + SecondsText(clock) + QStringLiteral(" sec"));
  });

  // Declared after the guard, so it is destroyed before the time is taken.
  const std::unique_ptr<glyphmill::TMarkdownProcessor> processor =
      ProcessorFactory(DialectForIndex(ComboBox1->currentIndex()));
  processor->SetAllowUnsafe(CheckBox1->isChecked());
  const QString editorText = SynEdit1->text();
  if (editorText != kPlaceholderText) SourceLines.SetText(editorText);
  const std::u16string html = processor->Process(toEngineText(SourceLines.Text()));
  HtmlLines.SetText(StyleTables(fromEngineText(html)));
  FSourceChangedSinceConversion = false;
  FConvertedDialectIndex = ComboBox1->currentIndex();
  FConvertedUnsafe = CheckBox1->isChecked();
  EkrandaGoster2();
  if (PageControl1->currentIndex() == 1) PreviewGoster();
}

void TAppForm::ShowListInEditor(const TLineList& list, TSynEdit* editor) {
  if (list.Text().size() <= LARGE_TEXT_LIMIT) {
    editor->SetText(editorTextOf(list));
    editor->setEnabled(true);
  } else {
    editor->SetText(kPlaceholderText);
    editor->setEnabled(false);
  }
  editor->CaretToLine(0);
}

void TAppForm::EkrandaGoster1() { ShowListInEditor(SourceLines, SynEdit1); }

void TAppForm::EkrandaGoster2() { ShowListInEditor(HtmlLines, SynEdit2); }

void TAppForm::SynEdit1Change() {
  FSourceChangedSinceConversion = true;
  // The conversion command takes the editor's text into SourceLines itself
  // (unless it is the placeholder), so the text is read once per change.
  if (AutoConvert1->isChecked()) ButtonConvertClick();
}

void TAppForm::ComboBox1Change() {
  if (AutoConvert1->isChecked()) ButtonConvertClick();
}

void TAppForm::CheckBox1Click() {
  if (AutoConvert1->isChecked()) ButtonConvertClick();
}

bool TAppForm::IsHtmlStale() const {
  return FSourceChangedSinceConversion || FConvertedDialectIndex != ComboBox1->currentIndex() ||
         FConvertedUnsafe != CheckBox1->isChecked();
}

void TAppForm::ConvertIfStale() {
  if (IsHtmlStale()) ButtonConvertClick();
}

void TAppForm::New1Click() {
  SourceLines.Clear();
  FDocumentFolder.clear();
  HtmlLines.Clear();
  SynEdit1->Clear();
  SynEdit1->setEnabled(true);
  SynEdit2->Clear();
  SynEdit2->setEnabled(true);
  SetStatusText(QString());
}
