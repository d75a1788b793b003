#include "MarkdownLexer.h"

#include "Editors.h"

#include <QColor>
#include <QFont>

#include <cstring>

namespace {

// Delimiter runs longer than this are plain text; it keeps the number of
// failed searches for a closing run per line small, so a line is styled in
// linear time.
constexpr int kMaxDelimiterRun = 16;
constexpr int kMaxFenceLength = 1023;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlphanumeric(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int runLength(const QByteArray& line, int at, char c) {
  int end = at;
  while (end < line.size() && line[end] == c) ++end;
  return end - at;
}

void fill(QByteArray& styles, int from, int to, TMarkdownStyle style) {
  for (int i = from; i < to; ++i) styles[i] = char(style);
}

// Scans one line's inline constructs. Searches for closing delimiters that
// fail are remembered, so that no search is repeated for the same delimiter.
class TInlineScanner {
 public:
  TInlineScanner(const QByteArray& line, QByteArray& styles) : FLine(line), FStyles(styles) {}

  void Scan(int from) {
    int i = from;
    while (i < FLine.size()) i = ScanAt(i);
  }

 private:
  const QByteArray& FLine;
  QByteArray& FStyles;
  // Runs of '`', '*', '_' and '~' (by length) known to have no closer.
  bool FNoCloser[4][kMaxDelimiterRun + 1] = {};
  // Characters known not to occur again on the line: ']', ')', '>'.
  bool FNoBracket = false;
  bool FNoParenthesis = false;
  bool FNoAngle = false;

  char At(int i) const { return i < FLine.size() ? FLine[i] : '\0'; }

  // Scans the construct starting at `i`; the position after it.
  int ScanAt(int i) {
    const char c = FLine[i];
    switch (c) {
      case '\\': return i + 2;
      case '`': return ScanDelimited(i, c, msCodeSpan);
      case '*':
      case '_': return ScanEmphasis(i, c);
      case '~': return ScanDelimited(i, c, msStrikethrough);
      case '!':
        if (At(i + 1) == '[') return ScanLink(i, i + 1, msImage);
        return i + 1;
      case '[': return ScanLink(i, i, msLink);
      case '<': return ScanAngle(i);
      case '|':
        FStyles[i] = char(msTablePipe);
        return i + 1;
      default: return i + 1;
    }
  }

  static int DelimiterIndex(char c) {
    switch (c) {
      case '`': return 0;
      case '*': return 1;
      case '_': return 2;
      default: return 3;
    }
  }

  // The start of the next run of exactly `length` characters `c` from `from`
  // whose first character follows a non-blank, or -1.
  int FindClosingRun(int from, char c, int length) {
    bool& noCloser = FNoCloser[DelimiterIndex(c)][length];
    if (noCloser) return -1;
    const bool escapes = c != '`';  // a backslash escapes nothing inside code
    int j = from;
    while (j < FLine.size()) {
      if (escapes && FLine[j] == '\\') {
        j += 2;
        continue;
      }
      if (FLine[j] != c) {
        ++j;
        continue;
      }
      const int run = runLength(FLine, j, c);
      if (run == length && (c == '`' || !isBlank(FLine[j - 1]))) return j;
      j += run;
    }
    noCloser = true;
    return -1;
  }

  // A span between two equal runs of `c`: code spans and strikethrough.
  int ScanDelimited(int i, char c, TMarkdownStyle style) {
    const int run = runLength(FLine, i, c);
    if (run > kMaxDelimiterRun || (c == '~' && run != 2)) return i + run;
    const int close = FindClosingRun(i + run, c, run);
    if (close < 0) return i + run;
    fill(FStyles, i, close + run, style);
    return close + run;
  }

  // "*a*" and "_a_" are emphasis, two or three marks make it strong.
  int ScanEmphasis(int i, char c) {
    const int run = runLength(FLine, i, c);
    const bool opens = i + run < FLine.size() && !isBlank(FLine[i + run]);
    const bool insideWord = c == '_' && i > 0 && isAlphanumeric(FLine[i - 1]);
    if (run > 3 || !opens || insideWord) return i + run;
    const int close = FindClosingRun(i + run, c, run);
    if (close < 0) return i + run;
    fill(FStyles, i, close + run, run == 1 ? msEmphasis : msStrong);
    return close + run;
  }

  // The position of the next `c` from `from`, or -1; a miss is remembered in `none`.
  int FindChar(int from, char c, bool& none) {
    if (none) return -1;
    const int found = int(FLine.indexOf(c, from));
    if (found < 0) none = true;
    return found;
  }

  // "[text](target)", "[text][label]" and "[label]: target"; `bracket` is the "[".
  int ScanLink(int start, int bracket, TMarkdownStyle style) {
    const int close = FindChar(bracket + 1, ']', FNoBracket);
    if (close < 0) return bracket + 1;
    int end = -1;
    const char next = At(close + 1);
    if (next == '(') {
      const int parenthesis = FindChar(close + 2, ')', FNoParenthesis);
      if (parenthesis >= 0) end = parenthesis + 1;
    } else if (next == '[') {
      const int label = FindChar(close + 2, ']', FNoBracket);
      if (label >= 0) end = label + 1;
    } else if (next == ':' && start == 0) {
      end = int(FLine.size());  // a link reference definition
    }
    if (end < 0) return bracket + 1;
    fill(FStyles, start, end, style);
    return end;
  }

  // "<scheme:...>" and "<name@host>" are addresses; "<tag ...>", "</tag>" and
  // "<!-- ... -->" are HTML.
  int ScanAngle(int i) {
    const char next = At(i + 1);
    const bool tagLike = isAlphanumeric(next) || next == '/' || next == '!' || next == '?';
    if (!tagLike) return i + 1;
    const int close = FindChar(i + 1, '>', FNoAngle);
    if (close < 0) return i + 1;
    const QByteArray inside = FLine.mid(i + 1, close - i - 1);
    const bool address = !inside.contains(' ') && (inside.contains(':') || inside.contains('@'));
    fill(FStyles, i, close + 1, address ? msAddress : msHtmlTag);
    return close + 1;
  }
};

// The width of the line's leading blanks in columns (tabs to multiples of 4)
// and the position of its first other character.
void measureIndent(const QByteArray& line, int& columns, int& firstText) {
  columns = 0;
  firstText = 0;
  while (firstText < line.size() && isBlank(line[firstText])) {
    columns = line[firstText] == '\t' ? (columns / 4 + 1) * 4 : columns + 1;
    ++firstText;
  }
}

bool onlyBlanksFrom(const QByteArray& line, int from) {
  for (int i = from; i < line.size(); ++i) {
    if (!isBlank(line[i])) return false;
  }
  return true;
}

// A line that ends the open fence: at least as many fence characters, nothing else.
bool closesFence(const QByteArray& line, int indent, int at, const TMarkdownLineState& state) {
  const int run = runLength(line, at, state.FenceChar);
  return indent <= 3 && run >= state.FenceLength && onlyBlanksFrom(line, at + run);
}

bool isSetextUnderline(const QByteArray& line, int at) {
  const char c = line[at];
  if (c != '=' && c != '-') return false;
  return onlyBlanksFrom(line, at + runLength(line, at, c));
}

bool isAtxHeading(const QByteArray& line, int at) {
  const int run = runLength(line, at, '#');
  return run >= 1 && run <= 6 && (at + run == line.size() || isBlank(line[at + run]));
}

// Marks the leading ">" markers; the position after them.
int styleQuoteMarkers(const QByteArray& line, int at, QByteArray& styles) {
  while (at < line.size() && line[at] == '>') {
    styles[at] = char(msQuote);
    ++at;
    while (at < line.size() && isBlank(line[at])) ++at;
  }
  return at;
}

// Marks a bullet ("*", "+", "-") or an ordered marker ("1." or "1)"); the
// position after it.
int styleListMarker(const QByteArray& line, int at, QByteArray& styles) {
  const auto endsMarker = [&](int after) { return after == line.size() || isBlank(line[after]); };
  if (at < line.size() && std::strchr("*+-", line[at]) != nullptr && endsMarker(at + 1)) {
    styles[at] = char(msListMarker);
    return at + 1;
  }
  int end = at;
  while (end < line.size() && isDigit(line[end])) ++end;
  const int digits = end - at;
  if (digits >= 1 && digits <= 9 && end < line.size() && (line[end] == '.' || line[end] == ')') &&
      endsMarker(end + 1)) {
    fill(styles, at, end + 1, msListMarker);
    return end + 1;
  }
  return at;
}

// Web addresses keep their colour (and Ctrl+click) wherever they stand
// outside code.
void styleAddresses(const QByteArray& line, QByteArray& styles) {
  for (const auto& range : FindUris(line)) {
    for (int i = range.first; i < range.second; ++i) {
      if (styles[i] != char(msCodeSpan)) styles[i] = char(msAddress);
    }
  }
}

}  // namespace

int TMarkdownLineState::Packed() const {
  const int fence = FenceChar == '`' ? 1 : FenceChar == '~' ? 2 : 0;
  return fence | (std::min(FenceLength, kMaxFenceLength) << 2) | (int(CodeMayFollow) << 12) |
         (int(ParagraphOpen) << 13) | (1 << 14);  // bit 14: a state was stored
}

TMarkdownLineState TMarkdownLineState::Unpacked(int packed) {
  TMarkdownLineState state;
  if ((packed & (1 << 14)) == 0) return state;
  const int fence = packed & 3;
  state.FenceChar = fence == 1 ? '`' : fence == 2 ? '~' : 0;
  state.FenceLength = (packed >> 2) & kMaxFenceLength;
  state.CodeMayFollow = (packed >> 12) & 1;
  state.ParagraphOpen = (packed >> 13) & 1;
  return state;
}

QByteArray MarkdownLineStyles(const QByteArray& line, TMarkdownLineState& state) {
  QByteArray styles(line.size(), char(msDefault));
  int indent = 0;
  int at = 0;
  measureIndent(line, indent, at);
  const bool blank = at == line.size();

  if (state.FenceChar != 0) {
    fill(styles, 0, int(line.size()), msCodeBlock);
    if (!blank && closesFence(line, indent, at, state)) {
      state.FenceChar = 0;
      state.CodeMayFollow = true;
    }
    return styles;
  }
  if (blank) {
    state.CodeMayFollow = true;
    state.ParagraphOpen = false;
    return styles;
  }
  if (indent >= 4 && state.CodeMayFollow) {
    fill(styles, 0, int(line.size()), msCodeBlock);
    state.ParagraphOpen = false;
    return styles;
  }
  const char first = line[at];
  if ((first == '`' || first == '~') && runLength(line, at, first) >= 3 &&
      !(first == '`' && line.indexOf('`', at + runLength(line, at, first)) >= 0)) {
    fill(styles, 0, int(line.size()), msCodeBlock);
    state.FenceChar = first;
    state.FenceLength = runLength(line, at, first);
    state.ParagraphOpen = false;
    return styles;
  }
  if (isAtxHeading(line, at) || (state.ParagraphOpen && isSetextUnderline(line, at))) {
    fill(styles, 0, int(line.size()), msHeading);
    styleAddresses(line, styles);
    state.CodeMayFollow = true;
    state.ParagraphOpen = false;
    return styles;
  }
  at = styleQuoteMarkers(line, at, styles);
  at = styleListMarker(line, at, styles);
  TInlineScanner(line, styles).Scan(at);
  styleAddresses(line, styles);
  state.CodeMayFollow = false;
  state.ParagraphOpen = true;
  return styles;
}

TMarkdownLexer::TMarkdownLexer(QObject* parent) : QsciLexerCustom(parent) {}

QString TMarkdownLexer::description(int style) const {
  switch (style) {
    case msDefault: return QStringLiteral("Text");
    case msAddress: return QStringLiteral("Address");
    case msHeading: return QStringLiteral("Headline");
    case msEmphasis: return QStringLiteral("Emphasis");
    case msStrong: return QStringLiteral("Strong");
    case msStrikethrough: return QStringLiteral("Strikethrough");
    case msCodeSpan: return QStringLiteral("Code span");
    case msCodeBlock: return QStringLiteral("Code block");
    case msLink: return QStringLiteral("Link");
    case msImage: return QStringLiteral("Image");
    case msListMarker: return QStringLiteral("List marker");
    case msQuote: return QStringLiteral("Quote marker");
    case msTablePipe: return QStringLiteral("Table pipe");
    case msHtmlTag: return QStringLiteral("HTML tag");
    default: return {};
  }
}

// The light set; on a dark palette each colour is lightened until it reads
// (EditorColours).
QColor TMarkdownLexer::defaultColor(int style) const {
  switch (style) {
    case msAddress: return QColor(0, 0, 238);
    case msHeading: return QColor(0, 70, 140);
    case msEmphasis:
    case msStrong: return QColor(90, 40, 0);
    case msStrikethrough: return QColor(100, 100, 100);
    case msCodeSpan:
    case msCodeBlock: return QColor(0, 110, 0);
    case msLink:
    case msImage: return QColor(120, 0, 160);
    case msListMarker:
    case msQuote:
    case msTablePipe: return QColor(170, 60, 0);
    case msHtmlTag: return QColor(128, 0, 64);
    default: return QColor(0, 0, 0);
  }
}

QFont TMarkdownLexer::defaultFont(int style) const {
  QFont font = EditorFont();
  font.setBold(style == msHeading || style == msStrong);
  font.setItalic(style == msEmphasis);
  font.setUnderline(style == msAddress);
  font.setStrikeOut(style == msStrikethrough);
  return font;
}

void TMarkdownLexer::styleText(int start, int end) {
  QsciScintilla* target = editor();
  if (target == nullptr || end <= start) return;
  const auto send = [target](unsigned int message, long argument) {
    return int(target->SendScintilla(message, argument));
  };
  const int firstLine = send(QsciScintillaBase::SCI_LINEFROMPOSITION, start);
  const int lastLine = send(QsciScintillaBase::SCI_LINEFROMPOSITION, end - 1);
  const int lineCount = send(QsciScintillaBase::SCI_GETLINECOUNT, 0);
  const int rangeStart = send(QsciScintillaBase::SCI_POSITIONFROMLINE, firstLine);
  const int rangeEnd = lastLine + 1 < lineCount
                           ? send(QsciScintillaBase::SCI_POSITIONFROMLINE, lastLine + 1)
                           : send(QsciScintillaBase::SCI_GETLENGTH, 0);
  const QByteArray bytes = TextRangeBytes(*target, rangeStart, rangeEnd);

  TMarkdownLineState state;
  if (firstLine > 0)
    state = TMarkdownLineState::Unpacked(send(QsciScintillaBase::SCI_GETLINESTATE, firstLine - 1));
  startStyling(rangeStart);
  for (int line = firstLine; line <= lastLine; ++line) {
    const int lineStart = send(QsciScintillaBase::SCI_POSITIONFROMLINE, line) - rangeStart;
    const int textEnd = send(QsciScintillaBase::SCI_GETLINEENDPOSITION, line) - rangeStart;
    const int nextStart = line + 1 < lineCount
                              ? send(QsciScintillaBase::SCI_POSITIONFROMLINE, line + 1) - rangeStart
                              : int(bytes.size());
    const QByteArray styles = MarkdownLineStyles(bytes.mid(lineStart, textEnd - lineStart), state);
    int run = 0;
    while (run < styles.size()) {
      int runEnd = run + 1;
      while (runEnd < styles.size() && styles[runEnd] == styles[run]) ++runEnd;
      setStyling(runEnd - run, styles[run]);
      run = runEnd;
    }
    setStyling(nextStart - textEnd, msDefault);  // the line break
    target->SendScintilla(QsciScintillaBase::SCI_SETLINESTATE, line, long(state.Packed()));
  }
}

void TMarkdownLexer::Attach(TSynEdit* target) {
  target->setLexer(this);
  OpenAddressesOnCtrlClick(target, msAddress);
}
