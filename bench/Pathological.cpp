// Prints, for each pathological pattern, the seconds glyphmill takes to
// convert it at n = 10,000 and n = 100,000 repetitions and the growth between
// the two; with the peers linked in, cmark's and md4c's seconds on the same
// text at n = 100,000, glyphmill's ratio to cmark, and its cost per byte
// against real Markdown. A pattern is marked when it misses a goal:
//   growth  its time grows much faster than its size from n = 10,000 to
//           n = 100,000 (time ratio over size ratio above 1.2),
//   cmark   it is slower than cmark on the same text,
//   bytes   a byte of it costs more than 5 bytes of real text.
// Each time is the whole job from UTF-8 to UTF-8, the best of several runs,
// each from cold caches.
// Usage: see USAGE below (printed by --help).
#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "MarkdownProcessor.h"
#include "PathologicalInputs.h"
#include "RandomDocuments.h"

#ifdef GLYPHMILL_BENCH_PEERS
#include <cmark.h>
#include <md4c-html.h>
#endif

namespace {

using glyphmill::TMarkdownProcessor;
namespace fs = std::filesystem;

constexpr int kSmall = 10000;
constexpr int kLarge = 100000;
constexpr double kGrowthLimit = 1.2;
constexpr double kPerByteLimit = 5;

// Pushes the caches' contents out to memory, so that every timed conversion
// starts as a single conversion in an application does: with its data cold.
void evictCaches() {
  static std::vector<char> sweep(std::size_t{64} << 20);
  volatile char sink = 0;
  for (std::size_t i = 0; i < sweep.size(); i += 64) {
    sweep[i] = static_cast<char>(sweep[i] + 1);
    sink = sweep[i];
  }
  (void)sink;
}

// The best of `runs` calls of convert, each from cold caches.
template <typename Convert>
double bestSeconds(int runs, const Convert& convert) {
  double best = 1e9;
  for (int run = 0; run < runs; ++run) {
    evictCaches();
    const auto start = std::chrono::steady_clock::now();
    const std::size_t written = convert();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count());
    if (written == 0) std::fprintf(stderr, "empty output\n");
  }
  return best;
}

// glyphmill as glyphmill-convert runs it: decode, convert, encode.
std::size_t convertWithGlyphmill(const std::string& bytes, glyphmill::TMarkdownProcessorDialect dialect,
                                 bool allowUnsafe) {
  auto processor = TMarkdownProcessor::CreateDialect(dialect);
  processor->SetAllowUnsafe(allowUnsafe);
  std::u16string html = processor->Process(glyphmill::fromUtf8(bytes));
  std::string utf8;
  return glyphmill::toUtf8(html, utf8);
}

#ifdef GLYPHMILL_BENCH_PEERS
std::size_t convertWithCmark(const std::string& bytes) {
  char* html = cmark_markdown_to_html(bytes.data(), bytes.size(), CMARK_OPT_UNSAFE);
  const std::size_t written = std::strlen(html);
  std::free(html);
  return written;
}

void appendPiece(const MD_CHAR* text, MD_SIZE size, void* html) {
  static_cast<std::string*>(html)->append(text, size);
}

std::size_t convertWithMd4c(const std::string& bytes) {
  std::string html;
  md_html(bytes.data(), static_cast<MD_SIZE>(bytes.size()), appendPiece, &html, MD_DIALECT_COMMONMARK, 0);
  return html.size();
}
#endif

// Markdown files found on this machine, whole, in a fixed order, until about
// 8 MB are together (the corpus bench/throughput.sh measures).
std::string realTextOfThisMachine() {
  std::vector<std::string> files;
  for (const char* root : {"/usr/share/doc", "/usr/lib/node_modules", "/usr/local/lib/node_modules"}) {
    std::error_code error;
    if (!fs::is_directory(root, error)) continue;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
         it != end; it.increment(error)) {
      if (error) break;
      if (it->is_symlink() || !it->is_regular_file()) continue;
      const std::string extension = it->path().extension().string();
      if (extension == ".md" || extension == ".markdown") files.push_back(it->path().string());
    }
  }
  std::sort(files.begin(), files.end());
  std::string text;
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    text += '\n';
    if (text.size() >= (std::size_t{8} << 20)) break;
  }
  return text;
}

std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", name.c_str());
    std::exit(2);
  }
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The `number`-th pattern's name as a file name: its number first (names
// that differ only in punctuation would give the same file), then the
// letters and digits of its name, the rest "_".
std::string fileNameOf(int number, const std::string& name) {
  std::string file = std::to_string(1000 + number).substr(1) + "-";
  for (char c : name) file += (std::isalnum(static_cast<unsigned char>(c)) != 0) ? c : '_';
  return file + ".md";
}

struct Options {
  glyphmill::TMarkdownProcessorDialect dialect = glyphmill::mdCommonMark;
  std::string filter;
  std::string realFile;
  std::string writeFolder;
  int writeN = kLarge;
  int randomDocuments = 0;
  int runs = 5;
  bool allowUnsafe = false;  // glyphmill keeps raw HTML as written, as cmark --unsafe does
  bool help = false;
  std::string badOption;  // the first word taken for an option that is none
};

int writeInputs(const Options& options) {
  const fs::path folder = options.writeFolder;
  fs::create_directories(folder);
  int number = 0;
  for (const auto& pattern : glyphmill::bench::pathologicalPatterns()) {
    ++number;
    if (!options.filter.empty() && pattern.name.find(options.filter) == std::string::npos) continue;
    std::ofstream(folder / fileNameOf(number, pattern.name), std::ios::binary) << pattern.make(options.writeN);
  }
  for (int i = 0; i < options.randomDocuments; ++i) {
    std::ofstream(folder / ("random-" + std::to_string(i) + ".md"), std::ios::binary)
        << glyphmill::bench::randomDocument(static_cast<std::uint32_t>(i));
  }
  return 0;
}

constexpr const char* USAGE =
    "Usage: glyphmill-pathological [options] [dialect] [pattern-substring]\n"
    "  dialect       commonmark (default), txtmark or daringfireball\n"
    "  --real FILE   the real text (default: Markdown files found on this machine)\n"
    "  --runs N      runs per measurement (default 5)\n"
    "  --unsafe      glyphmill keeps raw HTML as written, as cmark and md4c here do\n"
    "                (default: glyphmill in safe mode)\n"
    "  --write DIR   writes each pattern's text at n = 100,000 to DIR and stops\n"
    "  --n N         with --write: at n = N instead\n"
    "  --random K    with --write: also K random documents\n"
    "  --help        prints this and stops\n";

// A word starting with "--" that is no known option (or one that lacks its
// value) is a mistake, not a pattern to look for.
bool isOptionWord(const std::string& arg) { return arg.rfind("--", 0) == 0; }

Options readOptions(int argc, char** argv) {
  Options options;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--real" && i + 1 < argc) {
      options.realFile = argv[++i];
    } else if (arg == "--runs" && i + 1 < argc) {
      options.runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--write" && i + 1 < argc) {
      options.writeFolder = argv[++i];
    } else if (arg == "--n" && i + 1 < argc) {
      options.writeN = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--random" && i + 1 < argc) {
      options.randomDocuments = std::max(0, std::atoi(argv[++i]));
    } else if (arg == "--unsafe") {
      options.allowUnsafe = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (isOptionWord(arg)) {
      if (options.badOption.empty()) options.badOption = arg;
    } else {
      words.push_back(arg);
    }
  }
  if (!words.empty()) {
    if (words[0] == "txtmark") options.dialect = glyphmill::mdTxtMark;
    if (words[0] == "daringfireball") options.dialect = glyphmill::mdDaringFireball;
  }
  if (words.size() > 1) options.filter = words[1];
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  // Keep freed memory in the heap between runs: otherwise every large buffer
  // of the bigger inputs is a fresh mapping, and the page faults of mapping
  // it, not the conversion, would set their time.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  const Options options = readOptions(argc, argv);
  if (options.help) {
    std::fputs(USAGE, stdout);
    return 0;
  }
  if (!options.badOption.empty()) {
    std::fprintf(stderr, "unknown option or missing value: %s\n%s", options.badOption.c_str(), USAGE);
    return 2;
  }
  if (!options.writeFolder.empty()) return writeInputs(options);
  const auto glyphmillSeconds = [&](const std::string& bytes) {
    return bestSeconds(options.runs,
                       [&] { return convertWithGlyphmill(bytes, options.dialect, options.allowUnsafe); });
  };

  const std::string real = options.realFile.empty() ? realTextOfThisMachine() : readFile(options.realFile);
  const double realSeconds = glyphmillSeconds(real);
  const double realPerByte = realSeconds / static_cast<double>(std::max<std::size_t>(real.size(), 1));
  std::printf("glyphmill in %s mode\n", options.allowUnsafe ? "unsafe" : "safe");
  std::printf("real text: %.2f MB in %.4f s (%.1f MB/s)", static_cast<double>(real.size()) / 1048576,
              realSeconds, static_cast<double>(real.size()) / 1048576 / realSeconds);
#ifdef GLYPHMILL_BENCH_PEERS
  const double realCmark = bestSeconds(options.runs, [&] { return convertWithCmark(real); });
  const double realMd4c = bestSeconds(options.runs, [&] { return convertWithMd4c(real); });
  std::printf("; cmark %.4f s, md4c %.4f s", realCmark, realMd4c);
#endif
  std::printf("\n\n%-30s %8s %9s %9s %6s %9s %9s %8s %8s  %s\n", "pattern", "MB", "n=10000", "n=100000",
              "growth", "cmark", "md4c", "/cmark", "/real", "over goal");
  int failures = 0;
  for (const auto& pattern : glyphmill::bench::pathologicalPatterns()) {
    if (!options.filter.empty() && pattern.name.find(options.filter) == std::string::npos) continue;
    const std::string large = pattern.make(kLarge);
    const std::string small = pattern.make(kSmall);
    const double smallSeconds = glyphmillSeconds(small);
    const double largeSeconds = glyphmillSeconds(large);
    const double growth = largeSeconds / std::max(smallSeconds, 1e-6) /
                          (static_cast<double>(large.size()) / static_cast<double>(std::max<std::size_t>(small.size(), 1)));
    const double perByte =
        largeSeconds / static_cast<double>(std::max<std::size_t>(large.size(), 1)) / realPerByte;
    std::string over;
    if (growth > kGrowthLimit && largeSeconds > 0.005) over += " growth";
    if (perByte > kPerByteLimit) over += " bytes";
    double cmarkSeconds = 0;
    double md4cSeconds = 0;
#ifdef GLYPHMILL_BENCH_PEERS
    cmarkSeconds = bestSeconds(options.runs, [&] { return convertWithCmark(large); });
    md4cSeconds = bestSeconds(options.runs, [&] { return convertWithMd4c(large); });
    if (largeSeconds > cmarkSeconds) over += " cmark";
#endif
    if (!over.empty()) ++failures;
    std::printf("%-30s %8.3f %8.4fs %8.4fs %6.2f %8.4fs %8.4fs %7.2fx %7.1fx %s\n", pattern.name.c_str(),
                static_cast<double>(large.size()) / 1048576, smallSeconds, largeSeconds, growth, cmarkSeconds,
                md4cSeconds, largeSeconds / std::max(cmarkSeconds, 1e-9), perByte, over.c_str());
    std::fflush(stdout);
  }
  std::printf("\n/cmark: glyphmill's time over cmark's (goal: at most 1)\n");
  std::printf("/real: glyphmill's time per byte over its time per byte of real text (goal: at most %.0f)\n",
              kPerByteLimit);
  std::printf("growth: time ratio over size ratio from n=10000 to n=100000 (goal: at most %.1f)\n",
              kGrowthLimit);
  std::printf("%d pattern(s) over a goal\n", failures);
  return failures == 0 ? 0 : 1;
}
