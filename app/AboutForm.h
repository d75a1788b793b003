// The About window: the program's name and version, the maker's web site and
// the licences of the pictures the program ships.
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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls; each one's object name is its member name.
  QLabel* Image1 = nullptr;
  QLabel* LabelTitle = nullptr;
  QLabel* LabelVersion = nullptr;
  QLabel* LabelWebSite = nullptr;
  QLabel* LabelIcons = nullptr;
  QLabel* LabelFlags = nullptr;
  QPlainTextEdit* MemoLicences = nullptr;  // the full notices of the icon and flag sets
  QPushButton* ButtonOK = nullptr;
  void NameControls();
};
