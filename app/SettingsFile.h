// An in-memory ini settings object ("[section]" lines and "key=value" lines).
#pragma once

#include <QMap>
#include <QString>

#include <memory>

class TMemIniFile {
 public:
  // Reads `fileName` when it exists, decoded as strict UTF-8. Throws
  // std::runtime_error when the file cannot be read, is not a regular file
  // (a folder, a FIFO, a device) or is not valid UTF-8.
  explicit TMemIniFile(const QString& fileName);

  // An object on `fileName` that holds nothing and reads nothing.
  static std::unique_ptr<TMemIniFile> Unread(const QString& fileName);

  const QString& FileName() const { return FFileName; }
  // The value of `key` in `section`, or `fallback`.
  QString ReadString(const QString& section, const QString& key, const QString& fallback) const;

 private:
  struct TUnread {};
  TMemIniFile(const QString& fileName, TUnread) : FFileName(fileName) {}

  QString FFileName;
  QMap<QString, QMap<QString, QString>> FSections;
};

// Opens the settings object on `fileName`; a file that cannot be opened is
// deleted and the object opened again. When the file still cannot be used
// (a folder, or a file that cannot be deleted), the object starts empty and
// `problem` tells why; otherwise `problem` is left empty. The file itself is
// never written.
std::unique_ptr<TMemIniFile> OpenSettingsFile(const QString& fileName, QString& problem);
