// HTML knowledge, the tag reader, autolinks and character references.
#include <random>
#include <cctype>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"

namespace glyphmill {
namespace {

using test::S;
using test::U;

// ---------------------------------------------------------------- tables

TEST(HtmlTables, ElementLookup) {
  EXPECT_EQ(THTML::elementOf(u"a"), hea);
  EXPECT_EQ(THTML::elementOf(u"div"), hediv);
  EXPECT_EQ(THTML::elementOf(u"h6"), heh6);
  EXPECT_EQ(THTML::elementOf(u"var"), hevar);
  EXPECT_EQ(THTML::elementOf(u"tt"), hett);
  EXPECT_EQ(THTML::elementOf(u"DIV"), heNONE);
  EXPECT_EQ(THTML::elementOf(u""), heNONE);
  EXPECT_EQ(THTML::elementOf(u"none"), heNONE);
  EXPECT_EQ(THTML::elementOf(u"NONE"), heNONE);
  EXPECT_EQ(THTML::elementOf(u"d\u0131v"), heNONE);  // dotless i
  EXPECT_EQ(THTML::elementOf(u"div "), heNONE);
  // first letters without elements, and characters beside "a" and "z"
  for (const char16_t* name : {u"j", u"zz", u"`a", u"{div", u"@", u"\u00e4"}) {
    EXPECT_EQ(THTML::elementOf(name), heNONE) << S(name);
  }
}

// Names are looked up by a number packed from their characters: names
// beside the known ones (longer, shorter, with other characters) know nothing.
TEST(HtmlTables, FactsOfNamesNearTheKnownOnes) {
  EXPECT_EQ(THTML::factsOf(u"DiV", true).element, hediv);
  EXPECT_EQ(THTML::factsOf(u"DiV").element, heNONE);
  EXPECT_EQ(THTML::factsOf(u"BLOCKQUOTE", true).element, heblockquote);
  EXPECT_TRUE(THTML::factsOf(u"Blockquote", true).block);
  EXPECT_EQ(THTML::factsOf(u"H1", true).element, heh1);
  EXPECT_TRUE(THTML::factsOf(u"EMBED", true).unsafe);
  EXPECT_EQ(THTML::factsOf(u"embed").element, heNONE);
  EXPECT_TRUE(THTML::factsOf(u"portal").unsafe);
  EXPECT_FALSE(THTML::factsOf(u"Portal").unsafe);
  for (const char16_t* name : {u"blockquotes", u"blockquot", u"h7", u"h0", u"h10", u"1h",
                               u"di", u"divv", u"d1v", u"embeds", u"aaaaaaaaaaa", u"a-b",
                               u"td\u00e9", u"scr\u0131pt", u"tablexxxxxxxxx"}) {
    SCOPED_TRACE(S(name));
    const THTMLElementFacts facts = THTML::factsOf(name, true);
    EXPECT_EQ(facts.element, heNONE);
    EXPECT_FALSE(facts.block);
    EXPECT_FALSE(facts.unsafe);
  }
  EXPECT_EQ(THTML::factsOf(std::u16string_view(u"b\0", 2), true).element, heNONE);
}

TEST(HtmlTables, EveryElementHasItsName) {
  const std::vector<std::string> names = {
      "a", "abbr", "acronym", "address", "applet", "area", "b", "base", "basefont", "bdo",
      "big", "blockquote", "body", "br", "button", "caption", "cite", "code", "col",
      "colgroup", "dd", "del", "dfn", "div", "dl", "dt", "em", "fieldset", "font", "form",
      "frame", "frameset", "h1", "h2", "h3", "h4", "h5", "h6", "head", "hr", "html", "i",
      "iframe", "img", "input", "ins", "kbd", "label", "legend", "li", "link", "map", "meta",
      "noscript", "object", "ol", "optgroup", "option", "p", "param", "pre", "q", "s", "samp",
      "script", "select", "small", "span", "strike", "strong", "style", "sub", "sup", "table",
      "tbody", "td", "textarea", "tfoot", "th", "thead", "title", "tr", "tt", "u", "ul", "var"};
  ASSERT_EQ(names.size(), 86u);
  int blockCount = 0;
  int unsafeCount = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(THTML::elementOf(U(names[i])), static_cast<THTMLElement>(i + 1));
    if (THTML::isHtmlBlockElement(U(names[i]))) ++blockCount;
    if (THTML::isUnsafeHtmlElement(U(names[i]))) ++unsafeCount;
  }
  EXPECT_EQ(blockCount, 21);
  EXPECT_EQ(unsafeCount, 10);
}

TEST(HtmlTables, BlockAndUnsafeElements) {
  for (const char16_t* name : {u"div", u"p", u"hr", u"ins", u"del", u"address", u"noscript"}) {
    SCOPED_TRACE(S(name));
    EXPECT_TRUE(THTML::isHtmlBlockElement(name));
  }
  for (const char16_t* name : {u"script", u"iframe", u"applet", u"frameset", u"body"}) {
    SCOPED_TRACE(S(name));
    EXPECT_TRUE(THTML::isUnsafeHtmlElement(name));
  }
  for (const char16_t* name : {u"li", u"span", u"DIV", u"", u"b", u"style", u"SCRIPT"}) {
    SCOPED_TRACE(S(name));
    EXPECT_FALSE(THTML::isHtmlBlockElement(name));
    EXPECT_FALSE(THTML::isUnsafeHtmlElement(name));
  }
}

// One lookup gives the element and its facts; in any letter case only when asked.
TEST(HtmlTables, FactsOfAName) {
  struct Row {
    const char16_t* name;
    bool anyCase;
    THTMLElement element;
    bool block;
    bool unsafe;
  };
  const std::vector<Row> rows = {
      {u"div", false, hediv, true, false},      {u"DiV", true, hediv, true, false},
      {u"DIV", false, heNONE, false, false},    {u"Script", true, hescript, false, true},
      {u"script", false, hescript, false, true}, {u"SCRIPT", false, heNONE, false, false},
      {u"meta", true, hemeta, false, false},    {u"EMBED", true, heNONE, false, true},
      {u"portal", false, heNONE, false, true},  {u"Portal", false, heNONE, false, false},
      {u"d\u0131v", true, heNONE, false, false}, {u"", true, heNONE, false, false},
      {u"[div", true, heNONE, false, false},    {u"embeds", true, heNONE, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(S(row.name) + (row.anyCase ? " (any case)" : ""));
    const THTMLElementFacts facts = THTML::factsOf(row.name, row.anyCase);
    EXPECT_EQ(facts.element, row.element);
    EXPECT_EQ(facts.block, row.block);
    EXPECT_EQ(facts.unsafe, row.unsafe);
  }
}

TEST(HtmlTables, Entities) {
  const std::vector<std::pair<std::string, bool>> rows = {
      {"&amp;", true},    {"&copy;", true},   {"&apos;", true},   {"&Acirc;", true},
      {"&zwnj;", true},   {"&thorn;", true},  {"&ETH;", true},    {"&frac34;", true},
      {"&Aacute;", false}, {"&aacute;", false}, {"&THORN;", false}, {"&AMP;", false},
      {"amp", false},     {"&amp", false},    {"amp;", false},    {"&Tab;", false},
      {"", false},
  };
  for (const auto& [name, expected] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(THTML::isEntity(U(name)), expected);
  }
}

TEST(HtmlTables, LinkPrefixes) {
  for (const char16_t* p : {u"http", u"https", u"ftp", u"ftps"}) {
    EXPECT_TRUE(THTML::isLinkPrefix(p));
  }
  for (const char16_t* p : {u"HTTP", u"mailto", u"http:", u""}) {
    EXPECT_FALSE(THTML::isLinkPrefix(p));
  }
}

// ---------------------------------------------------------------- tag copying

struct TagRow {
  std::string text;
  int start;
  int expectedResult;
  std::string expectedCopy;  // checked only on success
};

TEST(TagReader, ReadXMLUntil) {
  const TCharSet stops{u'/', u'>'};
  const std::vector<TagRow> rows = {
      {"a b>", 0, 3, "a b"},
      {"title=\"x>y\">", 0, 11, "title=\"x>y\""},
      {"t='a/b'/", 0, 7, "t='a/b'"},
      {"t=\"a\\\">\">", 0, 8, "t=\"a\\\">\""},  // backslash keeps the value open
      {"t=\"it's\">", 0, 8, "t=\"it's\""},  // an apostrophe inside "..." is plain
      {"t='say \"hi\"'>", 0, 12, "t='say \"hi\"'"},
      {"t=\"it's\">x\">", 0, 8, "t=\"it's\""},
      {"abc", 0, -1, ""},
      {"ab>", 5, -1, ""},
      {"ab\\>", 0, 3, "ab\\"},  // no escapes outside quoted values
      {"t=\"a\\", 0, -1, ""},   // a backslash at the very end
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    std::u16string out;
    EXPECT_EQ(TUtils::readXMLUntil(out, U(row.text), row.start, stops), row.expectedResult);
    if (row.expectedResult >= 0) {
      EXPECT_EQ(S(out), row.expectedCopy);
    }
  }
}

// Finding a tag's end without copying it must land where copying does, and
// a failed copy must take in the rest of the text, as callers may keep it.
TEST(TagReader, FindingWithoutCopyingAgreesWithCopying) {
  const std::vector<std::string> texts = {
      "<div>",          "</div>",        "<div/>",          "<div />",     "<div //>",
      "<div / >",       "<a href='/'>",  "<a t=\"x>y\">", "<a t=\"\\\">\">", "<!-- x -->",
      "<div",           "<a t='x>",      "<",               "<a/b>",       "x <b>y</b>",
      "<div title=\"a\\", "<p>",         "</ >",
  };
  const TCharSet stops{u'/', u'>'};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const std::u16string s = U(text);
    for (int start = 0; start <= static_cast<int>(s.size()); ++start) {
      std::u16string copy;
      EXPECT_EQ(TUtils::xmlTagEnd(s, start), TUtils::readXML(copy, s, start, false));
      std::u16string until;
      const int stop = TUtils::readXMLUntil(until, s, start, stops);
      EXPECT_EQ(TUtils::findXMLStop(s, start, stops), stop);
      if (stop < 0) {
        EXPECT_EQ(S(until), text.substr(start));
      }
    }
  }
}

TEST(TagReader, GetXMLTag) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"<h1 id=a>", "h1"}, {"</ul>", "ul"}, {"<div class=x>", "div"}, {"<br/>", "br"},
      {"<", ""},          {"", ""},        {"</", ""},              {"<_x>", ""},
      {"<Ä1>", "Ä1"},
  };
  for (const auto& [tag, expected] : rows) {
    SCOPED_TRACE(tag);
    std::u16string out;
    TUtils::getXMLTag(out, U(tag));
    EXPECT_EQ(S(out), expected);
  }
}

struct ModeRow {
  std::string text;
  int start;
  int expectedResult;
  std::string expectedCopy;     // safe mode off
  std::string expectedSafeCopy; // safe mode on
};

std::string readTag(const std::string& text, int start, bool safe, int& result) {
  std::u16string out;
  result = TUtils::readXML(out, U(text), start, safe);
  return S(out);
}

TEST(TagReader, ReadXMLInBothModes) {
  const std::vector<ModeRow> rows = {
      {"<b>bold", 0, 2, "<b>", "<b>"},
      {"</b>", 0, 3, "</b>", "</b>"},
      {"<br/>", 0, 4, "<br />", "<br />"},
      {"<br />", 0, 5, "<br  />", "<br  />"},
      {"<img src=\"a/b\"/>", 0, 15, "<img src=\"a/b\" />", "<img src=\"a/b\" />"},
      {"<a title=\"x>y\">t", 0, 14, "<a title=\"x>y\">", "<a title=\"x>y\">"},
      {"<!-- c -->", 0, 1, "<!", "<!"},
      {"x<p class='a'>", 1, 13, "<p class='a'>", "<p class='a'>"},
      {"<script>x", 0, 7, "<script>", "&lt;script>"},
      {"</script>", 0, 8, "</script>", "&lt;/script>"},
      {"<IFRAME src=a>", 0, 13, "<IFRAME src=a>", "&lt;IFRAME src=a>"},
      {"<Object/>", 0, 8, "<Object />", "&lt;Object />"},
      {"<scripts>", 0, 8, "<scripts>", "<scripts>"},
      {"<b\nclass=x>", 0, 10, "<b\nclass=x>", "<b\nclass=x>"},
      // Tags of a name alone, in any letter case, with digits, and one
      // followed by a second ">".
      {"<H1>x</H1>", 0, 3, "<H1>", "<H1>"},
      {"x</SCRIPT>", 1, 9, "</SCRIPT>", "&lt;/SCRIPT>"},
      {"<Embed>", 0, 6, "<Embed>", "&lt;Embed>"},
      {"<style>", 0, 6, "<style>", "<style>"},
      {"<iframe2>", 0, 8, "<iframe2>", "<iframe2>"},
      {"<b>>", 0, 2, "<b>", "<b>"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    int result = 0;
    const std::string unsafeCopy = readTag(row.text, row.start, false, result);
    EXPECT_EQ(result, row.expectedResult);
    EXPECT_EQ(unsafeCopy, row.expectedCopy);
    const std::string safeCopy = readTag(row.text, row.start, true, result);
    EXPECT_EQ(result, row.expectedResult);
    EXPECT_EQ(safeCopy, row.expectedSafeCopy);
  }
}

// A tag of a name alone, opening or closing, in any letter case: safe mode
// writes it as text exactly when the name is that of an unsafe element, and
// both modes take it to its ">".
TEST(TagReader, TagsOfANameAloneInSafeMode) {
  const std::vector<std::string> names = {"script", "SCRIPT", "ScRiPt", "iframe", "object",
                                          "embed",  "base",   "portal", "div",    "b",
                                          "h1",     "style",  "scripts", "x1"};
  int unsafeNames = 0;
  for (const std::string& name : names) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool unsafe = THTML::isUnsafeHtmlElement(U(lower));
    unsafeNames += unsafe ? 1 : 0;
    for (const std::string& tag : {"<" + name + ">", "</" + name + ">"}) {
      SCOPED_TRACE(tag);
      const std::string text = "a" + tag + "b";
      int result = 0;
      EXPECT_EQ(readTag(text, 1, false, result), tag);
      EXPECT_EQ(result, static_cast<int>(tag.size()));
      EXPECT_EQ(readTag(text, 1, true, result), unsafe ? "&lt;" + tag.substr(1) : tag);
      EXPECT_EQ(result, static_cast<int>(tag.size()));
      EXPECT_EQ(TUtils::xmlTagEnd(U(text), 1), static_cast<int>(tag.size()));
    }
  }
  EXPECT_EQ(unsafeNames, 8);
}

// Only "/", optional white space and ">" is the self-closing slash; other
// slashes, quotes of the other kind in values and unsafe elements added later.
TEST(TagReader, SlashesQuotesAndLaterUnsafeElements) {
  const std::vector<ModeRow> rows = {
      {"<a href=https://example.com/a>x", 0, 29, "<a href=https://example.com/a>",
       "<a href=https://example.com/a>"},
      {"<img src=img/a.png>", 0, 18, "<img src=img/a.png>", "<img src=img/a.png>"},
      {"<img/src=a>", 0, 10, "<img/src=a>", "<img/src=a>"},
      {"<br / >", 0, 6, "<br  / >", "<br  / >"},
      {"<br/\n>", 0, 5, "<br /\n>", "<br /\n>"},
      {"<a href=/x/>", 0, 11, "<a href=/x />", "<a href=/x />"},
      {"<a href=a/b title='x/y'/>", 0, 24, "<a href=a/b title='x/y' />",
       "<a href=a/b title='x/y' />"},
      {"<th title=\"Previously called 'Stable'\">", 0, 38,
       "<th title=\"Previously called 'Stable'\">", "<th title=\"Previously called 'Stable'\">"},
      {"<q cite='say \"hi\"'>", 0, 18, "<q cite='say \"hi\"'>", "<q cite='say \"hi\"'>"},
      {"<embed src=\"https://x.org/a.swf\">", 0, 32, "<embed src=\"https://x.org/a.swf\">",
       "&lt;embed src=\"https://x.org/a.swf\">"},
      {"</EMBED>", 0, 7, "</EMBED>", "&lt;/EMBED>"},
      {"<base href=\"https://x.org/\">", 0, 27, "<base href=\"https://x.org/\">",
       "&lt;base href=\"https://x.org/\">"},
      {"<Portal src=x/>", 0, 14, "<Portal src=x />", "&lt;Portal src=x />"},
      {"<basefont size=2>", 0, 16, "<basefont size=2>", "<basefont size=2>"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    int result = 0;
    EXPECT_EQ(readTag(row.text, row.start, false, result), row.expectedCopy);
    EXPECT_EQ(result, row.expectedResult);
    EXPECT_EQ(readTag(row.text, row.start, true, result), row.expectedSafeCopy);
    EXPECT_EQ(result, row.expectedResult);
  }
  for (const char16_t* name : {u"embed", u"base", u"portal"}) {
    EXPECT_TRUE(THTML::isUnsafeHtmlElement(name)) << S(name);
  }
}

TEST(TagReader, ReadXMLFailures) {
  const std::vector<std::pair<std::string, int>> rows = {
      {"<", 0},  {"a<", 1},   {"<b", 0},         {"</", 0},        {"<a title=\"x'>", 0},
      {"", 0},   {"<b>", 3},  {"<b>", 2},        {"<b>", -1},      {"<a href='x>", 0},
      {"</b", 0}, {"<b/", 0}, {"<b title=\"\\", 0},
  };
  for (const auto& [text, start] : rows) {
    for (bool safe : {false, true}) {
      SCOPED_TRACE(text + (safe ? " (safe)" : ""));
      std::u16string out;
      EXPECT_EQ(TUtils::readXML(out, U(text), start, safe), -1);
    }
  }
}

// ---------------------------------------------------------------- safe mode

struct SafeRow {
  std::string text;
  std::string expectedSafeCopy;
};

std::string withPlainLessThan(const std::string& text) {
  std::string result;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 4, "&lt;") == 0) {
      result += '<';
      i += 4;
    } else {
      result += text[i++];
    }
  }
  return result;
}

// Safe mode may only turn "<" into "&lt;"; without it the tag is copied as
// the reader always did.
void expectSafeCopies(const std::vector<SafeRow>& rows) {
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    int result = 0;
    EXPECT_EQ(readTag(row.text, 0, true, result), row.expectedSafeCopy);
    EXPECT_EQ(result, static_cast<int>(U(row.text).size()) - 1);
    EXPECT_EQ(readTag(row.text, 0, false, result), withPlainLessThan(row.expectedSafeCopy));
    EXPECT_EQ(result, static_cast<int>(U(row.text).size()) - 1);
  }
}

TEST(SafeMode, TagNameEndsAtAnyWhiteSpace) {
  expectSafeCopies({
      {"<script\nsrc=x>", "&lt;script\nsrc=x>"},
      {"<script\tsrc=x>", "&lt;script\tsrc=x>"},
      {"<script\rsrc=x>", "&lt;script\rsrc=x>"},
      {"<script\vsrc=x>", "&lt;script\vsrc=x>"},
      {"<script\fsrc=x>", "&lt;script\fsrc=x>"},
      {"<SCRIPT\n>", "&lt;SCRIPT\n>"},
      {"<iframe\n\tsrc=x>", "&lt;iframe\n\tsrc=x>"},
      {"<b\nclass=x>", "<b\nclass=x>"},
  });
}

TEST(SafeMode, EventHandlersNeutraliseTheTag) {
  expectSafeCopies({
      {"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)>"},
      {"<img src=x ONERROR = alert(1)>", "&lt;img src=x ONERROR = alert(1)>"},
      {"<b\nonmouseover=x>", "&lt;b\nonmouseover=x>"},
      {"<a title=\"x\" onclick=\"y\">", "&lt;a title=\"x\" onclick=\"y\">"},
      {"<a title=\"x\"onclick=\"y\">", "&lt;a title=\"x\"onclick=\"y\">"},
      {"<svg/onload=alert(1)>", "&lt;svg/onload=alert(1)>"},
      {"<svg/onload=alert(1)/>", "&lt;svg/onload=alert(1) />"},
      {"</a onclick=x>", "&lt;/a onclick=x>"},
      // not handlers
      {"<a href=x/onclick=alert(1)>", "<a href=x/onclick=alert(1)>"},  // one unquoted value
      {"<a title=\"x onclick=y\">", "<a title=\"x onclick=y\">"},
      {"<a title='on=1'>", "<a title='on=1'>"},
      {"<a on=1 one2=3>", "<a on=1 one2=3>"},
      {"<input checked onclick>", "<input checked onclick>"},
      {"<a data-onclick=x>", "<a data-onclick=x>"},
      {"<a donclick=x>", "<a donclick=x>"},
  });
}

TEST(SafeMode, ScriptUrlsNeutraliseTheTag) {
  expectSafeCopies({
      {"<a href=\"javascript:alert(1)\">", "&lt;a href=\"javascript:alert(1)\">"},
      {"<a href=\"jav&#x09;ascript:x\">", "&lt;a href=\"jav&#x09;ascript:x\">"},
      {"<a href=\"javascript&colon;x\">", "&lt;a href=\"javascript&colon;x\">"},
      {"<a href=\"&#106;&#X61;vascript:x\">", "&lt;a href=\"&#106;&#X61;vascript:x\">"},
      {"<a href=\"&#0000106avascript:x\">", "&lt;a href=\"&#0000106avascript:x\">"},
      {"<a href=\"java&Tab;script:x\">", "&lt;a href=\"java&Tab;script:x\">"},
      {"<a href='VBScript:x'>", "&lt;a href='VBScript:x'>"},
      {"<a href=\"j\na\nv\na\ns\nc\nr\ni\np\nt:x\">",
       "&lt;a href=\"j\na\nv\na\ns\nc\nr\ni\np\nt:x\">"},
      {"<a title=\"About JavaScript\">", "<a title=\"About JavaScript\">"},
      // a reference that stands for no letter leaves nothing to match
      {"<a href=\"&#x6Aavascript:x\">", "<a href=\"&#x6Aavascript:x\">"},
      {"<a href=\"http://example.com/\">", "<a href=\"http://example.com/\">"},
  });
}

// A script URL is an attribute value that, decoded and without characters of
// code 32 or below, begins with javascript: or vbscript:; the words elsewhere
// are harmless.
TEST(SafeMode, ScriptUrlIsWhereAValueBegins) {
  expectSafeCopies({
      {"<a href=\"jav&NewLine;ascript:x\">", "&lt;a href=\"jav&NewLine;ascript:x\">"},
      {"<a href=\"&#1;javascript:x\">", "&lt;a href=\"&#1;javascript:x\">"},
      {"<a href=\"&#x1F;&#x20;vbscript&colon;x\">", "&lt;a href=\"&#x1F;&#x20;vbscript&colon;x\">"},
      {"<img src=x data-x=\"JAVASCRIPT:1\">", "&lt;img src=x data-x=\"JAVASCRIPT:1\">"},
      {"<a href=javascript:x>", "&lt;a href=javascript:x>"},
      {"<a href=\"https://x.org/javascript:y\">", "<a href=\"https://x.org/javascript:y\">"},
      {"<a href=\"#javascript\" title=\"VBScript code\">", "<a href=\"#javascript\" title=\"VBScript code\">"},
      {"<img src=\"javascript-logo.png\">", "<img src=\"javascript-logo.png\">"},
      {"<a href=\"javascript\">", "<a href=\"javascript\">"},
      {"<a href=\"java&shy;script:x\">", "<a href=\"java&shy;script:x\">"},
      {"<a href=\"javascript&amp;colon;x\">", "<a href=\"javascript&amp;colon;x\">"},
  });
}

TEST(SafeMode, MetaRefreshIsNeutralised) {
  expectSafeCopies({
      {"<meta http-equiv=\"refresh\" content=\"0\">", "&lt;meta http-equiv=\"refresh\" content=\"0\">"},
      {"<META HTTP-EQUIV=Refresh>", "&lt;META HTTP-EQUIV=Refresh>"},
      {"<meta http-equiv='REFRESH' content='5; url=https://x.org'>",
       "&lt;meta http-equiv='REFRESH' content='5; url=https://x.org'>"},
      {"<meta http-equiv=\"content-type\" content=\"text/html\">",
       "<meta http-equiv=\"content-type\" content=\"text/html\">"},
      {"<meta name=\"refresh\">", "<meta name=\"refresh\">"},
      {"<div http-equiv=\"refresh\">", "<div http-equiv=\"refresh\">"},
  });
}

// Raw HTML: the tag a browser reads, copied as written when harmless.
TEST(SafeMode, CopyHarmlessTag) {
  const std::vector<std::tuple<std::string, int, std::string>> rows = {
      {"<th title=\"Previously called 'Stable'\">Current", 38, "<th title=\"Previously called 'Stable'\">"},
      {"<br/>", 4, "<br/>"},
      {"</div>", 5, "</div>"},
      {"<img\n src='a.png'\n alt=\"it's\">", 29, "<img\n src='a.png'\n alt=\"it's\">"},
      {"<b title=\"a<b\">", 14, "<b title=\"a&lt;b\">"},
      {"<a title='x>y'>", 14, "<a title='x>y'>"},
      // not harmless, not complete, or no tag for a browser
      {"<script>", -1, ""},
      {"<b onclick=x>", -1, ""},
      {"<a href=\" javascript:x\">", -1, ""},
      {"<b title=\"x>", -1, ""},
      {"<b", -1, ""},
      {"<!-- x -->", -1, ""},
      {"< b>", -1, ""},
      {"<1>", -1, ""},
  };
  for (const auto& [text, end, copy] : rows) {
    SCOPED_TRACE(text);
    std::u16string out;
    EXPECT_EQ(TUtils::copyHarmlessTag(out, U(text), 0), end);
    EXPECT_EQ(S(out), copy);
  }
}

// An escaped "<" stays a tag only before a plain tag of a harmless element.
TEST(SafeMode, PlainTagAfterAnEscape) {
  const std::vector<std::pair<std::string, bool>> rows = {
      {"<br/>", true},     {"<br />", true},     {"<br>", true},    {"</b>", true},
      {"<h2>x", true},     {"<script>", false},  {"</IFRAME>", false},
      {"<b title=x>", false}, {"<b onclick>", false}, {"<br/>>", false},
      {"<b", false},       {"< b>", false},      {"<1>", false},    {"<b\n>", false},
  };
  for (const auto& [text, plain] : rows) {
    SCOPED_TRACE(text);
    EXPECT_EQ(TUtils::isPlainTag(U(text), 0), plain);
  }
}

TEST(SafeMode, NoLessThanInsideATagStaysLive) {
  expectSafeCopies({
      {"<iframe srcdoc=\"<script>alert(1)</script>\">",
       "&lt;iframe srcdoc=\"&lt;script>alert(1)&lt;/script>\">"},
      {"<b title=\"</style><img src=x>\">", "<b title=\"&lt;/style>&lt;img src=x>\">"},
      {"<b title='a<b'>", "<b title='a&lt;b'>"},
  });
}

TEST(SafeMode, TagThatABrowserReadsDifferently) {
  expectSafeCopies({
      // A browser ends the title at the backslash's quote and sees onclick.
      {"<b title=\"a\\\" onclick=alert(1) x=\">", "&lt;b title=\"a\\\" onclick=alert(1) x=\">"},
      {"<b title=\"it's\" onclick=alert(1)>", "&lt;b title=\"it's\" onclick=alert(1)>"},
      // A browser ends the tag early; the rest is text and harmless.
      {"<b title=\"a\\\">x\">", "<b title=\"a\\\">x\">"},
  });
}

// ---------------------------------------------------------------- checkHTML

struct EmitRow {
  std::string text;
  int start;
  int expectedResult;
  std::string expectedOutput;  // checked only on success
};

std::string runCheckHTML(const std::string& text, int start, bool safe, int& result) {
  TConfiguration config(safe);
  config.SetRandomSeed(3);
  TEmitter emitter(config);
  std::u16string out;
  result = emitter.checkHTML(out, U(text), start);
  return S(out);
}

void expectCheckHTML(const std::vector<EmitRow>& rows, bool safe) {
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text + (safe ? " (safe)" : " (unsafe)"));
    int result = 0;
    const std::string out = runCheckHTML(row.text, row.start, safe, result);
    EXPECT_EQ(result, row.expectedResult);
    if (row.expectedResult >= 0) {
      EXPECT_EQ(out, row.expectedOutput);
    }
  }
}

TEST(CheckHTML, UrlAutolinks) {
  const std::vector<EmitRow> rows = {
      {"<news:a&b>", 0, 9, "<a href=\"news:a&amp;b\">news:a&amp;b</a>"},
      {"<foo:bar>", 0, 8, "<a href=\"foo:bar\">foo:bar</a>"},
      {"x <http://a.b/?q=1+2> y", 2, 20,
       "<a href=\"http://a.b/?q=1%2b2\">http://a.b/?q=1+2</a>"},
      {"<http://a b\nc>", 0, 13, "<a href=\"http://a b\nc\">http://a b\nc</a>"},
      {"<mailto:me@x.org>", 0, 16, "<a href=\"mailto:me@x.org\">mailto:me@x.org</a>"},
      {"<a\\:b:c>", 0, 7, "<a href=\"a\\:b:c\">a\\:b:c</a>"},
      {"<x:'y'>", 0, 6, "<a href=\"x:'y'\">x:&apos;y&apos;</a>"},
      {"<x:a\\>b>", 0, 7, "<a href=\"x:a&gt;b\">x:a&gt;b</a>"},
  };
  expectCheckHTML(rows, true);
  expectCheckHTML(rows, false);
}

TEST(CheckHTML, DangerousAutolinksLoseTheirTargetInSafeMode) {
  expectCheckHTML({
      {"<javascript:alert(1)>", 0, 20, "<a href=\"\">javascript:alert(1)</a>"},
      {"<JAVAscript:x>", 0, 13, "<a href=\"\">JAVAscript:x</a>"},
      {"<java\tscript:x>", 0, 14, "<a href=\"\">java\tscript:x</a>"},
      {"<data:text/html,x>", 0, 17, "<a href=\"\">data:text/html,x</a>"},
      {"<data:image/png,x>", 0, 17, "<a href=\"data:image/png,x\">data:image/png,x</a>"},
      {"<http://x\" onclick=\"y>", 0, 21, "<a href=\"\">http://x&quot; onclick=&quot;y</a>"},
  }, true);
  expectCheckHTML({
      {"<javascript:alert(1)>", 0, 20,
       "<a href=\"javascript:alert(1)\">javascript:alert(1)</a>"},
      {"<http://x\" onclick=\"y>", 0, 21,
       "<a href=\"http://x\" onclick=\"y\">http://x&quot; onclick=&quot;y</a>"},
  }, false);
}

// Undoes the character references written for mail autolinks.
std::string decodeNumeric(const std::string& text) {
  std::string decoded;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 2, "&#") == 0) {
      const std::size_t semicolon = text.find(';', i);
      const bool hex = text[i + 2] == 'x';
      const std::string digits = text.substr(i + (hex ? 3 : 2), semicolon - i - (hex ? 3 : 2));
      decoded += static_cast<char>(std::stoi(digits, nullptr, hex ? 16 : 10));
      i = semicolon + 1;
    } else {
      decoded += text[i++];
    }
  }
  return decoded;
}

TEST(CheckHTML, MailAutolinks) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"<me@example.com>", "<a href=\"mailto:me@example.com\">me@example.com</a>"},
      {"<a.b-c@x y>", "<a href=\"mailto:a.b-c@x y\">a.b-c@x y</a>"},
      {"<\\<x@y>", "<a href=\"mailto:<x@y\"><x@y</a>"},
  };
  for (const auto& [text, expected] : rows) {
    for (bool safe : {true, false}) {
      SCOPED_TRACE(text);
      int result = 0;
      const std::string out = runCheckHTML(text, 0, safe, result);
      EXPECT_EQ(result, static_cast<int>(U(text).size()) - 1);
      EXPECT_EQ(decodeNumeric(out), expected);
      // Letters and the at sign are never written plainly, the colon always.
      EXPECT_EQ(out.find('@'), std::string::npos) << out;
      EXPECT_EQ(out.find("mailto"), std::string::npos) << out;
      EXPECT_NE(out.find(':'), std::string::npos) << out;
    }
  }
}

TEST(CheckHTML, TagsAndFailures) {
  const std::vector<EmitRow> both = {
      {"<b>bold</b>", 0, 2, "<b>"},
      {"<b>bold</b>", 7, 10, "</b>"},
      {"<br/>", 0, 4, "<br />"},
      {"a <b", 2, -1, ""},
      {"a < b", 2, -1, ""},
      {"<>", 0, -1, ""},
      {"<a", 0, -1, ""},
      {"<", 0, -1, ""},
      {"x", 5, -1, ""},
      {"<a title=\"it's\">x", 0, 15, "<a title=\"it's\">"},
      {"<!-- c -->", 0, 1, "<!"},
      {"<x@y", 0, -1, ""},
      {"<http://x", 0, -1, ""},
  };
  expectCheckHTML(both, true);
  expectCheckHTML(both, false);
  expectCheckHTML({{"<script>x</script>", 0, 7, "&lt;script>"},
                   {"<script>x</script>", 9, 17, "&lt;/script>"}},
                  true);
  expectCheckHTML({{"<script>x</script>", 0, 7, "<script>"}}, false);
}

// ---------------------------------------------------------------- checkEntity

TEST(CheckEntity, References) {
  const std::vector<EmitRow> rows = {
      {"&amp;", 0, 4, "&amp;"},
      {"&copy; 2020", 0, 5, "&copy;"},
      {"&#169;", 0, 5, "&#169;"},
      {"&#xA9;", 0, 5, "&#xA9;"},
      {"&#Xa9;", 0, 5, "&#Xa9;"},
      {"&#0;", 0, 3, "&#0;"},
      {"&#123456789;", 0, 11, "&#123456789;"},
      {"a &lt; b", 2, 5, "&lt;"},
      {"&frac12;", 0, 7, "&frac12;"},
      {"&foo;", 0, -1, ""},
      {"&Aacute;", 0, -1, ""},
      {"&AMP;", 0, -1, ""},
      {"&#;", 0, -1, ""},
      {"&#x;", 0, -1, ""},
      {"&#x1g;", 0, -1, ""},
      {"&#12a;", 0, -1, ""},
      {"&#\u0661\u0662;", 0, -1, ""},  // digits other than ASCII
      {"&#xＡ;", 0, -1, ""},
      {"AT&T", 2, -1, ""},
      {"&amp", 0, -1, ""},
      {"&a;", 0, -1, ""},
      {"&;", 0, -1, ""},
      {"&", 0, -1, ""},
      {"&am p;", 0, -1, ""},
      {"&a\\mp;", 0, -1, ""},
      {"&\u00e9;", 0, -1, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    TConfiguration config(true);
    TEmitter emitter(config);
    std::u16string out;
    EXPECT_EQ(emitter.checkEntity(out, U(row.text), row.start), row.expectedResult);
    if (row.expectedResult >= 0) {
      EXPECT_EQ(S(out), row.expectedOutput);
    }
  }
}

// ---------------------------------------------------------------- robustness

// Short random texts of the characters that matter to the readers, including
// a lone surrogate and code 0.
std::u16string randomText(std::mt19937& random) {
  static const char16_t letters[] = u"<>/!\\\"'=:@&#;x a\n\tonSCRIPTjv\u00e9\xd800\0";
  static const std::u16string alphabet(letters, std::size(letters) - 1);
  std::u16string text;
  const int length = static_cast<int>(random() % 12);
  for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
  return text;
}

// The reference reading of a character reference, step by step as the rules
// state it: copy up to ";" with escapes, then judge the whole copy.
int plainCheckEntity(std::u16string& out, const std::u16string& s, int start) {
  const std::size_t before = out.size();
  const int e = TUtils::readUntil(out, s, start, u';');
  if (e < 0) return -1;
  const std::u16string copied = out.substr(before);
  if (copied.size() < 3) return -1;
  auto all = [&](std::size_t from, auto test) {
    for (std::size_t i = from; i < copied.size(); ++i) {
      if (!test(copied[i])) return false;
    }
    return true;
  };
  auto dec = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  auto hex = [&](char16_t c) { return dec(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); };
  if (copied[1] == u'#') {
    const bool isHex = copied[2] == u'x' || copied[2] == u'X';
    if (isHex ? (copied.size() < 4 || !all(3, hex)) : !all(2, dec)) return -1;
    out += u';';
    return e;
  }
  if (!all(1, [](char16_t c) { return TUtils::isLetterOrDigit(c); })) return -1;
  out += u';';
  return THTML::isEntity(copied + u';') ? e : -1;
}

TEST(CheckEntity, TheEarlyEndingReaderAgreesWithThePlainReading) {
  TConfiguration config(true);
  TEmitter emitter(config);
  std::mt19937 random(5);
  const std::u16string alphabet = u"&#;xX09aFgmpl\\ e\u00e9\u0663";
  for (int round = 0; round < 20000; ++round) {
    std::u16string s = u"&";
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
    std::u16string fast, plain;
    const int a = emitter.checkEntity(fast, s, 0);
    const int b = plainCheckEntity(plain, s, 0);
    ASSERT_EQ(a, b) << S(s);
    if (a >= 0) {
      ASSERT_EQ(fast, plain) << S(s);
    }
  }
}

TEST(Robustness, ReadersStayInsideTheText) {
  std::mt19937 random(11);
  TConfiguration safeConfig(true);
  TConfiguration openConfig(false);
  TEmitter safeEmitter(safeConfig);
  TEmitter openEmitter(openConfig);
  for (int round = 0; round < 20000; ++round) {
    const std::u16string text = randomText(random);
    const int length = static_cast<int>(text.size());
    for (int start = -1; start <= length + 1; ++start) {
      for (bool safe : {false, true}) {
        std::u16string out;
        const int end = TUtils::readXML(out, text, start, safe);
        ASSERT_TRUE(end == -1 || (end > start && end < length)) << S(text);
        if (end > start + 1) {
          ASSERT_EQ(text[end], u'>') << S(text);
        }
        if (safe && end >= 0) {
          // Every "<" but the opening one starts a harmless tag or nothing.
          for (std::size_t i = out.find(u'<', 1); i != std::u16string::npos;
               i = out.find(u'<', i + 1)) {
            std::u16string ignored;
            const char16_t next = i + 1 < out.size() ? out[i + 1] : u' ';
            const bool letter = (next >= u'a' && next <= u'z') || (next >= u'A' && next <= u'Z');
            const bool opensNothing = !(letter || next == u'/' || next == u'!' || next == u'?');
            ASSERT_TRUE(opensNothing ||
                        TUtils::copyHarmlessTag(ignored, out, static_cast<int>(i)) >= 0)
                << S(text);
          }
        }
      }
      std::u16string out;
      for (TEmitter* emitter : {&safeEmitter, &openEmitter}) {
        const int end = emitter->checkHTML(out, text, start);
        ASSERT_TRUE(end == -1 || (end > start && end < length)) << S(text);
      }
      int end = safeEmitter.checkEntity(out, text, start);
      ASSERT_TRUE(end == -1 || (end > start && end < length && text[end] == u';')) << S(text);
      end = TUtils::readXMLUntil(out, text, start, TCharSet{u'>', u'/'});
      ASSERT_TRUE(end == -1 || (end >= start && end < length)) << S(text);
      TUtils::getXMLTag(out, text);
    }
  }
}

}  // namespace
}  // namespace glyphmill
