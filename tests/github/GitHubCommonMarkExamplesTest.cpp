// The GitHub dialect on the 652 examples of CommonMark 0.30 agrees with the
// library's own program run with the same extensions.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "MarkdownGitHub.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

const char* const CMARK_GFM =
    "cmark-gfm -e table -e strikethrough -e autolink -e tagfilter -e tasklist --unsafe";

struct Example {
  int number = 0;
  std::string section;
  std::string markdown;
  std::string html;
};

// Reads the "@@ NUMBER MARKDOWN_BYTES HTML_BYTES SECTION" records of the file.
std::vector<Example> readExamples(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<Example> examples;
  std::string header;
  while (std::getline(in, header)) {
    std::istringstream fields(header);
    std::string mark;
    std::size_t markdownBytes = 0;
    std::size_t htmlBytes = 0;
    Example example;
    fields >> mark >> example.number >> markdownBytes >> htmlBytes;
    if (mark != "@@") break;
    std::getline(fields >> std::ws, example.section);
    example.markdown.resize(markdownBytes);
    example.html.resize(htmlBytes);
    in.read(example.markdown.data(), static_cast<std::streamsize>(markdownBytes));
    in.read(example.html.data(), static_cast<std::streamsize>(htmlBytes));
    examples.push_back(std::move(example));
  }
  return examples;
}

// What the installed program writes for the file.
std::string runProgram(const std::string& file) {
  const std::string command = std::string(CMARK_GFM) + " '" + file + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "(could not run cmark-gfm)";
  std::string out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

std::string writeTemporary(const std::string& text) {
  char name[] = "/tmp/glyphmill-examples-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return "";
  const ssize_t written = write(fd, text.data(), text.size());
  close(fd);
  return written == static_cast<ssize_t>(text.size()) ? name : "";
}

TEST(GitHubCommonMarkExamples, AgreeWithTheLibrarysProgram) {
  if (std::system("command -v cmark-gfm >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "cmark-gfm is not installed";
  }
  registerGitHubDialect();
  const std::vector<Example> examples =
      readExamples(GLYPHMILL_SOURCE_DIR "/tests/data/commonmark-0.30-examples.txt");
  ASSERT_EQ(examples.size(), 652u);
  int agreeProgram = 0;
  int agreeExpected = 0;
  for (const Example& example : examples) {
    SCOPED_TRACE("example " + std::to_string(example.number) + " (" + example.section + ")");
    const std::string file = writeTemporary(example.markdown);
    ASSERT_FALSE(file.empty());
    const std::string program = runProgram(file);
    std::remove(file.c_str());
    const std::string ours = convert(example.markdown, mdGitHub, true);
    EXPECT_EQ(ours, program);
    if (ours == program) ++agreeProgram;
    if (ours == example.html) ++agreeExpected;
  }
  std::cout << "GitHub dialect on CommonMark 0.30: " << agreeProgram << "/" << examples.size()
            << " as cmark-gfm, " << agreeExpected << "/" << examples.size()
            << " as the examples' HTML\n";
}

}  // namespace
}  // namespace glyphmill::test
