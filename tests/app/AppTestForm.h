// A main window for tests: its file dialogs answer with a prepared file name
// and remember how they were set up.
#pragma once

#include "AppForm.h"
#include "AppTestSupport.h"

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

