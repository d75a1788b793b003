// Inline emission: spans, code spans, escapes, typographic replacements,
// special links, fallbacks; nesting bound and speed on hostile texts.
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "MarkdownInlineScan.h"
#include "MarkdownMathCode.h"
#include "TestSupport.h"

namespace glyphmill {

// Reaches the inline state of an emitter: switches the shortcuts (memo of
// failures, bracket matching ahead, key lengths) on or off.
struct TInlineScanProbe {
  static void setShortcuts(TEmitter& emitter, bool on) { emitter.FScan->shortcuts = on; }
  static int depth(const TEmitter& emitter) { return emitter.FScan->depth; }
};

namespace test {
namespace {

// One input and the expected HTML in each dialect.
struct DialectRow {
  std::string input;
  std::string daringFireball;
  std::string commonMark;
  std::string txtMark;
};

void expectDialects(const std::vector<DialectRow>& rows, bool safe = true) {
  for (const DialectRow& row : rows) {
    SCOPED_TRACE(row.input);
    EXPECT_EQ(inlineHtml(row.input, mdDaringFireball, safe), row.daringFireball);
    EXPECT_EQ(inlineHtml(row.input, mdCommonMark, safe), row.commonMark);
    EXPECT_EQ(inlineHtml(row.input, mdTxtMark, safe), row.txtMark);
  }
}

// The same expected HTML in every dialect.
DialectRow same(const std::string& input, const std::string& html) {
  return {input, html, html, html};
}

TEST(Inline, EmphasisAndStrong) {
  expectDialects({
      same("*a*", "<em>a</em>"),
      same("**a**", "<strong>a</strong>"),
      same("***a***", "<strong><em>a</em></strong>"),
      same("*a**", "<em>a</em>*"),
      same("**a*", "*<em>a</em>"),
      same("*a **b** c*", "<em>a </em><em>b</em><em> c</em>"),
      same("*a**b*", "<em>a</em><em>b</em>"),
      same("*a", "*a"),
      same("**a", "**a"),
      same("_a_", "<em>a</em>"),
      same("__a__", "<strong>a</strong>"),
      same("a * b *", "a * b *"),
      same("*a\nb*", "<em>a\nb</em>"),
      same("*\xF0\x9F\x98\x80*", "<em>\xF0\x9F\x98\x80</em>"),
      {"snake_case_name", "snake<em>case</em>name", "snake_case_name", "snake_case_name"},
      {"a _b_ c", "a <em>b</em> c", "a <em>b</em> c", "a <em>b</em> c"},
  });
}

TEST(Inline, SpansOfTheExtendedDialects) {
  expectDialects({
      {"~~x~~", "~~x~~", "<del>x</del>", "~~x~~"},
      {"H~2~O", "H~2~O", "H<sub>2</sub>O", "H~2~O"},
      {"++x++", "++x++", "<ins>x</ins>", "++x++"},
      {"==x==", "==x==", "<mark>x</mark>", "==x=="},
      {"x^2^", "x^2^", "x<sup>2</sup>", "x<sup>2</sup>"},
      same("++x", "++x"),
      {"~~a ~b~ c~~", "~~a ~b~ c~~", "<del>a <sub>b</sub> c</del>", "~~a ~b~ c~~"},
  });
}

TEST(Inline, CodeSpans) {
  expectDialects({
      same("` a `", "<code>a</code>"),
      same("`  `", "<code></code>"),
      same("`a&<>*b`", "<code>a&amp;&lt;&gt;*b</code>"),
      same("``a`b``", "<code>a`b</code>"),
      same("`a``b`", "<code>a`</code>b`"),
      same("`a", "`a"),
      same("x `\ta\t` y", "x <code>\ta\t</code> y"),
      same("`*a*` *b*", "<code>*a*</code> <em>b</em>"),
      same("*a `*` b*", "<em>a <code>*</code> b</em>"),
  });
}

TEST(Inline, EscapesAndOrdinaryText) {
  expectDialects({
      same("\\*a\\*", "*a*"),
      same("\\<b>", "<b>"),
      same("\\<b title=x>", "&lt;b title=x>"),
      same("\\|\\~\\%", "|~\\%"),
      same("a\\", "a\\"),
      same("a < b", "a &lt; b"),
      same("AT&T", "AT&amp;T"),
      same("a > b", "a > b"),
      same("&copy; &foo;", "&copy; &amp;foo;"),
  });
  // An escaped "<" stays a bare "<" only when unsafe HTML is allowed.
  expectDialects({same("\\<script>x\\</script>", "<script>x</script>")}, false);
  expectDialects({same("\\<script>x\\</script>", "&lt;script>x&lt;/script>")}, true);
}

TEST(Inline, TypographicReplacements) {
  expectDialects({
      {"(C) 2020 -- x --- y...", "(C) 2020 -- x --- y...",
       "&copy; 2020 &ndash; x &mdash; y&hellip;", "&copy; 2020 &ndash; x &mdash; y&hellip;"},
      {"(R) (TM)", "(R) (TM)", "&reg; &trade;", "&reg; &trade;"},
      {"\"a\"", "\"a\"", "&ldquo;a&rdquo;", "&ldquo;a&rdquo;"},
      {"----", "----", "&mdash;-", "&mdash;-"},
  });
  // In DaringFireball "<<x>" is a tag (copied as it is outside safe mode).
  expectDialects({{"<<x>>", "<<x>>", "&laquo;x&raquo;", "&laquo;x&raquo;"}}, false);
}

TEST(Inline, FormulasInCommonMarkOnly) {
  const std::string base = S(FORMULA_SERVICE_BASE);
  expectDialects({
      {"$x$", "$x$", "<img src=\"" + base + "/chart?cht=tx&chl=x\" alt=\"x \"/>", "$x$"},
      {"$a b$", "$a b$", "$a b$", "$a b$"},
      {"\\$x", "$x", "$x", "$x"},
  });
}

TEST(Inline, LinksInsideSpansAndSpansInsideLinks) {
  expectDialects({
      same("[*a*](u)", "<a href=\"u\"><em>a</em></a>"),
      same("[*a*](b", "[<em>a</em>](b"),
      same("*[a](u)*", "<em><a href=\"u\">a</a></em>"),
      {"[[a]](u)", "<a href=\"u\">[a]</a>", "[[a]](u)", "[[a]](u)"},
      same("[[x]]", "[[x]]"),
  });
}

// A special link emitter that wraps the content in braces.
class BraceLinks : public TSpanEmitter {
 public:
  void emitSpan(std::u16string& out_, const std::u16string& content) override {
    out_ += u"{";
    out_ += content;
    out_ += u"}";
    calls += 1;
  }
  int calls = 0;
};

std::string withSpecialLinks(const std::string& text, TMarkdownProcessorDialect dialect,
                             int* calls = nullptr) {
  TConfiguration config(true);
  config.SetDialect(dialect);
  auto hook = std::make_unique<BraceLinks>();
  BraceLinks* links = hook.get();
  config.specialLinkEmitter = std::move(hook);
  TEmitter emitter(config);
  std::u16string out;
  emitter.recursiveEmitLine(out, U(text), 0, mtNONE);
  if (calls) *calls = links->calls;
  return S(out);
}

TEST(Inline, SpecialLinksGoThroughTheHook) {
  struct Row {
    std::string input, daringFireball, extended;
  };
  for (const Row& row : std::vector<Row>{
           {"[[*a*]]b", "[[<em>a</em>]]b", "{<em>a</em>}b"},
           {"[[x", "[[x", "[[x"},
           {"[[a [[b]] c]]", "[[a [[b]] c]]", "{a {b} c}"},
           {"a]]", "a]]", "a]]"},
       }) {
    SCOPED_TRACE(row.input);
    int calls = -1;
    EXPECT_EQ(withSpecialLinks(row.input, mdDaringFireball, &calls), row.daringFireball);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(withSpecialLinks(row.input, mdCommonMark), row.extended);
    EXPECT_EQ(withSpecialLinks(row.input, mdTxtMark), row.extended);
  }
}

// A special link emitter that fails.
class FailingLinks : public TSpanEmitter {
 public:
  void emitSpan(std::u16string&, const std::u16string&) override {
    throw std::runtime_error("hook failed");
  }
};

TEST(Inline, AFailingHookLeavesTheEmitterUsable) {
  TConfiguration config(true);
  config.SetDialect(mdCommonMark);
  config.specialLinkEmitter = std::make_unique<FailingLinks>();
  TEmitter emitter(config);
  std::u16string out;
  EXPECT_THROW(emitter.recursiveEmitLine(out, u"*a ~b [[c]]~*", 0, mtNONE), std::runtime_error);
  EXPECT_EQ(TInlineScanProbe::depth(emitter), 0);
  out.clear();
  emitter.recursiveEmitLine(out, u"*a ~b~*", 0, mtNONE);
  EXPECT_EQ(S(out), "<em>a <sub>b</sub></em>");
}

TEST(Inline, SoughtTokenReturnsWhereTheCloserStarts) {
  TConfiguration config(true);
  config.SetDialect(mdCommonMark);
  TEmitter emitter(config);
  std::u16string out;
  EXPECT_EQ(emitter.recursiveEmitLine(out, u"ab*c", 0, mtEM_STAR), 2);
  EXPECT_EQ(S(out), "ab");
  out.clear();
  EXPECT_EQ(emitter.recursiveEmitLine(out, u"ab**c", 0, mtEM_STAR), 2);
  out.clear();
  EXPECT_EQ(emitter.recursiveEmitLine(out, u"ab", 0, mtEM_STAR), -1);
  out.clear();
  EXPECT_EQ(emitter.recursiveEmitLine(out, u"*a*", 0, mtNONE), -1);
  EXPECT_EQ(S(out), "<em>a</em>");
  out.clear();
  EXPECT_EQ(emitter.recursiveEmitLine(out, u"*a*", 5, mtNONE), -1);
  EXPECT_EQ(S(out), "");
  // A negative start scans from the beginning.
  EXPECT_EQ(emitter.recursiveEmitLine(out, u"*a*", -3, mtNONE), -1);
  EXPECT_EQ(S(out), "<em>a</em>");
}

// ---------------------------------------------------------------- same output as the literal algorithm

// The backtracking scan written out step by step, without remembering
// anything: every span is converted into a scratch buffer and dropped when
// no closer follows. Used only on short texts, as the reference.
class LiteralInline {
 public:
  explicit LiteralInline(TEmitter& emitter) : emitter_(emitter) {}

  int run(std::u16string& out, const std::u16string& s, int start, TMarkToken token) {
    std::u16string scratch;
    int i = start;
    while (i < static_cast<int>(s.size())) {
      const TMarkToken t = emitter_.getToken(s, i);
      if (closes(token, t)) return i;
      i = step(out, scratch, s, i, t) + 1;
    }
    return -1;
  }

 private:
  static bool closes(TMarkToken sought, TMarkToken t) {
    if (sought == mtNONE) return false;
    return t == sought || (sought == mtEM_STAR && t == mtSTRONG_STAR) ||
           (sought == mtEM_UNDERSCORE && t == mtSTRONG_UNDERSCORE);
  }

  using Tag = void (TDecorator::*)(std::u16string&);

  int span(std::u16string& out, std::u16string& scratch, const std::u16string& s, int i,
           TMarkToken t, int width, Tag open, Tag close) {
    scratch.clear();
    const int closing = run(scratch, s, i + width, t);
    if (closing < 1) {
      out += s[i];
      return i;
    }
    TDecorator& d = *emitter_.config().decorator;
    (d.*open)(out);
    out += scratch;
    (d.*close)(out);
    return closing + width - 1;
  }

  int code(std::u16string& out, const std::u16string& s, int i, TMarkToken t) {
    const int width = t == mtCODE_SINGLE ? 1 : 2;
    int q = i + width;
    int e = emitter_.findToken(s, q, t);
    if (e < 0) {
      out += s[i];
      return i;
    }
    const int closing = e;
    while (q < e && s[q] == u' ') ++q;
    if (q < e) {
      while (s[e - 1] == u' ') --e;
    }
    emitter_.config().decorator->openCodeSpan(out);
    TUtils::appendCode(out, s, q, e);
    emitter_.config().decorator->closeCodeSpan(out);
    return closing + width - 1;
  }

  int recognised(std::u16string& out, std::u16string& scratch, const std::u16string& s, int i,
                 TMarkToken t) {
    scratch.clear();
    int last = -1;
    if (t == mtLINK || t == mtIMAGE) last = emitter_.checkLink(scratch, s, i, t);
    if (t == mtHTML) last = emitter_.checkHTML(scratch, s, i);
    if (t == mtENTITY) last = emitter_.checkEntity(scratch, s, i);
    if (t == mtMATH_DOLLAR) last = checkMath(scratch, s, i);
    if (last >= 1) {
      out += scratch;
      return last;
    }
    if (t == mtHTML) out += u"&lt;";
    else if (t == mtENTITY) out += u"&amp;";
    else out += s[i];
    return i;
  }

  int special(std::u16string& out, std::u16string& scratch, const std::u16string& s, int i) {
    scratch.clear();
    const int closing = run(scratch, s, i + 2, mtX_LINK_CLOSE);
    if (closing >= 1 && emitter_.config().specialLinkEmitter) {
      emitter_.config().specialLinkEmitter->emitSpan(out, scratch);
      return closing + 1;
    }
    out += s[i];
    return i;
  }

  int step(std::u16string& out, std::u16string& scratch, const std::u16string& s, int i,
           TMarkToken t) {
    using D = TDecorator;
    switch (t) {
      case mtEM_STAR:
      case mtEM_UNDERSCORE:
        return span(out, scratch, s, i, t, 1, &D::openEmphasis, &D::closeEmphasis);
      case mtSTRONG_STAR:
      case mtSTRONG_UNDERSCORE:
        return span(out, scratch, s, i, t, 2, &D::openStrong, &D::closeStrong);
      case mtSUB_TILDE: return span(out, scratch, s, i, t, 1, &D::openSub, &D::closeSub);
      case mtSTRIKE_TILDE: return span(out, scratch, s, i, t, 2, &D::openStrike, &D::closeStrike);
      case mtINS_PLUS: return span(out, scratch, s, i, t, 2, &D::openIns, &D::closeIns);
      case mtMARK_EQ: return span(out, scratch, s, i, t, 2, &D::openMark, &D::closeMark);
      case mtSUPER: return span(out, scratch, s, i, t, 1, &D::openSuper, &D::closeSuper);
      case mtCODE_SINGLE:
      case mtCODE_DOUBLE: return code(out, s, i, t);
      case mtLINK:
      case mtIMAGE:
      case mtHTML:
      case mtENTITY:
      case mtMATH_DOLLAR: return recognised(out, scratch, s, i, t);
      case mtESCAPE:
        // Safe mode writes an escaped "<" as a reference, so that it opens no
        // tag, unless a plain tag such as "<br/>" follows.
        out += s[i + 1] == u'<' && emitter_.config().safeMode && !TUtils::isPlainTag(s, i + 1)
                   ? std::u16string(u"&lt;")
                   : std::u16string(1, s[i + 1]);
        return i + 1;
      case mtX_LINK_OPEN: return special(out, scratch, s, i);
      case mtX_COPY: out += u"&copy;"; return i + 2;
      case mtX_REG: out += u"&reg;"; return i + 2;
      case mtX_TRADE: out += u"&trade;"; return i + 3;
      case mtX_LAQUO: out += u"&laquo;"; return i + 1;
      case mtX_RAQUO: out += u"&raquo;"; return i + 1;
      case mtX_NDASH: out += u"&ndash;"; return i + 1;
      case mtX_MDASH: out += u"&mdash;"; return i + 2;
      case mtX_HELLIP: out += u"&hellip;"; return i + 2;
      case mtX_RDQUO: out += u"&rdquo;"; return i;
      case mtX_LDQUO: out += u"&ldquo;"; return i;
      default: out += s[i]; return i;
    }
  }

  TEmitter& emitter_;
};

enum class Way { literal, plain, fast };

std::string convertWith(const std::u16string& text, TMarkdownProcessorDialect dialect, Way way,
                        bool hook) {
  TConfiguration config(true);
  config.SetDialect(dialect);
  if (hook) config.specialLinkEmitter = std::make_unique<BraceLinks>();
  TEmitter emitter(config);
  TInlineScanProbe::setShortcuts(emitter, way == Way::fast);
  emitter.addLinkRef(u"a", std::make_unique<TLinkRef>(u"/a", u"", false));
  emitter.addLinkRef(u"*a*", std::make_unique<TLinkRef>(u"/sa", u"T", false));
  emitter.addLinkRef(u"b", std::make_unique<TLinkRef>(u"*", u"Bee", true));
  std::u16string out;
  if (way == Way::literal) {
    LiteralInline(emitter).run(out, text, 0, mtNONE);
  } else {
    emitter.recursiveEmitLine(out, text, 0, mtNONE);
  }
  EXPECT_EQ(TInlineScanProbe::depth(emitter), 0);
  return S(out);
}

// Compares the ways on a text in every dialect, with and without a special
// link emitter; reports at most a few differences. Without its shortcuts the
// engine takes exponential time in the nesting depth, so `plain` is for
// short texts only.
void expectSameEveryWay(const std::u16string& text, int& differences, bool withPlain = true) {
  for (TMarkdownProcessorDialect dialect : {mdDaringFireball, mdCommonMark, mdTxtMark}) {
    for (bool hook : {false, true}) {
      const std::string literal = convertWith(text, dialect, Way::literal, hook);
      const std::string fast = convertWith(text, dialect, Way::fast, hook);
      const std::string plain = withPlain ? convertWith(text, dialect, Way::plain, hook) : fast;
      if ((literal != plain || literal != fast) && ++differences <= 5) {
        ADD_FAILURE() << dialectName(dialect) << " hook=" << hook << " input: " << S(text)
                      << "\nliteral: " << literal << "\nplain:   " << plain
                      << "\nfast:    " << fast;
      }
    }
  }
}

// Appends 500 texts of `length` pieces each, picked at random (from `seed`).
void addRandomTexts(std::vector<std::u16string>& texts, const std::vector<std::u16string>& pieces,
                    unsigned seed, int length) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  for (int round = 0; round < 500; ++round) {
    std::u16string text;
    for (int i = 0; i < length; ++i) text += pieces[pick(random)];
    texts.push_back(text);
  }
}

// Each text converts to the same HTML every way.
void expectAllSameEveryWay(const std::vector<std::u16string>& texts) {
  int differences = 0;
  for (const std::u16string& text : texts) expectSameEveryWay(text, differences);
  EXPECT_EQ(differences, 0);
}

TEST(InlineWays, RandomTextsGiveTheLiteralOutput) {
  // No "@": the character references of mail links are drawn at random.
  const std::u16string alphabet = u"*_~^=+`[]()!<>&\"$ab \n\\-.:;#1C";
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> lengthOf(0, 24);
  std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
  int differences = 0;
  for (int round = 0; round < 4000; ++round) {
    std::u16string text;
    const int length = lengthOf(random);
    for (int i = 0; i < length; ++i) text += alphabet[static_cast<std::size_t>(pick(random))];
    expectSameEveryWay(text, differences);
  }
  EXPECT_EQ(differences, 0);
}

TEST(InlineWays, DeepButOrdinaryNestingGivesTheLiteralOutput) {
  auto repeat = [](const std::u16string& piece, int n) {
    std::u16string text;
    for (int i = 0; i < n; ++i) text += piece;
    return text;
  };
  const std::vector<std::u16string> texts = {
      repeat(u"*_", 60),
      // The literal algorithm takes exponential time on "[[" runs; keep it short.
      repeat(u"[", 16) + u"a" + repeat(u"](u)", 16),
      repeat(u"[*", 60) + u"x" + repeat(u"*]", 60),
      repeat(u"~^=+", 30) + repeat(u"+=^~", 30),
      // Exponential for the literal algorithm as well; keep it short.
      repeat(u"~^=+*_", 8),
      repeat(u"**a _b", 40) + repeat(u"_ c**", 40),
      repeat(u"*[a](u \"*\") ", 30),
  };
  int differences = 0;
  for (const std::u16string& text : texts) expectSameEveryWay(text, differences, false);
  EXPECT_EQ(differences, 0);
}

// The markers a text remembers stay its own while inner texts come and go,
// and a text remembers nothing while an inner text holds the top of the
// shared stack.
TEST(InlineWays, TextsRememberTheirMarkersOnOneStack) {
  TInlineScan scan;
  const std::u16string outerText(300, u'*');
  const std::u16string innerText(100, u'_');
  TInlineText outer(outerText, scan);
  EXPECT_EQ(outer.knownToken(5), TInlineText::kTokenNotAsked);
  outer.rememberToken(5, mtEM_STAR);
  {
    TInlineText inner(innerText, scan);
    inner.rememberToken(99, mtEM_UNDERSCORE);
    EXPECT_EQ(inner.knownToken(99), mtEM_UNDERSCORE);
    EXPECT_EQ(inner.knownToken(0), TInlineText::kTokenNotAsked);
    // Beyond what the outer text holds: the inner text is on top.
    outer.rememberToken(250, mtSTRONG_STAR);
    EXPECT_EQ(outer.knownToken(250), TInlineText::kTokenNotAsked);
    EXPECT_EQ(outer.knownToken(5), mtEM_STAR);
  }
  outer.rememberToken(250, mtSTRONG_STAR);
  outer.rememberToken(299, mtSUPER);
  EXPECT_EQ(outer.knownToken(5), mtEM_STAR);
  EXPECT_EQ(outer.knownToken(250), mtSTRONG_STAR);
  EXPECT_EQ(outer.knownToken(299), mtSUPER);
  EXPECT_EQ(outer.knownToken(6), TInlineText::kTokenNotAsked);
  EXPECT_LE(scan.tokens.size(), outerText.size());

  // Without the shortcuts nothing is remembered.
  TInlineScan plain;
  plain.shortcuts = false;
  TInlineText text(outerText, plain);
  text.rememberToken(5, mtEM_STAR);
  EXPECT_EQ(text.knownToken(5), TInlineText::kTokenNotAsked);
}

// The table of remembered results keeps every position's last result while
// it grows from its first few slots to thousands.
TEST(InlineWays, RememberedResultsSurviveTheTableGrowing) {
  constexpr int kUnknown = -7;
  TPositionResults results;
  EXPECT_EQ(results.find(0, kUnknown), kUnknown);
  std::vector<int> expected(15001, kUnknown);
  for (int i = 0; i < 5000; ++i) {
    results.set(3 * i, i);
    expected[static_cast<std::size_t>(3 * i)] = i;
  }
  for (const int position : {0, 3, 14997}) {  // results that change after growing
    results.set(position, -1);
    expected[static_cast<std::size_t>(position)] = -1;
  }
  results.set(-1, 5);  // no position: ignored
  EXPECT_EQ(results.find(-1, kUnknown), kUnknown);
  for (int position = 0; position <= 15000; ++position) {
    ASSERT_EQ(results.find(position, kUnknown), expected[static_cast<std::size_t>(position)]) << position;
  }
}

// Texts that remember results give their tables back to the scan, cleared,
// and later texts take them: a text finds nothing remembered but its own.
TEST(InlineWays, EachTextStartsWithNothingRemembered) {
  constexpr int kUnknown = TInlineText::kUnknown;
  TInlineScan scan;
  const std::u16string text(200, u'*');
  {
    TInlineText outer(text, scan);
    outer.rememberClosing(3, mtEM_STAR, 7);
    outer.rememberConstructEnd(5, 9);
    {
      TInlineText inner(text, scan);
      EXPECT_EQ(inner.knownClosing(3, mtEM_STAR), kUnknown);
      EXPECT_EQ(inner.knownConstructEnd(5), kUnknown);
      inner.rememberClosing(4, mtEM_STAR, 8);
      EXPECT_EQ(inner.knownClosing(4, mtEM_STAR), 8);
      EXPECT_EQ(outer.knownClosing(4, mtEM_STAR), kUnknown);
    }
    EXPECT_EQ(scan.spareResults.size(), 1u);
    EXPECT_EQ(outer.knownClosing(3, mtEM_STAR), 7);
    EXPECT_EQ(outer.knownConstructEnd(5), 9);
    for (int i = 0; i < 150; ++i) outer.rememberClosing(i, mtSTRONG_STAR, i + 1);  // a large table
  }
  EXPECT_EQ(scan.spareResults.size(), 2u);
  {
    TInlineText quiet(text, scan);  // remembers nothing, takes nothing
  }
  EXPECT_EQ(scan.spareResults.size(), 2u);
  TInlineText next(text, scan);
  EXPECT_EQ(next.knownClosing(3, mtEM_STAR), kUnknown);
  next.rememberClosing(3, mtEM_STAR, 11);  // takes the tables the outer text gave back last
  EXPECT_EQ(scan.spareResults.size(), 1u);
  EXPECT_EQ(next.knownClosing(3, mtEM_STAR), 11);
  EXPECT_EQ(next.knownConstructEnd(5), kUnknown);
  for (int i = 0; i < 150; ++i) ASSERT_EQ(next.knownClosing(i, mtSTRONG_STAR), kUnknown) << i;
  TInlineText nextInner(text, scan);
  nextInner.rememberConstructEnd(6, 10);  // takes the inner text's tables
  EXPECT_EQ(nextInner.knownClosing(4, mtEM_STAR), kUnknown);
  EXPECT_EQ(nextInner.knownConstructEnd(6), 10);
  EXPECT_TRUE(scan.spareResults.empty());
}

// Runs of comment and declaration starts: each "<" is tried as an autolink
// whose reading the next ones share; the output is the literal algorithm's.
TEST(InlineWays, RunsOfCommentAndDeclarationStartsGiveTheLiteralOutput) {
  std::vector<std::u16string> texts;
  for (const std::u16string start :
       {u"<!", u"<!--", u"<![CDATA[", u"<!DOCTYPE ", u"<?", u"<!x:", u"<!\\:", u"<!\\<"}) {
    for (const std::u16string end : {u"", u">", u"-->", u"]]>", u"?>", u" a:b>"}) {
      std::u16string text;
      for (int i = 0; i < 30; ++i) text += start;
      texts.push_back(text + end);
    }
  }
  addRandomTexts(texts, {u"<!", u"<!--", u"<?", u"<![CDATA[", u":", u">", u"-", u"\\", u" ", u"x",
                         u"]]", u"*"},
                 30, 20);
  expectAllSameEveryWay(texts);
}

// Plain tags among spans that close, nest or stay open: a span's search for
// its closer passes over the tags, and the searches it starts for the spans
// inside it keep their positions apart from its own.
TEST(InlineWays, PlainTagsAmongNestedSpansGiveTheLiteralOutput) {
  std::vector<std::u16string> texts = {u"*a <em>b* c</em>", u"_<p>_ <i>~x</i>~", u"**<b>*a**</b>*"};
  addRandomTexts(texts, {u"<em>", u"</em>", u"<p>", u"<b c>", u"*", u"**", u"_", u"~", u"==", u"^",
                         u"a", u" ", u"<", u">", u"`"},
                 77, 18);
  expectAllSameEveryWay(texts);
}

// Runs of backquotes whose lengths repeat: a code span ends at the next
// delimiter of its kind, found by a search for "`" without the token reader.
TEST(InlineWays, BackquoteRunsGiveTheLiteralOutput) {
  std::vector<std::u16string> texts;
  for (int longest : {1, 2, 3, 4, 5, 7}) {
    for (const std::u16string between : {u"a", u" ", u"*", u"\\", u"", u"[x]`"}) {
      std::u16string text;
      for (int i = 0; i < 24; ++i) {
        text += std::u16string(static_cast<std::size_t>(1 + i % longest), u'`') + between;
      }
      texts.push_back(text);
      texts.push_back(u"*" + text + u"*");
    }
  }
  addRandomTexts(texts, {u"`", u"``", u"```", u"a", u" ", u"*", u"\\", u"<"}, 64, 16);
  expectAllSameEveryWay(texts);
}

TEST(Inline, RunsOfCommentAndDeclarationStarts) {
  expectDialects({
      {"<!--<!--<!--", "<!--<!--<!--", "<!&ndash;<!&ndash;<!&ndash;",
       "<!&ndash;<!&ndash;<!&ndash;"},
      same("<![CDATA[<![CDATA[x]]>", "<![CDATA[<![CDATA[x]]>"),
      // the first "<" with a colon and a ">" after it is one URL autolink
      same("<!x:<!x:y>", "<a href=\"!x:&lt;!x:y\">!x:&lt;!x:y</a>"),
      same("<!x:<!x:<!x:", "<!x:<!x:<!x:"),
      same("<!<!>", "<!<!>"),
  });
}

// ---------------------------------------------------------------- nesting bound and speed

std::u16string repeated(const std::u16string& piece, int n) {
  std::u16string text;
  text.reserve(piece.size() * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) text += piece;
  return text;
}

// Converts on a thread of its own (default stack size, so deep recursion
// would show as a crash).
void convertOnThread(const std::u16string& text, TMarkdownProcessorDialect dialect,
                     std::u16string& out) {
  std::thread worker([&] {
    TConfiguration config(true);
    config.SetDialect(dialect);
    TEmitter emitter(config);
    emitter.addLinkRef(u"x", std::make_unique<TLinkRef>(u"/x", u"", false));
    emitter.recursiveEmitLine(out, text, 0, mtNONE);
  });
  worker.join();
}

TEST(InlineLimits, HostileNestingConverts) {
  const int n = 100000;
  struct Row {
    std::u16string text;
    std::string daringFireballStart;
    std::string commonMarkStart;
  };
  const std::vector<Row> rows = {
      {repeated(u"*[", n), "<em>[</em>", "<em>[</em>"},
      {repeated(u"[*", n), "[<em>[</em>", "[<em>[</em>"},
      {repeated(u"*_", n), "<em>", "<em>"},
      {repeated(u"_*", n) + repeated(u"*_", n), "<em>", "<em>"},
      {repeated(u"[", n) + u"x" + repeated(u"](u)", n), "<a href=\"u\">", "[[[["},
      {repeated(u"[", n) + u"x" + repeated(u"]", n), "[[[[", "[[[["},
      {repeated(u"![", n) + u"x" + repeated(u"](u)", n), "<img src=\"u\" alt=\"![![",
       "<img src=\"u\" alt=\"![!["},
      {repeated(u"[[", n), "[[[[", "[[[["},
      {repeated(u"**a", n), "<strong>a</strong>", "<strong>a</strong>"},
      // Nested beyond the bound: only speed and size are checked.
      {repeated(u"~^=+*_", n), "", ""},
      {repeated(u"`", n) + u"a", "<code></code>", "<code></code>"},
      {repeated(u"[a](", n), "[a](", "[a]("},
      {repeated(u"*[a](\\)", n), "<em>[a]()</em>", "<em>[a]()</em>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(S(row.text.substr(0, 12)));
    for (TMarkdownProcessorDialect dialect : {mdDaringFireball, mdCommonMark}) {
      SCOPED_TRACE(dialectName(dialect));
      const std::string& expectedStart =
          dialect == mdDaringFireball ? row.daringFireballStart : row.commonMarkStart;
      std::u16string out;
      convertOnThread(row.text, dialect, out);
      EXPECT_GE(out.size(), row.text.size() / 4);
      EXPECT_EQ(S(out.substr(0, expectedStart.size())), expectedStart);
    }
  }
}

TEST(InlineLimits, NestingBeyondTheBoundIsText) {
  // Strong spans nest inside emphasis until the bound; deeper markers are text.
  const int deep = kMaxInlineNesting + 200;
  const std::u16string text = repeated(u"*a __", deep) + u"x" + repeated(u"__ a*", deep);
  std::u16string out;
  convertOnThread(text, mdDaringFireball, out);
  const std::string html = S(out);
  std::size_t opened = 0;
  for (std::size_t at = html.find("<em>"); at != std::string::npos; at = html.find("<em>", at + 1)) {
    ++opened;
  }
  EXPECT_GT(opened, 100u);
  EXPECT_LT(opened, static_cast<std::size_t>(deep));

  // Texts below the bound nest completely.
  const std::u16string shallow = repeated(u"*a __", 100) + u"x" + repeated(u"__ a*", 100);
  std::u16string shallowOut;
  convertOnThread(shallow, mdDaringFireball, shallowOut);
  EXPECT_EQ(S(shallowOut).find("*"), std::string::npos);
  EXPECT_EQ(S(shallowOut).find("_"), std::string::npos);
}

TEST(InlineLimits, TwoEmittersConvertOnTwoThreadsAtOnce) {
  const std::u16string text = repeated(u"*a [b](u) _c_ `d` ~~e~~ ", 2000) + repeated(u"*_[", 3000);
  std::u16string first, second, alone;
  std::thread one([&] { convertOnThread(text, mdCommonMark, first); });
  std::thread two([&] { convertOnThread(text, mdCommonMark, second); });
  one.join();
  two.join();
  convertOnThread(text, mdCommonMark, alone);
  EXPECT_EQ(first, alone);
  EXPECT_EQ(second, alone);
}


// A tag, reference or formula is read once, where the scan first meets it,
// and written from that reading; each is written where it stands, in link
// texts and emphasis too, and mail autolinks (written with random numbers)
// as when read twice.
TEST(InlineHtml, ConstructsAreWrittenWhereTheyStand) {
  struct Row {
    const char* markdown;
    const char* html;
  };
  const std::vector<Row> rows = {
      {"<b>a</b> [<i>b</i>](u) *<s>c</s>*",
       "<p><b>a</b> <a href=\"u\"><i>b</i></a> <em><s>c</s></em></p>\n"},
      {"[<b>x</b>](<u>) <b>x</b> **<i>y</i>**",
       "<p><a href=\"u\"><b>x</b></a> <b>x</b> <strong><i>y</i></strong></p>\n"},
      {"*<b>*</b> <b title=\"*\">*</b>", "<p><em><b></em></b> <b title=\"*\">*</b></p>\n"},
      {"<span a=\"<i>\">x</span>", "<p><span a=\"&lt;i>\">x</span></p>\n"},
      {"&amp; [&copy;](u) *&lt;* &bogus;",
       "<p>&amp; <a href=\"u\">&copy;</a> <em>&lt;</em> &amp;bogus;</p>\n"},
      {"$a+b$ [$c$](u) *$d$*",
       "<p><img src=\"https://chart.googleapis.com/chart?cht=tx&chl=a%2bb\" alt=\"a+b \"/> "
       "<a href=\"u\"><img src=\"https://chart.googleapis.com/chart?cht=tx&chl=c\" alt=\"c \"/></a> "
       "<em><img src=\"https://chart.googleapis.com/chart?cht=tx&chl=d\" alt=\"d \"/></em></p>\n"},
      {"<a@b.c> <b>t</b> <a@b.c> <http://x.y> <i>u</i>",
       "<p><a href=\"&#109;&#x61;&#x69;&#108;&#x74;&#x6F;:&#x61;&#64;&#x62;.&#x63;\">"
       "&#97;&#x40;&#x62;.&#x63;</a> <b>t</b> <a href=\"&#109;&#97;&#105;&#108;&#x74;&#111;:"
       "&#97;&#x40;&#x62;.&#99;\">&#x61;&#x40;&#98;.&#99;</a> <a href=\"http://x.y\">http://x.y</a>"
       " <i>u</i></p>\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.markdown);
    EXPECT_EQ(convert(row.markdown, mdCommonMark, false, 1), row.html);
  }
}

}  // namespace
}  // namespace test
}  // namespace glyphmill
