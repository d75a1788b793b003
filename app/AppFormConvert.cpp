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
#include <QTimer>

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

void TAppForm::SetUpAutoConvert() {
  // Single-shot with no delay: the conversion runs once the keystroke has been
  // shown, and every key that arrives before it runs joins the same conversion.
  FAutoConvertTimer = new QTimer(this);
  FAutoConvertTimer->setSingleShot(true);
  FAutoConvertTimer->setInterval(0);
  connect(FAutoConvertTimer, &QTimer::timeout, this, [this] { Guarded(&TAppForm::AutoConvert); });
  // The preview follows typing once it pauses, at most every 100 ms.
  FPreviewTimer = new QTimer(this);
  FPreviewTimer->setSingleShot(true);
  FPreviewTimer->setInterval(100);
  connect(FPreviewTimer, &QTimer::timeout, this, [this] {
    if (PageControl1->currentIndex() == 1) Guarded(&TAppForm::PreviewGoster);
  });
}

void TAppForm::ButtonConvertClick() { Convert(ckCommand); }

void TAppForm::AutoConvert() { Convert(ckAutomatic); }

void TAppForm::Convert(TConversionKind kind) {
  // A conversion that is due now makes a pending one stale.
  FAutoConvertTimer->stop();
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
  processor->config().SetRandomSeed(FRandomSeed);
  const QString editorText = SynEdit1->text();
  if (editorText != kPlaceholderText) SourceLines.SetText(editorText);
  const std::u16string html = processor->Process(toEngineText(SourceLines.Text()));
  HtmlLines.SetText(StyleTables(fromEngineText(html)));
  FSourceChangedSinceConversion = false;
  FConvertedDialectIndex = ComboBox1->currentIndex();
  FConvertedUnsafe = CheckBox1->isChecked();
  if (kind == ckCommand) {
    EkrandaGoster2();
    if (PageControl1->currentIndex() == 1) PreviewGoster();
  } else {
    ShowHtmlChange();
    if (PageControl1->currentIndex() == 1) FPreviewTimer->start();
  }
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

void TAppForm::ShowHtmlChange() {
  if (HtmlLines.Text().size() > LARGE_TEXT_LIMIT || !SynEdit2->isEnabled()) {
    EkrandaGoster2();
    return;
  }
  SynEdit2->ReplaceChangedPart(editorTextOf(HtmlLines));
}

void TAppForm::SynEdit1Change() {
  FSourceChangedSinceConversion = true;
  UpdateTitle();
  if (!AutoConvert1->isChecked()) return;
  // A text the program set (a load, New) is converted at once; typed keys are
  // converted once they are shown, together with any that follow meanwhile.
  // The conversion takes the editor's text into SourceLines itself (unless it
  // is the placeholder), so the text is read once per conversion.
  if (SynEdit1->SettingText()) {
    ButtonConvertClick();
  } else {
    FAutoConvertTimer->start();
  }
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
  if (!OfferToSaveDocument()) return;
  SourceLines.Clear();
  FDocumentFolder.clear();
  HtmlLines.Clear();
  // A placeholder is no text to bring back.
  if (SynEdit1->isEnabled()) {
    SynEdit1->ClearUndoably();
  } else {
    SynEdit1->Clear();
  }
  SynEdit1->setEnabled(true);
  SynEdit2->Clear();
  SynEdit2->setEnabled(true);
  SetStatusText(QString());
  SetDocument(QString(), TLineEnds());
}
