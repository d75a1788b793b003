// Safe mode on HTML as it appears in real documentation: harmless tags come
// out exactly as without safe mode, and a hostile twin of each is neutralised.
#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "SafeModeCorpus.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

constexpr TMarkdownProcessorDialect DIALECTS[] = {mdCommonMark, mdTxtMark, mdDaringFireball};

std::string withPlainLessThan(std::string html) {
  for (std::size_t at = html.find("&lt;"); at != std::string::npos; at = html.find("&lt;", at)) {
    html.replace(at, 4, "<");
  }
  return html;
}

// The shared corpus and the snippets only the engine's dialects read as HTML.
std::vector<Snippet> engineCorpus() {
  std::vector<Snippet> snippets = corpus();
  snippets.insert(snippets.end(), escapedTagCorpus().begin(), escapedTagCorpus().end());
  return snippets;
}

std::string dialectTrace(const std::string& markdown, TMarkdownProcessorDialect dialect) {
  return markdown + " / " + dialectName(dialect);
}

TEST(SafeModeCorpus, HarmlessHtmlComesOutAsWithoutSafeMode) {
  EXPECT_GE(corpus().size(), 60u);
  for (const Snippet& snippet : engineCorpus()) {
    for (TMarkdownProcessorDialect dialect : DIALECTS) {
      SCOPED_TRACE(dialectTrace(snippet.markdown, dialect));
      const std::string safe = convert(snippet.markdown, dialect, false);
      EXPECT_EQ(safe, convert(snippet.markdown, dialect, true));
      EXPECT_NE(safe.find(snippet.probe), std::string::npos) << safe;
    }
  }
}

// The reported cases, written in every dialect as without safe mode.
TEST(SafeModeCorpus, ReportedCases) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"<table>\n<tr>\n<th>LTS 'Carbon'</th>\n<th title=\"Previously called "
       "'Stable'\">Current</th>\n</tr>\n</table>\n",
       "<table>\n<tr>\n<th>LTS 'Carbon'</th>\n<th title=\"Previously called "
       "'Stable'\">Current</th>\n</tr>\n</table>\n"},
      {"See <a href=\"https://example.org/docs/Web/JavaScript/Reference\" class=\"type\">the "
       "reference</a>.\n<img src=\"https://example.org/javascript-logo.png\" alt=\"logo\">\nA "
       "<span title=\"Write VBScript code\">note</span>\n",
       "<p>See <a href=\"https://example.org/docs/Web/JavaScript/Reference\" class=\"type\">the "
       "reference</a>.\n<img src=\"https://example.org/javascript-logo.png\" alt=\"logo\">\nA "
       "<span title=\"Write VBScript code\">note</span></p>\n"},
      {"a\\  \nb\n", "<p>a<br/>\nb</p>\n"},
      // quotes of the other kind, slashes in unquoted values
      {"A <span title=\"Previously called 'Stable'\">Current</span>\n",
       "<p>A <span title=\"Previously called 'Stable'\">Current</span></p>\n"},
      {"<a href=https://example.com/a>x</a> <img src=img/a.png>\n",
       "<p><a href=https://example.com/a>x</a> <img src=img/a.png></p>\n"},
      // benign tags after a stray "<", before a hard break, after an unfinished tag
      {"bar <'`&Aacute;<a title=\"x>y\">\n", "<p>bar &lt;'`&amp;Aacute;<a title=\"x>y\"></p>\n"},
      {"<em>< alpha ]]  \nnext\n", "<p><em>< alpha ]]<br />\nnext</p>\n"},
      {"a <i title=`x\n\nx   <b>   [foo]\n", "<p>a &lt;i title=`x</p>\n<p>x   <b>   [foo]</p>\n"},
      {"1 < 2 and <b title=\"x\">bold</b>\n", "<p>1 < 2 and <b title=\"x\">bold</b></p>\n"},
  };
  for (const auto& [markdown, html] : rows) {
    for (TMarkdownProcessorDialect dialect : DIALECTS) {
      SCOPED_TRACE(dialectTrace(markdown, dialect));
      EXPECT_EQ(convert(markdown, dialect, false), html);
      EXPECT_EQ(convert(markdown, dialect, true), html);
    }
  }
}

// A cell whose tag holds an apostrophe leaves the table's own tags alone.
TEST(SafeModeCorpus, TableCellsWithQuotedValues) {
  const std::string markdown =
      "| h1 | h2 | h3 | h4 |\n|---:|:---|:---|---:\n| Word<a title=\"it's\">  | bbarb beta | "
      "2020[a](u 't') AT | beta <a title=\"x>y\">|\n";
  const std::string table =
      "<table>\n  <tr>\n    <th align=\"right\">h1</th>\n    <th align=\"left\">h2</th>\n"
      "    <th align=\"left\">h3</th>\n    <th align=\"right\">h4</th>\n  </tr>\n  <tr>\n"
      "    <td align=\"right\">Word<a title=\"it's\"></td>\n    <td align=\"left\">bbarb "
      "beta</td>\n    <td align=\"left\">2020[a](u 't') AT</td>\n    <td "
      "align=\"right\">beta <a title=\"x>y\"></td>\n  </tr>\n</table>\n";
  EXPECT_EQ(convert(markdown, mdCommonMark, false), table);
  for (TMarkdownProcessorDialect dialect : DIALECTS) {
    SCOPED_TRACE(dialectName(dialect));
    EXPECT_EQ(convert(markdown, dialect, false), convert(markdown, dialect, true));
  }
  // A tag still open at the end of a cell would take in the table's tags.
  const std::string open = "| a | b |\n|---|---|\n| <a title=\"x | y\" |\n";
  const std::string safe = convert(open, mdCommonMark, false);
  EXPECT_NE(safe.find("<td>&lt;a title=&ldquo;x</td>\n    <td>y&rdquo;</td>"), std::string::npos) << safe;
}

// embed, base and portal load content or redirect links: neutralised inline
// and in raw blocks.
TEST(SafeModeCorpus, EmbedBaseAndPortalAreNeutralised) {
  const std::string markdown =
      "x <embed src=\"https://x.org/a.swf\"> <base href=\"https://x.org/\"> <portal "
      "src=x>\n\n<div>\n<embed src=\"https://x.org/a.swf\">\n<BASE "
      "href=\"https://x.org/\">\n</div>\n";
  const std::string safe =
      "<p>x &lt;embed src=\"https://x.org/a.swf\"> &lt;base href=\"https://x.org/\"> "
      "&lt;portal src=x></p>\n<div>\n&lt;embed src=\"https://x.org/a.swf\">\n&lt;BASE "
      "href=\"https://x.org/\">\n</div>\n";
  for (TMarkdownProcessorDialect dialect : DIALECTS) {
    SCOPED_TRACE(dialectName(dialect));
    EXPECT_EQ(convert(markdown, dialect, false), safe);
    EXPECT_EQ(convert(markdown, dialect, true), withPlainLessThan(safe));
  }
}

// Script URLs hidden behind references or control characters stay neutralised.
TEST(SafeModeCorpus, DisguisedScriptUrls) {
  for (const std::string& href : disguisedScriptUrls()) {
    for (const std::string& markdown :
         {"x <a href=\"" + href + "\">y</a>", "<div>\n<a href=\"" + href + "\">y</a>\n</div>"}) {
      for (TMarkdownProcessorDialect dialect : DIALECTS) {
        SCOPED_TRACE(dialectTrace(markdown, dialect));
        const std::string safe = convert(markdown, dialect, false);
        EXPECT_NE(safe.find("&lt;a href="), std::string::npos) << safe;
        EXPECT_EQ(safe.find("<a href="), std::string::npos) << safe;
      }
    }
  }
}

TEST(SafeModeCorpus, HostileTwinsAreNeutralised) {
  for (const Snippet& snippet : engineCorpus()) {
    const std::vector<TwinDocument> twins = hostileTwinDocuments(snippet);
    ASSERT_FALSE(twins.empty()) << snippet.probe;
    for (const TwinDocument& twin : twins) {
      for (TMarkdownProcessorDialect dialect : DIALECTS) {
        SCOPED_TRACE(dialectTrace(twin.markdown, dialect));
        const std::string safe = convert(twin.markdown, dialect, false);
        EXPECT_EQ(safe.find(twin.liveTag), std::string::npos) << safe;
        EXPECT_NE(safe.find("&lt;" + twin.liveTag.substr(1)), std::string::npos) << safe;
      }
    }
  }
}

// ---- random documents

// The tags a browser finds in HTML text: start and end tags as written
// (quoted values read to their own mark), comments and other markup skipped.
std::vector<std::string> browserTags(const std::string& html) {
  std::vector<std::string> tags;
  const std::size_t n = html.size();
  std::size_t i = 0;
  while (i < n) {
    if (html[i] != '<') {
      ++i;
      continue;
    }
    const std::size_t nameAt = i + 1 < n && html[i + 1] == '/' ? i + 2 : i + 1;
    const bool tag = nameAt < n && std::isalpha(static_cast<unsigned char>(html[nameAt]));
    if (html.compare(i, 4, "<!--") == 0) {
      const std::size_t close = html.find("-->", i + 4);
      i = close == std::string::npos ? n : close + 3;
      continue;
    }
    if (!tag) {
      const bool bogus = i + 1 < n && (html[i + 1] == '!' || html[i + 1] == '?' || html[i + 1] == '/');
      if (!bogus) {
        ++i;
        continue;
      }
      const std::size_t close = html.find('>', i);
      i = close == std::string::npos ? n : close + 1;
      continue;
    }
    std::size_t j = nameAt;
    char quote = 0;
    bool afterEquals = false;
    while (j < n && (quote != 0 || html[j] != '>')) {
      const char c = html[j];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (afterEquals && (c == '"' || c == '\'')) {
        quote = c;
      }
      if (quote == 0 && c != ' ' && c != '\n' && c != '\t') afterEquals = c == '=';
      ++j;
    }
    if (j >= n) break;  // unfinished: the rest is dropped by a browser
    tags.push_back(html.substr(i, j - i + 1));
    i = j + 1;
  }
  return tags;
}

// A document of benign HTML in odd surroundings, built from fragments.
std::string randomDocument(std::mt19937& random) {
  static const std::vector<std::string> fragments = {
      "<a title=\"it's\">x</a>", "<span title='say \"hi\"'>s</span>", "<a href=https://x.org/a>",
      "<img src=img/a.png>", "<br/>", "<b>", "</b>", "<em class=e>", "</em>", " < ", "<'",
      "<3 ", "`", "``", "  \n", "\\\n", "\n", "\n\n", " text ", "*", "_", "[a](b)", "&Aacute;",
      "&amp;", "<i title=`x", "]]", "| a | b |\n|---|---|\n| ", " | ", "<div>\n", "\n</div>\n",
      "<q cite='a/b'>", "</q>", "\"", "'", "<-", "<=", "- ",
      "<kbd>", "</kbd>", "x/y", "<abbr title=\"A's\">", "</abbr>", "> ",
      "<a title=\"x>y\">", "\\", "<\"", "<b class=x>"};
  std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
  std::uniform_int_distribution<int> count(3, 25);
  std::string text;
  const int pieces = count(random);
  for (int i = 0; i < pieces; ++i) text += fragments[pick(random)];
  return text + "\n";
}

// Every tag a browser reads in the output without safe mode is also read,
// written the same way, in safe mode's output. Safe mode writes any "<"
// inside a tag as "&lt;", which a browser reads the same in a value; both
// sides are compared with "<".
TEST(SafeModeCorpus, RandomDocumentsKeepEveryBenignTag) {
  std::mt19937 random(28);
  int documents = 0;
  int tagsSeen = 0;
  for (int round = 0; round < 700; ++round) {
    const std::string markdown = randomDocument(random);
    for (TMarkdownProcessorDialect dialect : DIALECTS) {
      ++documents;
      std::vector<std::string> open = browserTags(convert(markdown, dialect, true));
      std::vector<std::string> safe = browserTags(convert(markdown, dialect, false));
      for (std::string& tag : open) tag = withPlainLessThan(tag);
      for (std::string& tag : safe) tag = withPlainLessThan(tag);
      for (const std::string& tag : open) {
        ++tagsSeen;
        const auto found = std::find(safe.begin(), safe.end(), tag);
        ASSERT_NE(found, safe.end()) << tag << " lost in " << dialectTrace(markdown, dialect);
        safe.erase(found);
      }
    }
  }
  EXPECT_GE(documents, 2000);
  EXPECT_GT(tagsSeen, 10000);
}

}  // namespace
}  // namespace glyphmill::test
