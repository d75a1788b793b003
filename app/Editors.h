// The code editors of the windows (QScintilla) and what the source editor
// does with web addresses.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <QString>

class QAction;
class QMenu;

// The editors' font: the system's fixed-width font at 10 pt.
QFont EditorFont();

// A code editor set up the same way in every window: line numbers of at least
// three digits, no right-edge line, no folding, no border, tabs kept as tabs,
// CR LF line breaks, Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo. Changed()
// follows every change of the text, whether typed or set by the program: a
// typed key's before its handling ends, a command's (Undo, Paste) once the
// event loop runs again, the edits of one command possibly together.
class TSynEdit : public QsciScintilla {
  Q_OBJECT
 public:
  explicit TSynEdit(QWidget* parent = nullptr);

  // Replaces the whole text; one Changed() follows.
  void SetText(const QString& text);
  // Removes the whole text; one Changed() follows.
  void Clear();
  // Makes `text` the whole text by replacing only the part that differs (the
  // common beginning and end of the old and new text are kept), so the cost
  // follows the size of the change and the view and caret stay where they are;
  // one Changed() follows. The undo history is cleared, as by SetText.
  void ReplaceChangedPart(const QString& text);
  // True while the Changed() of SetText or ReplaceChangedPart is being
  // handled: the program changed the text, not the user's typing.
  bool SettingText() const { return FSettingText; }
  // Removes the whole text as one edit that Undo takes back.
  void ClearUndoably();
  // Moves the caret to the start of line `line` (0-based).
  void CaretToLine(int line);
  // The menu shown on a right click.
  void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }
  // Sets the lexer and gives it the window palette's colours.
  void setLexer(QsciLexer* lexer = nullptr) override;

 Q_SIGNALS:
  void Changed();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  // A typed key's change is told of before the key's handling ends.
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  // A new palette (a dark desktop theme, say) recolours the text.
  void changeEvent(QEvent* event) override;

 private:
  void UpdateLineNumberWidth();
  void EmitProgramChange();
  // Chooses who tells of the changes: QScintilla, while assistive technology
  // is active, else the editor itself.
  void UseChangeNotices(bool assistiveTechnology);
  // Scintilla's notice of a change about to be made.
  void NoteComingChange(int type);
  // Emits Changed() for the changes made since it was last emitted, if any.
  void TellChanges();

  bool FSettingText = false;
  bool FOwnChangeNotices = false;
  bool FChangesToTell = false;
  QMenu* FPopupMenu = nullptr;
  int FLineNumberDigits = 0;
};

// The entries of an editor's popup menu, in their order.
struct TEditorPopupEntries {
  QAction** Undo;
  QAction** Redo;
  QAction** UndoSeparator;
  QAction** Cut;
  QAction** Copy;
  QAction** Paste;
  QAction** Delete;
  QAction** EditSeparator;
  QAction** SelectAll;
};

// Gives `editor` the editing popup menu: "Undo", "Redo", a separator, "Cut",
// "Copy", "Paste", "Delete", a separator, "Select All", each acting on that
// editor and showing its key; the entries are stored through `entries`.
QMenu* CreateEditorPopup(TSynEdit* editor, const TEditorPopupEntries& entries);

// Opens the address under a Ctrl+click in `editor`; `addressStyle` is the
// lexer's style of addresses, which becomes a hot spot.
void OpenAddressesOnCtrlClick(TSynEdit* editor, int addressStyle);

// The address that covers byte `position` of `lineBytes` (UTF-8), or "".
QString UriAt(const QByteArray& lineBytes, int position);

// The UTF-8 bytes of the editor's text from byte `start` to byte `end`.
QByteArray TextRangeBytes(const QsciScintilla& editor, int start, int end);

// The [start, end) byte ranges of the addresses in `bytes` (UTF-8 text).
QList<QPair<int, int>> FindUris(const QByteArray& bytes);
