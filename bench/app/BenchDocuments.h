// The README-like documents the window benchmarks type into and convert.
#pragma once

#include <QString>

// One section of a README-like document: headings, paragraphs with inline
// markup, a list, a table, a quote and a code block.
inline QString ReadmeSection(int n) {
  return QStringLiteral(
             "## Section %1\r\n\r\n"
             "Glyphmill turns **Markdown** into *HTML*; see [the guide](https://example.org/guide/%1) "
             "or `glyphmill-convert --help` for details. Lines like this one make up most documents, "
             "with a footnote-like remark (number %1) and an e-mail <user%1@example.org>.\r\n\r\n"
             "- first item with `code`\r\n- second item with a [link](http://example.org/%1)\r\n"
             "  continued on a second line\r\n- third item\r\n\r\n"
             "| Option | Meaning |\r\n|---|---|\r\n| -d | dialect |\r\n| -o | output %1 |\r\n\r\n"
             "> A quoted remark about section %1,\r\n> spread over two lines.\r\n\r\n"
             "```cpp\r\nint main() { return %1; }\r\n```\r\n\r\n")
      .arg(n);
}

inline QString ReadmeLikeDocument(qsizetype size) {
  QString text;
  for (int n = 1; text.size() < size; ++n) text += ReadmeSection(n);
  return text;
}
