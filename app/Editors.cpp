#include "Editors.h"

#include "EditorAccessibility.h"
#include "EditorColours.h"
#include "Languages.h"
#include "TextChange.h"
#include "platform/Desktop.h"

#include <Qsci/qscilexer.h>

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMarksMargin = 0;
constexpr int kNumbersMargin = 1;
constexpr int kSpaceMargin = 2;

int digitCount(int number) {
  int digits = 1;
  while (number >= 10) {
    number /= 10;
    ++digits;
  }
  return digits;
}

// Characters that end an address: blanks, controls and the delimiters that
// usually surround one in Markdown and HTML.
bool endsUri(unsigned char c) {
  return c <= 32 || c == 127 || std::strchr("<>\"'()[]{}`|\\^", c) != nullptr;
}

bool startsWithNoCase(const QByteArray& bytes, int at, const char* prefix) {
  const int length = int(std::strlen(prefix));
  if (at + length > bytes.size()) return false;
  for (int i = 0; i < length; ++i) {
    const char c = bytes[at + i];
    const char lower = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    if (lower != prefix[i]) return false;
  }
  return true;
}

// Length of the scheme or "www." prefix that starts an address at `at`, or 0.
int uriPrefixAt(const QByteArray& bytes, int at) {
  static const char* const prefixes[] = {"https://", "http://", "ftp://", "file://", "mailto:",
                                         "www."};
  if (at > 0 && !endsUri(static_cast<unsigned char>(bytes[at - 1]))) return 0;
  for (const char* prefix : prefixes) {
    if (startsWithNoCase(bytes, at, prefix)) return int(std::strlen(prefix));
  }
  return 0;
}

}  // namespace

QFont EditorFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(10);
  return font;
}

QByteArray TextRangeBytes(const QsciScintilla& editor, int start, int end) {
  QByteArray bytes(end - start + 1, '\0');  // room for the closing NUL
  editor.SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, start, end, bytes.data());
  bytes.resize(end - start);
  return bytes;
}

QList<QPair<int, int>> FindUris(const QByteArray& bytes) {
  QList<QPair<int, int>> ranges;
  int i = 0;
  while (i < bytes.size()) {
    const int prefix = uriPrefixAt(bytes, i);
    if (prefix == 0) {
      ++i;
      continue;
    }
    int end = i + prefix;
    while (end < bytes.size() && !endsUri(static_cast<unsigned char>(bytes[end]))) ++end;
    // A sentence's full stop or comma after an address is not part of it.
    while (end > i + prefix && std::strchr(".,;:!?", bytes[end - 1]) != nullptr) --end;
    if (end > i + prefix) ranges.append({i, end});
    i = end > i ? end : i + 1;
  }
  return ranges;
}

QString UriAt(const QByteArray& lineBytes, int position) {
  for (const auto& range : FindUris(lineBytes)) {
    if (position >= range.first && position < range.second) {
      QString uri = QString::fromUtf8(lineBytes.mid(range.first, range.second - range.first));
      if (uri.startsWith(QLatin1StringView("www."), Qt::CaseInsensitive)) uri.prepend("http://");
      return uri;
    }
  }
  return {};
}

TSynEdit::TSynEdit(QWidget* parent) : QsciScintilla(parent) {
  UsePlainEditorAccessibilityWhileInactive();
  setUtf8(true);
  setFont(EditorFont());
  setEolMode(EolWindows);
  setAutoIndent(true);
  setIndentationsUseTabs(true);
  setBackspaceUnindents(true);  // smart tab delete
  setEdgeMode(EdgeNone);
  setFolding(NoFoldStyle);
  setFrameShape(QFrame::NoFrame);
  // No scrolling past the end of the longest line.
  SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
  SendScintilla(SCI_SETSCROLLWIDTH, 1);
  SendScintilla(SCI_SETENDATLASTLINE, 1);

  setMarginType(kMarksMargin, SymbolMargin);
  setMarginWidth(kMarksMargin, 13);
  setMarginType(kNumbersMargin, NumberMargin);
  setMarginLineNumbers(kNumbersMargin, true);
  setMarginType(kSpaceMargin, SymbolMargin);
  setMarginWidth(kSpaceMargin, 3);
  setMarginsFont(EditorFont());
  UpdateLineNumberWidth();

  // Ctrl+Y redoes already; Ctrl+Shift+Z does too, as in most editors.
  SendScintilla(SCI_ASSIGNCMDKEY, 'Z' + ((SCMOD_CTRL | SCMOD_SHIFT) << 16), SCI_REDO);

  connect(this, &QsciScintilla::textChanged, this, &TSynEdit::Changed);
  connect(this, &QsciScintilla::linesChanged, this, &TSynEdit::UpdateLineNumberWidth);
  connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
          [this](int, int type, const char*, int, int, int, int, int, int, int) { NoteComingChange(type); });
  UseChangeNotices(AssistiveTechnologyActive());
  FollowAssistiveTechnology(this, [this](bool active) { UseChangeNotices(active); });
}

void TSynEdit::UseChangeNotices(bool assistiveTechnology) {
  // QScintilla's notice of a change made tells assistive technology where
  // it is by counting the characters from the start of the text: milliseconds
  // for every key in a long document. While none listens, the editor hears
  // only of changes about to be made and tells of them itself once made.
  TellChanges();
  FOwnChangeNotices = !assistiveTechnology;
  SendScintilla(SCI_SETMODEVENTMASK,
                FOwnChangeNotices ? (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE) : SC_MODEVENTMASKALL);
}

void TSynEdit::NoteComingChange(int type) {
  if (!FOwnChangeNotices || (type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE)) == 0) return;
  if (FChangesToTell) return;
  // Told once the change is made: at the end of a key's handling, or else
  // (an edit by a command, a drop) when the event loop next runs.
  FChangesToTell = true;
  QMetaObject::invokeMethod(this, &TSynEdit::TellChanges, Qt::QueuedConnection);
}

void TSynEdit::TellChanges() {
  if (!FChangesToTell) return;
  FChangesToTell = false;
  UpdateLineNumberWidth();
  Q_EMIT Changed();
}

void TSynEdit::keyPressEvent(QKeyEvent* event) {
  QsciScintilla::keyPressEvent(event);
  TellChanges();
}

void TSynEdit::inputMethodEvent(QInputMethodEvent* event) {
  QsciScintilla::inputMethodEvent(event);
  TellChanges();
}

void TSynEdit::SetText(const QString& text) {
  TellChanges();  // edits still to be told of came first
  {
    const QSignalBlocker quiet(this);
    setText(text);
  }
  UpdateLineNumberWidth();
  EmitProgramChange();
}

void TSynEdit::Clear() { SetText(QString()); }

void TSynEdit::EmitProgramChange() {
  const QScopedValueRollback settingText(FSettingText, true);
  Q_EMIT Changed();
}

void TSynEdit::ReplaceChangedPart(const QString& text) {
  TellChanges();
  const QByteArray newText = text.toUtf8();
  const qsizetype oldLength = SendScintilla(SCI_GETLENGTH);
  // The editor's own buffer, without a copy.
  const auto* oldText = reinterpret_cast<const char*>(SendScintilla(SCI_GETCHARACTERPOINTER));
  const TTextChange change = ChangeBetween(QByteArrayView(oldText, oldLength), newText);
  const qsizetype prefix = change.Start;
  const qsizetype suffix = change.Kept;
  {
    const QSignalBlocker quiet(this);
    // No change notices while the part is replaced: the change signal is
    // held back anyway, and each notice's accessibility update counts the
    // characters from the start of the text (milliseconds in a long one). A
    // screen reader reads the new text when it next asks for it.
    const long noticeMask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0);
    const bool readOnly = isReadOnly();
    setReadOnly(false);
    SendScintilla(SCI_SETUNDOCOLLECTION, false);
    SendScintilla(SCI_SETTARGETRANGE, prefix, oldLength - suffix);
    SendScintilla(SCI_REPLACETARGET, newText.size() - prefix - suffix, newText.constData() + prefix);
    SendScintilla(SCI_SETUNDOCOLLECTION, true);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    setReadOnly(readOnly);
    SendScintilla(SCI_SETMODEVENTMASK, noticeMask);
  }
  UpdateLineNumberWidth();
  EmitProgramChange();
}

void TSynEdit::ClearUndoably() {
  TellChanges();
  {
    const QSignalBlocker quiet(this);
    SendScintilla(SCI_CLEARALL);
  }
  UpdateLineNumberWidth();
  EmitProgramChange();
}

void TSynEdit::CaretToLine(int line) {
  setCursorPosition(line, 0);
  ensureLineVisible(line);
}

QMenu* CreateEditorPopup(TSynEdit* editor, const TEditorPopupEntries& entries) {
  auto* menu = new QMenu(editor);
  *entries.Undo = menu->addAction(QStringLiteral("Undo"), editor, &QsciScintilla::undo);
  *entries.Redo = menu->addAction(Translate(QStringLiteral("Redo")), editor, &QsciScintilla::redo);
  *entries.UndoSeparator = menu->addSeparator();
  *entries.Cut = menu->addAction(QStringLiteral("Cut"), editor, &QsciScintilla::cut);
  *entries.Copy = menu->addAction(QStringLiteral("Copy"), editor, &QsciScintilla::copy);
  *entries.Paste = menu->addAction(QStringLiteral("Paste"), editor, &QsciScintilla::paste);
  *entries.Delete =
      menu->addAction(QStringLiteral("Delete"), editor, &QsciScintilla::removeSelectedText);
  *entries.EditSeparator = menu->addSeparator();
  *entries.SelectAll = menu->addAction(QStringLiteral("Select All"), editor,
                                       [editor] { editor->selectAll(true); });
  // The keys are the editor's own; the menu only shows them (and acts on them
  // while it is open).
  const QList<QPair<QAction*, QKeySequence>> keys = {
      {*entries.Undo, QKeySequence::Undo},   {*entries.Redo, QKeySequence(Qt::CTRL | Qt::Key_Y)},
      {*entries.Cut, QKeySequence::Cut},     {*entries.Copy, QKeySequence::Copy},
      {*entries.Paste, QKeySequence::Paste}, {*entries.SelectAll, QKeySequence::SelectAll}};
  for (const auto& [action, key] : keys) {
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);
  }
  editor->SetPopupMenu(menu);
  return menu;
}

void TSynEdit::contextMenuEvent(QContextMenuEvent* event) {
  if (FPopupMenu == nullptr) {
    QsciScintilla::contextMenuEvent(event);
    return;
  }
  FPopupMenu->exec(event->globalPos());
}

void TSynEdit::setLexer(QsciLexer* lexer) {
  QsciScintilla::setLexer(lexer);
  ApplyPaletteColours(*this);
}

void TSynEdit::changeEvent(QEvent* event) {
  QsciScintilla::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) ApplyPaletteColours(*this);
}

void TSynEdit::UpdateLineNumberWidth() {
  const int digits = std::max(3, digitCount(lines()));
  if (digits == FLineNumberDigits) return;
  FLineNumberDigits = digits;
  setMarginWidth(kNumbersMargin, QString(digits + 1, u'9'));
}

void OpenAddressesOnCtrlClick(TSynEdit* target, int addressStyle) {
  target->SendScintilla(QsciScintillaBase::SCI_STYLESETHOTSPOT, addressStyle, 1);
  QObject::connect(target, &QsciScintillaBase::SCN_HOTSPOTCLICK, target,
          [target](int position, int modifiers) {
            if ((modifiers & QsciScintillaBase::SCMOD_CTRL) == 0) return;
            const long line =
                target->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, position);
            const int lineStart =
                int(target->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line));
            const int lineEnd =
                int(target->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, line));
            const QString uri =
                UriAt(TextRangeBytes(*target, lineStart, lineEnd), position - lineStart);
            if (!uri.isEmpty()) Desktop().OpenUrl(QUrl(uri));
          });
}
