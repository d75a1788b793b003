// Random Markdown documents for comparing the output of two builds: lines
// made of block markers, indentation and inline pieces, so that lists,
// quotes, tables, code, raw HTML and inline constructs meet in every way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glyphmill::bench {

// A small, fixed pseudo-random sequence (the same on every platform).
class TSequence {
 public:
  explicit TSequence(std::uint32_t seed) : state_(seed) {}
  std::uint32_t next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  std::size_t below(std::size_t n) { return next() % n; }

 private:
  std::uint32_t state_;
};

// What a line may begin with, after its indentation.
inline const std::vector<std::string>& lineStarts() {
  static const std::vector<std::string> starts = {
      "", "", "", "", "- ", "* ", "+ ", "1. ", "2) ", "> ", "> > ", ">", "# ", "## ", "###### ",
      "```", "~~~", "```js", "    ", "***", "- - -", "---", "===", "|", "| ", "<div>", "</div>",
      "<!--", "-->", "<pre>", "</pre>", "<table>", "<script>", "[r]: /u", "[r]: /u \"t\"",
      "*[HTML]: ", "$$", "- [ ] ", "- [x] ", "\t", "\t- ", "1.", "-", ">-", "<hr>", "<div/>"};
  return starts;
}

// What a line is made of after its start.
inline const std::vector<std::string>& linePieces() {
  static const std::vector<std::string> pieces = {
      "word", " ", " ", "  ", "text", "*", "**", "_", "__", "`", "``", "[", "]", "(", ")", "<", ">",
      "&", "&amp;", "&copy", "!", "\\", "\\|", "#", "-", "--", ":-", "-:", ":-:", "~", "~~", "+", "++",
      "=", "==", "^", "$", "\"", "'", "...", "|", "|", " | ", "||", ":", "/", "http://a.b/c",
      "<b>", "</b>", "<br/>", "<br>", "[[", "]]", "{#x}", "\t", "1.", "\xC3\xA9", "\xE2\x82\xAC",
      "\xF0\x9F\x8E\x89", "(C)", "<!--", "-->", "0", "9", "[r]", "[x](y)", "![i](j \"k\")",
      "<a@b.c>", "<http://x.y>", "<span class=\"s\">", "</span>", "<div>", "</div>", "\r", "\r\n",
      "HTML", "{#id}", "<a href=\"javascript:x\">", "<img src=x onerror=y>"};
  return pieces;
}

inline std::string randomDocumentLine(TSequence& sequence) {
  std::string line(sequence.below(4) == 0 ? sequence.below(10) : 0, ' ');
  line += lineStarts()[sequence.below(lineStarts().size())];
  const std::size_t count = sequence.below(12);
  for (std::size_t i = 0; i < count; ++i) line += linePieces()[sequence.below(linePieces().size())];
  return line + "\n";
}

// Document number `index`: 1 to 120 lines, some of them blank.
inline std::string randomDocument(std::uint32_t index) {
  TSequence sequence(0x9E3779B9u * (index + 1));
  std::string text;
  const std::size_t lines = 1 + sequence.below(120);
  for (std::size_t i = 0; i < lines; ++i) {
    text += sequence.below(5) == 0 ? std::string("\n") : randomDocumentLine(sequence);
  }
  return text;
}

}  // namespace glyphmill::bench
