#include "TextFiles.h"

#include "MarkdownProcessor.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

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

QString ReadStrictUtf8Text(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) fail(fileName, file.errorString());
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(file.readAll());
  if (decoder.hasError()) fail(fileName, QStringLiteral("the file is not valid UTF-8"));
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
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
