// The command line converter: options, conversion of many files in
// parallel, and output files that are replaced completely or not at all.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "MarkdownProcessor.h"

namespace glyphmill::cli {

struct Options {
  TMarkdownProcessorDialect dialect = mdCommonMark;
  bool allowUnsafe = false;
  std::optional<std::uint32_t> seed;
  std::optional<std::string> output;
  std::vector<std::string> inputs;  // "-" stands for standard input
  bool help = false;
  bool version = false;
};

// Parses the arguments (without the program name); throws std::invalid_argument
// with a one-line reason for a bad option.
Options parseOptions(const std::vector<std::string>& args);

std::string usage();

// Runs the program; returns the exit status (0 fine, 1 a file failed, 2 usage).
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err);

// Writes bytes to path through a temporary file in the same folder and a
// rename; throws std::runtime_error naming the path and the reason.
void writeFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace glyphmill::cli
