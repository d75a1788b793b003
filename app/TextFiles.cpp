#include "TextFiles.h"

#include "MarkdownProcessor.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QStringDecoder>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void fail(const QString& fileName, const QString& reason) {
  throw std::runtime_error((fileName + QStringLiteral(": ") + reason).toStdString());
}

// Refuses a FIFO, device or socket: opening a FIFO without a writer would
// block, and a device may never end. Names that cannot be examined are left
// to the reader, which reports why.
void refuseSpecialFile(const QString& fileName, const std::string& nativeName) {
  struct stat status {};
  if (::stat(nativeName.c_str(), &status) != 0) return;
  if (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) return;
  fail(fileName, QStringLiteral("not a regular file"));
}

// Why a write stopped short. A write that got some bytes out before the system
// refused the rest (no space left, file too large) carries no reason of its
// own, so the system's error of the refused write is named.
QString shortWriteReason(const QSaveFile& file, int systemError) {
  if (file.error() != QFileDevice::NoError) return file.errorString();
  if (systemError != 0) return QString::fromLocal8Bit(std::strerror(systemError));
  return QStringLiteral("the file could not be written whole");
}

}  // namespace

QString ReadTextFile(const QString& fileName) {
  const std::string nativeName = QFile::encodeName(fileName).toStdString();
  refuseSpecialFile(fileName, nativeName);
  std::u16string text;
  try {
    // The engine's reader and decoder, the same rules as glyphmill-convert.
    text = glyphmill::decodeText(glyphmill::readFileBytes(nativeName));
  } catch (const std::runtime_error& error) {
    const QString reason = QString::fromUtf8(error.what());
    const QString prefix = fileName + QStringLiteral(": ");
    // The engine's own messages begin with the file name already.
    fail(fileName, reason.startsWith(prefix) ? reason.mid(prefix.size()) : reason);
  }
  return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

void ReadTextLines(const QString& fileName, TLineList& lines) { lines.SetText(ReadTextFile(fileName)); }

QString ReadStrictUtf8Text(const QString& fileName, qint64 limit) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) fail(fileName, file.errorString());
  // One byte past the limit tells a file that is too large.
  QByteArray bytes;
  while (bytes.size() <= limit) {
    const QByteArray piece = file.read(limit + 1 - bytes.size());
    if (piece.isEmpty()) break;
    bytes += piece;
  }
  if (file.error() != QFileDevice::NoError) fail(fileName, file.errorString());
  if (bytes.size() > limit) fail(fileName, QString::fromStdString(glyphmill::tooLargeMessage(std::size_t(limit))));
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) fail(fileName, QStringLiteral("the file is not valid UTF-8"));
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

namespace {

// The user's file through QSaveFile, which follows a link to its target and
// keeps the target's permissions.
void writeUserFile(const QString& fileName, const QByteArray& bytes) {
  QSaveFile file(fileName);
  // Unbuffered, so that a full disk or a file-size limit shows in the write
  // itself, where the system's reason is still known.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) fail(fileName, file.errorString());
  errno = 0;
  const qint64 written = file.write(bytes);
  const int writeError = errno;
  if (written != bytes.size()) {
    const QString reason = shortWriteReason(file, writeError);
    file.cancelWriting();
    fail(fileName, reason);
  }
  if (!file.commit()) fail(fileName, file.errorString());
}

// The program's own file: a new file made exclusively (mode 0600) beside the
// name, then renamed over the name. rename() replaces whatever the name is,
// a symbolic link included, and never opens what a link points to.
void writeProgramFile(const QString& fileName, const QByteArray& bytes, bool flush) {
  const QFileInfo info(fileName);
  QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                      QStringLiteral(".XXXXXX"));
  if (!file.open()) fail(fileName, file.errorString());
  if (file.write(bytes) != bytes.size() || !file.flush()) fail(fileName, file.errorString());
  if (flush && ::fsync(file.handle()) != 0) fail(fileName, QString::fromLocal8Bit(std::strerror(errno)));
  const QByteArray from = QFile::encodeName(file.fileName());
  const QByteArray to = QFile::encodeName(fileName);
  if (::rename(from.constData(), to.constData()) != 0) {
    fail(fileName, QString::fromLocal8Bit(std::strerror(errno)));
  }
  file.setAutoRemove(false);  // it has become `fileName`
}

}  // namespace

void WriteFileAtomically(const QString& fileName, const QByteArray& bytes, TWriteKind kind) {
  switch (kind) {
    case wkUserFile:
      writeUserFile(fileName, bytes);
      return;
    case wkProgramFile:
      writeProgramFile(fileName, bytes, true);
      return;
    case wkScratchFile:
      writeProgramFile(fileName, bytes, false);
      return;
  }
}

QByteArray Utf8Bytes(const TLineList& lines) { return lines.Text().toUtf8(); }
