// Reading a document into lines, and the definitions taken out of it.
#include <memory>
#include <string>
#include <vector>

#include "MarkdownCommonMark.h"
#include "MarkdownDaringFireball.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

struct Read {
  std::unique_ptr<TMarkdownDaringFireball> engine = std::make_unique<TMarkdownDaringFireball>();
  std::vector<std::string> lines;

  explicit Read(std::u16string text, bool panic = false) {
    engine->config().panicMode = panic;
    TMarkdownReader reader(text);
    auto root = engine->collectLines(reader);
    for (const TLine* line = root->FLines.get(); line; line = line->FNext.get()) {
      lines.push_back(S(line->FValue));
    }
  }
  const TLinkRef* ref(std::string_view key) const { return engine->emitter().findLinkRef(U(key)); }
};

using Lines = std::vector<std::string>;

TEST(Reading, CutsLinesAtEveryKindOfBreak) {
  struct Row {
    std::u16string text;
    Lines expected;
  };
  for (const Row& row : std::vector<Row>{
           {u"a\r\nb\n\rc\rd", {"a", "b", "c", "d"}},
           {u"a\n\nb", {"a", "", "b"}},
           {u"a\r\rb", {"a", "", "b"}},
           {u"a\n", {"a"}},
           {u"", {}},
           {u"\n", {""}},
           {std::u16string(u"a\0b\nc", 5), {"a"}},  // code 0 ends the text
       }) {
    SCOPED_TRACE(S(row.text));
    EXPECT_EQ(Read(row.text).lines, row.expected);
  }
}

// Tabs, breaks and other control characters at every position of a line
// (the reader passes over plain text several characters at a time).
TEST(Reading, FindsTabsAndBreaksAtEveryPosition) {
  for (std::size_t before = 0; before < 11; ++before) {
    const std::u16string start(before, u'a');
    const std::string expected(before, 'a');
    const std::string spaces(4 - before % 4, ' ');
    EXPECT_EQ(Read(start + u"\tbcdefghijk").lines, Lines{expected + spaces + "bcdefghijk"}) << before;
    EXPECT_EQ(Read(start + u"\rbcdefghijk").lines, (Lines{expected, "bcdefghijk"})) << before;
    EXPECT_EQ(Read(start + u"\x01\x1F\x7F" u"bcdefghijk").lines,
              Lines{expected + "\x01\x1F\x7F" "bcdefghijk"}) << before;
  }
}

TEST(Reading, ExpandsTabsToStopsEveryFourColumns) {
  EXPECT_EQ(Read(u"\tx").lines, Lines{"    x"});
  EXPECT_EQ(Read(u"ab\tx").lines, Lines{"ab  x"});
  EXPECT_EQ(Read(u"abcd\tx").lines, Lines{"abcd    x"});
  EXPECT_EQ(Read(u"<\tx", true).lines, Lines{"&lt;    x"});
  EXPECT_EQ(Read(u"<\tx", false).lines, Lines{"<   x"});
}

TEST(Reading, RecognisesReferenceDefinitions) {
  struct Row {
    const char* text;
    bool isDefinition;
    const char* link;
    const char* title;
  };
  for (const Row& row : std::vector<Row>{
           {"[a]: /x", true, "/x", ""},
           {"[a]: /x extra", false, "", ""},
           {"[a]: /x \"T\" extra", true, "/x", "T"},
           {"[a]: /x 'T'", true, "/x", "T"},
           {"[a]: /x (T)", true, "/x", "T"},
           {"[a]:", false, "", ""},
           {"[a]: ", false, "", ""},
           {"[a]:x", true, "x", ""},
           {"[]: x", false, "", ""},
           {"[a]: <>", false, "", ""},
           {"[a]: x \"\"", false, "", ""},
           {"[a]: <my page>", true, "my page", ""},
           {"    [a]: x", false, "", ""},
           {"   [a]: x", true, "x", ""},
           {"[a\\]b]: x", true, "x", ""},
       }) {
    SCOPED_TRACE(row.text);
    Read read(U(row.text));
    EXPECT_EQ(read.lines.empty(), row.isDefinition);
    const std::string key = std::string(row.text).find("a\\]b") != std::string::npos ? "a]b" : "a";
    const TLinkRef* ref = read.ref(key);
    ASSERT_EQ(ref != nullptr, row.isDefinition);
    if (ref) {
      EXPECT_EQ(S(ref->FLink), row.link);
      EXPECT_EQ(S(ref->FTitle), row.title);
      EXPECT_FALSE(ref->FIsAbbrev);
    }
  }
}

TEST(Reading, TakesAPendingTitleFromTheNextLine) {
  Read read(u"[a]: /x\n\n  'Title'\nafter");
  EXPECT_EQ(read.lines, (Lines{"", "after"}));
  EXPECT_EQ(S(read.ref("a")->FTitle), "Title");

  Read two(u"[a]: /a\n[b]: /b \"B\"\n'T'");
  EXPECT_TRUE(two.lines.empty());
  EXPECT_EQ(S(two.ref("a")->FTitle), "T");
  EXPECT_EQ(S(two.ref("b")->FTitle), "B");

  Read text(u"[a]: /a\nplain\n'T'");
  EXPECT_EQ(text.lines, (Lines{"plain", "'T'"}));
  EXPECT_EQ(S(text.ref("a")->FTitle), "");
}

TEST(Reading, RecognisesAbbreviations) {
  Read abbreviation(u"[HTML]: * 'Hyper Text'");
  ASSERT_NE(abbreviation.ref("html"), nullptr);
  EXPECT_TRUE(abbreviation.ref("HTML")->FIsAbbrev);
  EXPECT_EQ(S(abbreviation.ref("html")->FTitle), "Hyper Text");

  Read titled(u"[HTML]: *\n'Hyper Text'");
  EXPECT_TRUE(titled.lines.empty());
  EXPECT_FALSE(titled.ref("html")->FIsAbbrev);
  EXPECT_EQ(S(titled.ref("html")->FTitle), "Hyper Text");
}

TEST(Reading, ARedefinitionReplacesAPendingReferenceSafely) {
  // The first definition waits for a title, then is replaced; the title line
  // that follows belongs to no living reference and stays as text.
  Read read(u"[a]: /first\n[a]: /second \"S\"\n'late'");
  EXPECT_EQ(S(read.ref("a")->FLink), "/second");
  EXPECT_EQ(S(read.ref("a")->FTitle), "S");
  EXPECT_EQ(read.lines, Lines{"'late'"});
}

TEST(Reading, TheProfileSwitch) {
  TMarkdownCommonMark engine;
  TMarkdownReader reader(u"x\n[$PROFILE$]: Extended\ny");
  auto root = engine.collectLines(reader);
  EXPECT_EQ(engine.config().GetDialect(), mdTxtMark);
  EXPECT_TRUE(engine.FuseExtensions);
  EXPECT_EQ(S(root->FLines->FNext->FValue), "y");

  Read basic(u"[$profile$]: basic");
  EXPECT_TRUE(basic.lines.empty());
  EXPECT_EQ(basic.engine->config().GetDialect(), mdDaringFireball);
  EXPECT_FALSE(basic.engine->FuseExtensions);
  EXPECT_EQ(basic.ref("$profile$"), nullptr);
}

TEST(Reading, KeptLinesBecomeNeighboursAcrossDroppedOnes) {
  auto engine = std::make_unique<TMarkdownDaringFireball>();
  TMarkdownReader reader(u"a\n[r]: /r\n\nb");
  auto root = engine->collectLines(reader);
  const TLine* a = root->FLines.get();
  ASSERT_NE(a->FNext, nullptr);
  EXPECT_TRUE(a->FNext->FIsEmpty);
  EXPECT_TRUE(a->FNextEmpty);
  EXPECT_EQ(a->FNext->FNext->FPrevious, a->FNext.get());
}

}  // namespace
}  // namespace glyphmill::test
