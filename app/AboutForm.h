// The About window: the program's icon, name and version, the maker's web
// site, one line for Glyphmill's licence and one per icon set, and a
// "Licences" button that shows the full notices.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TAboutForm : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutForm(QWidget* parent = nullptr);

  // The maker's home page.
  static QString HomePage();

 public Q_SLOTS:
  void LabelWebSiteClick();
  // Shows or folds away the full licence notices.
  void ButtonLicencesClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls; each one's object name is its member name.
  QLabel* Image1 = nullptr;
  QLabel* LabelTitle = nullptr;
  QLabel* LabelVersion = nullptr;
  QLabel* LabelWebSite = nullptr;
  QLabel* LabelLicence = nullptr;  // Glyphmill's licence in one line
  QLabel* LabelIcons = nullptr;
  QLabel* LabelFlags = nullptr;
  QPlainTextEdit* MemoLicences = nullptr;  // the full notices, hidden until ButtonLicences
  QPushButton* ButtonLicences = nullptr;
  QPushButton* ButtonOK = nullptr;
  void NameControls();
};
