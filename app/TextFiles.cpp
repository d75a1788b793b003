#include "TextFiles.h"

#include "MarkdownProcessor.h"

#include <QFile>
#include <QSaveFile>

#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void fail(const QString& fileName, const QString& reason) {
  throw std::runtime_error((fileName + QStringLiteral(": ") + reason).toStdString());
}

}  // namespace

void ReadTextLines(const QString& fileName, TLineList& lines) {
  std::u16string text;
  try {
    // The engine's reader and decoder, the same rules as glyphmill-convert.
    text = glyphmill::decodeText(glyphmill::readFileBytes(QFile::encodeName(fileName).toStdString()));
  } catch (const std::runtime_error& error) {
    const QString reason = QString::fromUtf8(error.what());
    const QString prefix = fileName + QStringLiteral(": ");
    // The engine's own messages begin with the file name already.
    fail(fileName, reason.startsWith(prefix) ? reason.mid(prefix.size()) : reason);
  }
  lines.SetText(QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size())));
}

void WriteFileAtomically(const QString& fileName, const QByteArray& bytes) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) fail(fileName, file.errorString());
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    fail(fileName, reason);
  }
  if (!file.commit()) fail(fileName, file.errorString());
}

QByteArray Utf8Bytes(const TLineList& lines) { return lines.Text().toUtf8(); }
