// A main window for tests: its file dialogs answer with a prepared file name
// and remember how they were set up.
#pragma once

#include "AppForm.h"

#include <QFile>
#include <QFileDialog>
#include <QTest>

class TTestForm : public TAppForm {
 public:
  QString DialogAnswer;  // "" answers like a cancelled dialog
  int DialogCount = 0;
  QFileDialog::AcceptMode DialogMode = QFileDialog::AcceptOpen;
  QFileDialog::FileMode DialogFileMode = QFileDialog::AnyFile;
  QStringList DialogFilters;
  QString DialogSuffix;
  bool DialogConfirmsOverwrite = false;

 protected:
  QString RunFileDialog(QFileDialog& dialog) override {
    ++DialogCount;
    DialogMode = dialog.acceptMode();
    DialogFileMode = dialog.fileMode();
    DialogFilters = dialog.nameFilters();
    DialogSuffix = dialog.defaultSuffix();
    DialogConfirmsOverwrite = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
    return DialogAnswer;
  }
};

inline void WriteTestFile(const QString& fileName, const QByteArray& bytes) {
  QFile file(fileName);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

inline QByteArray ReadTestFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
  return file.readAll();
}
