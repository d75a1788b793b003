// The main window: source editor, HTML pane, preview, conversion.
#pragma once

#include "BatchTarget.h"
#include "DocumentRules.h"
#include "LineList.h"
#include "MarkdownProcessor.h"
#include "Page.h"
#include "SourceBlocks.h"
#include "UpdateCheck.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QBoxLayout;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QFileDialog;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QWebEngineView;
class QTimer;
class QToolButton;
class QWidget;
class TFindBar;
class TMemIniFile;
class TBackgroundConversion;
class TPreviewFile;
class TPreviewPage;
class TPreviewRequestFilter;
struct TPageScripts;
class TPageRenderer;
class TSynEdit;
class TMarkdownLexer;

// A text longer than this (in UTF-16 code units) is never put into an editor.
inline constexpr qsizetype LARGE_TEXT_LIMIT = 100LL * 1024 * 1024;
// What an editor shows, disabled, instead of a text over LARGE_TEXT_LIMIT.
inline const QString kPlaceholderText =
    QStringLiteral("The file is not displayed because it is very large.");

// The main window. Its handlers and commands live in several files; each group
// below names the file that holds it.
class TAppForm : public QMainWindow, public TBatchTarget {
  Q_OBJECT
 public:
  // Makes a processor for a dialect; tests may replace it.
  using TProcessorFactory =
      std::function<std::unique_ptr<glyphmill::TMarkdownProcessor>(glyphmill::TMarkdownProcessorDialect)>;

  // AppForm.cpp: the window, its bars and menus, the small commands.
  explicit TAppForm(QWidget* parent = nullptr);
  ~TAppForm() override;

  // The hidden copies of the document and of its HTML.
  TLineList SourceLines;
  TLineList HtmlLines;
  std::unique_ptr<TMemIniFile> SettingsFile;
  TProcessorFactory ProcessorFactory;

  // The update check: the one-second timer that starts and watches it, what it
  // shares, and where it asks (tests shorten the timer and the time-out).
  QTimer* TimerChecker = nullptr;
  std::shared_ptr<TCheckState> CheckState;
  TCheckOptions UpdateCheckOptions;

  // The preview file this window writes; empty before its first preview.
  QString PreviewFileName() const;

  // The text of status panel 0.
  QString StatusText() const;

 signals:
  // The preview shows HtmlLines as of its last refresh: the page loaded, or
  // changed in place.
  void PreviewShown();

 public:
  void SetStatusText(const QString& text);

 public Q_SLOTS:
  // Closes the window (which offers an edited document for saving) and, once
  // it has closed, ends the program.
  void Exit1Click();
  void Help2Click();
  void About1Click();
  // Opens another batch window, without blocking this one.
  void BatchProcessing1Click();
  void BatchProcessing2Click();
  // Keeps the page control at half the middle area's width.
  void FormResize();

 public:
  // AppFormConvert.cpp: conversion and the two editors.
  // The dialect that ComboBox1's selected index stands for.
  static glyphmill::TMarkdownProcessorDialect DialectForIndex(int index);
  // Whether HtmlLines is stale: the source, the dialect or the safe mode changed
  // since the last conversion.
  bool IsHtmlStale() const;

 public Q_SLOTS:
  // The conversion command behind "CONVERT".
  void ButtonConvertClick() override;
  // Shows SourceLines in SynEdit1 / HtmlLines in SynEdit2 (or the placeholder).
  void EkrandaGoster1();
  void EkrandaGoster2();
  // Converts on every change of the source when "Auto Convert" is checked.
  void SynEdit1Change();
  // With "Auto Convert" checked, a new dialect or safe-mode choice converts at once.
  void ComboBox1Change();
  void CheckBox1Click();
  // Converts when HtmlLines is not the conversion of the source with the
  // dialect and safe mode the window shows.
  void ConvertIfStale();
  // Offers an edited document for saving, then starts an empty one; Undo in
  // the source editor brings the old text back.
  void New1Click();

 public:
  // AppFormDocuments.cpp: loading and saving files, drops, the command line.
  // Loads a file into SourceLines and SynEdit1, a ".csv" file as a Markdown table.
  void DosyaAc(const QString& fileName) override;
  // Writes HtmlLines to a file, UTF-8 without byte-order mark, CR LF after every line.
  void DosyaKaydet(const QString& fileName) override;
  // Loads the files in order with DosyaAc, each one becoming a recent
  // document; an error is shown and ends the loading.
  void LoadFiles(const QStringList& files);
  // Loads these files once the event loop runs.
  void LoadCommandLineFiles(const QStringList& files);

 public Q_SLOTS:
  // "Load File..." and "Save File...": a file dialog, then DosyaAc / DosyaKaydet.
  void ButtonLoadClick();
  void LoadFile1Click();
  void ButtonSaveClick();
  void SaveFile1Click();

 public:
  // AppFormMarkdown.cpp: the document itself: its file and line ends, saving
  // the Markdown, the offer to save before it is replaced, the window title
  // and the recent documents.
  // The file the document was loaded from or saved to; "" for a new one.
  QString DocumentPath() const { return FDocumentPath; }
  // Whether the source was edited since it was loaded, saved or started.
  bool IsDocumentEdited() const;
  // Asks whether an edited document is to be saved first: "Save" saves the
  // Markdown, "Discard" goes on, "Cancel" stops. True when the command may go
  // on (also for an unedited document, which asks nothing). A failed save is
  // shown and stops the command.
  bool OfferToSaveDocument();
  bool MayReplaceDocument() override { return OfferToSaveDocument(); }
  // Writes the source as Markdown: UTF-8 without byte-order mark, with the
  // document's line ends; the file becomes the document's file.
  void WriteMarkdown(const QString& fileName);
  // The recent documents, newest first.
  QStringList RecentFiles() const { return FRecentFiles.Files(); }
  // Loads a recent document; one whose file is gone leaves the list with a message.
  void OpenRecentFile(const QString& fileName);

 public Q_SLOTS:
  // "Save Markdown...": into the document's file; a new document, or one
  // loaded from a CSV file, goes through "Save Markdown As...".
  void SaveMarkdown1Click();
  // "Save Markdown As...": a save dialog, then WriteMarkdown.
  void SaveMarkdownAs1Click();
  // "Clear List" of "Open Recent".
  void ClearList1Click();

  // AppFormPreview.cpp: the preview.
  // Writes HtmlLines to the window's private preview file and shows it in WebBrowser1.
  void PreviewGoster();
  // Writes the preview file and shows it by changing the shown page in place,
  // keeping its scroll position; loads it as PreviewGoster does when the shown
  // page is of another kind or the change cannot be made in place. A refresh
  // asked for while the page loads or changes follows once it is done.
  void RefreshPreview();
  // Refreshes the preview when the "Preview" tab becomes the active one.
  void PageControl1Change();
  // The preview's context menu: shows the preview file again / hands it to the
  // user's browser.
  void PreviewReloadClick();
  void PreviewOpenInBrowserClick();
  // "Styled Preview": stores the check mark and shows the preview again.
  void StyledPreview1Click();
  // Scrolls the preview so that the block at the top of the source editor is
  // at its top.
  void PreviewFollowEditor();

  // AppFormExport.cpp: exporting and sharing the conversion.
  // Writes the complete page of HtmlLines (PageRenderer.h, StyledPage.h):
  // stylesheet, title, local images inside, code highlighted and formulas
  // drawn; UTF-8 without byte-order mark, replaced whole or not at all.
  void ExportPage(const QString& fileName);
  // Writes the same page printed to PDF, on the paper of the user's locale.
  void ExportPdf(const QString& fileName);

 public Q_SLOTS:
  // "Export HTML Page..." and "Export PDF...": a save dialog, then ExportPage / ExportPdf.
  void ExportHtmlPage1Click();
  void ExportPdf1Click();
  // "Copy HTML" (Ctrl+Shift+C): HtmlLines on the clipboard as text and as HTML.
  void CopyHtml1Click();

 public:
  // AppFormFind.cpp: find and replace in the editors.
  // Ctrl+F: the find bar for the editor in use.
  void Find1Click();
  // Ctrl+H: the find bar with replacing in the source editor (finding only in the HTML pane).
  void Replace1Click();
  // F3 and Shift+F3: the next and the previous match.
  void FindNext1Click();
  void FindPrevious1Click();

  // AppFormUpdate.cpp: the update check and the feedback window.
  // Starts the update check on the first tick; once it has finished, enables
  // "Update Notifications" and shows the notice when one is due.
  void TimerCheckerTimer();
  // Stores the check mark of "Update Notifications" as ShowUpdate.
  void UpdateNotifications1Click();
  // Opens the feedback window modally.
  void SendFeedback1Click();

  // AppFormLanguage.cpp: the language window.
  // Opens the language window modally.
  void Language1Click();
  // Keeps the language chosen in the language window for the next start.
  void SetLanguageFile(const QString& Filename);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Closing offers an edited document for saving; "Cancel" keeps the window open.
  void closeEvent(QCloseEvent* event) override;
  // A new palette (the desktop turning dark, say) gives the styled preview its colours.
  void changeEvent(QEvent* event) override;

 private:
  // The controls; each one's object name is its member name.
  // Top bar.
  QWidget* Panel2 = nullptr;
  QToolButton* ButtonLoad = nullptr;  // a click loads a file; its arrow opens PopupMenu3
  QPushButton* ButtonSave = nullptr;
  QMenu* PopupMenu3 = nullptr;
  QAction* BatchProcessing2 = nullptr;
  // Middle area.
  QWidget* Panel3 = nullptr;
  QSplitter* Splitter1 = nullptr;
  TSynEdit* SynEdit1 = nullptr;
  TSynEdit* SynEdit2 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QWebEngineView* WebBrowser1 = nullptr;
  // The preview's context menu.
  QMenu* PreviewMenu = nullptr;
  QAction *PreviewReload = nullptr, *PreviewCopy = nullptr, *PreviewSelectAll = nullptr,
          *PreviewOpenInBrowser = nullptr;
  TFindBar* FindBar1 = nullptr;  // under the panes, hidden until Ctrl+F
  // Bottom bar.
  QWidget* Panel1 = nullptr;
  QPushButton* ButtonConvert = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  // Status bar panel 0.
  QLabel* StatusPanel0 = nullptr;
  // Main menu.
  QMenu* File1 = nullptr;
  QAction* New1 = nullptr;
  QAction* LoadFile1 = nullptr;
  QMenu* OpenRecent1 = nullptr;
  QAction* ClearList1 = nullptr;
  QAction* SaveFile1 = nullptr;
  QAction* SaveMarkdown1 = nullptr;
  QAction* SaveMarkdownAs1 = nullptr;
  QAction* N6 = nullptr;
  QAction* ExportHtmlPage1 = nullptr;
  QAction* ExportPdf1 = nullptr;
  QAction* CopyHtml1 = nullptr;  // also in PopupMenu2
  QAction* N1 = nullptr;
  QAction* BatchProcessing1 = nullptr;
  QAction* N5 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Settings1 = nullptr;
  QAction* AutoConvert1 = nullptr;
  QAction* StyledPreview1 = nullptr;
  QMenu* Help1 = nullptr;
  QAction* Help2 = nullptr;
  QAction* N3 = nullptr;
  QAction* UpdateNotifications1 = nullptr;
  QAction* UpdateNotificationsBar = nullptr;
  QAction* Language1 = nullptr;
  QAction* SendFeedback1 = nullptr;
  QAction* About1 = nullptr;
  // The find shortcuts (no menu entries).
  QAction *Find1 = nullptr, *Replace1 = nullptr, *FindNext1 = nullptr, *FindPrevious1 = nullptr;
  // The editors' popup menus.
  QMenu* PopupMenu1 = nullptr;
  QAction *Undo1 = nullptr, *Redo1 = nullptr, *N2 = nullptr, *Cut1 = nullptr, *Copy1 = nullptr,
          *Paste1 = nullptr,
          *Delete1 = nullptr, *N4 = nullptr, *SelectAll1 = nullptr;
  QMenu* PopupMenu2 = nullptr;
  QAction *MenuItem1 = nullptr, *MenuItem2 = nullptr, *MenuItem3 = nullptr, *MenuItem4 = nullptr,
          *MenuItem5 = nullptr, *MenuItem6 = nullptr, *MenuItem7 = nullptr, *MenuItem8 = nullptr,
          *Redo2 = nullptr;
  void NameControls();

  // AppForm.cpp
  void FormCreate();
  void CreateTopBar();
  void CreateMiddleArea();
  void CreateBottomBar();
  void CreateMainMenu();
  void SetUpEditors();
  // Runs a handler; an error it raises goes to the general error handler.
  void Guarded(void (TAppForm::*handler)());
  // AppFormConvert.cpp
  void SetUpAutoConvert();
  // CONVERT: converts SourceLines (taken from SynEdit1 first) into HtmlLines
  // with the dialect and safe mode the window shows, shows the whole HTML from
  // its first line and refreshes the preview at once; the status bar gets the time.
  void Convert();
  // A processor for the dialect and safe mode the window shows.
  std::unique_ptr<glyphmill::TMarkdownProcessor> ChosenProcessor();
  // Remembers the dialect and safe mode of the conversion just made.
  void RememberConversionSettings();
  void ShowConversionTime(quint32 milliseconds);
  // Auto Convert: starts a conversion on the worker thread, unless one is
  // running; then the next one starts when it ends and takes every key since.
  void AutoConvert();
  // Shows the worker's result when no key and no CONVERT came since it started:
  // the HTML pane changes only where the HTML changed, and the preview follows
  // once typing pauses.
  void BackgroundConversionFinished();
  void ShowHtmlChange();
  void ShowListInEditor(const TLineList& list, TSynEdit* editor);
  // AppFormDocuments.cpp
  void SetUpDocuments();
  // Shows a file dialog; the chosen file, or "" when cancelled. The folder of
  // the chosen file is where the dialogs of this kind start next time.
  QString ChooseFile(QFileDialog& dialog, const QString& dialogKind);
  // Says in the status bar where a file was written.
  void ReportSaved(const QString& fileName);
  // AppFormMarkdown.cpp
  void SetUpMarkdown();
  // Makes the shown text the document of `fileName` with these line ends, unedited.
  void SetDocument(const QString& fileName, const TLineEnds& lineEnds);
  // The source as the editor shows it (the hidden copy behind a placeholder).
  QString SourceText() const;
  // Saves into the document's file, or through "Save Markdown As..."; false
  // when that dialog was cancelled.
  bool SaveDocument();
  bool SaveDocumentAs();
  void UpdateTitle();
  void AddRecentFile(const QString& fileName);
  void ShowRecentFiles();
  // AppFormPreview.cpp
  void SetUpPreview();
  TPreviewPage* PreviewPage();
  void EndPreview();
  // Writes the preview file: the styled page, or the fragment as it is; returns
  // the page's text.
  QString WritePreviewFile(const QString& baseFolder, const TPageScripts& scripts);
  // The scripts the preview of HtmlLines runs.
  TPageScripts PreviewScripts() const;
  // Whether the page for HtmlLines may replace the shown one in place.
  bool CanRefreshPreviewInPlace(const TPageScripts& scripts) const;
  // The in-place change's answer: done, or load the page instead.
  void PreviewChangedInPlace(bool changed, const QString& pageText);
  // The preview has loaded, or changed in place: a refresh asked for
  // meanwhile follows.
  void PreviewShownNow();
  // Hands the loaded page's script the page's text, which its in-place changes start from.
  void GivePageItsText();
  // The source line at the top of the source editor.
  int TopSourceLine() const;
  // AppFormExport.cpp
  void SetUpExport();
  TPageRenderer* PageRenderer();
  // Shows what a long export is doing in the status bar.
  void ShowProgress(const QString& text);
  // A save dialog for an export; the chosen file or "".
  QString ChooseExportFile(const QString& filter, const QString& suffix);
  // The page ExportPage writes, with the colours of `scheme`.
  QByteArray ExportedPage(glyphmill::page::TColourScheme scheme);
  // AppFormFind.cpp
  void SetUpFindBar(QBoxLayout* middleLayout);
  TSynEdit* FindTarget() const;
  // AppFormUpdate.cpp
  void CreateUpdateCheck();
  void StopUpdateCheck();

  TMarkdownLexer* FSourceLexer = nullptr;
  TPreviewPage* FPreviewPage = nullptr;
  TPreviewRequestFilter* FPreviewFilter = nullptr;
  TPageRenderer* FPageRenderer = nullptr;  // made with the first export
  bool FExporting = false;
  // The blocks of the source the preview shows, and the source line the
  // preview was last scrolled to (-1: none since it loaded).
  std::vector<glyphmill::page::TSourceBlock> FPreviewBlocks;
  int FFollowedLine = -1;
  std::unique_ptr<TPreviewFile> FPreviewFile;
  QUrl FPreviewUrl;  // where the preview scheme serves FPreviewFile
  // The page the preview shows or is loading: its text and what it was shown with.
  QString FShownPreviewText;
  bool FShownPreviewKnown = false;  // false after Reload, which shows the file as it is
  bool FShownScriptsRun = false;
  bool FShownHighlight = false;
  bool FShownFormulas = false;
  bool FShownActiveContent = false;  // content that acts when a page loads
  // A load or an in-place change under way; a refresh asked for meanwhile.
  bool FPreviewLoading = false;
  bool FPreviewChanging = false;
  bool FPreviewRefreshWanted = false;
  // Counts full loads; the answer of an in-place change from before one is stale.
  unsigned FPreviewLoads = 0;
  // The folder of the document last loaded; empty while none was.
  QString FDocumentFolder;
  bool FCheckStarted = false;
  // What the last conversion used; the source counts as changed until then.
  bool FSourceChangedSinceConversion = true;
  int FConvertedDialectIndex = -2;
  bool FConvertedUnsafe = false;
  // The seed of every conversion of this window. E-mail addresses are encoded
  // at random; with one seed the same text gives the same HTML, so a keystroke
  // changes only the HTML of what was typed.
  std::uint32_t FRandomSeed = 0;
  // Auto Convert's worker, and the ticket drawn by each change of the source
  // and each CONVERT: a result started with an older ticket is stale.
  TBackgroundConversion* FBackgroundConversion = nullptr;
  quint64 FConversionTicket = 0;
  QPointer<TChecker> FChecker;
  QTimer* FAutoConvertTimer = nullptr;
  QTimer* FPreviewTimer = nullptr;
  // The document's file ("" for a new one), its line ends and the recent documents.
  QString FDocumentPath;
  TLineEnds FLineEnds;
  TRecentFiles FRecentFiles;
};

// The 31 lines of the sample document shown at start.
QString SampleDocument();
