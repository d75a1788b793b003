#include "AppForm.h"

#include "AboutForm.h"
#include "AppGlobals.h"
#include "BatchForm.h"
#include "Editors.h"
#include "ErrorHandler.h"
#include "FindBar.h"
#include "Languages.h"
#include "MarkdownGitHub.h"
#include "MarkdownLexer.h"
#include "ObjectNames.h"
#include "PreviewFile.h"
#include "ScreenPlacement.h"
#include "SettingsFile.h"
#include "VersionInfo.h"
#include "WebHost.h"
#include "WebViewSurface.h"
#include "WindowBars.h"
#include "platform/DataFolder.h"
#include "platform/Desktop.h"
#include "platform/InstalledData.h"

#include <Qsci/qscilexerhtml.h>

#include <QApplication>
#include <QRandomGenerator>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineView>

// The icons are compiled into the library; their registration must be pulled in.
static void initIconResources() { Q_INIT_RESOURCE(glyphmill); }

namespace {

constexpr int kBarHeight = 41;
constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 35;
constexpr int kSplitterWidth = 5;
constexpr int kStatusPanelWidth = 200;

// The window's image names and the icon files that draw them.
QIcon icon(const char* imageName) {
  static const QHash<QString, QString> files = {
      {"folder32", "folder"},       {"floppy48", "disk"},     {"arrow", "arrow_right"},
      {"multiple", "page_white_stack"}, {"page_white", "page_white"}, {"exit", "door_out"},
      {"help", "help"},             {"flag", "flag_blue"},    {"feedback", "comment"},
      {"about", "information"},
  };
  return QIcon(QStringLiteral(":/icons/%1.png").arg(files.value(QString::fromLatin1(imageName))));
}

QPushButton* barButton(const QString& caption, const char* imageName, QWidget* parent) {
  return NewBarButton(caption, icon(imageName), QSize(kButtonWidth, kButtonHeight), parent);
}

QWidget* bar(QWidget* parent) { return NewBar(parent, kBarHeight); }

}  // namespace

QString SampleDocument() {
  const QStringList lines = {
      "# Sample Markdown",
      "",
      "This is some basic, sample markdown.",
      "",
      "## Second Heading",
      "",
      "* Apple",
      "* Banana",
      "* Carrot",
      "",
      "And **bold**, *italics*, and even ~~strikethrough~~.",
      "",
      "[A link](https://www.wikipedia.org/) to somewhere.",
      "",
      "And code highlighting:",
      "",
      "```js",
      "var foo = 'bar';",
      "",
      "function baz(s) {",
      "   return foo + ':' + s;",
      "}",
      "```",
      "",
      "Or inline code like `var foo = 'bar';`.",
      "",
      "Or an image",
      "",
      "![logo](https://www.debian.org/Pics/openlogo-50.png)",
      "",
      "The end ...",
  };
  return lines.join(QStringLiteral("\r\n"));
}

TAppForm::TAppForm(QWidget* parent) : QMainWindow(parent) {
  initIconResources();
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/glyphmill.png")));
  // The window offers the GitHub dialect beside the engine's three.
  glyphmill::registerGitHubDialect();
  ProcessorFactory = [](glyphmill::TMarkdownProcessorDialect dialect) {
    return glyphmill::TMarkdownProcessor::CreateDialect(dialect);
  };
  FRandomSeed = QRandomGenerator::global()->generate();
  QFont windowFont = QApplication::font();
  windowFont.setPointSize(8);
  setFont(windowFont);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  setCentralWidget(central);
  CreateTopBar();
  CreateMiddleArea();
  CreateBottomBar();
  layout->addWidget(Panel2);
  layout->addWidget(Panel3, 1);
  layout->addWidget(Panel1);
  StatusPanel0 = new QLabel(this);
  // At least the panel's width; it grows so that the place of a saved file stays readable.
  StatusPanel0->setMinimumWidth(kStatusPanelWidth);
  statusBar()->addWidget(StatusPanel0, 1);
  CreateMainMenu();

  // The client area (bars, middle area and status bar) is 784 x 541; the menu bar is outside it.
  PlaceOnScreen(*this, QSize(784, 541 + menuBar()->sizeHint().height()));
  FormCreate();
  CreateUpdateCheck();
  NameControls();
}

void TAppForm::NameControls() {
  SetObjectNames({{Panel2, "Panel2"},
                  {ButtonLoad, "ButtonLoad"},
                  {ButtonSave, "ButtonSave"},
                  {PopupMenu3, "PopupMenu3"},
                  {BatchProcessing2, "BatchProcessing2"},
                  {Panel3, "Panel3"},
                  {Splitter1, "Splitter1"},
                  {SynEdit1, "SynEdit1"},
                  {SynEdit2, "SynEdit2"},
                  {PageControl1, "PageControl1"},
                  {TabSheet1, "TabSheet1"},
                  {TabSheet2, "TabSheet2"},
                  {WebBrowser1, "WebBrowser1"},
                  {PreviewMenu, "PreviewMenu"},
                  {PreviewReload, "PreviewReload"},
                  {PreviewCopy, "PreviewCopy"},
                  {PreviewSelectAll, "PreviewSelectAll"},
                  {PreviewOpenInBrowser, "PreviewOpenInBrowser"},
                  {FindBar1, "FindBar1"},
                  {Find1, "Find1"},
                  {Replace1, "Replace1"},
                  {FindNext1, "FindNext1"},
                  {FindPrevious1, "FindPrevious1"},
                  {Panel1, "Panel1"},
                  {ButtonConvert, "ButtonConvert"},
                  {Label1, "Label1"},
                  {ComboBox1, "ComboBox1"},
                  {CheckBox1, "CheckBox1"},
                  {StatusPanel0, "StatusPanel0"},
                  {File1, "File1"},
                  {New1, "New1"},
                  {LoadFile1, "LoadFile1"},
                  {OpenRecent1, "OpenRecent1"},
                  {ClearList1, "ClearList1"},
                  {SaveFile1, "SaveFile1"},
                  {SaveMarkdown1, "SaveMarkdown1"},
                  {SaveMarkdownAs1, "SaveMarkdownAs1"},
                  {N6, "N6"},
                  {ExportHtmlPage1, "ExportHtmlPage1"},
                  {ExportPdf1, "ExportPdf1"},
                  {CopyHtml1, "CopyHtml1"},
                  {N1, "N1"},
                  {BatchProcessing1, "BatchProcessing1"},
                  {N5, "N5"},
                  {Exit1, "Exit1"},
                  {Settings1, "Settings1"},
                  {AutoConvert1, "AutoConvert1"},
                  {StyledPreview1, "StyledPreview1"},
                  {Help1, "Help1"},
                  {Help2, "Help2"},
                  {N3, "N3"},
                  {UpdateNotifications1, "UpdateNotifications1"},
                  {UpdateNotificationsBar, "UpdateNotificationsBar"},
                  {Language1, "Language1"},
                  {SendFeedback1, "SendFeedback1"},
                  {About1, "About1"},
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
                  {PopupMenu2, "PopupMenu2"},
                  {MenuItem1, "MenuItem1"},
                  {Redo2, "Redo2"},
                  {MenuItem2, "MenuItem2"},
                  {MenuItem3, "MenuItem3"},
                  {MenuItem4, "MenuItem4"},
                  {MenuItem5, "MenuItem5"},
                  {MenuItem6, "MenuItem6"},
                  {MenuItem7, "MenuItem7"},
                  {MenuItem8, "MenuItem8"},
                  {TimerChecker, "TimerChecker"}});
}

TAppForm::~TAppForm() {
  StopUpdateCheck();
  EndPreview();
}

void TAppForm::CreateTopBar() {
  Panel2 = bar(this);
  auto* layout = new QHBoxLayout(Panel2);
  layout->setContentsMargins(3, 3, 3, 3);
  ButtonLoad = new QToolButton(Panel2);
  ButtonLoad->setIcon(icon("folder32"));
  ButtonLoad->setText(QStringLiteral("Load File..."));
  ButtonLoad->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  ButtonLoad->setFixedSize(kButtonWidth, kButtonHeight);
  ButtonSave = barButton(QStringLiteral("Save File..."), "floppy48", Panel2);
  // The drop-down menu of "Load File...", opened by the button's arrow part.
  PopupMenu3 = new QMenu(this);
  BatchProcessing2 = PopupMenu3->addAction(icon("multiple"), QStringLiteral("Batch Processing..."));
  ButtonLoad->setMenu(PopupMenu3);
  ButtonLoad->setPopupMode(QToolButton::MenuButtonPopup);
  layout->addWidget(ButtonLoad);
  layout->addStretch(1);
  layout->addWidget(ButtonSave);
}

void TAppForm::CreateMiddleArea() {
  Panel3 = new QWidget(this);
  auto* layout = new QVBoxLayout(Panel3);
  layout->setContentsMargins(0, 0, 0, 0);
  Splitter1 = new QSplitter(Qt::Horizontal, Panel3);
  Splitter1->setHandleWidth(kSplitterWidth);
  Splitter1->setChildrenCollapsible(false);
  SynEdit1 = new TSynEdit(Splitter1);
  PageControl1 = new QTabWidget(Splitter1);
  PageControl1->setTabPosition(QTabWidget::South);
  TabSheet1 = new QWidget(PageControl1);
  auto* htmlLayout = new QVBoxLayout(TabSheet1);
  htmlLayout->setContentsMargins(0, 0, 0, 0);
  SynEdit2 = new TSynEdit(TabSheet1);
  htmlLayout->addWidget(SynEdit2);
  TabSheet2 = new QWidget(PageControl1);
  auto* previewLayout = new QVBoxLayout(TabSheet2);
  previewLayout->setContentsMargins(0, 0, 0, 0);
  WebBrowser1 = new QWebEngineView(TabSheet2);
  PrepareSurfaceForWebView(this);
  previewLayout->addWidget(WebBrowser1);
  PageControl1->addTab(TabSheet1, QStringLiteral("HTML"));
  PageControl1->addTab(TabSheet2, QStringLiteral("Preview"));
  PageControl1->setCurrentIndex(0);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  layout->addWidget(Splitter1, 1);
  SetUpFindBar(layout);
  Panel3->installEventFilter(this);
}

void TAppForm::CreateBottomBar() {
  Panel1 = bar(this);
  auto* layout = new QHBoxLayout(Panel1);
  layout->setContentsMargins(3, 3, 3, 3);
  ButtonConvert = barButton(QStringLiteral("CONVERT"), "arrow", Panel1);
  QFont bold = ButtonConvert->font();
  bold.setBold(true);
  ButtonConvert->setFont(bold);
  Label1 = new QLabel(QStringLiteral("Dialect:"), Panel1);
  ComboBox1 = new QComboBox(Panel1);
  ComboBox1->addItems({QStringLiteral("CommonMark"), QStringLiteral("TxtMark"),
                       QStringLiteral("DaringFireball"), QStringLiteral("GitHub")});
  ComboBox1->setEditable(false);
  ComboBox1->setCurrentIndex(0);
  ButtonConvert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
  ButtonConvert->setToolTip(QStringLiteral("CONVERT (%1)").arg(
      ButtonConvert->shortcut().toString(QKeySequence::NativeText)));
  CheckBox1 = new QCheckBox(QStringLiteral("Allow Unsafe HTML"), Panel1);
  layout->addWidget(ButtonConvert);
  layout->addSpacing(8);
  layout->addWidget(Label1);
  layout->addWidget(ComboBox1);
  layout->addSpacing(8);
  layout->addWidget(CheckBox1);
  layout->addStretch(1);
  connect(ButtonConvert, &QPushButton::clicked, this,
          [this] { Guarded(&TAppForm::ButtonConvertClick); });
  connect(ComboBox1, &QComboBox::currentIndexChanged, this,
          [this] { Guarded(&TAppForm::ComboBox1Change); });
  connect(CheckBox1, &QCheckBox::toggled, this, [this] { Guarded(&TAppForm::CheckBox1Click); });
}

void TAppForm::CreateMainMenu() {
  File1 = menuBar()->addMenu(QStringLiteral("&File"));
  New1 = File1->addAction(icon("page_white"), QStringLiteral("New"));
  LoadFile1 = File1->addAction(icon("folder32"), QStringLiteral("Load File..."));
  // Its files are put in before "Clear List" (AppFormMarkdown.cpp).
  OpenRecent1 = File1->addMenu(Translate(QStringLiteral("Open Recent")));
  ClearList1 = OpenRecent1->addAction(Translate(QStringLiteral("Clear List")));
  SaveFile1 = File1->addAction(icon("floppy48"), QStringLiteral("Save File..."));
  SaveMarkdown1 = File1->addAction(Translate(QStringLiteral("Save Markdown...")));
  SaveMarkdownAs1 = File1->addAction(Translate(QStringLiteral("Save Markdown As...")));
  N6 = File1->addSeparator();
  ExportHtmlPage1 = File1->addAction(QStringLiteral("Export HTML Page..."));
  ExportPdf1 = File1->addAction(QStringLiteral("Export PDF..."));
  CopyHtml1 = File1->addAction(QStringLiteral("Copy HTML"));
  N1 = File1->addSeparator();
  BatchProcessing1 = File1->addAction(icon("multiple"), QStringLiteral("Batch Processing..."));
  N5 = File1->addSeparator();
  Exit1 = File1->addAction(icon("exit"), QStringLiteral("Exit"));
  New1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  LoadFile1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  SaveFile1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  SaveMarkdownAs1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  CopyHtml1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));

  Settings1 = menuBar()->addMenu(QStringLiteral("&Settings"));
  AutoConvert1 = Settings1->addAction(QStringLiteral("Auto Convert"));
  AutoConvert1->setCheckable(true);
  AutoConvert1->setChecked(false);
  StyledPreview1 = Settings1->addAction(QStringLiteral("Styled Preview"));
  StyledPreview1->setCheckable(true);

  Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
  Help2 = Help1->addAction(icon("help"), QStringLiteral("Online Help"));
  Help2->setShortcut(QKeySequence(Qt::Key_F1));
  N3 = Help1->addSeparator();
  UpdateNotifications1 = Help1->addAction(QStringLiteral("Update Notifications"));
  UpdateNotifications1->setCheckable(true);
  UpdateNotifications1->setChecked(true);
  UpdateNotifications1->setEnabled(false);  // until the first update check has finished
  UpdateNotificationsBar = Help1->addSeparator();
  Language1 = Help1->addAction(icon("flag"), QStringLiteral("Language..."));
  SendFeedback1 = Help1->addAction(icon("feedback"), QStringLiteral("Send &Feedback..."));
  About1 = Help1->addAction(icon("about"), QStringLiteral("&About..."));

  // "Auto Convert" is a checkable action: it toggles its own check mark.
  connect(New1, &QAction::triggered, this, [this] { Guarded(&TAppForm::New1Click); });
  connect(Exit1, &QAction::triggered, this, [this] { Guarded(&TAppForm::Exit1Click); });
  connect(Help2, &QAction::triggered, this, [this] { Guarded(&TAppForm::Help2Click); });
  connect(About1, &QAction::triggered, this, [this] { Guarded(&TAppForm::About1Click); });
  connect(Language1, &QAction::triggered, this, [this] { Guarded(&TAppForm::Language1Click); });
  connect(BatchProcessing1, &QAction::triggered, this,
          [this] { Guarded(&TAppForm::BatchProcessing1Click); });
  connect(BatchProcessing2, &QAction::triggered, this,
          [this] { Guarded(&TAppForm::BatchProcessing2Click); });
}

void TAppForm::SetUpEditors() {
  FSourceLexer = new TMarkdownLexer(this);
  FSourceLexer->Attach(SynEdit1);
  auto* htmlLexer = new QsciLexerHTML(this);
  htmlLexer->setDefaultFont(SynEdit2->font());
  htmlLexer->setFont(SynEdit2->font());
  SynEdit2->setLexer(htmlLexer);

  PopupMenu1 = CreateEditorPopup(
      SynEdit1, {&Undo1, &Redo1, &N2, &Cut1, &Copy1, &Paste1, &Delete1, &N4, &SelectAll1});
  PopupMenu2 = CreateEditorPopup(SynEdit2, {&MenuItem1, &Redo2, &MenuItem2, &MenuItem3, &MenuItem4,
                                            &MenuItem5, &MenuItem6, &MenuItem7, &MenuItem8});
  connect(SynEdit1, &TSynEdit::Changed, this, [this] { Guarded(&TAppForm::SynEdit1Change); });
}

void TAppForm::FormCreate() {
  const QString programFile = QCoreApplication::applicationFilePath();
  const TEXEVersionData versionData = ReadVersionData(programFile);
  AppCompanyName = versionData.CompanyName;
  AppProductName = versionData.ProductName;
  const TFixedFileVersion fileVersion = ReadFixedFileVersion(programFile);
  AppVersion = QStringLiteral("%1.%2").arg(fileVersion.Major).arg(fileVersion.Minor);
  AppTitle = AppCompanyName + QStringLiteral(" - ") + AppProductName;
  setWindowTitle(AppTitle);

  DataFolder = ChooseDataFolder(QCoreApplication::applicationDirPath(), AppCompanyName,
                                AppProductName);
  SetUpEditors();
  SetUpAutoConvert();
  SetUpDocuments();
  SetUpMarkdown();
  SetUpPreview();
  SetUpExport();
  SynEdit1->SetText(SampleDocument());
  SourceLines.SetText(SynEdit1->text());
  SetDocument(QString(), TLineEnds());
  QString settingsProblem;
  SettingsFile = OpenSettingsFile(DataFolder + QStringLiteral("settings.ini"), settingsProblem);
  if (!settingsProblem.isEmpty()) ErrorHandler::Show(settingsProblem);
  Guarded(&TAppForm::ButtonConvertClick);
  SetStatusText(QString());
  ErrorHandler::Run([] { Languages().LoadLanguage(QString()); });
}

void TAppForm::FormResize() {
  const int middleWidth = Panel3->width();
  const int pageWidth = middleWidth / 2;
  Splitter1->setSizes({std::max(0, middleWidth - pageWidth - kSplitterWidth), pageWidth});
}

bool TAppForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel3 && event->type() == QEvent::Resize) FormResize();
  return QMainWindow::eventFilter(watched, event);
}

void TAppForm::Exit1Click() {
  if (close()) QApplication::quit();
}

void TAppForm::closeEvent(QCloseEvent* event) {
  if (OfferToSaveDocument()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TAppForm::Help2Click() {
  // Any error here is ignored: the help page is a convenience. Without a real
  // web host the guide that comes with the program is opened instead.
  if (!WebHostIsReal()) {
    Desktop().OpenUrl(QUrl::fromLocalFile(LocalGuideFile()));
    return;
  }
  QString slug = AppProductName.toLower();
  slug.replace(u' ', u'-');
  Desktop().OpenUrl(QUrl(QStringLiteral("http://%1/help/%2/").arg(WebHost(), slug)));
}

void TAppForm::BatchProcessing1Click() {
  auto* form = new TFormBatch(this, *this);
  form->show();
}

void TAppForm::BatchProcessing2Click() { BatchProcessing1Click(); }

void TAppForm::About1Click() {
  TAboutForm form(this);
  form.exec();
}

QString TAppForm::StatusText() const { return StatusPanel0->text(); }

void TAppForm::SetStatusText(const QString& text) { StatusPanel0->setText(text); }

void TAppForm::Guarded(void (TAppForm::*handler)()) {
  ErrorHandler::Run([this, handler] { (this->*handler)(); });
}
