// Pipe tables (CommonMark dialect): recognition and writing.
#pragma once

#include <string>
#include <vector>

#include "MarkdownUtils.h"

namespace glyphmill {

class TTable {
 public:
  // Pipes of L's inner region when it holds only spaces, "-", ":" and pipes,
  // else 0; the result is also stored in config.formatPipeCount.
  static int hasFormatChars(const TLine* L, TConfiguration& config);
  // Pipes of L's inner region not preceded by a backslash.
  static int ColCount(const TLine* L);
  // True when L has 1 to config.formatPipeCount unescaped inner pipes.
  static bool isRow(const TLine* L, const TConfiguration& config);
  // Splits one row text into its cells.
  static void RowSplit(const std::u16string& Input, std::vector<std::u16string>& Strings);
  // One alignment text (the end of a cell's opening tag) per column of f.
  static void AlignFormat(const std::u16string& f, std::vector<std::u16string>& sl);
  // The HTML text of the table whose header row is L.
  static std::u16string ProcTable(const TLine* L);
  // When one of the tags ProcTable writes starts at start in s, the position
  // of its ">"; otherwise -1. The tag reader copies each of them as it
  // stands, in either mode, so the inline emitter need not read them.
  static int ownTagEnd(const std::u16string& s, int start);
  // Writes the table starting at lines through the converting emitter.
  static void emitTableLines(std::u16string& out_, const TLine* lines, TEmitter& emitter);
};

}  // namespace glyphmill
