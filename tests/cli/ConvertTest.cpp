// glyphmill-convert, run as a program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <optional>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Converter.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;
  std::string err;
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class ConvertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("glyphmill-cli-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path file(const std::string& name, const std::string& bytes) {
    writeFile(dir_ / name, bytes);
    return dir_ / name;
  }

  Result run(const std::vector<std::string>& args, const std::string& input = "") {
    const fs::path in = dir_ / ".stdin";
    writeFile(in, input);
    return runWithInput(args, "<" + quoted(in));
  }

  // Runs the converter with `redirection` for its standard input (such as
  // "<&-"), after the shell commands in `before`.
  Result runWithInput(const std::vector<std::string>& args, const std::string& redirection,
                      const std::string& before = "") {
    const fs::path out = dir_ / ".stdout", err = dir_ / ".stderr";
    std::string command = before + quoted(GLYPHMILL_CONVERT);
    for (const auto& arg : args) command += " " + quoted(arg);
    command += " " + redirection + " >" + quoted(out) + " 2>" + quoted(err);
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
  }

  fs::path dir_;
};

// What the program knows of its inputs' size before it converts them, which
// decides whether it starts itself again with the tunables of large inputs.
TEST_F(ConvertTest, InputBytesAreKnownForRegularFilesOnly) {
  const std::string small = file("small.md", std::string(100, 'a')).string();
  const std::string other = file("other.md", std::string(23, 'b')).string();
  const int regular = ::open(small.c_str(), O_RDONLY);
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  struct Row {
    const char* name;
    std::vector<std::string> args;
    int inputFd;
    std::optional<std::uintmax_t> bytes;
  };
  const std::vector<Row> rows{
      {"one file", {"-d", "txtmark", small}, pipeEnds[0], 100},
      {"two files", {small, "--", other}, pipeEnds[0], 123},
      {"standard input from a file", {"-"}, regular, 100},
      {"standard input when no file is named", {"--seed", "3"}, regular, 100},
      {"standard input from a pipe", {small, "-"}, pipeEnds[0], std::nullopt},
      {"a folder", {dir_.string()}, pipeEnds[0], std::nullopt},
      {"a missing file", {(dir_ / "missing.md").string(), other}, pipeEnds[0], 23},
      {"a closed standard input", {}, -1, 0},
      {"help", {"--help", small}, pipeEnds[0], 0},
      {"a bad option", {"--frobnicate", small}, pipeEnds[0], 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(glyphmill::cli::inputBytes(row.args, row.inputFd), row.bytes);
  }
  ::close(regular);
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
}

TEST_F(ConvertTest, DialectsByNameInAnyLetterCase) {
  struct Row {
    std::vector<std::string> args;
    std::string expected;
  };
  const std::string text = "~~x~~ (C)";
  for (const Row& row : std::vector<Row>{
           {{}, "<p><del>x</del> &copy;</p>\n"},
           {{"-d", "CommonMark"}, "<p><del>x</del> &copy;</p>\n"},
           {{"--dialect", "txtmark"}, "<p>~~x~~ &copy;</p>\n"},
           {{"--dialect=DaringFireball"}, "<p>~~x~~ (C)</p>\n"},
           {{"-d", "GitHub"}, "<p><del>x</del> (C)</p>\n"},
           {{"--dialect", "github"}, "<p><del>x</del> (C)</p>\n"},
       }) {
    const Result r = run(row.args, text);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, row.expected);
  }
}

TEST_F(ConvertTest, SafeModeUnlessAllowed) {
  const std::string text = "a <script>x</script>";
  EXPECT_EQ(run({}, text).out, "<p>a &lt;script>x&lt;/script></p>\n");
  EXPECT_EQ(run({"--allow-unsafe"}, text).out, "<p>a <script>x</script></p>\n");
}

TEST_F(ConvertTest, StandardInputByDashAndOutputAsUtf8WithoutMark) {
  const Result r = run({"-"}, "# Caf\xC3\xA9\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "<h1>Caf\xC3\xA9</h1>\n");
}

// One block whose HTML is longer than a slice of UTF-8 written at a time,
// with characters of two code units at every possible cut.
TEST_F(ConvertTest, LongBlocksAreWrittenWhole) {
  for (const std::string& before : {"", "a"}) {
    std::string text = before;
    for (int i = 0; i < 50000; ++i) text += "\xF0\x9F\x98\x80";  // U+1F600
    const Result r = run({"-"}, text + "\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "<p>" + text + "</p>\n") << before.size();
  }
}

TEST_F(ConvertTest, ByteOrderMarksAndTheWindows1252Fallback) {
  const auto utf16 = file("u16.md", std::string("\xFF\xFE*\0\xE9\0*\0", 8));
  const auto utf8 = file("u8.md", "\xEF\xBB\xBF*\xC3\xA9*");
  const auto latin = file("cp.md", "*\xE9 \x80*");
  EXPECT_EQ(run({utf16.string()}).out, "<p><em>\xC3\xA9</em></p>\n");
  EXPECT_EQ(run({utf8.string()}).out, "<p><em>\xC3\xA9</em></p>\n");
  EXPECT_EQ(run({latin.string()}).out, "<p><em>\xC3\xA9 \xE2\x82\xAC</em></p>\n");
}

TEST_F(ConvertTest, SeveralFilesIntoAFolderEachAsIfAlone) {
  std::vector<std::string> args{"-o", (dir_ / "out").string()};
  fs::create_directories(dir_ / "out");
  for (int i = 0; i < 6; ++i) {
    const std::string text = "# Doc " + std::to_string(i) + "\n\n- [a](u" + std::to_string(i) +
                             ")\n\na|b\n-|-\n1|" + std::to_string(i) + "\n";
    args.push_back(file("doc" + std::to_string(i) + ".md", text).string());
  }
  const Result r = run(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  for (int i = 0; i < 6; ++i) {
    const fs::path input = dir_ / ("doc" + std::to_string(i) + ".md");
    EXPECT_EQ(readFile(dir_ / "out" / ("doc" + std::to_string(i) + ".html")),
              run({input.string()}).out);
  }
}

TEST_F(ConvertTest, SeveralFilesToStandardOutputInOrder) {
  const auto a = file("a.md", "A");
  const auto b = file("b.md", "B");
  EXPECT_EQ(run({a.string(), b.string()}).out, "<p>A</p>\n<p>B</p>\n");
}

// The part of a page between "<body>\r\n" and "</body>".
std::string bodyOf(const std::string& page) {
  const std::size_t start = page.find("<body>\r\n");
  const std::size_t end = page.rfind("</body>");
  if (start == std::string::npos || end == std::string::npos) return "<no body>";
  return page.substr(start + 8, end - start - 8);
}

TEST_F(ConvertTest, PageWrapsTheStyledFragmentWithCrLf) {
  const Result r = run({"--page"}, "# Caf\xC3\xA9 & *Co*\n\na|b\n-|-\n1|2\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n", 0), 0u);
  EXPECT_NE(r.out.find("<title>Caf\xC3\xA9 &amp; Co</title>"), std::string::npos);
  EXPECT_NE(r.out.find("<style>\r\n/* Glyphmill's page style"), std::string::npos);
  EXPECT_NE(r.out.find("@media (prefers-color-scheme: dark)"), std::string::npos);
  // The window's table styling, every line ended with CR LF.
  EXPECT_EQ(bodyOf(r.out),
            "<h1>Caf\xC3\xA9 &amp; <em>Co</em></h1>\r\n"
            "<table style=\"border: 1px solid black; border-collapse: collapse;\">\r\n  <tr>\r\n"
            "    <th style=\"border: 1px solid black; padding: 3px;\">a</th>\r\n"
            "    <th style=\"border: 1px solid black; padding: 3px;\">b</th>\r\n  </tr>\r\n  <tr>\r\n"
            "    <td style=\"border: 1px solid black; padding: 3px;\">1</td>\r\n"
            "    <td style=\"border: 1px solid black; padding: 3px;\">2</td>\r\n  </tr>\r\n</table>\r\n");
  EXPECT_EQ(r.out.substr(r.out.size() - 18), "</body>\r\n</html>\r\n");
}

TEST_F(ConvertTest, PageTitleFallsBackToTheFileNameOrUntitled) {
  const auto named = file("my notes.md", "no headline\n");
  EXPECT_NE(run({"--page", named.string()}).out.find("<title>my notes.md</title>"), std::string::npos);
  EXPECT_NE(run({"--page"}, "no headline\n").out.find("<title>Untitled</title>"), std::string::npos);
}

TEST_F(ConvertTest, PageEmbedsLocalImagesBesideTheInput) {
  fs::create_directories(dir_ / "docs");
  writeFile(dir_ / "docs" / "pic.png", std::string("\x89PNG\r\n\x1a\n", 8));
  const auto input = file("docs/page.md", "![a](pic.png) ![b](missing.png) ![c](https://example.org/c.png)\n");
  const Result r = run({"--page", input.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(bodyOf(r.out),
            "<p><img src=\"data:image/png;base64,iVBORw0KGgo=\" alt=\"a\"/> <img src=\"missing.png\" alt=\"b\"/> "
            "<img src=\"https://example.org/c.png\" alt=\"c\"/></p>\r\n");
  // Code and formulas stay as the converter wrote them: they need the web engine.
  const Result code = run({"--page"}, "```js\nvar a;\n```\n\n$x^2$\n");
  EXPECT_NE(code.out.find("<pre><code class=\"js\">var a;\r\n</code></pre>"), std::string::npos);
  EXPECT_NE(code.out.find("/chart?cht=tx&chl=x^2"), std::string::npos);
}

TEST_F(ConvertTest, PageForSeveralFilesWritesOnePageEach) {
  const auto first = file("one.md", "# One\n");
  const auto second = file("two.md", "# Two\n");
  const Result r = run({"--page", "-o", (dir_ / "out").string(), first.string(), second.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(readFile(dir_ / "out" / "one.html").find("<title>One</title>"), std::string::npos);
  EXPECT_NE(readFile(dir_ / "out" / "two.html").find("<title>Two</title>"), std::string::npos);
  EXPECT_EQ(readFile(dir_ / "out" / "one.html"), run({"--page", first.string()}).out);
  EXPECT_EQ(run({"--page=x"}).status, 2);
}

TEST_F(ConvertTest, StandardInputTwiceIsConvertedTwice) {
  EXPECT_EQ(run({"-", "-"}, "*a*").out, "<p><em>a</em></p>\n<p><em>a</em></p>\n");
}

// A document of many pieces comes out the same on standard output and in a file.
TEST_F(ConvertTest, ALongDocumentTheSameStreamedOrWrittenToAFile) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "# Title " + std::to_string(i) + "\n\nSome *text* \u00e9\U0001F600.\n\n";
  const auto input = file("long.md", text);
  const Result streamed = run({"--seed", "5"}, text);
  const Result written = run({"--seed", "5", "-o", (dir_ / "long.html").string(), input.string()});
  EXPECT_EQ(streamed.status, 0);
  EXPECT_EQ(written.status, 0);
  EXPECT_EQ(streamed.out.rfind("<h1>Title 0</h1>\n<p>Some <em>text</em> \u00e9\U0001F600.</p>\n", 0), 0u);
  EXPECT_NE(streamed.out.find("<h1>Title 19999</h1>"), std::string::npos);
  EXPECT_EQ(readFile(dir_ / "long.html"), streamed.out);
}

TEST_F(ConvertTest, AnUnreadableFileIsReportedAndTheOthersConverted) {
  const auto good = file("good.md", "ok");
  const std::string missing = (dir_ / "missing.md").string();
  const Result r = run({"-o", (dir_ / "out").string(), missing, good.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(readFile(dir_ / "out" / "good.html"), "<p>ok</p>\n");

  const Result folder = run({dir_.string()});
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("Is a directory"), std::string::npos) << folder.err;
}

TEST_F(ConvertTest, BadOptionsShowTheUsage) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--frobnicate"}, {"-d", "markdown"}, {"-o"}, {"--seed", "x"}}) {
    const Result r = run(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("Usage: glyphmill-convert"), std::string::npos);
  }
  const Result help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--allow-unsafe"), std::string::npos);
  const Result version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("glyphmill-convert ", 0), 0u);
}

TEST_F(ConvertTest, AnOutputThatCannotBeWrittenFailsCleanly) {
  const auto blocker = file("plain-file", "x");
  const Result r = run({"-o", (blocker / "out.html").string()}, "text");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("out.html"), std::string::npos) << r.err;

  const auto a = file("a.md", "A");
  const Result folder = run({"-o", (blocker / "site").string(), a.string(), file("b.md", "B").string()});
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("site"), std::string::npos) << folder.err;

  // A failed run leaves the earlier output whole.
  const auto target = file("keep.html", "old");
  const auto input = file("in.md", "new");
  const Result ok = run({"-o", target.string(), input.string()});
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(readFile(target), "<p>new</p>\n");
  const Result failed = run({"-o", target.string(), (dir_ / "absent.md").string()});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(readFile(target), "<p>new</p>\n");
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().filename().string().find(".keep.html."), std::string::npos);
  }
}

TEST_F(ConvertTest, TheSeedMakesMailLinksReproducible) {
  const std::string mail = "<someone.long.name@example.org>";
  const Result a = run({"--seed", "42"}, mail);
  const Result b = run({"--seed", "42"}, mail);
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.out.rfind("<p><a href=\"&#", 0), 0u) << a.out;
}

}  // namespace

namespace {

// Starts the converter with `args`, its standard input from `inputFd` (closed
// in the parent's copy by the caller) and its address space limited to
// `addressSpace` bytes when given; returns its process id.
pid_t startConverter(const std::vector<std::string>& args, int inputFd,
                     std::optional<rlim_t> addressSpace = std::nullopt) {
  std::vector<std::string> all{GLYPHMILL_CONVERT};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // A runner started in the background may ignore SIGINT; the converter keeps
    // what it inherits, so the test starts it with the default handling.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::signal(signal, SIG_DFL);
    if (addressSpace) {
      const rlimit limit{*addressSpace, *addressSpace};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    ::dup2(inputFd, STDIN_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

int exitStatusOf(pid_t pid) {
  int raw = 0;
  if (::waitpid(pid, &raw, 0) != pid) return -1;
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
}

bool hasTemporaryFile(const fs::path& folder, const std::string& prefix) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) return true;
  }
  return false;
}

}  // namespace

TEST_F(ConvertTest, AClosedOrUnreadableStandardInputIsRefused) {
  struct Row {
    const char* redirection;
    const char* reason;
  };
  const Row rows[] = {
      {"<&-", "standard input is closed"},
      {"</", "standard input: Is a directory"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.redirection);
    const Result plain = runWithInput({}, row.redirection);
    EXPECT_EQ(plain.status, 2);
    EXPECT_EQ(plain.err, std::string("glyphmill-convert: ") + row.reason + "\n");
    EXPECT_EQ(plain.out, "");
    // The output named by -o is left as it was.
    const auto target = file("out.html", "old");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-o", target.string()},
                                                 std::vector<std::string>{"-o", target.string(), "-"}}) {
      const Result r = runWithInput(args, row.redirection);
      EXPECT_EQ(r.status, 2);
      EXPECT_NE(r.err.find(row.reason), std::string::npos) << r.err;
      EXPECT_EQ(readFile(target), "old");
      EXPECT_FALSE(hasTemporaryFile(dir_, ".out.html."));
    }
  }
  // Standard input is not looked at when only files are converted.
  const Result files = runWithInput({file("a.md", "*a*").string()}, "<&-");
  EXPECT_EQ(files.status, 0);
  EXPECT_EQ(files.out, "<p><em>a</em></p>\n");
}

TEST_F(ConvertTest, AReplacedOutputKeepsItsPermissionsANewOneFollowsTheUmask) {
  struct Row {
    std::optional<fs::perms> existing;
    const char* umask;
    fs::perms expected;
  };
  using fs::perms;
  const Row rows[] = {
      {perms::owner_read | perms::owner_write, "022", perms::owner_read | perms::owner_write},
      {perms::owner_read | perms::owner_write | perms::group_read, "077",
       perms::owner_read | perms::owner_write | perms::group_read},
      {perms::owner_all | perms::group_read | perms::others_read, "077",
       perms::owner_all | perms::group_read | perms::others_read},
      {std::nullopt, "022", perms::owner_read | perms::owner_write | perms::group_read | perms::others_read},
      {std::nullopt, "077", perms::owner_read | perms::owner_write},
  };
  const auto input = file("in.md", "new");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.umask);
    const fs::path target = dir_ / "out.html";
    fs::remove(target);
    if (row.existing) {
      writeFile(target, "old");
      fs::permissions(target, *row.existing);
    }
    const Result r = runWithInput({"-o", target.string(), input.string()}, "</dev/null",
                                  std::string("umask ") + row.umask + "; ");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(target), "<p>new</p>\n");
    EXPECT_EQ(fs::status(target).permissions(), row.expected);
  }
}

// Far more than the size limit, from an endless device or through a pipe that
// is fed until the converter lets go of it: the converter stops at the limit.
// Its address space is limited to a little more than the limit needs (reading
// in place or by doubling), so reading on would fail another way.
TEST_F(ConvertTest, AnEndlessInputStopsAtTheSizeLimit) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit an address-space limit";
#endif
  constexpr rlim_t kGiB = rlim_t{1} << 30;
  const rlim_t addressSpace = kGiB + (kGiB * 3) / 4;
  struct Row {
    std::vector<std::string> args;
    bool pipe;
    const char* reason;
  };
  const std::string target = (dir_ / "out.html").string();
  const Row rows[] = {
      {{}, true, "glyphmill-convert: standard input: too large (more than 1 GiB)\n"},
      {{"-o", target}, true, "glyphmill-convert: standard input: too large (more than 1 GiB)\n"},
      {{"/dev/zero"}, false, "glyphmill-convert: /dev/zero: too large (more than 1 GiB)\n"},
      {{"-o", target, "/dev/zero"}, false, "glyphmill-convert: /dev/zero: too large (more than 1 GiB)\n"},
  };
  std::signal(SIGPIPE, SIG_IGN);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.empty() ? "-" : row.args.back());
    writeFile(target, "old");
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const int errFd = ::open((dir_ / ".stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int savedErr = ::dup(STDERR_FILENO);
    ::dup2(errFd, STDERR_FILENO);
    const pid_t pid = startConverter(row.args, ends[0], addressSpace);
    ::dup2(savedErr, STDERR_FILENO);
    ::close(savedErr);
    ::close(errFd);
    ::close(ends[0]);
    if (row.pipe) {
      const std::string zeros(1 << 16, '\0');
      std::uint64_t written = 0;
      for (;;) {
        const ssize_t n = ::write(ends[1], zeros.data(), zeros.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;  // EPIPE: the converter stopped reading
        written += static_cast<std::uint64_t>(n);
      }
      // The converter reads 1 GiB (the limit and one byte more) before it stops; the
      // pipe may or may not have taken more by then.
      EXPECT_GE(written, std::uint64_t{1} << 30);
      EXPECT_LT(written, std::uint64_t{5} << 30);
    }
    ::close(ends[1]);
    EXPECT_EQ(exitStatusOf(pid), 1);
    EXPECT_EQ(readFile(dir_ / ".stderr"), row.reason);
    EXPECT_EQ(readFile(target), "old");
  }
}

// SIGTERM, SIGINT or SIGHUP while an output is being written: the temporary
// file goes, the old output stays as it was, the status is 128 + the signal.
TEST_F(ConvertTest, ASignalDuringAWriteRemovesTheTemporaryFile) {
  std::string text;
  const std::string block = "# Title\n\nSome *text* with a [link](http://example.com/) and `code`.\n\n";
  while (text.size() < (std::size_t{64} << 20)) text += block;
  const auto input = file("big.md", text);
  std::string().swap(text);
  const fs::path folder = dir_ / "site";
  fs::create_directories(folder);
  const std::string old = "<p>the old output</p>\n";
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    const fs::path target = folder / "out.html";
    writeFile(target, old);
    const int null = ::open("/dev/null", O_RDONLY);
    const pid_t pid = startConverter({"-o", target.string(), input.string()}, null);
    ::close(null);
    // Waits (bounded) for the temporary file to appear.
    bool seen = false;
    for (int i = 0; i < 200000 && !seen; ++i) {
      seen = hasTemporaryFile(folder, ".out.html.");
      if (!seen) ::usleep(100);
    }
    EXPECT_TRUE(seen);
    ::kill(pid, signal);
    EXPECT_EQ(exitStatusOf(pid), 128 + signal);
    EXPECT_FALSE(hasTemporaryFile(folder, ".out.html."));
    EXPECT_EQ(readFile(target), old);
  }
}
