// The language window: lists the languages that have a file, shows who
// translated the selected one and restarts the program into a new choice.
#pragma once

#include <QDialog>

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QModelIndex;
class QPainter;
class QPlainTextEdit;
class QPushButton;
class QStyleOptionViewItem;

// The image name of the flag drawn for a language list item ("de" for "German",
// "xx" for any text without a flag of its own).
QString FlagImageName(const QString& itemText);

// The translators named by a language file's "INFO:Translated By" text, one
// per line.
QStringList TranslatorLines(const QString& translatedBy);

class TTranslateForm : public QDialog {
  Q_OBJECT
 public:
  explicit TTranslateForm(QWidget* parent = nullptr);

  // Receives the chosen language file before the restart; the main window sets
  // it to its SetLanguageFile.
  std::function<void(const QString& fileName)> SetLanguageFile;

  // Asked once the restart is confirmed, before anything else happens; false
  // stops the restart. The main window offers an edited document for saving.
  std::function<bool()> MayRestart;

  // The item selected when the window finished opening.
  QString OpeningLanguage;

  // The address Label3 opens.
  static QString TranslationPageUrl();

 public Q_SLOTS:
  void ComboBox1Change();
  void Button1Click();
  void Label3Click();
  void Copy1Click();
  void SelectAll1Click();

 public:
  // Draws one language list item: background, the flag at the top-left, the
  // text one flag width to its right.
  void ComboBox1DrawItem(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls; each one's object name is its member name.
  QLabel* Label1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* Label2 = nullptr;
  QPlainTextEdit* RichEdit1 = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* Button1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* SelectAll1 = nullptr;
  void NameControls();

  void FormCreate();
  void CreateControls();
  void AddLanguageItem(const QString& text);
  bool AskRestart() const;
  void Restart();
};
