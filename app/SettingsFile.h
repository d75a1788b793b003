// An in-memory ini settings object ("[section]" lines and "key=value" lines).
#pragma once

#include <QMap>
#include <QString>

#include <memory>

class TMemIniFile {
 public:
  // Reads `fileName` when it exists, decoded as strict UTF-8. Throws
  // std::runtime_error when the file cannot be read or is not valid UTF-8.
  explicit TMemIniFile(const QString& fileName);

  const QString& FileName() const { return FFileName; }
  // The value of `key` in `section`, or `fallback`.
  QString ReadString(const QString& section, const QString& key, const QString& fallback) const;

 private:
  QString FFileName;
  QMap<QString, QMap<QString, QString>> FSections;
};

// Opens the settings object on `fileName`; a file that cannot be opened is
// deleted and the object opened again. The file itself is never written.
std::unique_ptr<TMemIniFile> OpenSettingsFile(const QString& fileName);
