// The command line converter: options, conversion of many files in
// parallel, and output files that are replaced completely or not at all.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MarkdownProcessor.h"

namespace glyphmill::cli {

struct Options {
  TMarkdownProcessorDialect dialect = mdCommonMark;
  bool allowUnsafe = false;
  std::optional<std::uint32_t> seed;
  std::optional<std::string> output;
  std::vector<std::string> inputs;  // "-" stands for standard input
  bool page = false;                // a complete page instead of the fragment
  bool help = false;
  bool version = false;
};

// Parses the arguments (without the program name); throws std::invalid_argument
// with a one-line reason for a bad option.
Options parseOptions(const std::vector<std::string>& args);

std::string usage();

// The bytes that the inputs named by the arguments hold, standard input
// (`inputFd`) among them when it is read: known when every input is a
// regular file. An input that cannot be looked at counts nothing, and so do
// arguments that name no conversion (bad options, --help, --version).
std::optional<std::uintmax_t> inputBytes(const std::vector<std::string>& args, int inputFd);

// Runs the program, reading standard input from `inputFd`; returns the exit
// status (0 fine, 1 a file failed, 2 usage or a closed or unreadable input).
int run(const std::vector<std::string>& args, int inputFd, std::ostream& out, std::ostream& err);

// Makes SIGTERM, SIGINT and SIGHUP remove the temporary files of unfinished
// outputs and end the program with status 128 + the signal's number. A signal
// ignored at start stays ignored.
void removeTemporariesOnSignals();

// An output file that is replaced completely or not at all: the bytes go to a
// temporary file in the same folder, which commit() syncs and renames over the
// path. Failures throw std::runtime_error naming the path and the reason.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();  // removes the temporary file unless committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void write(std::string_view bytes);
  void commit();

 private:
  [[noreturn]] void fail(int code);

  std::string path_;
  std::string temporary_;
  int fd_ = -1;
  int slot_ = -1;  // where the signal handler finds temporary_
  bool committed_ = false;
};

}  // namespace glyphmill::cli
