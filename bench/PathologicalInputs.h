// Generators of inputs that are hard for a backtracking Markdown converter:
// unmatched openers, unclosed constructs, deep nesting, very long texts.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace glyphmill::bench {

struct Pattern {
  std::string name;
  std::function<std::string(int n)> make;  // the input for n repetitions
};

inline std::string repeat(const std::string& unit, int n) {
  std::string text;
  text.reserve(unit.size() * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) text += unit;
  return text;
}

// A staircase: list items (marker), each one level deeper than the one
// before, optionally with a line under each (under, in the item's paragraph)
// and with a quote opening every quoteEvery levels; a level indents by
// indentPerLevel spaces or by "> ". Levels are added until the text holds
// about 8 * n characters, as much as the other patterns hold at the same n,
// so the depth grows with the square root of n. The text ends with a blank line
// and bottomLines lines of bottom inside the deepest item, if any.
inline std::string staircase(int n, int indentPerLevel, int quoteEvery, const std::string& marker,
                             const std::string& under, const std::string& bottom = "",
                             int bottomLines = 0) {
  const std::size_t target = 8 * static_cast<std::size_t>(n);
  std::string text;
  std::string prefix;
  for (int level = 0; text.size() < target; ++level) {
    const bool quote = quoteEvery > 0 && level % quoteEvery == quoteEvery - 1;
    text += prefix + (quote ? "> q" : marker) + "\n";
    const std::string inner = prefix + (quote ? "> " : std::string(indentPerLevel, ' '));
    if (!under.empty() && !quote) text += prefix + under + "\n";
    prefix = inner;
  }
  if (bottomLines > 0) text += "\n";
  for (int i = 0; i < bottomLines; ++i) text += prefix + bottom + "\n";
  return text;
}

inline std::vector<Pattern> pathologicalPatterns() {
  std::vector<Pattern> patterns;
  auto repeated = [&](const std::string& name, const std::string& unit) {
    patterns.push_back({name, [unit](int n) { return repeat(unit, n); }});
  };
  for (const char* marker : {"*", "**", "_", "__", "~", "~~", "++", "==", "^", "$"}) {
    repeated(std::string("openers ") + marker, std::string(marker) + "a ");
    repeated(std::string("run of ") + marker, marker);
  }
  for (const char* pair : {"*_", "**__", "~~==", "++^", "*[", "_~", "$*", "`*", "==**"}) {
    repeated(std::string("alternating ") + pair, pair);
  }
  patterns.push_back({"backquote runs growing", [](int n) {
                        std::string text;
                        for (int i = 0; i < n; ++i) text += std::string(1 + i % 64, '`') + "a";
                        return text;
                      }});
  repeated("[ without ]", "[a ");
  repeated("![ without ]", "![a ");
  repeated("[[ without ]]", "[[a ");
  patterns.push_back({"nested brackets", [](int n) { return repeat("[", n) + "a" + repeat("]", n); }});
  patterns.push_back({"nested links", [](int n) { return repeat("[", n) + "a" + repeat("](u)", n); }});
  repeated("[a]( without )", "[a](");
  patterns.push_back({"destination of (", [](int n) { return "[a](" + repeat("(", n); }});
  repeated("< without >", "<a ");
  repeated("<div> per line", "<div>\n");
  repeated("<div> on one line", "<div>");
  repeated("<div> and blank line", "<div>\n\n");
  repeated("<!-- without -->", "<!-- a\n");
  // Comment and declaration starts on one line: each "<" could begin an
  // autolink, so none may read on to the end of the text afresh.
  for (const char* start : {"<!", "<!--", "<![CDATA[", "<!DOCTYPE", "<?", "<!x:", "<!a@"}) {
    repeated(std::string("run of ") + start, start);
  }
  patterns.push_back({"run of <!-- then -->", [](int n) { return "x " + repeat("<!--", n) + "-->"; }});
  patterns.push_back({"run of <![CDATA[ then ]]>", [](int n) { return repeat("<![CDATA[", n) + "]]>"; }});
  patterns.push_back({"run of <? then ?>", [](int n) { return "x " + repeat("<?", n) + "?>"; }});
  repeated("& without ;", "&a ");
  repeated("<a@b without >", "<a@b ");
  repeated("<x: without >", "<x: ");
  patterns.push_back({"reference definitions", [](int n) {
                        std::string text;
                        for (int i = 0; i < n; ++i) {
                          text += "[r" + std::to_string(i) + "]: /u" + std::to_string(i) + "\n";
                        }
                        for (int i = 0; i < n; ++i) text += "[r" + std::to_string(i) + "] ";
                        return text;
                      }});
  patterns.push_back({"long table", [](int n) { return "a|b\n-|-\n" + repeat("1|2\n", n); }});
  patterns.push_back({"table of many pipes", [](int n) {
                        return repeat("a|", n) + "\n" + repeat("-|", n) + "\n" + repeat("1|", n) + "\n";
                      }});
  patterns.push_back({"tall table, 3 columns", [](int n) {
                        return "| a | b | c |\n|---|:-:|--:|\n" + repeat("| 12 | *3* | 456 |\n", n);
                      }});
  patterns.push_back({"wide table, 3 rows", [](int n) {
                        return repeat(" a |", n) + "\n" + repeat("---|", n) + "\n" + repeat(" 1 |", n) +
                               "\n" + repeat(" 2 |", n) + "\n" + repeat(" 3 |", n) + "\n";
                      }});
  patterns.push_back({"quotes nested", [](int n) { return repeat(">", n) + " a"; }});
  patterns.push_back({"lists nested", [](int n) { return repeat("- ", n) + "a"; }});
  patterns.push_back({"ordered lists nested", [](int n) { return repeat("1. ", n) + "a"; }});
  repeated("one long paragraph", "word *and* more ");
  repeated("short lines", "ab\n");
  repeated("blank and text lines", "a\n\n");
  repeated("list items", "- item\n");
  patterns.push_back({"staircase of bullets", [](int n) { return staircase(n, 4, 0, "- a", ""); }});
  patterns.push_back({"staircase of numbers", [](int n) { return staircase(n, 2, 0, "1. a", ""); }});
  patterns.push_back({"staircase, paragraph lines", [](int n) {
                        return staircase(n, 4, 0, "- a", "  b");
                      }});
  patterns.push_back({"staircase, code at bottom", [](int n) {
                        return staircase(n, 4, 0, "* a", "", "    code", 20);
                      }});
  patterns.push_back({"staircase with quotes", [](int n) { return staircase(n, 4, 3, "- a", ""); }});
  // n / 100 levels of items, then 2n unindented lines that continue the
  // deepest item's paragraph (at n = 100,000: 1,000 levels, 200,000 lines).
  patterns.push_back({"staircase, continuation lines", [](int n) {
                        std::string text;
                        for (int level = 0; level < n / 100; ++level) {
                          text += std::string(4 * static_cast<std::size_t>(level), ' ') + "- a\n";
                        }
                        return text + repeat("x\n", 2 * n);
                      }});
  patterns.push_back({"staircase of - <div>", [](int n) { return staircase(n, 4, 0, "- <div>", ""); }});
  patterns.push_back({"staircase of 1. <div>", [](int n) { return staircase(n, 4, 0, "1. <div>", ""); }});
  return patterns;
}

}  // namespace glyphmill::bench
