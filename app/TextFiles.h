// Reading text files into line lists and writing files whole or not at all.
#pragma once

#include "LineList.h"

#include <QByteArray>
#include <QString>

// Reads a text file whole, its line breaks as they are in the file. A
// byte-order mark (UTF-8, UTF-16 LE or BE) decides the encoding; otherwise the
// bytes are read as UTF-8, or as Windows-1252 where they are not valid UTF-8.
// Anything but a regular file (a FIFO, a device, a socket) is refused without
// opening it, so nothing blocks.
// Throws std::runtime_error naming the file and the reason.
QString ReadTextFile(const QString& fileName);

// Reads a text file into `lines` as ReadTextFile does; `lines` is untouched
// when it throws.
void ReadTextLines(const QString& fileName, TLineList& lines);

// The size limit of the program's own small text files (languages, the code
// table, settings), which are a few KB.
inline constexpr qint64 kSmallTextLimit = 1 << 20;

// Reads a whole text file as strict UTF-8 (a byte-order mark is allowed and
// dropped). Throws std::runtime_error naming the file when it cannot be read, is
// larger than `limit` bytes or is not valid UTF-8.
QString ReadStrictUtf8Text(const QString& fileName, qint64 limit = kSmallTextLimit);

// Whose file WriteFileAtomically writes, which decides how it treats a
// symbolic link at the name and whether it waits for the disk.
enum TWriteKind {
  // A file the user chose: a link there is followed and its target replaced,
  // as editors do. Flushed to disk before it replaces the old content.
  wkUserFile,
  // A file of the program's own (the restart script): the new file replaces
  // the name itself, so a link planted there is replaced, never followed.
  // Flushed to disk.
  wkProgramFile,
  // Like wkProgramFile, for a scratch file rewritten on every refresh (the
  // preview): not flushed, a crash may lose it.
  wkScratchFile,
};

// Replaces the content of `fileName` with `bytes` through a temporary file in
// the same folder, so the file is either the new content or the old one whole.
// Throws std::runtime_error naming the file and the reason.
void WriteFileAtomically(const QString& fileName, const QByteArray& bytes,
                         TWriteKind kind = wkUserFile);

// The UTF-8 bytes of a list's whole text (CR LF after every line), without mark.
QByteArray Utf8Bytes(const TLineList& lines);
