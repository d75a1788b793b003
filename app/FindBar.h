// The find bar under the editors: a text to find (plain, whole words or a
// regular expression, with or without case), the next and previous match, the
// number of matches, and, where replacing is offered, replace and replace-all.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QsciScintilla;

class TFindBar : public QWidget {
  Q_OBJECT
 public:
  explicit TFindBar(QWidget* parent = nullptr);

  // Shows the bar for `editor` with the focus in the find text; `replace`
  // shows the replace row too. The editor's selection, when it is on one
  // line, becomes the text to find.
  void Open(QsciScintilla* editor, bool replace);
  // The editor searched; null before the first Open.
  QsciScintilla* Target() const { return FTarget; }

  // Selects the next match after the selection (the previous one before it),
  // going round the end of the text; whether there was one. An empty find
  // text or a wrong regular expression finds nothing.
  bool FindNext();
  bool FindPrevious();
  // Replaces the selected match, when the selection is one, and selects the next.
  bool ReplaceOne();
  // Replaces every match in one undoable step; how many were replaced.
  int ReplaceAll();
  // The number of matches in the whole text (counting stops at kMaxCounted).
  int MatchCount() const;
  static constexpr int kMaxCounted = 10000;

 public Q_SLOTS:
  void EditFindChange();
  void ButtonFindNextClick();
  void ButtonFindPreviousClick();
  void ButtonReplaceClick();
  void ButtonReplaceAllClick();
  void ButtonCloseFindClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLineEdit* EditFind = nullptr;
  QToolButton* ButtonFindPrevious = nullptr;
  QToolButton* ButtonFindNext = nullptr;
  QCheckBox* CheckMatchCase = nullptr;
  QCheckBox* CheckWholeWords = nullptr;
  QCheckBox* CheckRegularExpression = nullptr;
  QLabel* LabelMatches = nullptr;
  QToolButton* ButtonCloseFind = nullptr;
  QWidget* ReplaceRow = nullptr;
  QLineEdit* EditReplace = nullptr;
  QPushButton* ButtonReplace = nullptr;
  QPushButton* ButtonReplaceAll = nullptr;
  void NameControls();

  // Searches the target for the find text from byte `from` towards byte `to`
  // (backwards when `to` < `from`); the match's start and end, or false.
  bool Search(int from, int to, int& matchStart, int& matchEnd) const;
  // Whether the text from `start` to `end` has no letter, digit or "_" on either side.
  bool IsWholeWord(int start, int end) const;
  void SelectMatch(int start, int end);
  int SearchFlags() const;
  int TextLength() const;
  void ShowMatchCount();

  QsciScintilla* FTarget = nullptr;
};
