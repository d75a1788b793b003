#include <iostream>
#include <string>
#include <vector>

#include "Converter.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return glyphmill::cli::run(args, std::cin, std::cout, std::cerr);
}
