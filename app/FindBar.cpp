#include "FindBar.h"

#include "ObjectNames.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using Sci = QsciScintillaBase;

QToolButton* toolButton(const QString& text, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

TFindBar::TFindBar(QWidget* parent) : QWidget(parent) {
  EditFind = new QLineEdit(this);
  EditFind->setPlaceholderText(QStringLiteral("Find"));
  EditFind->setClearButtonEnabled(true);
  ButtonFindPrevious = toolButton(QStringLiteral("\u25B2"), QStringLiteral("Previous (Shift+F3)"), this);
  ButtonFindNext = toolButton(QStringLiteral("\u25BC"), QStringLiteral("Next (F3)"), this);
  CheckMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
  CheckWholeWords = new QCheckBox(QStringLiteral("Whole words"), this);
  CheckRegularExpression = new QCheckBox(QStringLiteral("Regular expression"), this);
  LabelMatches = new QLabel(this);
  ButtonCloseFind = toolButton(QStringLiteral("\u2715"), QStringLiteral("Close (Escape)"), this);
  ReplaceRow = new QWidget(this);
  EditReplace = new QLineEdit(ReplaceRow);
  EditReplace->setPlaceholderText(QStringLiteral("Replace with"));
  ButtonReplace = new QPushButton(QStringLiteral("Replace"), ReplaceRow);
  ButtonReplaceAll = new QPushButton(QStringLiteral("Replace All"), ReplaceRow);

  auto* findRow = new QHBoxLayout;
  findRow->addWidget(EditFind, 1);
  findRow->addWidget(ButtonFindPrevious);
  findRow->addWidget(ButtonFindNext);
  findRow->addWidget(CheckMatchCase);
  findRow->addWidget(CheckWholeWords);
  findRow->addWidget(CheckRegularExpression);
  findRow->addWidget(LabelMatches);
  findRow->addWidget(ButtonCloseFind);
  auto* replaceRow = new QHBoxLayout(ReplaceRow);
  replaceRow->setContentsMargins(0, 0, 0, 0);
  replaceRow->addWidget(EditReplace, 1);
  replaceRow->addWidget(ButtonReplace);
  replaceRow->addWidget(ButtonReplaceAll);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(3, 2, 3, 2);
  layout->setSpacing(2);
  layout->addLayout(findRow);
  layout->addWidget(ReplaceRow);

  connect(EditFind, &QLineEdit::textChanged, this, &TFindBar::EditFindChange);
  connect(EditFind, &QLineEdit::returnPressed, this, &TFindBar::ButtonFindNextClick);
  connect(EditReplace, &QLineEdit::returnPressed, this, &TFindBar::ButtonReplaceClick);
  connect(ButtonFindNext, &QToolButton::clicked, this, &TFindBar::ButtonFindNextClick);
  connect(ButtonFindPrevious, &QToolButton::clicked, this, &TFindBar::ButtonFindPreviousClick);
  connect(ButtonReplace, &QPushButton::clicked, this, &TFindBar::ButtonReplaceClick);
  connect(ButtonReplaceAll, &QPushButton::clicked, this, &TFindBar::ButtonReplaceAllClick);
  connect(ButtonCloseFind, &QToolButton::clicked, this, &TFindBar::ButtonCloseFindClick);
  for (QCheckBox* option : {CheckMatchCase, CheckWholeWords, CheckRegularExpression})
    connect(option, &QCheckBox::toggled, this, &TFindBar::ShowMatchCount);
  NameControls();
  hide();
}

void TFindBar::NameControls() {
  SetObjectNames({{EditFind, "EditFind"},
                  {ButtonFindPrevious, "ButtonFindPrevious"},
                  {ButtonFindNext, "ButtonFindNext"},
                  {CheckMatchCase, "CheckMatchCase"},
                  {CheckWholeWords, "CheckWholeWords"},
                  {CheckRegularExpression, "CheckRegularExpression"},
                  {LabelMatches, "LabelMatches"},
                  {ButtonCloseFind, "ButtonCloseFind"},
                  {ReplaceRow, "ReplaceRow"},
                  {EditReplace, "EditReplace"},
                  {ButtonReplace, "ButtonReplace"},
                  {ButtonReplaceAll, "ButtonReplaceAll"}});
}

void TFindBar::Open(QsciScintilla* editor, bool replace) {
  FTarget = editor;
  const QString selected = editor->selectedText();
  if (!selected.isEmpty() && !selected.contains(u'\n') && !selected.contains(u'\r'))
    EditFind->setText(selected);
  ReplaceRow->setVisible(replace);
  show();
  EditFind->setFocus();
  EditFind->selectAll();
  ShowMatchCount();
}

int TFindBar::SearchFlags() const {
  int flags = 0;
  if (CheckMatchCase->isChecked()) flags |= Sci::SCFIND_MATCHCASE;
  if (CheckWholeWords->isChecked()) flags |= Sci::SCFIND_WHOLEWORD;
  if (CheckRegularExpression->isChecked()) flags |= Sci::SCFIND_REGEXP | Sci::SCFIND_CXX11REGEX;
  return flags;
}

int TFindBar::TextLength() const { return int(FTarget->SendScintilla(Sci::SCI_GETLENGTH)); }

namespace {

// Whether `text` holds a letter outside ASCII that has another case.
bool hasOtherCasedLetter(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x80 && (c.toLower() != c || c.toUpper() != c)) return true;
  }
  return false;
}

// `text` as a regular expression that finds it in any case: Scintilla folds
// only ASCII letters, so each other letter stands with its other case ("é" as
// "[éÉ]"); the characters that mean something in an expression are escaped.
QString anyCasePattern(const QString& text) {
  static const QString kSpecial = QStringLiteral("\\^$.|?*+()[]{}");
  QString pattern;
  for (const QChar c : text) {
    const QChar lower = c.toLower();
    const QChar upper = c.toUpper();
    if (c.unicode() >= 0x80 && (lower != c || upper != c)) {
      pattern += u'[' + QString(lower) + QString(upper) + u']';
    } else if (kSpecial.contains(c)) {
      pattern += u'\\' + QString(c);
    } else {
      pattern += c;
    }
  }
  return pattern;
}

}  // namespace

bool TFindBar::Search(int from, int to, int& matchStart, int& matchEnd) const {
  if (FTarget == nullptr || EditFind->text().isEmpty()) return false;
  int flags = SearchFlags();
  QString text = EditFind->text();
  // A plain text in any case with letters Scintilla does not fold is found as
  // an expression; whole words are then checked here.
  const bool anyCase = !(flags & (Sci::SCFIND_MATCHCASE | Sci::SCFIND_REGEXP)) && hasOtherCasedLetter(text);
  const bool checkWords = anyCase && (flags & Sci::SCFIND_WHOLEWORD);
  if (anyCase) {
    text = anyCasePattern(text);
    flags = (flags & ~Sci::SCFIND_WHOLEWORD) | Sci::SCFIND_REGEXP | Sci::SCFIND_CXX11REGEX;
  }
  const QByteArray pattern = text.toUtf8();
  FTarget->SendScintilla(Sci::SCI_SETSEARCHFLAGS, flags);
  while (true) {
    FTarget->SendScintilla(Sci::SCI_SETTARGETRANGE, from, long(to));
    const long found = FTarget->SendScintilla(Sci::SCI_SEARCHINTARGET, pattern.size(), pattern.constData());
    if (found < 0) return false;  // no match, or a wrong regular expression (-2)
    matchStart = int(found);
    matchEnd = int(FTarget->SendScintilla(Sci::SCI_GETTARGETEND));
    if (!checkWords || IsWholeWord(matchStart, matchEnd)) return true;
    // Not a whole word: search again past this match's start (or before its end).
    from = to >= from ? int(FTarget->SendScintilla(Sci::SCI_POSITIONAFTER, matchStart))
                      : int(FTarget->SendScintilla(Sci::SCI_POSITIONBEFORE, matchEnd));
    if (from == matchStart || from == matchEnd) return false;  // at the end of the text
  }
}

bool TFindBar::IsWholeWord(int start, int end) const {
  const auto isWordCharacter = [this](int position) {
    const int next = int(FTarget->SendScintilla(Sci::SCI_POSITIONAFTER, position));
    if (next <= position) return false;
    QByteArray bytes(next - position, '\0');
    FTarget->SendScintilla(Sci::SCI_GETTEXTRANGE, position, next, bytes.data());
    const QString character = QString::fromUtf8(bytes);
    return !character.isEmpty() && (character.front().isLetterOrNumber() || character.front() == u'_');
  };
  const bool startsWord = start == 0 || !isWordCharacter(int(FTarget->SendScintilla(Sci::SCI_POSITIONBEFORE, start)));
  return startsWord && (end >= TextLength() || !isWordCharacter(end));
}

void TFindBar::SelectMatch(int start, int end) {
  FTarget->SendScintilla(Sci::SCI_SETSEL, start, long(end));
  FTarget->SendScintilla(Sci::SCI_SCROLLRANGE, end, long(start));
}

bool TFindBar::FindNext() {
  if (FTarget == nullptr) return false;
  const int caret = int(FTarget->SendScintilla(Sci::SCI_GETSELECTIONSTART));
  const int from = int(FTarget->SendScintilla(Sci::SCI_GETSELECTIONEND));
  int start = 0;
  int end = 0;
  bool found = Search(from, TextLength(), start, end);
  // An empty match where the caret stands is not found again: look past it.
  if (found && start == end && start == caret && from == caret && from < TextLength())
    found = Search(int(FTarget->SendScintilla(Sci::SCI_POSITIONAFTER, from)), TextLength(), start, end);
  if (!found && !Search(0, TextLength(), start, end)) return false;
  SelectMatch(start, end);
  return true;
}

bool TFindBar::FindPrevious() {
  if (FTarget == nullptr) return false;
  const int from = int(FTarget->SendScintilla(Sci::SCI_GETSELECTIONSTART));
  int start = 0;
  int end = 0;
  if (!Search(from, 0, start, end) && !Search(TextLength(), 0, start, end)) return false;
  SelectMatch(start, end);
  return true;
}

bool TFindBar::ReplaceOne() {
  if (FTarget == nullptr) return false;
  const int selectionStart = int(FTarget->SendScintilla(Sci::SCI_GETSELECTIONSTART));
  const int selectionEnd = int(FTarget->SendScintilla(Sci::SCI_GETSELECTIONEND));
  int start = 0;
  int end = 0;
  if (Search(selectionStart, selectionEnd, start, end) && start == selectionStart &&
      end == selectionEnd) {
    const QByteArray replacement = EditReplace->text().toUtf8();
    const unsigned int message = CheckRegularExpression->isChecked() ? Sci::SCI_REPLACETARGETRE
                                                                     : Sci::SCI_REPLACETARGET;
    FTarget->SendScintilla(message, replacement.size(), replacement.constData());
    const int replacedEnd = int(FTarget->SendScintilla(Sci::SCI_GETTARGETEND));
    FTarget->SendScintilla(Sci::SCI_SETSEL, replacedEnd, long(replacedEnd));
  }
  const bool found = FindNext();
  ShowMatchCount();
  return found;
}

int TFindBar::ReplaceAll() {
  if (FTarget == nullptr) return 0;
  const QByteArray replacement = EditReplace->text().toUtf8();
  const unsigned int message =
      CheckRegularExpression->isChecked() ? Sci::SCI_REPLACETARGETRE : Sci::SCI_REPLACETARGET;
  int replaced = 0;
  int from = 0;
  int start = 0;
  int end = 0;
  FTarget->beginUndoAction();
  while (from <= TextLength() && Search(from, TextLength(), start, end)) {
    FTarget->SendScintilla(message, replacement.size(), replacement.constData());
    ++replaced;
    from = int(FTarget->SendScintilla(Sci::SCI_GETTARGETEND));
    if (end == start) {  // an empty match: go on after the next character
      if (from >= TextLength()) break;
      from = int(FTarget->SendScintilla(Sci::SCI_POSITIONAFTER, from));
    }
  }
  FTarget->endUndoAction();
  ShowMatchCount();
  return replaced;
}

int TFindBar::MatchCount() const {
  int count = 0;
  int from = 0;
  int start = 0;
  int end = 0;
  const int length = FTarget != nullptr ? TextLength() : 0;
  while (count < kMaxCounted && from <= length && Search(from, length, start, end)) {
    ++count;
    if (end > start) {
      from = end;
    } else if (end >= length) {
      break;
    } else {
      from = int(FTarget->SendScintilla(Sci::SCI_POSITIONAFTER, end));
    }
  }
  return count;
}

void TFindBar::ShowMatchCount() {
  if (EditFind->text().isEmpty()) {
    LabelMatches->clear();
    return;
  }
  const int count = MatchCount();
  if (count >= kMaxCounted)
    LabelMatches->setText(QStringLiteral("%1+ matches").arg(kMaxCounted));
  else
    LabelMatches->setText(count == 1 ? QStringLiteral("1 match") : QStringLiteral("%1 matches").arg(count));
}

void TFindBar::EditFindChange() { ShowMatchCount(); }
void TFindBar::ButtonFindNextClick() { FindNext(); }
void TFindBar::ButtonFindPreviousClick() { FindPrevious(); }
void TFindBar::ButtonReplaceClick() { ReplaceOne(); }
void TFindBar::ButtonReplaceAllClick() { ReplaceAll(); }

void TFindBar::ButtonCloseFindClick() {
  hide();
  if (FTarget != nullptr) FTarget->setFocus();
}

void TFindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    ButtonCloseFindClick();
    return;
  }
  QWidget::keyPressEvent(event);
}
