#include "PreviewFile.h"

#include "TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <unistd.h>

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

// XDG_RUNTIME_DIR is used only when it is a folder of the user's own that
// nobody else may enter, as the desktop makes it.
bool isUsableRuntimeFolder(const QString& folder) {
  const QFileInfo info(folder);
  if (folder.isEmpty() || !info.isAbsolute() || info.isSymLink() || !info.isDir()) return false;
  const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                    QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
  return info.ownerId() == ::geteuid() && (info.permissions() & others) == 0;
}

}  // namespace

QString PrivateFilesRoot() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (isUsableRuntimeFolder(runtime)) return runtime;
  return QDir::tempPath();  // empty when TMPDIR names no folder
}

QUrl BaseAddress(const QString& folder) {
  QString path = QDir(folder).absolutePath();
  if (!path.endsWith(u'/')) path += u'/';
  return QUrl::fromLocalFile(path);
}

QString BaseElement(const QString& folder) {
  const QString address = BaseAddress(folder).toString(QUrl::FullyEncoded);
  return QStringLiteral("<base href=\"%1\">").arg(address.toHtmlEscaped());
}

QString BaseHead(const QString& folder) {
  return QStringLiteral("<head>") + BaseElement(folder) + QStringLiteral("</head>\r\n");
}

QByteArray PlainPreviewPage(const QString& html, const QString& baseFolder) {
  return (BaseHead(baseFolder) + html).toUtf8();
}

TPreviewFile::~TPreviewFile() {
  if (FFolder.isEmpty()) return;
  QFile::remove(FFileName);
  QDir().rmdir(FFolder);
}

// mkdtemp makes the folder afresh with mode 0700: nobody else can put a file
// or a link into it.
void TPreviewFile::CreateFolder() {
  const QString root = PrivateFilesRoot();
  if (root.isEmpty()) {
    throw std::runtime_error(
        "The preview has no folder to go in: neither the runtime folder (XDG_RUNTIME_DIR) nor "
        "the temporary folder (TMPDIR) can be used.");
  }
  QByteArray folder = QFile::encodeName(root + QStringLiteral("/glyphmill-preview-XXXXXX"));
  if (::mkdtemp(folder.data()) == nullptr) {
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    throw std::runtime_error(
        (QFile::decodeName(folder) + QStringLiteral(": ") + reason).toStdString());
  }
  FFolder = QFile::decodeName(folder);
  FFileName = FFolder + QStringLiteral("/temp.html");
}

void TPreviewFile::Write(const QString& html, const QString& baseFolder) {
  WritePage(PlainPreviewPage(html, baseFolder));
}

void TPreviewFile::WritePage(const QByteArray& page) {
  if (FFolder.isEmpty()) CreateFolder();
  WriteFileAtomically(FFileName, kUtf8Mark + page, wkScratchFile);
}
