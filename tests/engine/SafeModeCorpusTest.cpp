// Safe mode on HTML as it appears in real documentation: harmless tags come
// out exactly as without safe mode, and a hostile twin of each is neutralised.
#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace glyphmill::test {
namespace {

constexpr TMarkdownProcessorDialect DIALECTS[] = {mdCommonMark, mdTxtMark, mdDaringFireball};

// A Markdown snippet and one tag in it that a browser must see as a tag.
struct Snippet {
  std::string markdown;
  std::string probe;
};

// The corpus: inline HTML in paragraphs, lists and quotes, and raw blocks.
const std::vector<Snippet>& corpus() {
  static const std::vector<Snippet> snippets = {
      // links with class, target, rel, titles
      {"See <a href=\"https://example.org/docs/Web/JavaScript/Reference\" class=\"type\">the "
       "reference</a>.",
       "<a href=\"https://example.org/docs/Web/JavaScript/Reference\" class=\"type\">"},
      {"<a href=\"https://example.org\" target=\"_blank\" rel=\"noopener noreferrer\">site</a>",
       "<a href=\"https://example.org\" target=\"_blank\" rel=\"noopener noreferrer\">"},
      {"A <span title=\"Write VBScript code\">note</span>",
       "<span title=\"Write VBScript code\">"},
      {"<a name=\"install\"></a>\n## Installing", "<a name=\"install\">"},
      {"<a href=\"#javascript-api\">JavaScript API</a> and <a href=\"/vbscript/\">VBScript</a>",
       "<a href=\"#javascript-api\">"},
      {"<a href='https://example.org/?a=1&amp;b=2' title='Query'>query</a>",
       "<a href='https://example.org/?a=1&amp;b=2' title='Query'>"},
      {"<a href=\"mailto:team@example.org\">Mail us</a>", "<a href=\"mailto:team@example.org\">"},
      {"<a href=\"javascript.html\">javascript.html</a>", "<a href=\"javascript.html\">"},
      {"<a href=\"./docs/javascript:guide.md\">guide</a>",
       "<a href=\"./docs/javascript:guide.md\">"},
      {"<a href=#usage class=btn>unquoted</a>", "<a href=#usage class=btn>"},
      // images with width, height, align, alt
      {"<img src=\"https://example.org/javascript-logo.png\" alt=\"logo\">",
       "<img src=\"https://example.org/javascript-logo.png\" alt=\"logo\">"},
      {"<img src=\"docs/shot.png\" width=\"600\" height=\"400\" align=\"right\">",
       "<img src=\"docs/shot.png\" width=\"600\" height=\"400\" align=\"right\">"},
      {"<img src=\"logo.svg\" alt=\"Project logo\" width=120>",
       "<img src=\"logo.svg\" alt=\"Project logo\" width=120>"},
      {"<p>\n<img alt='The \"quick\" start' src='start.png'>\n</p>",
       "<img alt='The \"quick\" start' src='start.png'>"},
      {"[![Build](https://example.org/badge.svg)](https://example.org) "
       "<img src=\"https://img.shields.io/badge/license-MIT-blue.svg\" alt=\"License\">",
       "<img src=\"https://img.shields.io/badge/license-MIT-blue.svg\" alt=\"License\">"},
      {"<img src=\"data:image/png;base64,iVBORw0KGgo=\" alt=\"dot\">",
       "<img src=\"data:image/png;base64,iVBORw0KGgo=\" alt=\"dot\">"},
      // kbd, sup, sub, nested inline tags
      {"Press <kbd>Ctrl</kbd>+<kbd>C</kbd> to copy.", "<kbd>"},
      {"E = mc<sup>2</sup> and H<sub>2</sub>O", "<sup>"},
      {"<b><i>Nested</i> and <code>code</code></b>", "<i>"},
      {"A <span class=\"badge\"><strong>new</strong> <em>feature</em></span>",
       "<span class=\"badge\">"},
      {"<abbr title=\"HyperText Markup Language\">HTML</abbr> is fine",
       "<abbr title=\"HyperText Markup Language\">"},
      {"<kbd>Ctrl</kbd> opens the <abbr title=\"program's menu\">menu</abbr>", "<kbd>"},
      {"Quoted \"text\" with <em class=\"x\">emphasis</em> and 'single' quotes",
       "<em class=\"x\">"},
      {"It's <mark>highlighted</mark>, isn't it?", "<mark>"},
      {"<font color=\"red\">old style</font>", "<font color=\"red\">"},
      {"<ins datetime=\"2020-01-01\">added</ins> <del>removed</del> text", "<del>"},
      // br in all spellings
      {"Line one<br>line two<br/>line three<br />end", "<br>"},
      {"First<BR>Second", "<BR>"},
      {"A table cell | with<br>break", "<br>"},
      // comments
      {"Text <!-- a comment --> more <b>bold</b>", "<b>"},
      {"<!-- TOC -->\n- [Intro](#intro)\n<!-- /TOC -->\n\n<em>after</em>", "<em>"},
      // details, summary, picture, source
      {"<details>\n<summary>Click to expand</summary>\n\nHidden *text*.\n\n</details>",
       "<summary>"},
      {"<details open><summary>Open by default</summary>Body</details>", "<details open>"},
      {"<picture>\n<source media=\"(prefers-color-scheme: dark)\" srcset=\"dark.png\">\n<img "
       "src=\"light.png\" alt=\"Logo\">\n</picture>",
       "<source media=\"(prefers-color-scheme: dark)\" srcset=\"dark.png\">"},
      {"<video src=\"demo.mp4\" controls width=\"320\"></video>",
       "<video src=\"demo.mp4\" controls width=\"320\">"},
      // tags after escaped text
      {"\\*not emphasis\\* then <code>x</code>", "<code>"},
      {"Use \\<tag> literally, but <b>bold</b> too", "<b>"},
      {"a\\  \nb <i>c</i>", "<i>"},
      {"2 > 1 and <em>3 > 2</em>", "<em>"},
      {"AT&T and &copy; <small>small print</small>", "<small>"},
      // in lists and quotes
      {"- item with <code>code</code>\n- item with <a href=\"#x\">link</a>", "<a href=\"#x\">"},
      {"> quoted <q cite=\"https://example.org\">words</q>", "<q cite=\"https://example.org\">"},
      {"1. <strong>Step one</strong>\n2. Step two", "<strong>"},
      // raw blocks: tables with attributes and quotes
      {"<table>\n<tr>\n<th>LTS 'Carbon'</th>\n<th title=\"Previously called "
       "'Stable'\">Current</th>\n</tr>\n</table>",
       "<th title=\"Previously called 'Stable'\">"},
      {"<table class=\"compat\" border=\"1\">\n<tr><td align=\"center\">It's "
       "fine</td><td>\"yes\"</td></tr>\n</table>",
       "<td align=\"center\">"},
      {"<table>\n<thead><tr><th colspan=\"2\">Head</th></tr></thead>\n<tbody>\n<tr><td "
       "width=\"50%\">a</td><td>b</td></tr>\n</tbody>\n</table>",
       "<th colspan=\"2\">"},
      {"<table>\n<tr>\n<td><img src=\"a.png\" alt=\"Tom's logo\"></td>\n<td title='a \"quoted\" "
       "cell'>x</td>\n</tr>\n</table>",
       "<img src=\"a.png\" alt=\"Tom's logo\">"},
      {"<table>\n  <tr>\n    <td><a href=\"https://example.org/JavaScript\">JS</a></td>\n  "
       "</tr>\n</table>",
       "<a href=\"https://example.org/JavaScript\">"},
      // raw blocks: div and p with align
      {"<div align=\"center\">\n<img src=\"logo.png\" width=\"200\">\n</div>",
       "<div align=\"center\">"},
      {"<p align=\"center\">\n  <a href=\"https://example.org\"><img src=\"banner.png\" "
       "alt=\"Banner\"></a>\n</p>",
       "<img src=\"banner.png\" alt=\"Banner\">"},
      {"<p align='center'>It's the \"best\" tool</p>", "<p align='center'>"},
      {"<div class=\"note\">\n<p>Don't forget the <code>--force</code> flag.</p>\n</div>",
       "<div class=\"note\">"},
      {"<div id=\"toc\" style=\"float: right\">\n<ul>\n<li><a "
       "href=\"#a\">A</a></li>\n</ul>\n</div>",
       "<div id=\"toc\" style=\"float: right\">"},
      {"<h1 align=\"center\">Project's Name</h1>", "<h1 align=\"center\">"},
      {"<h2 id=\"faq\">FAQ: \"why?\"</h2>", "<h2 id=\"faq\">"},
      {"<p>\n<img\n  src=\"multi.png\"\n  alt=\"multi-line tag\"\n  width=\"100\">\n</p>",
       "<img\n  src=\"multi.png\"\n  alt=\"multi-line tag\"\n  width=\"100\">"},
      {"<div>\n<!-- comment with 'quotes\" -->\n<span>after</span>\n</div>", "<span>"},
      {"<p>\nFirst<br/>Second<br />Third<br>Fourth\n</p>", "<br/>"},
      {"<p>\nLine<BR/>Next\n</p>", "<BR/>"},
      {"<blockquote>\n<p>It's a quote with <em>emphasis</em>.</p>\n</blockquote>", "<em>"},
      {"<ul>\n<li><a href=\"a.html\" title=\"A's page\">A</a></li>\n<li>B</li>\n</ul>",
       "<a href=\"a.html\" title=\"A's page\">"},
      {"<dl>\n<dt>Term</dt>\n<dd>The 'definition'</dd>\n</dl>", "<dd>"},
      {"<pre>\ncode with 'quotes\" and <b>bold</b>\n</pre>", "<b>"},
      {"<div>\n1 < 2 and 3 > 2 <i>ok</i>\n</div>", "<i>"},
      {"<div>\n<input type=\"checkbox\" checked disabled> Done\n</div>",
       "<input type=\"checkbox\" checked disabled>"},
      {"<div>\n<meta name=\"description\" content=\"A guide to JavaScript\">\n</div>",
       "<meta name=\"description\" content=\"A guide to JavaScript\">"},
      {"<div>\n<a href=\"https://example.org/search?q=javascript:void\">search</a>\n</div>",
       "<a href=\"https://example.org/search?q=javascript:void\">"},
      {"<div>\n<span title=\"&quot;quoted&quot; and it&#39;s\">ref</span>\n</div>",
       "<span title=\"&quot;quoted&quot; and it&#39;s\">"},
      {"<hr class=\"divider\">", "<hr class=\"divider\">"},
      // quotation marks of the other kind inside quoted values
      {"<th title=\"Previously called 'Stable'\">Current</th>",
       "<th title=\"Previously called 'Stable'\">"},
      {"A <abbr title=\"Node's LTS line\">LTS</abbr> release", "<abbr title=\"Node's LTS line\">"},
      {"<span title='the \"quick\" way'>fast</span>", "<span title='the \"quick\" way'>"},
      {"Use <kbd title=\"don't\">Ctrl</kbd>+<kbd>C</kbd>", "<kbd title=\"don't\">"},
      {"<a href=\"/faq#what's-new\" title=\"What's new\">new</a>",
       "<a href=\"/faq#what's-new\" title=\"What's new\">"},
      {"<img src=\"logo.png\" alt=\"Glyphmill's logo\">", "<img src=\"logo.png\" alt=\"Glyphmill's logo\">"},
      {"- item <q cite='say \"hi\"'>hi</q>", "<q cite='say \"hi\"'>"},
      {"> quoted <span title=\"it's\">x</span> and 'more'", "<span title=\"it's\">"},
      {"<div>\n<p title=\"it's raw\">raw</p>\n</div>", "<p title=\"it's raw\">"},
      {"<table>\n<tr><td title='a \"b\" c'>x</td></tr>\n</table>", "<td title='a \"b\" c'>"},
      // slashes in unquoted values
      {"<a href=https://example.com/a>x</a>", "<a href=https://example.com/a>"},
      {"<img src=img/a.png>", "<img src=img/a.png>"},
      {"Text <a href=/docs/guide/ class=x>guide</a> more", "<a href=/docs/guide/ class=x>"},
      {"<img src=a/b.png alt=x/y>", "<img src=a/b.png alt=x/y>"},
      {"<a href=../up/index.html>up</a>", "<a href=../up/index.html>"},
      {"<div>\n<img src=img/b.png width=10>\n</div>", "<img src=img/b.png width=10>"},
      {"* <a href=http://x.org/p?q=1/2>p</a>", "<a href=http://x.org/p?q=1/2>"},
      {"<span data-path=a/b/c>path</span>", "<span data-path=a/b/c>"},
      {"<br/> and <br />", "<br />"},
      {"<a href=//cdn.example.org/x.js>cdn</a>", "<a href=//cdn.example.org/x.js>"},
      // tables with such cells
      {"| a | b |\n|---|---|\n| <a title=\"it's\">x</a> | y |\n",
       "<a title=\"it's\">"},
      {"| h1 | h2 |\n|---:|:---|\n| Word<a title=\"it's\"> | beta <a title=\"x>y\">|\n",
       "<a title=\"x>y\">"},
      {"| a | b |\n|---|---|\n| <img src=img/a.png> | <b>y</b> |\n", "<img src=img/a.png>"},
      {"| a | b |\n|---|---|\n| <span title='say \"x\"'>s</span> | z |\n",
       "<span title='say \"x\"'>"},
      {"| a | b |\n|---|---|\n| <a href=https://x.org/a>x</a> | <i>i</i> |\n",
       "<a href=https://x.org/a>"},
      {"| a |\n|---|\n| it's <em title=\"x's\">e</em> |\n", "<em title=\"x's\">"},
      {"| a | b |\n|---|---|\n| 2020 <sup title=\"1st\">1</sup> | <sub>2</sub> |\n",
       "<sup title=\"1st\">"},
      {"| a | b |\n|---|---|\n| <code title='a/b'>c</code> | d |\n", "<code title='a/b'>"},
      // after a stray "<", unfinished tags and backticks
      {"1 < 2 and <b title=\"x\">bold</b>", "<b title=\"x\">"},
      {"a <- b <span class=\"op\">arrow</span>", "<span class=\"op\">"},
      {"x <3 and <em class=a>z</em>", "<em class=a>"},
      {"a `b <i class=\"c\">d</i>", "<i class=\"c\">"},
      {"`<b` then <strong title=\"s\">s</strong>", "<strong title=\"s\">"},
      {"<div class=\"note\">\n3 < 4 <u title=\"u\">u</u>\n</div>", "<u title=\"u\">"},
      {"a << b <small class=\"s\">small</small>", "<small class=\"s\">"},
      {"if a<=2 then <var title=\"v\">v</var>", "<var title=\"v\">"},
      // before hard breaks
      {"line <em title=\"e\">one</em>  \ntwo", "<em title=\"e\">"},
      {"<span class=\"x\">a</span>  \nb", "<span class=\"x\">"},
      {"end <b class=\"k\">k</b>\\\nnext", "<b class=\"k\">"},
      {"<s title=\"gone\">old</s>  \n<ins title=\"new\">new</ins>", "<ins title=\"new\">"},
      {"- <cite title=\"c\">c</cite>  \n  more", "<cite title=\"c\">"},
      {"<dfn title=\"d\">d</dfn>   \nthree spaces", "<dfn title=\"d\">"},
  };
  return snippets;
}

std::string withPlainLessThan(std::string html) {
  for (std::size_t at = html.find("&lt;"); at != std::string::npos; at = html.find("&lt;", at)) {
    html.replace(at, 4, "<");
  }
  return html;
}

std::string dialectTrace(const std::string& markdown, TMarkdownProcessorDialect dialect) {
  return markdown + " / " + dialectName(dialect);
}

TEST(SafeModeCorpus, HarmlessHtmlComesOutAsWithoutSafeMode) {
  EXPECT_GE(corpus().size(), 60u);
  for (const Snippet& snippet : corpus()) {
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
  const std::vector<std::string> hrefs = {"javascript&colon;alert(1)", "jav&NewLine;ascript:alert(1)",
                                          "&#1;javascript:alert(1)", "&#x09;JaVaScRiPt:alert(1)",
                                          "vbscript&colon;msgbox(1)"};
  for (const std::string& href : hrefs) {
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

// Twins of a probe tag: the tag marked with "data-twin" right after its name
// and made hostile before its ">".
std::vector<std::string> hostileTwins(const std::string& probe) {
  static const std::vector<std::string> additions = {
      " onmouseover=\"alert(1)\"",
      " href=\"java&NewLine;script&colon;alert(1)\"",
      " src=\" &#1;JavaScript:alert(1)\"",
      // a browser reads the title past the first ">" and finds the handler
      " title='a\"b>c ' onmouseover=alert(1)",
  };
  std::size_t nameEnd = 1;
  while (nameEnd < probe.size() && std::isalnum(static_cast<unsigned char>(probe[nameEnd]))) {
    ++nameEnd;
  }
  std::string marked = probe.substr(0, nameEnd) + " data-twin" + probe.substr(nameEnd);
  marked.pop_back();  // the ">"
  if (!marked.empty() && marked.back() == '/') marked.pop_back();
  std::vector<std::string> twins;
  for (const std::string& addition : additions) twins.push_back(marked + addition + ">");
  return twins;
}

TEST(SafeModeCorpus, HostileTwinsAreNeutralised) {
  for (const Snippet& snippet : corpus()) {
    const std::size_t at = snippet.markdown.find(snippet.probe);
    ASSERT_NE(at, std::string::npos) << snippet.probe;
    const std::string name = snippet.probe.substr(1, snippet.probe.find_first_of(" \n>/") - 1);
    for (const std::string& twin : hostileTwins(snippet.probe)) {
      std::string markdown = snippet.markdown;
      markdown.replace(at, snippet.probe.size(), twin);
      for (TMarkdownProcessorDialect dialect : DIALECTS) {
        SCOPED_TRACE(dialectTrace(markdown, dialect));
        const std::string safe = convert(markdown, dialect, false);
        EXPECT_EQ(safe.find("<" + name + " data-twin"), std::string::npos) << safe;
        EXPECT_NE(safe.find("&lt;" + name + " data-twin"), std::string::npos) << safe;
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
      "<kbd>", "</kbd>", "x/y", "<abbr title=\"A's\">", "</abbr>"};
  std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
  std::uniform_int_distribution<int> count(3, 25);
  std::string text;
  const int pieces = count(random);
  for (int i = 0; i < pieces; ++i) text += fragments[pick(random)];
  return text + "\n";
}

// Every tag a browser reads in the output without safe mode is also read,
// written the same way, in safe mode's output.
TEST(SafeModeCorpus, RandomDocumentsKeepEveryBenignTag) {
  std::mt19937 random(28);
  int documents = 0;
  int tagsSeen = 0;
  for (int round = 0; round < 700; ++round) {
    const std::string markdown = randomDocument(random);
    for (TMarkdownProcessorDialect dialect : DIALECTS) {
      ++documents;
      const std::vector<std::string> open = browserTags(convert(markdown, dialect, true));
      std::vector<std::string> safe = browserTags(convert(markdown, dialect, false));
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
