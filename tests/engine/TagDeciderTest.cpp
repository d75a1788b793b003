// The last step of safe mode: a "<" left undecided while writing is decided
// on the finished page, as a browser reads it there.
#include <string>
#include <vector>

#include "MarkdownTagDecider.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

// Test HTML with "^" standing for an undecided "<".
std::u16string page(std::string_view html) {
  std::u16string text = U(html);
  for (char16_t& c : text) {
    if (c == u'^') c = UNDECIDED_TAG;
  }
  return text;
}

std::string withPlainLessThan(std::string html) {
  for (std::size_t at = html.find("&lt;"); at != std::string::npos; at = html.find("&lt;", at)) {
    html.replace(at, 4, "<");
  }
  return html;
}

struct DecisionRow {
  const char* html;
  const char* decided;
};

const std::vector<DecisionRow>& decisionRows() {
  static const std::vector<DecisionRow> rows = {
      // a complete harmless tag is kept, a "<" inside it written as text
      {"a ^b title=\"x>y&rdquo;><i>\">z", "a <b title=\"x>y&rdquo;>&lt;i>\">z"},
      {"^a title=\"x\n</p>\n<p>y\">", "<a title=\"x\n&lt;/p>\n&lt;p>y\">"},
      {"^/b>", "</b>"},
      // one that runs script, stays open or starts no tag is text
      {"^a title=x onmouseover=alert(1)>", "&lt;a title=x onmouseover=alert(1)>"},
      {"^a href=\"javascript&colon;x\">", "&lt;a href=\"javascript&colon;x\">"},
      {"^script>", "&lt;script>"},
      {"^a title=\"open", "&lt;a title=\"open"},
      {"^3 >", "&lt;3 >"},
      // no tag starts inside a comment, a bogus comment or raw text
      {"<!-- ^b> --> ^i>", "<!-- &lt;b> --> <i>"},
      {"<!-- ^b> --!> ^i>", "<!-- &lt;b> --!> <i>"},
      {"<!--> ^i>", "<!--> <i>"},
      {"<!x ^b> ^i>", "<!x &lt;b> <i>"},
      {"<textarea>^b></TEXTAREA> ^i>", "<textarea>&lt;b></TEXTAREA> <i>"},
      {"<title>^b></titles> ^i></title>", "<title>&lt;b></titles> &lt;i></title>"},
      // a kept tag that runs over a comment start keeps the comment out
      {"^a title=\"<!--\"> ^i> -->", "<a title=\"&lt;!--\"> <i> -->"},
      // raw-text elements are known in any letter case, by their whole name
      {"<TextArea x=1>^b></textarea >^i>", "<TextArea x=1>&lt;b></textarea ><i>"},
      {"<plaintext>^b></plaintext>^i>", "<plaintext>&lt;b></plaintext>&lt;i>"},
      {"<textareas>^b>", "<textareas><b>"},
      {"<Xmp>^b></xmp>^i>", "<Xmp>&lt;b></xmp><i>"},
      {"<pre>^b></pre>", "<pre><b></pre>"},
      {"<iFrame>^b></iframe>^i>", "<iFrame>&lt;b></iframe><i>"},
      {"<noembed>^b></noembed><noframes>^b></noframes><NOSCRIPT>^b></noscript>^i>",
       "<noembed>&lt;b></noembed><noframes>&lt;b></noframes><NOSCRIPT>&lt;b></noscript><i>"},
      {"<script>^b></script><style>^b></style><title>^b></title>^i>",
       "<script>&lt;b></script><style>&lt;b></style><title>&lt;b></title><i>"},
      {"</script>^b>", "</script><b>"},
      {"<style/>^b></style>^i>", "<style/>&lt;b></style><i>"},
      // a plain start tag of a raw-text element, decided even at a piece's end
      {"^i><xmp>^b></xmp><p>", "<i><xmp>&lt;b></xmp><p>"},
      // many undecided "<" in long runs of text, tags and comments
      {"text of many units ^b> and more ^3 and ^i>, then <!-- ^x ^y --> after ^/b>^",
       "text of many units <b> and more &lt;3 and <i>, then <!-- &lt;x &lt;y --> after </b>&lt;"},
  };
  return rows;
}

TEST(TagDecider, DecidesAsABrowserReadsThePage) {
  for (const DecisionRow& row : decisionRows()) {
    SCOPED_TRACE(row.html);
    EXPECT_EQ(S(TTagDecider::decide(page(row.html))), row.decided);
  }
}

// The page cut anywhere into two or into single characters decides the same.
TEST(TagDecider, PiecesDecideAsTheWholePage) {
  for (const DecisionRow& row : decisionRows()) {
    const std::u16string html = page(row.html);
    for (std::size_t cut = 0; cut <= html.size(); ++cut) {
      SCOPED_TRACE(std::string(row.html) + " cut at " + std::to_string(cut));
      TTagDecider decider;
      std::u16string out;
      decider.add(out, std::u16string_view(html).substr(0, cut));
      decider.add(out, std::u16string_view(html).substr(cut));
      decider.finish(out);
      EXPECT_EQ(S(out), row.decided);
    }
    TTagDecider decider;
    std::u16string out;
    for (char16_t c : html) decider.add(out, std::u16string_view(&c, 1));
    decider.finish(out);
    EXPECT_EQ(S(out), row.decided) << row.html;
  }
}

// Gives `first` by passOver with the given parts of it as the engine's own
// markup (by add when it is refused), then `second` by add.
std::string decideInTwo(std::u16string_view first, const std::vector<TPieceRange>& own,
                        std::u16string_view second) {
  TTagDecider decider;
  std::u16string out;
  std::size_t decided = 0;
  if (decider.passOver(first, decided, own)) {
    out += first.substr(0, decided);
  } else {
    decider.add(out, first);
  }
  decider.add(out, second);
  decider.finish(out);
  return S(out);
}

// A part marked as the engine's own markup is not read where the HTML before
// it is decided and ends in text; in a comment, in raw text or after a tag
// still open it is read. The parts below break that promise on purpose
// ("<!--" in text), so that passing over them shows.
TEST(TagDecider, OwnMarkupIsPassedOverUnreadOnlyInText) {
  struct Row {
    std::vector<std::string> parts;  // alternately read and own, from a read one
    const char* second;
    const char* decided;
  };
  const std::vector<Row> rows = {
      {{"<p>x</p>", "<!-- "}, "^b>", "<p>x</p><!-- <b>"},
      {{"", "<!-- ", "<p>", "<!-- "}, "^b>", "<!-- <p><!-- <b>"},
      {{"<!-- x ", "--> "}, "^b>", "<!-- x --> <b>"},
      {{"<textarea>", "</textarea>"}, "^b>", "<textarea></textarea><b>"},
      {{"<a title=\"x", "\">"}, "^b>", "<a title=\"x\"><b>"},
      {{"", "<p>a</p>", "<!-- ", "--> ", ""}, "^b>", "<p>a</p><!-- --> <b>"},
  };
  for (const Row& row : rows) {
    std::u16string first;
    std::vector<TPieceRange> own;
    for (std::size_t k = 0; k < row.parts.size(); ++k) {
      const std::size_t begin = first.size();
      first += U(row.parts[k]);
      if (k % 2 == 1) own.push_back(TPieceRange{begin, first.size()});
    }
    SCOPED_TRACE(S(first));
    EXPECT_EQ(decideInTwo(first, own, page(row.second)), row.decided);
  }
}

// The engine's own markup passed over before any page decides as the whole.
TEST(TagDecider, OwnMarkupPassedOverDecidesAsTheWholePage) {
  const std::u16string own = U(
      "<h1 id=\"a\">A</h1>\n<ul>\n<li><p><a href=\"b\" title=\"c\">d</a><br/>\ne</p></li>\n"
      "</ul>\n<pre><code>f</code></pre>\n<table>\n<tr><td>g</td></tr>\n</table>\n");
  for (const DecisionRow& row : decisionRows()) {
    SCOPED_TRACE(row.html);
    EXPECT_EQ(decideInTwo(own, {{0, own.size()}}, page(row.html)), S(own) + row.decided);
  }
}

// Pieces taken as they stand wherever that is allowed, and added
// otherwise, decide as the whole page: the page cut anywhere into three.
TEST(TagDecider, PiecesPassedOverDecideAsTheWholePage) {
  int passedOver = 0;
  for (const DecisionRow& row : decisionRows()) {
    const std::u16string html = page(row.html);
    for (std::size_t first = 0; first <= html.size(); ++first) {
      for (std::size_t second = first; second <= html.size(); ++second) {
        SCOPED_TRACE(std::string(row.html) + " cut at " + std::to_string(first) + ", " +
                     std::to_string(second));
        TTagDecider decider;
        std::u16string out;
        const std::u16string_view whole(html);
        for (std::u16string_view piece :
             {whole.substr(0, first), whole.substr(first, second - first), whole.substr(second)}) {
          std::size_t decided = 0;
          if (decider.passOver(piece, decided)) {
            ASSERT_LE(decided, piece.size());
            out += piece.substr(0, decided);
            ++passedOver;
          } else {
            decider.add(out, piece);
          }
        }
        decider.finish(out);
        EXPECT_EQ(S(out), row.decided);
      }
    }
  }
  EXPECT_GT(passedOver, 1000);
}

TEST(TagDecider, ATagLongerThanTheBoundStaysText) {
  const std::string inside(kMaxUndecidedTag - 12, 'x');
  const std::string fits = "^a title=\"" + inside + "\">";
  ASSERT_EQ(fits.size(), static_cast<std::size_t>(kMaxUndecidedTag));
  EXPECT_EQ(S(TTagDecider::decide(page(fits))), "<" + fits.substr(1));
  const std::string longer = "^a title=\"" + inside + "x\">";
  EXPECT_EQ(S(TTagDecider::decide(page(longer))), "&lt;" + longer.substr(1));
}

// The dialects' residual shapes: a tag a browser finishes with text written
// after the engine's own reading of it, kept in safe mode; its hostile twin not.
TEST(TagDecider, SafeModeKeepsTagsFinishedByTheTextAfterThem) {
  struct Row {
    TMarkdownProcessorDialect dialect;
    std::string markdown;
    std::string html;
  };
  const std::vector<Row> rows = {
      {mdDaringFireball, "a \\<a title=\"x>y\">> b\n", "<p>a <a title=\"x>y\">> b</p>\n"},
      {mdCommonMark, "a \\<b title=\"x\">y\n", "<p>a <b title=&ldquo;x&rdquo;>y</p>\n"},
      {mdTxtMark, "x <\"<a title='x\">y'>z\n", "<p>x <\"<a title='x\">y'>z</p>\n"},
      {mdCommonMark, "x <3 \"<3 '<a title=\"x>y\"><b title=\"t\">x</b>\n",
       "<p>x <3 \"<3 '<a title=\"x>y&rdquo;>&lt;b title=\"t\">x</b></p>\n"},
      {mdDaringFireball, "<'<i title=\"it's\">\"\"'<a title=\"x>y\">\n",
       "<p><'<i title=\"it's\">\"\"'<a title=\"x>y\"></p>\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.markdown + " / " + dialectName(row.dialect));
    EXPECT_EQ(convert(row.markdown, row.dialect, false), row.html);
    EXPECT_EQ(withPlainLessThan(convert(row.markdown, row.dialect, true)),
              withPlainLessThan(row.html));
  }
  const std::vector<std::pair<TMarkdownProcessorDialect, std::string>> twins = {
      {mdDaringFireball, "a \\<a title=\"x>y\" onclick=\"alert(1)\">> b\n"},
      {mdCommonMark, "a \\<b title=\"x\" href=\"java&NewLine;script:alert(1)\">y\n"},
      {mdTxtMark, "x <\"<a title='x\">y' onclick=alert(1)>z\n"},
      {mdDaringFireball, "<'<i title=\"it's\">\"\"'<a title=\"x>y\" onclick=alert(1)>\n"},
  };
  for (const auto& [dialect, markdown] : twins) {
    SCOPED_TRACE(markdown + " / " + dialectName(dialect));
    const std::string safe = convert(markdown, dialect, false);
    EXPECT_EQ(safe.find("<a "), std::string::npos) << safe;
    EXPECT_EQ(safe.find("<b "), std::string::npos) << safe;
  }
}

// A source holding the mark's own character is converted without deciding
// later: such "<" stay text, and the character is copied.
TEST(TagDecider, ASourceWithTheMarkCharacterIsNotDeferred) {
  const std::string markdown = "\xEF\xB7\x90 a \\<b class=x>y\n";  // U+FDD0
  EXPECT_EQ(convert(markdown, mdCommonMark, false),
            "<p>\xEF\xB7\x90 a &lt;b class=x>y</p>\n");
  EXPECT_EQ(convert("a \\<b class=x>y\n", mdCommonMark, false), "<p>a <b class=x>y</p>\n");
}

}  // namespace
}  // namespace glyphmill::test
