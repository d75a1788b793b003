// The conversion command, automatic conversion, "New", and showing the lists.
#include "AppForm.h"

#include "BackgroundConversion.h"
#include "BusyCursor.h"
#include "Editors.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTimer>

namespace {

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
  // Single-shot with no delay: the conversion starts once the keystroke has
  // been shown, and every key that arrives before it starts joins it.
  FAutoConvertTimer = new QTimer(this);
  FAutoConvertTimer->setSingleShot(true);
  FAutoConvertTimer->setInterval(0);
  connect(FAutoConvertTimer, &QTimer::timeout, this, [this] { Guarded(&TAppForm::AutoConvert); });
  FBackgroundConversion = new TBackgroundConversion(this);
  connect(FBackgroundConversion, &TBackgroundConversion::Finished, this,
          [this] { Guarded(&TAppForm::BackgroundConversionFinished); });
  // The preview follows typing once it pauses: 100 ms after the last key, or
  // when the conversion of the last key ends, whichever is later.
  FPreviewTimer = new QTimer(this);
  FPreviewTimer->setObjectName(QStringLiteral("PreviewTimer"));
  FPreviewTimer->setSingleShot(true);
  FPreviewTimer->setInterval(100);
  connect(FPreviewTimer, &QTimer::timeout, this, [this] {
    if (PageControl1->currentIndex() == 1 && !FSourceChangedSinceConversion) Guarded(&TAppForm::RefreshPreview);
  });
}

void TAppForm::ButtonConvertClick() { Convert(); }

std::unique_ptr<glyphmill::TMarkdownProcessor> TAppForm::ChosenProcessor() {
  std::unique_ptr<glyphmill::TMarkdownProcessor> processor =
      ProcessorFactory(DialectForIndex(ComboBox1->currentIndex()));
  processor->SetAllowUnsafe(CheckBox1->isChecked());
  processor->config().SetRandomSeed(FRandomSeed);
  return processor;
}

void TAppForm::RememberConversionSettings() {
  FSourceChangedSinceConversion = false;
  FConvertedDialectIndex = ComboBox1->currentIndex();
  FConvertedUnsafe = CheckBox1->isChecked();
}

void TAppForm::ShowConversionTime(quint32 milliseconds) {
  SetStatusText(QStringLiteral("Elapsed Time: ") + SecondsText(milliseconds) + QStringLiteral(" sec"));
}

void TAppForm::Convert() {
  // A conversion that is due now makes a pending or running one stale.
  FAutoConvertTimer->stop();
  ++FConversionTicket;
  const TBusyCursor busy;
  QElapsedTimer clock;
  clock.start();
  // Whatever happens below: the elapsed time goes into the status bar.
  const auto finish = qScopeGuard([this, &clock] { ShowConversionTime(quint32(clock.elapsed())); });

  // Declared after the guard, so it is destroyed before the time is taken.
  const std::unique_ptr<glyphmill::TMarkdownProcessor> processor = ChosenProcessor();
  const QString editorText = SynEdit1->text();
  if (editorText != kPlaceholderText) SourceLines.SetText(editorText);
  HtmlLines = ConvertLines(*processor, SourceLines);
  RememberConversionSettings();
  EkrandaGoster2();
  if (PageControl1->currentIndex() == 1) PreviewGoster();
}

void TAppForm::AutoConvert() {
  if (FBackgroundConversion->IsRunning()) return;  // its end starts the next one
  FBackgroundConversion->Start(ChosenProcessor(), SynEdit1->text(), FConversionTicket);
}

void TAppForm::BackgroundConversionFinished() {
  const TConversionResult result = FBackgroundConversion->Result();
  if (result.Ticket != FConversionTicket) {
    // Keys came (or CONVERT ran) meanwhile: one new conversion takes them all,
    // unless CONVERT has shown the text already.
    if (FSourceChangedSinceConversion && AutoConvert1->isChecked()) AutoConvert();
    return;
  }
  if (result.Error) std::rethrow_exception(result.Error);
  SourceLines = result.Source;
  HtmlLines = result.Html;
  RememberConversionSettings();
  ShowConversionTime(result.Milliseconds);
  ShowHtmlChange();
  if (PageControl1->currentIndex() == 1 && !FPreviewTimer->isActive()) RefreshPreview();
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
  ++FConversionTicket;
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
    if (PageControl1->currentIndex() == 1) FPreviewTimer->start();
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
