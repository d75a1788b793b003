#include "Converter.h"

#include "Page.h"
#include "StyledTables.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef GLYPHMILL_VERSION
#define GLYPHMILL_VERSION "0.0.0"
#endif

namespace glyphmill::cli {

namespace fs = std::filesystem;

namespace {

std::string lowered(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

TMarkdownProcessorDialect dialectNamed(const std::string& name) {
  const std::string key = lowered(name);
  if (key == "commonmark") return mdCommonMark;
  if (key == "txtmark") return mdTxtMark;
  if (key == "daringfireball") return mdDaringFireball;
  if (key == "github") return mdGitHub;
  throw std::invalid_argument("unknown dialect \"" + name + "\"");
}

std::uint32_t seedNamed(const std::string& text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    throw std::invalid_argument("the seed must be a whole number, not \"" + text + "\"");
  }
  try {
    const unsigned long long value = std::stoull(text);
    if (value > 0xFFFFFFFFull) throw std::out_of_range("seed");
    return static_cast<std::uint32_t>(value);
  } catch (const std::out_of_range&) {
    throw std::invalid_argument("the seed must be at most 4294967295");
  }
}

// The result of converting one input.
struct Job {
  std::string input;
  std::string target;             // output file, or "" for standard output
  std::ostream* stream = nullptr;  // standard output, written while converting
  std::string bytes;              // the input read up front (standard input)
  std::string html;               // UTF-8, kept when neither of the above
  std::string error;              // one line; empty when the job succeeded
};

// The front of a piece of HTML whose UTF-8 is made and written at a time.
// A piece can be large (a long table is one block); taken slice by slice, it
// needs no UTF-8 buffer of three bytes per code unit of its own size. A
// slice does not end between the two halves of a surrogate pair.
std::u16string_view firstSlice(std::u16string_view piece) {
  constexpr std::size_t kSliceUnits = 1 << 16;
  if (piece.size() <= kSliceUnits) return piece;
  std::size_t size = kSliceUnits;
  if ((piece[size - 1] & 0xFC00) == 0xD800) --size;  // a lead surrogate goes with its partner
  return piece.substr(0, size);
}

// Converts the bytes of one input, handing the HTML to `write` as UTF-8 a
// piece at a time. Each buffer is let go as soon as the next stage has been
// made from it, which keeps large documents affordable.
void convertBytes(std::string bytes, const Options& options,
                  const std::function<void(std::string_view)>& write) {
  auto processor = TMarkdownProcessor::CreateDialect(options.dialect);
  processor->SetAllowUnsafe(options.allowUnsafe);
  if (options.seed) processor->config().SetRandomSeed(*options.seed);
  std::u16string text = decodeText(bytes);
  std::string().swap(bytes);
  std::string utf8;  // one buffer for every slice
  processor->ProcessTo(std::move(text), [&](std::u16string_view piece) {
    while (!piece.empty()) {
      const std::u16string_view slice = firstSlice(piece);
      write(std::string_view(utf8.data(), toUtf8(slice, utf8)));
      piece.remove_prefix(slice.size());
    }
  });
}

// The complete page around the HTML of `input`: its tables styled, its lines
// ending with CR LF, its local images inside, titled by its first headline or
// its file name, as the window's "Export HTML Page..." writes it.
std::string pageFor(const std::string& html, const std::string& input) {
  std::string styled;
  const bool changed = page::StyleTables(std::string_view(html), styled);
  const std::string lines = page::WithCrLf(changed ? styled : html);
  const bool standardInput = input == "-";
  const std::string folder =
      standardInput ? fs::current_path().string() : fs::absolute(fs::path(input)).parent_path().string();
  const std::string fragment = page::EmbedLocalImages(lines, folder);
  page::TPageParts parts;
  parts.Title = page::PageTitle(fragment, standardInput ? std::string() : input);
  return page::BuildPage(fragment, parts);
}

std::string outputNameFor(const std::string& input) {
  if (input == "-") return "stdin.html";
  return fs::path(input).stem().string() + ".html";
}

// Decides where each input's HTML goes.
std::vector<Job> planJobs(const Options& options) {
  std::vector<Job> jobs;
  std::vector<std::string> inputs = options.inputs;
  if (inputs.empty()) inputs.push_back("-");
  const bool intoFolder = options.output && (inputs.size() > 1 || options.output->back() == '/' ||
                                             fs::is_directory(*options.output));
  std::map<std::string, std::string> claimed;
  for (const std::string& input : inputs) {
    Job job;
    job.input = input;
    if (intoFolder) {
      job.target = (fs::path(*options.output) / outputNameFor(input)).string();
      auto [it, fresh] = claimed.emplace(job.target, input);
      if (!fresh) {
        throw std::invalid_argument("\"" + it->second + "\" and \"" + input +
                                    "\" would both be written to " + job.target);
      }
    } else if (options.output) {
      job.target = *options.output;
    }
    jobs.push_back(std::move(job));
  }
  return jobs;
}

// Standard input that cannot be converted, and the exit status it gives.
struct StandardInputError {
  std::string message;
  int status;
};

// The bytes left in a regular file from where it stands, otherwise 0.
std::size_t knownSize(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  const off_t here = ::lseek(fd, 0, SEEK_CUR);
  if (here < 0 || status.st_size <= here) return 0;
  return static_cast<std::size_t>(status.st_size - here);
}

// Fills `piece` from fd as far as it goes; returns false at the input's end.
bool fillPiece(int fd, std::string& piece) {
  std::size_t filled = 0;
  bool more = true;
  while (filled < piece.size()) {
    const ssize_t got = ::read(fd, piece.data() + filled, piece.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw StandardInputError{std::string("standard input: ") + std::strerror(errno), 2};
    if (got == 0) {
      more = false;
      break;
    }
    filled += static_cast<std::size_t>(got);
  }
  piece.resize(filled);
  return more;
}

// Reads standard input once, before the workers start, and stops as soon as
// it passes the size limit (an endless pipe too). A file of known size is read
// into one buffer of that size (and one byte more, to see its end), however
// small; otherwise pieces are joined at their exact size: a buffer grown by
// doubling could hold twice the input for the whole conversion.
std::string readAll(int fd) {
  if (::fcntl(fd, F_GETFL) == -1) throw StandardInputError{"standard input is closed", 2};
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  const std::size_t known = knownSize(fd);
  std::size_t pieceSize = known > 0 ? std::min(known + 1, kMaxTextBytes + 1) : kPiece;
  std::vector<std::string> pieces;
  std::size_t total = 0;
  for (bool more = true; more; pieceSize = kPiece) {
    std::string piece(pieceSize, '\0');
    more = fillPiece(fd, piece);
    total += piece.size();
    if (total > kMaxTextBytes) {
      throw StandardInputError{"standard input: " + tooLargeMessage(kMaxTextBytes), 1};
    }
    pieces.push_back(std::move(piece));
  }
  if (pieces.size() == 1) return std::move(pieces.front());
  std::string all;
  all.reserve(total);
  for (std::string& piece : pieces) {
    all += piece;
    std::string().swap(piece);
  }
  return all;
}

// Gives the jobs that read standard input its bytes: the only such job takes
// them over, several share copies.
void handOutStandardInput(std::vector<Job>& jobs, int inputFd) {
  std::vector<Job*> readers;
  for (Job& job : jobs) {
    if (job.input == "-") readers.push_back(&job);
  }
  if (readers.empty()) return;
  std::string standardInput = readAll(inputFd);
  for (std::size_t i = 1; i < readers.size(); ++i) readers[i]->bytes = standardInput;
  readers.front()->bytes = std::move(standardInput);
}

void convertJob(Job& job, const Options& options) {
  try {
    std::string bytes = job.input == "-" ? std::move(job.bytes) : readFileBytes(job.input);
    if (options.page) {
      std::string html;
      convertBytes(std::move(bytes), options, [&](std::string_view piece) { html += piece; });
      std::string whole = pageFor(html, job.input);
      std::string().swap(html);
      if (!job.target.empty()) {
        AtomicFile file(job.target);
        file.write(whole);
        file.commit();
      } else if (job.stream != nullptr) {
        *job.stream << whole;
      } else {
        job.html = std::move(whole);
      }
      return;
    }
    if (!job.target.empty()) {
      AtomicFile file(job.target);
      convertBytes(std::move(bytes), options, [&](std::string_view piece) { file.write(piece); });
      file.commit();
    } else if (job.stream != nullptr) {
      convertBytes(std::move(bytes), options, [&](std::string_view piece) { *job.stream << piece; });
    } else {
      convertBytes(std::move(bytes), options, [&](std::string_view piece) { job.html += piece; });
    }
  } catch (const std::exception& error) {
    job.error = error.what();
  }
}

// Converts every job, on as many threads as there are cores.
void convertAll(std::vector<Job>& jobs, const Options& options) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::min<std::size_t>(cores, jobs.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < jobs.size(); i = next++) convertJob(jobs[i], options);
  };
  std::vector<std::thread> threads;
  for (std::size_t i = 1; i < workers; ++i) threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
}

// The temporary files of unfinished outputs, where a signal handler can find
// them: a slot is free (0), being filled (1) or holds a path (2).
struct TemporarySlot {
  std::atomic<int> state{0};
  char path[PATH_MAX];
};
TemporarySlot temporaries[64];

int registerTemporary(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < static_cast<int>(std::size(temporaries)); ++i) {
    int expected = 0;
    if (!temporaries[i].state.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(temporaries[i].path, path.c_str(), path.size() + 1);
    temporaries[i].state.store(2);
    return i;
  }
  return -1;
}

void unregisterTemporary(int slot) {
  if (slot >= 0) temporaries[slot].state.store(0);
}

// Holds back the stopping signals in this thread while a temporary file is
// created and recorded, so that a signal never finds it created but unrecorded.
class TStopSignalsHeld {
 public:
  TStopSignalsHeld() {
    sigset_t stopping;
    sigemptyset(&stopping);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stopping, signal);
    ::pthread_sigmask(SIG_BLOCK, &stopping, &previous_);
  }
  ~TStopSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  TStopSignalsHeld(const TStopSignalsHeld&) = delete;
  TStopSignalsHeld& operator=(const TStopSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

// Only async-signal-safe calls: unlink and _exit.
extern "C" void removeTemporariesAndExit(int signal) {
  for (TemporarySlot& slot : temporaries) {
    if (slot.state.load() == 2) ::unlink(slot.path);
  }
  ::_exit(128 + signal);
}

}  // namespace

void removeTemporariesOnSignals() {
  struct sigaction action {};
  action.sa_handler = removeTemporariesAndExit;
  sigemptyset(&action.sa_mask);
  const int signals[] = {SIGTERM, SIGINT, SIGHUP};
  for (int signal : signals) sigaddset(&action.sa_mask, signal);
  for (int signal : signals) {
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
}

std::string usage() {
  return "Usage: glyphmill-convert [OPTIONS] [FILE...]\n"
         "Converts Markdown to HTML. No FILE, or \"-\", reads standard input.\n"
         "\n"
         "  -d, --dialect NAME   commonmark (default), txtmark, daringfireball or github\n"
         "      --allow-unsafe   keep raw HTML as written (safe mode is on by default)\n"
         "      --seed N         seed the random choice of e-mail character references\n"
         "      --page           write a complete page (title, character set, stylesheet,\n"
         "                       local images inside) instead of the HTML fragment\n"
         "  -o, --output PATH    write to PATH instead of standard output; with several\n"
         "                       FILEs, PATH is a folder and each input gives NAME.html\n"
         "  -h, --help           show this help\n"
         "      --version        show the program's name and version\n";
}

Options parseOptions(const std::vector<std::string>& args) {
  Options options;
  bool onlyFiles = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (onlyFiles || arg == "-" || arg.empty() || arg[0] != '-') {
      options.inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyFiles = true;
      continue;
    }
    std::optional<std::string> attached;
    if (arg.rfind("--", 0) == 0) {
      const auto equals = arg.find('=');
      if (equals != std::string::npos) {
        attached = arg.substr(equals + 1);
        arg = arg.substr(0, equals);
      }
    }
    auto value = [&]() -> std::string {
      if (attached) return *attached;
      if (i + 1 >= args.size()) throw std::invalid_argument(arg + " needs a value");
      return args[++i];
    };
    auto noValue = [&] {
      if (attached) throw std::invalid_argument(arg + " takes no value");
    };
    if (arg == "-d" || arg == "--dialect") {
      options.dialect = dialectNamed(value());
    } else if (arg == "--allow-unsafe") {
      noValue();
      options.allowUnsafe = true;
    } else if (arg == "--page") {
      noValue();
      options.page = true;
    } else if (arg == "--seed") {
      options.seed = seedNamed(value());
    } else if (arg == "-o" || arg == "--output") {
      options.output = value();
      if (options.output->empty()) throw std::invalid_argument(arg + " needs a path");
    } else if (arg == "-h" || arg == "--help") {
      noValue();
      options.help = true;
    } else if (arg == "--version") {
      noValue();
      options.version = true;
    } else {
      throw std::invalid_argument("unknown option " + arg);
    }
  }
  return options;
}

std::optional<std::uintmax_t> inputBytes(const std::vector<std::string>& args, int inputFd) {
  Options options;
  try {
    options = parseOptions(args);
  } catch (const std::invalid_argument&) {
    return 0;
  }
  if (options.help || options.version) return 0;
  std::vector<std::string> inputs = options.inputs;
  if (inputs.empty()) inputs.push_back("-");
  std::uintmax_t total = 0;
  for (const std::string& input : inputs) {
    struct stat info {};
    const int status = input == "-" ? ::fstat(inputFd, &info) : ::stat(input.c_str(), &info);
    if (status != 0) continue;                      // reported when it is converted
    if (!S_ISREG(info.st_mode)) return std::nullopt;  // a pipe, say: read to its end
    total += static_cast<std::uintmax_t>(info.st_size);
  }
  return total;
}

int run(const std::vector<std::string>& args, int inputFd, std::ostream& out, std::ostream& err) {
  Options options;
  std::vector<Job> jobs;
  try {
    options = parseOptions(args);
    if (options.help) {
      out << usage();
      return 0;
    }
    if (options.version) {
      out << "glyphmill-convert " << GLYPHMILL_VERSION << "\n";
      return 0;
    }
    jobs = planJobs(options);
  } catch (const std::invalid_argument& error) {
    err << "glyphmill-convert: " << error.what() << "\n" << usage();
    return 2;
  }

  if (options.output && (jobs.size() > 1 || options.output->back() == '/')) {
    std::error_code error;
    fs::create_directories(*options.output, error);
    if (error) {
      err << "glyphmill-convert: " << *options.output << ": " << error.message() << "\n";
      return 1;
    }
  }

  // Nothing is converted, and no output replaced, without standard input.
  try {
    handOutStandardInput(jobs, inputFd);
  } catch (const StandardInputError& error) {
    err << "glyphmill-convert: " << error.message << "\n";
    return error.status;
  }
  // A single result for standard output is written while it is being made.
  if (jobs.size() == 1 && jobs.front().target.empty()) jobs.front().stream = &out;
  convertAll(jobs, options);

  int status = 0;
  for (const Job& job : jobs) {
    if (!job.error.empty()) {
      err << "glyphmill-convert: " << job.error << "\n";
      status = 1;
    } else if (job.target.empty() && job.stream == nullptr) {
      out << job.html;
    }
  }
  out.flush();
  if (!out) {
    err << "glyphmill-convert: cannot write to standard output\n";
    status = 1;
  }
  return status;
}

namespace {

// The permissions of the file a new output replaces, so a private file stays
// private; a new file gets those an ordinary create would give it. The mask is
// read once: umask can only be read by setting it, which must not race with
// other workers.
mode_t modeFor(const std::string& path) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) return existing.st_mode & 0777;
  static const mode_t mask = [] {
    const mode_t current = ::umask(0);
    ::umask(current);
    return current;
  }();
  return 0666 & ~mask;
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  const fs::path target(path_);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  temporary_ = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  {
    const TStopSignalsHeld held;
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ >= 0) slot_ = registerTemporary(temporary_);
  }
  if (fd_ < 0) throw std::runtime_error(path_ + ": " + std::strerror(errno));
  if (::fchmod(fd_, modeFor(path_)) != 0) fail(errno);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temporary_.c_str());
  unregisterTemporary(slot_);
}

void AtomicFile::write(std::string_view bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd_, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

void AtomicFile::commit() {
  if (::fsync(fd_) != 0) fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail(errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) fail(errno);
  committed_ = true;
  unregisterTemporary(slot_);
  slot_ = -1;
}

void AtomicFile::fail(int code) {
  throw std::runtime_error(path_ + ": " + std::strerror(code));
}

}  // namespace glyphmill::cli
