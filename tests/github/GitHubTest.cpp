// The GitHub dialect as a member of the processor family: it is created,
// converts GitHub's extensions, and its safe mode is the engine's.
#include <string>
#include <vector>

#include "MarkdownGitHub.h"
#include "SafeModeCorpus.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

class GitHubDialect : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registerGitHubDialect(); }
};

std::string github(const std::string& markdown, bool allowUnsafe = false) {
  return convert(markdown, mdGitHub, allowUnsafe);
}

TEST_F(GitHubDialect, IsCreatedSafeAndSwitchesToUnsafe) {
  auto processor = TMarkdownProcessor::CreateDialect(mdGitHub);
  ASSERT_NE(processor, nullptr);
  EXPECT_EQ(processor->config().GetDialect(), mdGitHub);
  EXPECT_FALSE(processor->GetAllowUnsafe());
  processor->SetAllowUnsafe(true);
  EXPECT_TRUE(processor->GetAllowUnsafe());
  EXPECT_EQ(S(processor->Process(U("*a* \xC3\xA9\xF0\x9F\x98\x80"))),
            "<p><em>a</em> \xC3\xA9\xF0\x9F\x98\x80</p>\n");
}

TEST_F(GitHubDialect, ProcessToWritesWhatProcessReturns) {
  const std::u16string source = U("# T\n\n- [ ] a\n\n|x|\n|-|\n|1|\n");
  auto processor = TMarkdownProcessor::CreateDialect(mdGitHub);
  const std::u16string whole = processor->Process(source);
  std::u16string pieces;
  processor->ProcessTo(std::u16string(source), [&](std::u16string_view p) { pieces += p; });
  EXPECT_EQ(pieces, whole);
  EXPECT_EQ(processor->Process(std::u16string(source)), whole);
}

struct FeatureRow {
  std::string markdown;
  std::string fragment;
};

TEST_F(GitHubDialect, ExtensionsAndNestingAppear) {
  const std::vector<FeatureRow> rows = {
      {"- [x] done\n- [ ] open\n",
       "<li><input type=\"checkbox\" checked=\"\" disabled=\"\" /> done</li>"},
      {"- [x] done\n- [ ] open\n", "<li><input type=\"checkbox\" disabled=\"\" /> open</li>"},
      {"| a | b |\n|---|:-:|\n| 1 | 2 |\n", "<th>a</th>"},
      {"| a | b |\n|---|:-:|\n| 1 | 2 |\n", "<td align=\"center\">2</td>"},
      {"~~gone~~ and ~kept~\n", "<del>gone</del> and <del>kept</del>"},
      {"see www.example.org now\n", "<a href=\"http://www.example.org\">www.example.org</a>"},
      {"at https://example.org/a?b=1.\n",
       "<a href=\"https://example.org/a?b=1\">https://example.org/a?b=1</a>."},
      {"mail me@example.org\n", "<a href=\"mailto:me@example.org\">me@example.org</a>"},
      // a list nested by two spaces nests
      {"- a\n  - b\n    - c\n", "<li>a\n<ul>\n<li>b\n<ul>\n<li>c</li>"},
      {"1. a\n   1. b\n", "<li>a\n<ol>\n<li>b</li>"},
      // no smart punctuation
      {"\"quoted\" -- it's...\n", "&quot;quoted&quot; -- it's..."},
  };
  for (const FeatureRow& row : rows) {
    for (bool allowUnsafe : {false, true}) {
      SCOPED_TRACE(row.markdown);
      const std::string html = github(row.markdown, allowUnsafe);
      EXPECT_NE(html.find(row.fragment), std::string::npos) << html;
    }
  }
}

struct UrlRow {
  std::string markdown;
  std::string safe;    // fragment in safe mode
  std::string unsafe;  // fragment with AllowUnsafe
};

// Link and image destinations pass the engine's dangerous-scheme test.
TEST_F(GitHubDialect, DangerousDestinationsAreBlankInSafeMode) {
  const std::vector<UrlRow> rows = {
      {"[x](javascript:alert(1))", "<a href=\"\">x</a>", "<a href=\"javascript:alert(1)\">x</a>"},
      {"[x](JavaScript:alert(1))", "<a href=\"\">x</a>", "<a href=\"JavaScript:alert(1)\">"},
      {"[x](vbscript:msgbox)", "<a href=\"\">x</a>", "<a href=\"vbscript:msgbox\">"},
      {"[x][r]\n\n[r]: javascript:alert(1)", "<a href=\"\">x</a>", "href=\"javascript:alert(1)\""},
      {"<javascript:alert(1)>", "<a href=\"\">javascript:alert(1)</a>",
       "<a href=\"javascript:alert(1)\">"},
      {"![i](data:text/html;base64,PHNjcmlwdD4=)", "<img src=\"\" alt=\"i\" />",
       "<img src=\"data:text/html;base64,PHNjcmlwdD4=\""},
      // harmless ones stay
      {"![i](data:image/png;base64,iVBO)", "<img src=\"data:image/png;base64,iVBO\" alt=\"i\" />",
       "<img src=\"data:image/png;base64,iVBO\" alt=\"i\" />"},
      {"[x](https://example.org/javascript:y)", "<a href=\"https://example.org/javascript:y\">",
       "<a href=\"https://example.org/javascript:y\">"},
  };
  for (const UrlRow& row : rows) {
    SCOPED_TRACE(row.markdown);
    const std::string safe = github(row.markdown);
    EXPECT_NE(safe.find(row.safe), std::string::npos) << safe;
    const std::string unsafe = github(row.markdown, true);
    EXPECT_NE(unsafe.find(row.unsafe), std::string::npos) << unsafe;
  }
}

struct RawRow {
  std::string markdown;
  std::string safe;  // the whole safe-mode output
};

// Raw HTML blocks and inline tags are read as the engine's safe mode reads them.
TEST_F(GitHubDialect, RawHtmlIsNeutralisedAsTheEngineDoes) {
  const std::vector<RawRow> rows = {
      {"<div>\n<script>alert(1)</script>\n</div>\n",
       "<div>\n&lt;script>alert(1)&lt;/script>\n</div>\n"},
      {"x <img src=x onerror=alert(1)> y\n", "<p>x &lt;img src=x onerror=alert(1)> y</p>\n"},
      {"x <a href=\"javascript:alert(1)\">y</a>\n",
       "<p>x &lt;a href=\"javascript:alert(1)\">y</a></p>\n"},
      {"<meta http-equiv=\"refresh\" content=\"0;url=x\">\n",
       "&lt;meta http-equiv=\"refresh\" content=\"0;url=x\">\n"},
      {"<iframe src=\"https://example.org\"></iframe>\n",
       "&lt;iframe src=\"https://example.org\">&lt;/iframe>\n"},
      {"x <b class=\"k\">bold</b> <!-- note -->\n", "<p>x <b class=\"k\">bold</b> <!-- note --></p>\n"},
  };
  for (const RawRow& row : rows) {
    SCOPED_TRACE(row.markdown);
    EXPECT_EQ(github(row.markdown), row.safe);
  }
}

TEST_F(GitHubDialect, HarmlessHtmlComesOutAsWithoutSafeMode) {
  std::size_t kept = 0;
  for (const Snippet& snippet : corpus()) {
    SCOPED_TRACE(snippet.markdown);
    const std::string safe = github(snippet.markdown);
    const std::string unsafe = github(snippet.markdown, true);
    EXPECT_EQ(safe, unsafe);
    // GitHub's reading may make text of a tag (an address in an unquoted value
    // becomes an autolink); where it keeps the tag, safe mode keeps it too.
    if (unsafe.find(snippet.probe) != std::string::npos) {
      ++kept;
      EXPECT_NE(safe.find(snippet.probe), std::string::npos) << safe;
    }
  }
  // Nearly every snippet is read as HTML by GitHub as well.
  EXPECT_GE(kept + 5, corpus().size());
}

TEST_F(GitHubDialect, DisguisedScriptUrls) {
  for (const std::string& href : disguisedScriptUrls()) {
    for (const std::string& markdown :
         {"x <a href=\"" + href + "\">y</a>", "<div>\n<a href=\"" + href + "\">y</a>\n</div>"}) {
      SCOPED_TRACE(markdown);
      const std::string safe = github(markdown);
      EXPECT_NE(safe.find("&lt;a href="), std::string::npos) << safe;
      EXPECT_EQ(safe.find("<a href="), std::string::npos) << safe;
    }
  }
}

TEST_F(GitHubDialect, HostileTwinsAreNeutralised) {
  for (const Snippet& snippet : corpus()) {
    const std::vector<TwinDocument> twins = hostileTwinDocuments(snippet);
    ASSERT_FALSE(twins.empty()) << snippet.probe;
    for (const TwinDocument& twin : twins) {
      SCOPED_TRACE(twin.markdown);
      const std::string safe = github(twin.markdown);
      EXPECT_EQ(safe.find(twin.liveTag), std::string::npos) << safe;
      EXPECT_NE(safe.find("&lt;" + twin.liveTag.substr(1)), std::string::npos) << safe;
    }
  }
}

TEST_F(GitHubDialect, ASourceTakenOverIsLetGoOfInEveryDialect) {
  // A document handed over is not held a second time while it is converted,
  // nor kept afterwards: its characters' memory goes with it.
  std::u16string text;
  for (int i = 0; i < 20000; ++i) text += u"*a* b\n\n";
  for (auto dialect : {mdDaringFireball, mdCommonMark, mdTxtMark, mdGitHub}) {
    SCOPED_TRACE(static_cast<int>(dialect));
    auto processor = TMarkdownProcessor::CreateDialect(dialect);
    const std::u16string expected = processor->Process(text);
    std::u16string source = text;
    EXPECT_EQ(processor->Process(std::move(source)), expected);
    EXPECT_LT(source.capacity(), 16u);
  }
}

}  // namespace
}  // namespace glyphmill::test
