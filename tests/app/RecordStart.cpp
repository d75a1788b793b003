// A stand-in program for restart tests: appends its working folder to the file
// named by GLYPHMILL_RECORD_FILE, so that a test sees that it was started.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main() {
  const char* record = std::getenv("GLYPHMILL_RECORD_FILE");
  if (record == nullptr) return 2;
  char folder[4096] = {};
  if (getcwd(folder, sizeof folder) == nullptr) return 3;
  std::FILE* file = std::fopen(record, "a");
  if (file == nullptr) return 4;
  std::fprintf(file, "%s\n", folder);
  std::fclose(file);
  return 0;
}
