#include "TranslateForm.h"

#include "AppGlobals.h"
#include "ErrorHandler.h"
#include "Languages.h"
#include "ObjectNames.h"
#include "WebHost.h"
#include "platform/Desktop.h"
#include "platform/RestartScript.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHash>
#include <QMouseEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>

namespace {

constexpr int kItemHeight = 18;
const QSize kFlagSize(16, 11);
const QString kEnglish = QStringLiteral("English");

QPixmap flag(const QString& itemText) {
  return QPixmap(QStringLiteral(":/flags/%1.png").arg(FlagImageName(itemText)));
}

// Hands the drawing of the list's items to the window.
class TFlagItemDelegate : public QStyledItemDelegate {
 public:
  TFlagItemDelegate(const TTranslateForm* form, QObject* parent)
      : QStyledItemDelegate(parent), FForm(form) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    FForm->ComboBox1DrawItem(painter, option, index);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width() + kFlagSize.width(),
            kItemHeight};
  }

 private:
  const TTranslateForm* FForm;
};

}  // namespace

QString FlagImageName(const QString& itemText) {
  static const QHash<QString, QString> images = {
      {"English", "english"},
      {"German", "de"},
      {"French", "fr"},
      {"Turkish", "tr"},
      {"Albanian", "al"},
      {"Arabic", "sa"},
      {"Bulgarian", "bg"},
      {"ChineseSimplified", "cn"},
      {"ChineseTraditional", "tw"},
      {"Czech", "cz"},
      {"Dutch", "nl"},
      {"Finnish", "fi"},
      {"Greek", "gr"},
      {"Hebrew", "il"},
      {"Hungarian", "hu"},
      {"Abkhazian", "ab"},
      {"Catalan", "ca"},
      {"Italian", "it"},
      {"Japanese", "jp"},
      {"Korean", "kr"},
      {"Persian", "ir"},
      {"Polish", "pl"},
      {"PortugueseBrazil", "br"},
      {"PortuguesePortugal", "pt"},
      {"Romanian", "ro"},
      {"Russian", "ru"},
      {"Slovenian", "si"},
      {"Spanish", "es"},
      {"Swedish", "se"},
      {"Ukrainian", "ua"},
      {"Vietnamese", "vi"},
      {"Slovak", "sk"},
      {"Norwegian", "no"},
      {"Hindi", "in"},
  };
  return images.value(itemText, QStringLiteral("xx"));
}

QStringList TranslatorLines(const QString& translatedBy) {
  QStringList lines;
  for (const QString& part : translatedBy.split(u',')) lines.append(part.trimmed());
  return lines;
}

TTranslateForm::TTranslateForm(QWidget* parent) : QDialog(parent) {
  SetLanguageFile = StoreLanguageFile;
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(QFont(QStringLiteral("Tahoma"), 12));
  CreateControls();
  setFixedSize(622, 227);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  FormCreate();
  NameControls();
}

void TTranslateForm::NameControls() {
  SetObjectNames({{Label1, "Label1"},
                  {ComboBox1, "ComboBox1"},
                  {Label2, "Label2"},
                  {RichEdit1, "RichEdit1"},
                  {Label3, "Label3"},
                  {Button1, "Button1"},
                  {PopupMenu1, "PopupMenu1"},
                  {Copy1, "Copy1"},
                  {SelectAll1, "SelectAll1"}});
}

void TTranslateForm::CreateControls() {
  Label1 = new QLabel(this);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setEditable(false);
  ComboBox1->setIconSize(kFlagSize);
  ComboBox1->setItemDelegate(new TFlagItemDelegate(this, ComboBox1));
  Label2 = new QLabel(this);
  RichEdit1 = new QPlainTextEdit(this);
  RichEdit1->setReadOnly(true);
  RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
  RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit1->setBackgroundRole(QPalette::Window);
  RichEdit1->viewport()->setBackgroundRole(QPalette::Window);
  RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
  Label3 = new QLabel(this);
  Label3->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
  Label3->setCursor(Qt::PointingHandCursor);
  Label3->setToolTip(TranslationPageUrl());
  Label3->installEventFilter(this);
  Button1 = new QPushButton(QIcon(QStringLiteral(":/icons/tick.png")), QString(), this);
  Button1->setDefault(true);

  PopupMenu1 = new QMenu(this);
  Copy1 = PopupMenu1->addAction(QIcon(QStringLiteral(":/icons/page_copy.png")), QString());
  SelectAll1 = PopupMenu1->addAction(QString());

  auto* layout = new QGridLayout(this);
  layout->addWidget(Label1, 0, 0);
  layout->addWidget(ComboBox1, 1, 0, Qt::AlignTop);
  layout->addWidget(Label2, 0, 1);
  layout->addWidget(RichEdit1, 1, 1);
  layout->addWidget(Label3, 2, 0, Qt::AlignLeft | Qt::AlignVCenter);
  layout->addWidget(Button1, 2, 1, Qt::AlignRight);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(1, 1);

  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TTranslateForm::ComboBox1Change);
  connect(Button1, &QPushButton::clicked, this,
          [this] { ErrorHandler::Run([this] { Button1Click(); }); });
  connect(Copy1, &QAction::triggered, this, &TTranslateForm::Copy1Click);
  connect(SelectAll1, &QAction::triggered, this, &TTranslateForm::SelectAll1Click);
  connect(RichEdit1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    PopupMenu1->popup(RichEdit1->viewport()->mapToGlobal(at));
  });
}

void TTranslateForm::FormCreate() {
  setWindowTitle(Translate(QStringLiteral("Language")));
  Label1->setText(Translate(QStringLiteral("User Interface Language:")));
  Label2->setText(Translate(QStringLiteral("Translated by:")));
  Button1->setText(Translate(QStringLiteral("OK")));
  Label3->setText(Translate(QStringLiteral("Contribute to Translation")));
  Copy1->setText(Translate(QStringLiteral("Copy")));
  SelectAll1->setText(Translate(QStringLiteral("Select All")));

  const QSignalBlocker filling(ComboBox1);
  AddLanguageItem(kEnglish);
  for (const QString& file : Languages().LanguageFiles) AddLanguageItem(LanguageNameOf(file));
  // With no language loaded the window opens on English, even beside an item
  // whose name is empty.
  const QString current = Languages().CurrentLanguageName;
  const int found = current.isEmpty() ? -1 : ComboBox1->findText(current, Qt::MatchExactly);
  ComboBox1->setCurrentIndex(found >= 0 ? found : ComboBox1->findText(kEnglish));
  ComboBox1Change();
  OpeningLanguage = ComboBox1->currentText();
}

// Inserts `text` where it keeps the list sorted (letter case aside).
void TTranslateForm::AddLanguageItem(const QString& text) {
  int at = 0;
  while (at < ComboBox1->count() &&
         QString::compare(ComboBox1->itemText(at), text, Qt::CaseInsensitive) <= 0) {
    ++at;
  }
  ComboBox1->insertItem(at, QIcon(flag(text)), text);
}

void TTranslateForm::ComboBox1Change() {
  const QString item = ComboBox1->currentText();
  QString translatedBy;
  if (item == kEnglish) {
    translatedBy = QStringLiteral("Kelmoor");
  } else {
    const QString key = QStringLiteral("INFO:Translated By");
    try {
      const QStringList lines = ReadLanguageLines(Languages().LanguagesFolder + u'/' + item +
                                                  QStringLiteral(".lang.txt"));
      translatedBy = KeyText(lines, key).value_or(key);
    } catch (const std::runtime_error&) {
      translatedBy.clear();
    }
  }
  RichEdit1->clear();
  if (!translatedBy.isEmpty()) RichEdit1->setPlainText(TranslatorLines(translatedBy).join(u'\n'));
}

void TTranslateForm::ComboBox1DrawItem(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& palette = option.palette;
  painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
  const QString text = index.data(Qt::DisplayRole).toString();
  const QPixmap image = flag(text);
  painter->drawPixmap(option.rect.topLeft(), image);
  painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
  const QRect textRect = option.rect.adjusted(kFlagSize.width() + 2, 0, 0, 0);
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
}

void TTranslateForm::Button1Click() {
  const QString chosen = ComboBox1->currentText();
  if (chosen == OpeningLanguage) {
    close();
    return;
  }
  if (!AskRestart()) return;
  if (MayRestart && !MayRestart()) return;
  Restart();
}

bool TTranslateForm::AskRestart() const {
  TQuestion question;
  question.Caption = Translate(QStringLiteral("Confirmation"));
  question.Text = Translate(QStringLiteral("Restart Application?"));
  question.ButtonTexts = {{QMessageBox::Yes, Translate(QStringLiteral("Yes"))},
                          {QMessageBox::No, Translate(QStringLiteral("No"))}};
  return Desktop().Ask(const_cast<TTranslateForm*>(this), question) == QMessageBox::Yes;
}

// Keeps the choice, writes the script that starts the program again, has it run
// and ends the program.
void TTranslateForm::Restart() {
  SetLanguageFile(ComboBox1->currentText() + QStringLiteral(".lang.txt"));
  QCoreApplication::processEvents();
  const QString script = DataFolder + QStringLiteral("start.bat");
  WriteRestartScript(script, QCoreApplication::applicationFilePath());
  QCoreApplication::processEvents();
  Desktop().RunRestartScript(script, DataFolder);
  QCoreApplication::processEvents();
  done(QDialog::Accepted);
  Desktop().EndProgram();
}

QString TTranslateForm::TranslationPageUrl() {
  return QStringLiteral("https://%1/translation/").arg(WebHost());
}

void TTranslateForm::Label3Click() { Desktop().OpenUrl(QUrl(TranslationPageUrl())); }

void TTranslateForm::Copy1Click() { RichEdit1->copy(); }

void TTranslateForm::SelectAll1Click() { RichEdit1->selectAll(); }

bool TTranslateForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label3 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Label3Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
