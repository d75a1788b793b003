// The decorator's markup and the block emitter, on hand-built block trees.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace glyphmill::test {
namespace {

TEST(Decorator, WritesEveryTag) {
  using Op = std::function<void(TDecorator&, std::u16string&)>;
  struct Row {
    const char* name;
    Op op;
    const char* text;
  };
  const std::vector<Row> rows{
      {"openParagraph", [](TDecorator& d, std::u16string& o) { d.openParagraph(o); }, "<p>"},
      {"closeParagraph", [](TDecorator& d, std::u16string& o) { d.closeParagraph(o); }, "</p>\n"},
      {"openBlockQuote", [](TDecorator& d, std::u16string& o) { d.openBlockQuote(o); }, "<blockquote>"},
      {"closeBlockQuote", [](TDecorator& d, std::u16string& o) { d.closeBlockQuote(o); }, "</blockquote>\n"},
      {"openCodeBlock", [](TDecorator& d, std::u16string& o) { d.openCodeBlock(o); }, "<pre><code>"},
      {"closeCodeBlock", [](TDecorator& d, std::u16string& o) { d.closeCodeBlock(o); }, "</code></pre>\n"},
      {"openCodeSpan", [](TDecorator& d, std::u16string& o) { d.openCodeSpan(o); }, "<code>"},
      {"closeCodeSpan", [](TDecorator& d, std::u16string& o) { d.closeCodeSpan(o); }, "</code>"},
      {"openHeadline 3", [](TDecorator& d, std::u16string& o) { d.openHeadline(o, 3); }, "<h3"},
      {"closeHeadline 6", [](TDecorator& d, std::u16string& o) { d.closeHeadline(o, 6); }, "</h6>\n"},
      {"openStrong", [](TDecorator& d, std::u16string& o) { d.openStrong(o); }, "<strong>"},
      {"closeStrong", [](TDecorator& d, std::u16string& o) { d.closeStrong(o); }, "</strong>"},
      {"openEmphasis", [](TDecorator& d, std::u16string& o) { d.openEmphasis(o); }, "<em>"},
      {"closeEmphasis", [](TDecorator& d, std::u16string& o) { d.closeEmphasis(o); }, "</em>"},
      {"openStrike", [](TDecorator& d, std::u16string& o) { d.openStrike(o); }, "<del>"},
      {"closeStrike", [](TDecorator& d, std::u16string& o) { d.closeStrike(o); }, "</del>"},
      {"openIns", [](TDecorator& d, std::u16string& o) { d.openIns(o); }, "<ins>"},
      {"closeIns", [](TDecorator& d, std::u16string& o) { d.closeIns(o); }, "</ins>"},
      {"openMark", [](TDecorator& d, std::u16string& o) { d.openMark(o); }, "<mark>"},
      {"closeMark", [](TDecorator& d, std::u16string& o) { d.closeMark(o); }, "</mark>"},
      {"openSuper", [](TDecorator& d, std::u16string& o) { d.openSuper(o); }, "<sup>"},
      {"closeSuper", [](TDecorator& d, std::u16string& o) { d.closeSuper(o); }, "</sup>"},
      {"openSub", [](TDecorator& d, std::u16string& o) { d.openSub(o); }, "<sub>"},
      {"closeSub", [](TDecorator& d, std::u16string& o) { d.closeSub(o); }, "</sub>"},
      {"openOrderedList", [](TDecorator& d, std::u16string& o) { d.openOrderedList(o); }, "<ol>\n"},
      {"closeOrderedList", [](TDecorator& d, std::u16string& o) { d.closeOrderedList(o); }, "</ol>\n"},
      {"openUnOrderedList", [](TDecorator& d, std::u16string& o) { d.openUnOrderedList(o); }, "<ul>\n"},
      {"closeUnOrderedList", [](TDecorator& d, std::u16string& o) { d.closeUnOrderedList(o); }, "</ul>\n"},
      {"openListItem", [](TDecorator& d, std::u16string& o) { d.openListItem(o); }, "<li"},
      {"closeListItem", [](TDecorator& d, std::u16string& o) { d.closeListItem(o); }, "</li>\n"},
      {"checkedItem", [](TDecorator& d, std::u16string& o) { d.checkedItem(o); },
       "<input checked disabled type=\"checkbox\">"},
      {"uncheckedItem", [](TDecorator& d, std::u16string& o) { d.uncheckedItem(o); },
       "<input unchecked disabled type=\"checkbox\">"},
      {"horizontalRuler", [](TDecorator& d, std::u16string& o) { d.horizontalRuler(o); }, "<hr />\n"},
      {"openLink", [](TDecorator& d, std::u16string& o) { d.openLink(o); }, "<a"},
      {"closeLink", [](TDecorator& d, std::u16string& o) { d.closeLink(o); }, "</a>"},
      {"openImage", [](TDecorator& d, std::u16string& o) { d.openImage(o); }, "<img"},
      {"closeImage", [](TDecorator& d, std::u16string& o) { d.closeImage(o); }, "/>"},
      {"openFencedCodeBlock", [](TDecorator& d, std::u16string& o) { d.openFencedCodeBlock(o, u"a+\"b"); },
       "<pre><code class=\"a+\"b\">"},
      {"openFencedCodeBlock empty", [](TDecorator& d, std::u16string& o) { d.openFencedCodeBlock(o, u""); },
       "<pre><code class=\"\">"},
  };
  TDecorator decorator;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::u16string out = u"x";
    row.op(decorator, out);
    EXPECT_EQ(S(out), std::string("x") + row.text);
  }
}

// Builds block trees by hand so that emission is tested on its own.
class Tree {
 public:
  explicit Tree(TMarkdownProcessorDialect dialect = mdCommonMark, bool safe = true)
      : config_(safe), emitter_(config_) {
    config_.SetDialect(dialect);
  }

  static std::unique_ptr<TBlock> block(TBlockType type, const std::vector<std::string>& lines = {}) {
    auto b = std::make_unique<TBlock>();
    b->FType = type;
    for (const auto& text : lines) {
      auto line = std::make_unique<TLine>();
      line->FValue = U(text);
      line->Init();
      b->AppendLine(std::move(line));
    }
    return b;
  }

  static TBlock* addChild(TBlock& parent, std::unique_ptr<TBlock> child) {
    TBlock* added = child.get();
    if (parent.FBlockTail) {
      parent.FBlockTail->FNext = std::move(child);
    } else {
      parent.FBlocks = std::move(child);
    }
    parent.FBlockTail = added;
    return added;
  }

  std::string emit(TBlock& root) {
    std::u16string out;
    emitter_.emit(out, &root);
    return S(out);
  }

  TConfiguration& config() { return config_; }

 private:
  TConfiguration config_;
  TEmitter emitter_;
};

TEST(BlockEmit, ParagraphsBreaksAndSpaces) {
  Tree tree;
  struct Row {
    std::vector<std::string> lines;
    std::string expected;
  };
  for (const Row& row : std::vector<Row>{
           {{"Hello"}, "<p>Hello</p>\n"},
           {{"a  ", "b"}, "<p>a<br />\nb</p>\n"},
           {{"a ", "b"}, "<p>a\nb</p>\n"},
           {{"a", "b   "}, "<p>a\nb<br /></p>\n"},
           {{"  lead", "   cont  "}, "<p>lead\ncont<br /></p>\n"},
           {{"", "x", ""}, "<p>x</p>\n"},
       }) {
    auto paragraph = Tree::block(btPARAGRAPH, row.lines);
    EXPECT_EQ(tree.emit(*paragraph), row.expected);
  }
}

TEST(BlockEmit, BlankBlocksStillWriteTheirTags) {
  Tree tree;
  EXPECT_EQ(tree.emit(*Tree::block(btPARAGRAPH, {"", ""})), "<p></p>\n");
  EXPECT_EQ(tree.emit(*Tree::block(btNONE, {"", ""})), "");
  EXPECT_EQ(tree.emit(*Tree::block(btRULER, {"***"})), "<hr />\n");
}

TEST(BlockEmit, CodeBlocksAreEscapedNotParsed) {
  Tree tree;
  EXPECT_EQ(tree.emit(*Tree::block(btCODE, {"    a < b", "", "    x & *y*"})),
            "<pre><code>a &lt; b\n\nx &amp; *y*\n</code></pre>\n");
  auto fenced = Tree::block(btFENCED_CODE, {"<b>\"q\"</b>", "  two"});
  fenced->FIdOrMeta = u"js";
  EXPECT_EQ(tree.emit(*fenced),
            "<pre><code class=\"js\">&lt;b&gt;\"q\"&lt;/b&gt;\n  two\n</code></pre>\n");
  EXPECT_EQ(tree.emit(*Tree::block(btFENCED_CODE, {"x"})), "<pre><code class=\"\">x\n</code></pre>\n");
}

struct CollectingBlockEmitter : TBlockEmitter {
  void emitBlock(std::u16string& out_, const std::vector<std::u16string>& lines,
                 const std::u16string& meta) override {
    out_ += u"[" + meta + u"]";
    for (const auto& line : lines) out_ += u"(" + line + u")";
  }
};

TEST(BlockEmit, ACodeBlockHookWritesTheWholeBlock) {
  Tree tree;
  tree.config().codeBlockEmitter = std::make_unique<CollectingBlockEmitter>();
  EXPECT_EQ(tree.emit(*Tree::block(btCODE, {"    a<b", "", "      c"})), "[](a<b)()(  c)");
  auto fenced = Tree::block(btFENCED_CODE, {"  x&y"});
  fenced->FIdOrMeta = u"py";
  EXPECT_EQ(tree.emit(*fenced), "[py](  x&y)");
}

TEST(BlockEmit, HeadlineAndItemIdsInTheExtendedDialectsOnly) {
  for (auto dialect : {mdDaringFireball, mdCommonMark, mdTxtMark}) {
    SCOPED_TRACE(dialectName(dialect));
    Tree tree(dialect);
    auto headline = Tree::block(btHEADLINE, {"Title"});
    headline->FHlDepth = 2;
    headline->FIdOrMeta = u"a&b\"c";
    const bool withId = dialect != mdDaringFireball;
    EXPECT_EQ(tree.emit(*headline),
              withId ? "<h2 id=\"a&amp;b\"c\">Title</h2>\n" : "<h2>Title</h2>\n");
  }
}

TEST(BlockEmit, ListsQuotesAndNesting) {
  Tree tree;
  auto list = Tree::block(btUNORDERED_LIST);
  TBlock* item = Tree::addChild(*list, Tree::block(btLIST_ITEM));
  Tree::addChild(*item, Tree::block(btNONE, {"item"}));
  TBlock* nested = Tree::addChild(*item, Tree::block(btORDERED_LIST));
  TBlock* inner = Tree::addChild(*nested, Tree::block(btLIST_ITEM));
  inner->FIdOrMeta = u"i";
  Tree::addChild(*inner, Tree::block(btPARAGRAPH, {"deep"}));
  EXPECT_EQ(tree.emit(*list),
            "<ul>\n<li>item<ol>\n<li id=\"i\"><p>deep</p>\n</li>\n</ol>\n</li>\n</ul>\n");

  auto quote = Tree::block(btBLOCKQUOTE);
  Tree::addChild(*quote, Tree::block(btPARAGRAPH, {"quote"}));
  EXPECT_EQ(tree.emit(*quote), "<blockquote><p>quote</p>\n</blockquote>\n");
}

TEST(BlockEmit, DeepNestingNeedsNoDeepStack) {
  Tree tree;
  auto root = Tree::block(btBLOCKQUOTE);
  TBlock* deepest = root.get();
  const int depth = 200000;
  for (int i = 1; i < depth; ++i) deepest = Tree::addChild(*deepest, Tree::block(btBLOCKQUOTE));
  Tree::addChild(*deepest, Tree::block(btPARAGRAPH, {"x"}));
  std::string expected;
  for (int i = 0; i < depth; ++i) expected += "<blockquote>";
  expected += "<p>x</p>\n";
  for (int i = 0; i < depth; ++i) expected += "</blockquote>\n";
  EXPECT_EQ(tree.emit(*root), expected);
}

TEST(BlockEmit, RawHtmlInBothModes) {
  const std::vector<std::string> lines{"<div>", "  text <br/> a > b", "</div>"};
  Tree unsafe(mdCommonMark, false);
  EXPECT_EQ(unsafe.emit(*Tree::block(btXML, lines)), "<div>\n  text <br/> a > b\n</div>\n");
  Tree safe(mdCommonMark, true);
  EXPECT_EQ(safe.emit(*Tree::block(btXML, lines)), "<div>\n  text <br/> a > b\n</div>\n");
  EXPECT_EQ(safe.emit(*Tree::block(btXML, {"<hr> 1 <"})), "<hr> 1 <\n");
  // A tag the reader cannot finish must not come alive in the browser later on.
  const std::vector<std::string> open{"<div>", "<script src=x \"", "</div>"};
  EXPECT_EQ(safe.emit(*Tree::block(btXML, open)), "<div>\n&lt;script src=x \"\n</div>\n");
  EXPECT_EQ(unsafe.emit(*Tree::block(btXML, open)), "<div>\n<script src=x \"\n</div>\n");
  EXPECT_EQ(safe.emit(*Tree::block(btXML, {"<div><script>x</script></div>"})),
            "<div>&lt;script>x&lt;/script></div>\n");
  EXPECT_EQ(unsafe.emit(*Tree::block(btXML, {"<div><script>x</script></div>"})),
            "<div><script>x</script></div>\n");
}

}  // namespace
}  // namespace glyphmill::test
