// Markdown colouring for the source editor: headlines, emphasis, code, links
// and images, list and quote markers, table pipes, HTML tags and web
// addresses (Ctrl+click opens an address). Styling is incremental: Scintilla
// asks for the lines it is about to show, and each line is coloured from its
// own text and the state the line before it left (an open code fence, say).
#pragma once

#include <Qsci/qscilexercustom.h>

#include <QByteArray>

class TSynEdit;

// The styles of the Markdown lexer.
enum TMarkdownStyle {
  msDefault = 0,
  msAddress = 1,
  msHeading,
  msEmphasis,
  msStrong,
  msStrikethrough,
  msCodeSpan,
  msCodeBlock,
  msLink,
  msImage,
  msListMarker,
  msQuote,
  msTablePipe,
  msHtmlTag,
  msStyleCount
};

// What a line hands on to the next one.
struct TMarkdownLineState {
  char FenceChar = 0;         // '`' or '~' inside a fenced code block, else 0
  int FenceLength = 0;        // the length of the opening fence
  bool CodeMayFollow = true;  // an indented line after this one is code
  bool ParagraphOpen = false; // a line of "=" or "-" after this one underlines a headline

  // Packed into Scintilla's per-line state and back.
  int Packed() const;
  static TMarkdownLineState Unpacked(int packed);
};

// The style of each byte of `line` (UTF-8, without its line break), given the
// state the line before left; `state` becomes the state this line leaves.
// Runs in time linear in the line's length.
QByteArray MarkdownLineStyles(const QByteArray& line, TMarkdownLineState& state);

class TMarkdownLexer : public QsciLexerCustom {
  Q_OBJECT
 public:
  explicit TMarkdownLexer(QObject* parent = nullptr);

  const char* language() const override { return "Markdown"; }
  QString description(int style) const override;
  QColor defaultColor(int style) const override;
  QFont defaultFont(int style) const override;
  // Colours the whole lines that hold bytes `start` to `end`.
  void styleText(int start, int end) override;

  // Sets the lexer on `editor`; a Ctrl+click on an address opens it.
  void Attach(TSynEdit* editor);
};
