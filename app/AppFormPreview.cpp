// The rendered preview: the HTML written to the window's private preview file
// and shown by the web view under the preview scheme (PreviewScheme.h), as the
// styled page (StyledPage.h) or as it is; the preview following the source
// editor; the preview's context menu.
#include "AppForm.h"

#include "AppGlobals.h"
#include "Editors.h"
#include "ErrorHandler.h"
#include "PreviewFile.h"
#include "PreviewPage.h"
#include "PreviewScheme.h"
#include "PreviewScripts.h"
#include "StyledPage.h"
#include "TextChange.h"
#include "UserSettings.h"
#include "platform/Desktop.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QTabWidget>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

namespace {

constexpr int kPreviewPage = 1;
const QString kStyledPreviewKey = QStringLiteral("Settings/StyledPreview");

// Elements whose content the parser of an in-place change reads differently
// from a load (templates may hold shadow roots a load attaches).
bool hasDifferentlyParsedContent(const QString& html) {
  return html.contains(QStringLiteral("<template"), Qt::CaseInsensitive);
}

// Content that acts by itself when a page with scripts allowed loads: scripts,
// frames, plug-ins, event handlers. A load runs it again; a change in place
// would not, so such a page is always loaded.
bool hasActiveContent(const QString& html) {
  static const QRegularExpression active(
      QStringLiteral(R"(<(script|noscript|iframe|frame|object|embed)|\bon[a-z]+\s*=)"),
      QRegularExpression::CaseInsensitiveOption);
  return active.match(html).hasMatch();
}

// `text` as a JavaScript string literal.
QString scriptString(const QString& text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return QString::fromUtf8(array.mid(1, array.size() - 2));
}

}  // namespace

void TAppForm::SetUpPreview() {
  // Before the window is shown: showing the web view starts the web engine,
  // which takes no new schemes after that.
  RegisterPreviewScheme();
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this] { Guarded(&TAppForm::PageControl1Change); });
  FPreviewFile = std::make_unique<TPreviewFile>();
  // The web view's own menu offers commands that mean nothing here (Back,
  // Forward, Save page, View source); this one holds what does.
  PreviewMenu = new QMenu(this);
  PreviewReload = PreviewMenu->addAction(QStringLiteral("Reload"));
  PreviewCopy = PreviewMenu->addAction(QStringLiteral("Copy"));
  PreviewSelectAll = PreviewMenu->addAction(QStringLiteral("Select All"));
  PreviewOpenInBrowser = PreviewMenu->addAction(QStringLiteral("Open in Browser"));
  connect(PreviewReload, &QAction::triggered, this, [this] { Guarded(&TAppForm::PreviewReloadClick); });
  connect(PreviewCopy, &QAction::triggered, this,
          [this] { WebBrowser1->page()->triggerAction(QWebEnginePage::Copy); });
  connect(PreviewSelectAll, &QAction::triggered, this,
          [this] { WebBrowser1->page()->triggerAction(QWebEnginePage::SelectAll); });
  connect(PreviewOpenInBrowser, &QAction::triggered, this,
          [this] { Guarded(&TAppForm::PreviewOpenInBrowserClick); });
  WebBrowser1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(WebBrowser1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& position) { PreviewMenu->popup(WebBrowser1->mapToGlobal(position)); });

  StyledPreview1->setChecked(UserSettings().value(kStyledPreviewKey, true).toBool());
  connect(StyledPreview1, &QAction::triggered, this, [this] { Guarded(&TAppForm::StyledPreview1Click); });
  // Scrolling the source or moving its caret; a page that has loaded starts
  // where the source editor is.
  connect(SynEdit1, &QsciScintillaBase::SCN_UPDATEUI, this, [this] { PreviewFollowEditor(); });
  connect(WebBrowser1, &QWebEngineView::loadFinished, this, [this] {
    FPreviewLoading = false;
    FFollowedLine = -1;
    PreviewFollowEditor();
    GivePageItsText();
    Guarded(&TAppForm::PreviewShownNow);
  });
}

// Stops serving this window's preview; its file goes with FPreviewFile.
// The page goes first, while the window is whole: it answers the scripts still
// pending as it goes, and those answers find no preview page and do nothing.
void TAppForm::EndPreview() {
  if (FPreviewPage == nullptr) return;
  TPreviewSchemeHandler::Of(FPreviewPage->profile()).Withdraw(FPreviewUrl);
  delete std::exchange(FPreviewPage, nullptr);
}

// The web engine starts with the first preview, not with the window.
TPreviewPage* TAppForm::PreviewPage() {
  if (FPreviewPage != nullptr) return FPreviewPage;
  FPreviewPage = new TPreviewPage(WebBrowser1);
  QWebEngineSettings* settings = FPreviewPage->settings();
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  // The page is not a local one, so these file-page permissions stay off.
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  FPreviewFilter = new TPreviewRequestFilter(FPreviewPage);
  FPreviewPage->setUrlRequestInterceptor(FPreviewFilter);
  WebBrowser1->setPage(FPreviewPage);
  return FPreviewPage;
}

QString TAppForm::PreviewFileName() const { return FPreviewFile->FileName(); }

void TAppForm::PreviewGoster() {
  // Relative addresses resolve beside the document, or in the data folder
  // while no document was loaded.
  const QString baseFolder = FDocumentFolder.isEmpty() ? DataFolder : FDocumentFolder;
  const TPageScripts scripts = PreviewScripts();
  TPreviewPage* page = PreviewPage();
  // Scripts run only when the user allowed unsafe HTML.
  page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, CheckBox1->isChecked());
  const QString pageText = WritePreviewFile(baseFolder, scripts);
  page->SetBaseUrl(BaseAddress(baseFolder));
  if (FPreviewUrl.isEmpty()) {
    FPreviewUrl = TPreviewSchemeHandler::Of(page->profile()).Publish(FPreviewFile->FileName());
    page->SetPreviewUrl(FPreviewUrl);
  }
  ++FPreviewLoads;
  FPreviewLoading = true;
  FPreviewChanging = false;
  FPreviewRefreshWanted = false;
  FShownPreviewText = pageText;
  FShownPreviewKnown = true;
  FShownScriptsRun = CheckBox1->isChecked();
  FShownHighlight = scripts.Highlight;
  FShownFormulas = scripts.Formulas;
  FShownActiveContent = hasActiveContent(HtmlLines.Text());
  WebBrowser1->load(FPreviewUrl);
}

void TAppForm::RefreshPreview() {
  if (PageControl1->currentIndex() != kPreviewPage) return;
  if (FPreviewUrl.isEmpty()) {
    PreviewGoster();
    return;
  }
  if (FPreviewLoading || FPreviewChanging) {
    FPreviewRefreshWanted = true;
    return;
  }
  const TPageScripts scripts = PreviewScripts();
  if (!CanRefreshPreviewInPlace(scripts)) {
    PreviewGoster();
    return;
  }
  const QString baseFolder = FDocumentFolder.isEmpty() ? DataFolder : FDocumentFolder;
  const QString pageText = WritePreviewFile(baseFolder, scripts);
  // The page's script gets only the changed part; it keeps the shown page's
  // text, given to it once the page loaded.
  const TTextChange change = ChangeBetween(FShownPreviewText, pageText);
  const QString middle = pageText.mid(change.Start, pageText.size() - change.Kept - change.Start);
  const QString call =
      QStringLiteral("typeof glyphmillChangePage === 'function' && glyphmillChangePage(%1, %2, %3) === true")
          .arg(QString::number(change.Start), QString::number(change.Kept), scriptString(middle));
  FPreviewChanging = true;
  const QPointer<TAppForm> form(this);
  const unsigned loads = FPreviewLoads;
  const auto answer = [form, loads, pageText](const QVariant& result) {
    // A page loaded since makes the answer stale; a closing window wants none.
    if (form == nullptr || form->FPreviewPage == nullptr || form->FPreviewLoads != loads) return;
    ErrorHandler::Run([&] { form->PreviewChangedInPlace(result.toBool(), pageText); });
  };
  FPreviewPage->runJavaScript(call, QWebEngineScript::ApplicationWorld, answer);
}

bool TAppForm::CanRefreshPreviewInPlace(const TPageScripts& scripts) const {
  const QString& html = HtmlLines.Text();
  if (!FShownPreviewKnown || CheckBox1->isChecked() != FShownScriptsRun) return false;
  if ((scripts.Highlight && !FShownHighlight) || (scripts.Formulas && !FShownFormulas)) return false;
  if (hasDifferentlyParsedContent(html)) return false;
  return !FShownScriptsRun || (!FShownActiveContent && !hasActiveContent(html));
}

void TAppForm::PreviewChangedInPlace(bool changed, const QString& pageText) {
  FPreviewChanging = false;
  if (!changed) {
    PreviewGoster();
    return;
  }
  FShownPreviewText = pageText;
  PreviewShownNow();
}

void TAppForm::GivePageItsText() {
  // A page that is only ever loaded again needs no text: one shown as the
  // file is after Reload, or one whose own scripts act when it loads.
  if (FPreviewPage == nullptr || !FShownPreviewKnown || (FShownScriptsRun && FShownActiveContent)) return;
  FPreviewPage->runJavaScript(
      QStringLiteral("typeof glyphmillKnowPage === 'function' && glyphmillKnowPage(%1)")
          .arg(scriptString(FShownPreviewText)),
      QWebEngineScript::ApplicationWorld);
}

void TAppForm::PreviewShownNow() {
  emit PreviewShown();
  if (FPreviewRefreshWanted && !FPreviewLoading && !FPreviewChanging) {
    FPreviewRefreshWanted = false;
    RefreshPreview();
  }
}

TPageScripts TAppForm::PreviewScripts() const {
  return StyledPreview1->isChecked() ? ScriptsNeededBy(HtmlLines.Text()) : TPageScripts();
}

QString TAppForm::WritePreviewFile(const QString& baseFolder, const TPageScripts& scripts) {
  const QString& html = HtmlLines.Text();
  const bool styled = StyledPreview1->isChecked();
  TPreviewPage* page = PreviewPage();
  UsePreviewScripts(page, scripts);
  FPreviewFilter->SetDrawsFormulas(scripts.Formulas && !KatexStylesheet().isEmpty());
  QByteArray pageBytes;
  if (styled) {
    TStyledPageOptions options;
    options.DocumentPath = FDocumentPath;
    options.Scheme = SchemeFor(palette());
    options.ExtraHead = BaseElement(baseFolder);
    pageBytes = StyledPage(html, options);
  } else {
    pageBytes = PlainPreviewPage(html, baseFolder);
  }
  FPreviewFile->WritePage(pageBytes);
  // A document behind the placeholder has no editor lines to follow.
  FPreviewBlocks.clear();
  if (SynEdit1->isEnabled()) {
    FPreviewBlocks = glyphmill::page::FindSourceBlocks(
        std::u16string_view(reinterpret_cast<const char16_t*>(SourceLines.Text().utf16()),
                            std::size_t(SourceLines.Text().size())));
  }
  return QString::fromUtf8(pageBytes);
}

void TAppForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && FPreviewPage != nullptr && StyledPreview1->isChecked() &&
      PageControl1->currentIndex() == kPreviewPage) {
    Guarded(&TAppForm::PreviewGoster);
  }
}

void TAppForm::StyledPreview1Click() {
  UserSettings().setValue(kStyledPreviewKey, StyledPreview1->isChecked());
  if (PageControl1->currentIndex() == kPreviewPage) PreviewGoster();
}

int TAppForm::TopSourceLine() const {
  const long visible = SynEdit1->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
  return int(SynEdit1->SendScintilla(QsciScintillaBase::SCI_DOCLINEFROMVISIBLE, visible));
}

void TAppForm::PreviewFollowEditor() {
  if (FPreviewPage == nullptr || PageControl1->currentIndex() != kPreviewPage ||
      !SynEdit1->isEnabled()) {
    return;
  }
  const int line = TopSourceLine();
  if (line == FFollowedLine) return;
  FFollowedLine = line;
  const glyphmill::page::TBlockPlace place = glyphmill::page::PlaceOfLine(FPreviewBlocks, line);
  FPreviewPage->runJavaScript(
      QStringLiteral("window.glyphmillScrollToBlock && glyphmillScrollToBlock(%1, %2, %3)")
          .arg(place.Headline)
          .arg(place.Offset)
          .arg(place.Fraction, 0, 'f', 4),
      QWebEngineScript::ApplicationWorld);
}

void TAppForm::PageControl1Change() {
  if (PageControl1->currentIndex() == kPreviewPage) PreviewGoster();
}

void TAppForm::PreviewReloadClick() {
  if (FPreviewUrl.isEmpty()) return;
  // The file may hold anything now: the next refresh loads its page.
  ++FPreviewLoads;
  FPreviewLoading = true;
  FPreviewChanging = false;
  FShownPreviewKnown = false;
  WebBrowser1->reload();
}

void TAppForm::PreviewOpenInBrowserClick() {
  if (!FPreviewUrl.isEmpty()) Desktop().OpenUrl(QUrl::fromLocalFile(FPreviewFile->FileName()));
}
