// A long document of the kind people write: chapters of headlines (both
// kinds), paragraphs over several lines, tight and loose lists with nested
// items, quotes, code blocks, tables, formulas, rules and link definitions. The first
// line of every block holds a mark "kN" of its own (N counts the blocks), so a
// test can find the block on the page.
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The blocks of chapter `n`, from block number `first` on; `first` is moved
// past them.
inline QString RealChapter(int n, int& first) {
  auto mark = [&first] { return QStringLiteral("k%1").arg(first++); };
  QString text;
  text += QStringLiteral("## Chapter %1 %2\r\n\r\n").arg(n).arg(mark());
  text += QStringLiteral(
              "The converter %1 reads the whole text before it writes anything, so that link\r\n"
              "definitions further down still count. A paragraph like this one goes on over\r\n"
              "several lines, with *emphasis*, **strong text**, `code` and [a link][ref%2].\r\n\r\n")
              .arg(mark())
              .arg(n);
  text += QStringLiteral("[ref%1]: https://example.org/chapter/%1\r\n\r\n").arg(n);
  text += QStringLiteral(
              "- %1 first item of a tight list\r\n- second item, with `inline code`\r\n"
              "  and a continuation line\r\n- third item\r\n  - nested item\r\n  - another one\r\n\r\n")
              .arg(mark());
  text += QStringLiteral("Setext headline %1\r\n----------------\r\n\r\n").arg(mark());
  text += QStringLiteral(
              "1. %1 a loose list's first item\r\n\r\n2. its second item, which has\r\n"
              "   two paragraphs\r\n\r\n   the second one indented\r\n\r\n3. the last item\r\n\r\n")
              .arg(mark());
  text += QStringLiteral("> %1 A quoted remark about chapter %2,\r\n> spread over two lines,\r\n"
                         "lazily continued here.\r\n\r\n")
              .arg(mark())
              .arg(n);
  text += QStringLiteral("```cpp\r\n// %1\r\n").arg(mark());
  for (int line = 0; line < 12; ++line) {
    text += QStringLiteral("int step%1(int x) { return x * %2 + %1; }\r\n").arg(line).arg(n);
  }
  text += QStringLiteral("```\r\n\r\n");
  text += QStringLiteral("| Option %1 | Meaning | Default |\r\n|:---|:---:|---:|\r\n").arg(mark());
  for (int row = 0; row < 6; ++row) {
    text += QStringLiteral("| -%1 | choice %1 of chapter %2 | %3 |\r\n").arg(row).arg(n).arg(row * n);
  }
  text += QStringLiteral("\r\n");
  text += QStringLiteral("Another paragraph %1 closes the chapter with a formula, $x_{%2}^2+1$,\r\n"
                         "after which a rule separates it from the next one.\r\n\r\n")
              .arg(mark())
              .arg(n);
  text += QStringLiteral("    %1 indented code\r\n    second line of it\r\n\r\n").arg(mark());
  text += QStringLiteral("* * *\r\n\r\n");
  ++first;  // the rule has no room for a mark
  return text;
}

// A document of at least `size` characters.
inline QString RealDocument(qsizetype size) {
  QString text = QStringLiteral("# A long document k0\r\n\r\n");
  int first = 1;
  for (int n = 1; text.size() < size; ++n) text += RealChapter(n, first);
  return text;
}

// The mark of the block that holds line `line` of `lines`, or of the next
// block when the line is blank; "" past the last block.
inline QString MarkOfBlockAt(const QStringList& lines, int line) {
  static const QRegularExpression markPattern(QStringLiteral("\\bk\\d+\\b"));
  // Blank lines and link definitions make no element: the next block counts.
  while (line < lines.size() &&
         (lines[line].trimmed().isEmpty() || lines[line].startsWith(QStringLiteral("[ref")))) {
    ++line;
  }
  if (line >= lines.size()) return {};
  // A code block's mark is on the line after its fence.
  if (lines[line].startsWith(QStringLiteral("```cpp"))) ++line;
  // The rule has no mark: it is its own block.
  if (lines[line] == QStringLiteral("* * *")) return QStringLiteral("rule");
  for (int i = line; i >= 0; --i) {
    const QRegularExpressionMatch match = markPattern.match(lines[i]);
    if (match.hasMatch()) return match.captured();
    if (i < line && lines[i] == QStringLiteral("* * *")) break;
  }
  return {};
}
