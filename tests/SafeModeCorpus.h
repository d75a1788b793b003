// Safe-mode cases shared by every dialect's tests: HTML as it appears in real
// documentation, hostile twins of its tags and disguised script URLs.
#pragma once

#include <cctype>
#include <string>
#include <vector>

namespace glyphmill::test {

// A Markdown snippet and one tag in it that a browser must see as a tag.
struct Snippet {
  std::string markdown;
  std::string probe;
};

// The corpus: inline HTML in paragraphs, lists and quotes, and raw blocks.
inline const std::vector<Snippet>& corpus() {
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
      // tags a browser finishes only with the text after them, inside the
      // text of a tag read from a stray "<"
      {"x <\"<a title='x\">y'>z", "<a title='x\">y'>"},
      {"x <\"<b title='\">y'>z", "<b title='\">y'>"},
      {"<\"<i class=x\">i</i>", "<i class=x\">"},
  };
  return snippets;
}

// Snippets that only the engine's own dialects read as HTML: there an escaped
// "<" is written as "<", so a browser reads the tag it starts.
inline const std::vector<Snippet>& escapedTagCorpus() {
  static const std::vector<Snippet> snippets = {
      {"1 \\<b class=x>bold</b>", "<b class=x>"},
      {"\\<img src=img/a.png> and text", "<img src=img/a.png>"},
      {"| a | b |\n|---|---|\n| \\<b class=k>k</b> | y |\n", "<b class=k>"},
      {"- \\<kbd title=k>K</kbd>", "<kbd title=k>"},
      {"\\<q cite=a/b>q</q>  \nnext", "<q cite=a/b>"},
      {"> \\<span class=s>s</span> quoted", "<span class=s>"},
  };
  return snippets;
}

// Script URLs hidden behind references or control characters.
inline const std::vector<std::string>& disguisedScriptUrls() {
  static const std::vector<std::string> hrefs = {
      "javascript&colon;alert(1)", "jav&NewLine;ascript:alert(1)", "&#1;javascript:alert(1)",
      "&#x09;JaVaScRiPt:alert(1)", "vbscript&colon;msgbox(1)"};
  return hrefs;
}

// Twins of a probe tag: the tag marked with "data-twin" right after its name
// and made hostile before its ">".
inline std::vector<std::string> hostileTwins(const std::string& probe) {
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

// A snippet with its probe replaced by one hostile twin, and the twin's tag as
// a browser would see it live ("<name data-twin").
struct TwinDocument {
  std::string markdown;
  std::string liveTag;
};

inline std::vector<TwinDocument> hostileTwinDocuments(const Snippet& snippet) {
  std::vector<TwinDocument> documents;
  const std::size_t at = snippet.markdown.find(snippet.probe);
  if (at == std::string::npos) return documents;
  const std::string name = snippet.probe.substr(1, snippet.probe.find_first_of(" \n>/") - 1);
  for (const std::string& twin : hostileTwins(snippet.probe)) {
    std::string markdown = snippet.markdown;
    markdown.replace(at, snippet.probe.size(), twin);
    documents.push_back({markdown, "<" + name + " data-twin"});
  }
  return documents;
}

}  // namespace glyphmill::test
