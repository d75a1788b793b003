// The preview's private file: "temp.html" in a folder of its own (mode 0700)
// under the user's runtime folder, one per window, gone with the window.
#pragma once

#include <QString>
#include <QUrl>

class TPreviewFile {
 public:
  TPreviewFile() = default;
  // Removes the file and its folder.
  ~TPreviewFile();
  TPreviewFile(const TPreviewFile&) = delete;
  TPreviewFile& operator=(const TPreviewFile&) = delete;

  // Writes the page: UTF-8 with a byte-order mark, a head whose base address is
  // `baseFolder` (so relative images and links resolve there), then `html`.
  // Makes the folder on first use. Throws std::runtime_error naming the file.
  void Write(const QString& html, const QString& baseFolder);
  // Writes a complete page (which names its own base address), UTF-8 with a
  // byte-order mark. Throws std::runtime_error naming the file.
  void WritePage(const QByteArray& page);

  // The file's path; empty until the first Write.
  const QString& FileName() const { return FFileName; }

 private:
  void CreateFolder();

  QString FFolder;
  QString FFileName;
};

// The folder that private folders go in: the user's runtime folder
// (XDG_RUNTIME_DIR), or the temporary folder when there is none; empty when
// neither can be used.
QString PrivateFilesRoot();

// The file address of `folder`, ending with "/": a page's base address.
QUrl BaseAddress(const QString& folder);

// The base element that makes `folder` the base address of a page.
QString BaseElement(const QString& folder);

// A head holding only BaseElement(folder).
QString BaseHead(const QString& folder);

// The page TPreviewFile::Write writes (without its byte-order mark).
QByteArray PlainPreviewPage(const QString& html, const QString& baseFolder);
