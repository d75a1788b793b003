// The main window's part in the interface language: the language window and
// the choice it hands back.
#include "AppForm.h"

#include "Languages.h"
#include "TranslateForm.h"

void TAppForm::Language1Click() {
  TTranslateForm form(this);
  form.SetLanguageFile = [this](const QString& fileName) { SetLanguageFile(fileName); };
  form.MayRestart = [this] { return OfferToSaveDocument(); };
  form.exec();
}

void TAppForm::SetLanguageFile(const QString& Filename) { StoreLanguageFile(Filename); }
