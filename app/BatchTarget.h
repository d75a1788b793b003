// What a batch run asks of the main window: each file is loaded, converted and
// saved there, with the window's own dialect and safe mode.
#pragma once

class QString;

class TBatchTarget {
 public:
  // Asked once before a run replaces the main window's document: offers an
  // edited document for saving; false when the person cancels the run.
  virtual bool MayReplaceDocument() = 0;
  // Loads a file as the main window's document.
  virtual void DosyaAc(const QString& fileName) = 0;
  // Converts the document.
  virtual void ButtonConvertClick() = 0;
  // Writes the document's HTML to a file.
  virtual void DosyaKaydet(const QString& fileName) = 0;

 protected:
  ~TBatchTarget() = default;
};
