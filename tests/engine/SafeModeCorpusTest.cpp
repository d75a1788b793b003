// Safe mode on HTML as it appears in real documentation: harmless tags come
// out exactly as without safe mode, and a hostile twin of each is neutralised.
#include <cctype>
#include <string>
#include <vector>

#include "SafeModeCorpus.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

constexpr TMarkdownProcessorDialect DIALECTS[] = {mdCommonMark, mdTxtMark, mdDaringFireball};

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
  };
  for (const auto& [markdown, html] : rows) {
    for (TMarkdownProcessorDialect dialect : DIALECTS) {
      SCOPED_TRACE(dialectTrace(markdown, dialect));
      EXPECT_EQ(convert(markdown, dialect, false), html);
      EXPECT_EQ(convert(markdown, dialect, true), html);
    }
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

}  // namespace
}  // namespace glyphmill::test
