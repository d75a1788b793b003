// Pipe tables: format rows, row counting, cell splitting and the table HTML.
#include <memory>
#include <string>
#include <vector>

#include "MarkdownProcessor.h"
#include "MarkdownTables.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

using Lines = LineChain;

TEST(Tables, FormatRows) {
  struct Case {
    std::string row;
    int pipes;
  };
  const std::vector<Case> cases = {
      {"--|--", 1},        {"|---|---|", 1},   {"---", 0},        {"--- | ---", 1},
      {" :-: | -- ", 1},   {"-|-|-", 2},       {"    --|--", 0},  {"   --|--", 1},
      {"a|--", 0},         {"|", 0},           {"||", 0},         {"|||", 1},
      {" | ", 0},          {":|:", 1},         {"|---|---||", 2}, {"-- \\| --", 0},
      {"", 0},             {"-|-x", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.row + "'");
    Lines line(c.row);
    TConfiguration config(true);
    config.formatPipeCount = 99;
    EXPECT_EQ(TTable::hasFormatChars(line.get(), config), c.pipes);
    EXPECT_EQ(config.formatPipeCount, c.pipes);
  }
}

TEST(Tables, ColumnCountsAndRows) {
  struct Case {
    std::string row;
    int pipes;
  };
  const std::vector<Case> cases = {
      {"a | b", 1},      {"| a | b |", 1},   {"a \\| b | c", 1}, {"a | b | c", 2},
      {"x", 0},          {"|x|", 0},         {"    a | b", 0},   {"\\|a|", 0},
      {"a|\\|", 1},      {"", 0},            {"||a", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.row + "'");
    Lines line(c.row);
    EXPECT_EQ(TTable::ColCount(line.get()), c.pipes);
    TConfiguration config(true);
    config.formatPipeCount = 1;
    EXPECT_EQ(TTable::isRow(line.get(), config), c.pipes == 1);
    config.formatPipeCount = 0;
    EXPECT_FALSE(TTable::isRow(line.get(), config));
  }
}

std::string joined(const std::vector<std::u16string>& cells) {
  std::string out;
  for (const auto& c : cells) {
    out += '[';
    out += S(c);
    out += ']';
  }
  return out;
}

TEST(Tables, RowSplit) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"|a|b|", "[a][b]"},
      {"a|b", "[a][b]"},
      {" a | b ", "[ a ][ b ]"},
      {"a|b\\|", "[a][b\\|]"},
      {"a\\|b", "[a\\|b]"},
      {"|", "[]"},
      {"||", "[]"},
      {"a||b", "[a][][b]"},
      {"", "[]"},
      {"|a|b||", "[a][b][]"},
  };
  std::vector<std::u16string> cells = {u"old"};
  for (const auto& [row, expected] : cases) {
    SCOPED_TRACE("'" + row + "'");
    TTable::RowSplit(U(row), cells);
    EXPECT_EQ(joined(cells), expected);
  }
}

TEST(Tables, AlignFormat) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {":---: | ---: | :--- | ---",
       "[ align=\"center\">][ align=\"right\">][ align=\"left\">][>]"},
      {"|:-|", "[ align=\"left\">]"},
      {" : | -", "[>][>]"},
      {"||:-:||", "[ align=\"center\">]"},
      {"|---|---||", "[>][>]"},
  };
  std::vector<std::u16string> aligns;
  for (const auto& [format, expected] : cases) {
    SCOPED_TRACE("'" + format + "'");
    TTable::AlignFormat(U(format), aligns);
    EXPECT_EQ(joined(aligns), expected);
  }
}

TEST(Tables, ProcTable) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Name | Value\n:--- | ---:\na | 1",
       "<table>\n  <tr>\n    <th align=\"left\">Name</th>\n    <th align=\"right\">Value</th>\n"
       "  </tr>\n  <tr>\n    <td align=\"left\">a</td>\n    <td align=\"right\">1</td>\n"
       "  </tr>\n</table>\n"},
      // A body row with fewer cells keeps them; no alignment for the header only.
      {"| a | b |\n|---|---|\n| x |",
       "<table>\n  <tr>\n    <th>a</th>\n    <th>b</th>\n  </tr>\n"
       "  <tr>\n    <td>x</td>\n  </tr>\n</table>\n"},
      // A doubled end pipe admits one cell more than there are alignments.
      {"a|b|c\n|:-:|---||\n1|2|3",
       "<table>\n  <tr>\n    <th align=\"center\">a</th>\n    <th>b</th>\n    <th>c</th>\n"
       "  </tr>\n  <tr>\n    <td align=\"center\">1</td>\n    <td>2</td>\n    <td>3</td>\n"
       "  </tr>\n</table>\n"},
      // Escaped pipes stay in their cell.
      {"a \\| b | c\n-|-",
       "<table>\n  <tr>\n    <th>a \\| b</th>\n    <th>c</th>\n  </tr>\n</table>\n"},
      // The rows end at an empty line.
      {"a|b\n-|-\n\nx|y", "<table>\n  <tr>\n    <th>a</th>\n    <th>b</th>\n  </tr>\n</table>\n"},
      {"a|b", "<table>\n  <tr>\n    <th>a</th>\n    <th>b</th>\n  </tr>\n</table>\n"},
      {"", "<table>\n</table>\n"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE("'" + text + "'");
    Lines lines(text);
    EXPECT_EQ(S(TTable::ProcTable(lines.get())), expected);
  }
  EXPECT_EQ(S(TTable::ProcTable(nullptr)), "<table>\n</table>\n");
}

TEST(Tables, EmitThroughTheConvertingEmitter) {
  TConfiguration config(true);
  config.SetDialect(mdCommonMark);
  TEmitter emitter(config);
  Lines lines("a \\| b | *c*\n--|--\n1 -- 2 | AT&T");
  std::u16string out;
  TTable::emitTableLines(out, lines.get(), emitter);
  EXPECT_EQ(S(out),
            "<table>\n  <tr>\n    <th>a | b</th>\n    <th><em>c</em></th>\n  </tr>\n"
            "  <tr>\n    <td>1 &ndash; 2</td>\n    <td>AT&amp;T</td>\n  </tr>\n</table>\n");
}

// Calls check(safe, defer) in the modes of the table writer: unsafe, safe,
// and safe with undecided tags.
template <typename Check>
void forEachMode(const Check& check) {
  for (bool safe : {false, true}) {
    for (bool defer : {false, true}) {
      if (defer && !safe) continue;
      SCOPED_TRACE(std::string(safe ? "safe" : "unsafe") + (defer ? ", deferring tags" : ""));
      check(safe, defer);
    }
  }
}

// A table's HTML as emitTableLines writes it and as the converting emitter
// gives it for the whole table's text, each by an emitter of its own.
struct TableHtml {
  std::string byRows;
  std::string whole;
};
TableHtml tableHtmlBothWays(const std::string& table, bool safe, bool defer) {
  const auto configured = [&](TConfiguration& config) {
    config.SetDialect(mdCommonMark);
    config.SetRandomSeed(1);
    config.deferUndecidedTags = defer;
  };
  TConfiguration rowConfig(safe);
  configured(rowConfig);
  TEmitter rowEmitter(rowConfig);
  TConfiguration wholeConfig(safe);
  configured(wholeConfig);
  TEmitter wholeEmitter(wholeConfig);
  Lines lines(table);
  std::u16string byRows;
  TTable::emitTableLines(byRows, lines.get(), rowEmitter);
  std::u16string whole;
  wholeEmitter.emitTableText(whole, TTable::ProcTable(lines.get()));
  return {S(byRows), S(whole)};
}

// A table whose rows hold no character that can start an inline marker is
// written straight out; the converting emitter gives the same for its text.
TEST(Tables, TablesWithoutMarkersAreTheirOwnHtml) {
  const std::vector<std::string> tables = {
      "a|b\n-|-\n1|2",
      "| a | b |\n|:--|--:|\n| x |",
      "a|b|c\n|:-:|---||\n1|2|3|4\n||\n x | y ",
      "Name | Value\n:--- | ---:\nzwei | drei\nvier",
      "caf\u00e9 | \u00fc\n--|--\n\u4e2d | \u6587",
      "a|b",
      "",
  };
  for (const std::string& table : tables) {
    SCOPED_TRACE("'" + table + "'");
    forEachMode([&](bool safe, bool defer) {
      const TableHtml html = tableHtmlBothWays(table, safe, defer);
      EXPECT_EQ(html.byRows, html.whole);
      Lines lines(table);
      EXPECT_EQ(html.byRows, S(TTable::ProcTable(lines.get())));
    });
  }
}

// The table with `fillers` rows "*1*|2" after its format row.
std::string withFillerRows(const std::string& table, int fillers) {
  const std::size_t header = table.find('\n');
  const std::size_t format = header == std::string::npos ? header : table.find('\n', header + 1);
  if (format == std::string::npos) return table;
  std::string filled = table.substr(0, format + 1);
  for (int i = 0; i < fillers; ++i) filled += "*1*|2\n";
  return filled + table.substr(format + 1);
}

// The HTML of the table as emitTableLines writes it and as the converting
// emitter gives it for the whole table's text, in safe mode (with or without
// undecided tags) or unsafe.
void expectRowsGiveTheWholeTable(const std::string& table) {
  forEachMode([&](bool safe, bool defer) {
    const TableHtml html = tableHtmlBothWays(table, safe, defer);
    EXPECT_EQ(html.byRows, html.whole);
  });
}

// Rows are converted a few at a time where nothing in them can reach into
// the rows after them; what reaches across rows is converted with the rows
// after it. Either way the HTML is that of the whole table's text, also
// where filler rows before put the reaching rows where a few rows end.
TEST(Tables, RowsConvertedAloneGiveTheWholeTablesHtml) {
  const std::vector<std::string> tables = {
      "| a | b |\n|---|---|\n| *x | y |\n| z* | w |",
      "a|b\n-|-\n`code|y\nmore`|w\n**s|t\nu**|v",
      "a|b\n-|-\n*a*|_b_\n*c|d*\ne|f\n`i`|`` j ``\n\\*k|l\\*",
      "a|b\n-|-\n[link|y\ntext](http://x.org)|w\n![i](p.png \"t\")|<http://a.b/c>",
      "a|b\n-|-\n<span title=\"x|y\nz\">|w </span>\n<b>bold</b>|<i onclick=\"e()\">i</i>",
      "a|b\n-|-\n<a href='q|r\ns'>t</a>|<script>x</script>\n\\<x|y>",
      "a|b\n-|-\n\\<a title=\"x|b\nc\" onclick=e()>|d",
      "a|b\n-|-\n<me@example.com> *c|d\ne*|<you@example.com>\n<x@y.z>|w",
      "a|b\n-|-\n$x^2|y$\n~~del|ete~~\n==m|m==\n^s|x^\n\"q|r\"\n(c) -- ...|AT&T &copy",
      "a|b\n-|-\n*one*|two\nthree|*four",
      "a *b|c\n-|-\nd|e* f",
  };
  for (const std::string& table : tables) {
    // A filler row's HTML is 47 units: with 172 to 175 of them a group of
    // rows ends at one of the table's own rows.
    for (int fillers : {0, 1, 120, 172, 173, 174, 175, 176, 177, 178, 179, 180, 181, 300}) {
      SCOPED_TRACE("'" + table + "' after " + std::to_string(fillers) + " rows");
      expectRowsGiveTheWholeTable(withFillerRows(table, fillers));
    }
  }
}

// A long table hands its HTML on between rows; the pieces make what Process
// gives, also where a tag is decided only rows later.
TEST(Tables, LongTablesInPieces) {
  std::string table = "| a | b | c |\n|---|:-:|--:|\n";
  for (int i = 0; i < 4000; ++i) {
    if (i == 3990) table += "| <a title=\"x | *y | z |\n| w\"> | v* | u |\n";
    table += i % 100 == 7 ? "| <b>1</b> | 2 | 3 |\n" : "| 12 | *3* | 456 |\n";
  }
  for (bool allowUnsafe : {false, true}) {
    SCOPED_TRACE(allowUnsafe);
    auto processor = TMarkdownProcessor::CreateDialect(mdCommonMark);
    processor->SetAllowUnsafe(allowUnsafe);
    std::u16string pieces;
    int count = 0;
    processor->ProcessTo(U(table), [&](std::u16string_view piece) {
      pieces += piece;
      ++count;
    });
    EXPECT_GT(count, 1);
    EXPECT_EQ(S(pieces), convert(table, mdCommonMark, allowUnsafe));
  }
}

// Rows whose conversion is taken back (an emphasis that reaches into the
// rows after their group) are never handed on before that: the pieces make
// what Process gives wherever the group falls among the pieces.
TEST(Tables, RowsTakenBackAreNotHandedOnEarly) {
  // 175 filler rows make a group; with 174 more the first crossing row ends one.
  for (int groups = 5; groups <= 16; ++groups) {
    std::string table = "a|b\n-|-\n";
    for (int i = 0; i < 175 * groups + 174; ++i) table += "*1*|2\n";
    table += "*x|y\nz*|w\n";
    for (bool allowUnsafe : {false, true}) {
      SCOPED_TRACE(std::to_string(groups) + (allowUnsafe ? " groups, unsafe" : " groups, safe"));
      auto processor = TMarkdownProcessor::CreateDialect(mdCommonMark);
      processor->SetAllowUnsafe(allowUnsafe);
      std::u16string pieces;
      processor->ProcessTo(U(table), [&](std::u16string_view piece) { pieces += piece; });
      EXPECT_EQ(S(pieces), convert(table, mdCommonMark, allowUnsafe));
    }
  }
}

TEST(Tables, WholeDocuments) {
  const std::string text = "Name | Value\n:--- | ---:\na | 1";
  const std::string table =
      "<table>\n  <tr>\n    <th align=\"left\">Name</th>\n    <th align=\"right\">Value</th>\n"
      "  </tr>\n  <tr>\n    <td align=\"left\">a</td>\n    <td align=\"right\">1</td>\n"
      "  </tr>\n</table>\n";
  EXPECT_EQ(convert(text, mdCommonMark), table);
  EXPECT_EQ(convert(text, mdDaringFireball).find("<table>"), std::string::npos);
  EXPECT_EQ(convert(text, mdTxtMark).find("<table>"), std::string::npos);
  // A row without a pipe ends the table.
  EXPECT_EQ(convert("a|b\n-|-\nx", mdCommonMark),
            "<table>\n  <tr>\n    <th>a</th>\n    <th>b</th>\n  </tr>\n</table>\n<p>x</p>\n");
  // More inner pipes than the format row end it too.
  EXPECT_EQ(convert("a|b\n-|-\n1|2|3", mdCommonMark),
            "<table>\n  <tr>\n    <th>a</th>\n    <th>b</th>\n  </tr>\n</table>\n<p>1|2|3</p>\n");
}

// The inline emitter copies the table's own tags without reading them; the
// tag reader must give exactly that copy for each, in either mode.
TEST(Tables, OwnTagsAreWhatTheTagReaderCopies) {
  const std::vector<std::string> own = {
      "<table>", "</table>", "<tr>", "</tr>", "<th>", "<td>", "</th>", "</td>",
      "<th align=\"center\">", "<th align=\"left\">", "<th align=\"right\">",
      "<td align=\"center\">", "<td align=\"left\">", "<td align=\"right\">"};
  for (const std::string& tag : own) {
    SCOPED_TRACE(tag);
    const std::u16string text = U(tag + "x</td>\n");
    EXPECT_EQ(TTable::ownTagEnd(text, 0), static_cast<int>(tag.size()) - 1);
    EXPECT_EQ(TTable::ownTagEnd(U("a " + tag), 2), static_cast<int>(tag.size()) + 1);
    for (bool safe : {false, true}) {
      for (bool defer : {false, true}) {
        std::u16string read;
        EXPECT_EQ(TUtils::readXML(read, text, 0, safe, defer), static_cast<int>(tag.size()) - 1);
        EXPECT_EQ(S(read), tag);
      }
    }
  }
  for (const char* other : {"<t>", "<tr", "<td align=\"left\"", "<tr align=\"left\">", "</td align=\"left\">",
                            "<tbody>", "<td class=\"x\">", "<TD>", "<td >", "<", "x<td>", "</tablex>",
                            "<t", "</", "</t", "<ta>", "<tabl", "<table", "<tx>", "<td", "</td"}) {
    SCOPED_TRACE(other);
    EXPECT_EQ(TTable::ownTagEnd(U(other), 0), -1);
  }
}

// Cells written without a string each: escapes, empty cells, surrounding
// spaces, a row with fewer cells than the header, and a line whose only pipe
// is an end pipe, which is no row.
TEST(Tables, RowsOfManyShapes) {
  EXPECT_EQ(convert("|a||b \\|\n|-|:-:|-:|\n| x |  | y\n|z|w|\n|v", mdCommonMark),
            "<table>\n  <tr>\n    <th>a</th>\n    <th align=\"center\"></th>\n"
            "    <th align=\"right\">b |</th>\n  </tr>\n  <tr>\n    <td>x</td>\n"
            "    <td align=\"center\"></td>\n    <td align=\"right\">y</td>\n  </tr>\n"
            "  <tr>\n    <td>z</td>\n    <td align=\"center\">w</td>\n  </tr>\n</table>\n"
            "<p>|v</p>\n");
}

}  // namespace
}  // namespace glyphmill::test
