#include "VersionInfo.h"

#include <elf.h>

#include <QFile>
#include <QStringList>

#include <cstring>
#include <map>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void failFor(const QString& path, const QString& reason) {
  throw std::runtime_error(
      QStringLiteral("Cannot read the version data of \"%1\": %2").arg(path, reason).toStdString());
}

// Copies a plain structure out of the file's bytes, checking the bounds.
template <typename T>
bool readAt(const QByteArray& bytes, quint64 offset, T& value) {
  if (offset > quint64(bytes.size()) || quint64(bytes.size()) - offset < sizeof(T)) return false;
  std::memcpy(&value, bytes.constData() + offset, sizeof(T));
  return true;
}

// The bytes of the named section of a 64-bit ELF file, or an empty array.
QByteArray findSection(const QByteArray& bytes, const char* wanted) {
  Elf64_Ehdr header;
  if (!readAt(bytes, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64) {
    return {};
  }
  Elf64_Shdr names;
  if (!readAt(bytes, header.e_shoff + quint64(header.e_shstrndx) * sizeof(Elf64_Shdr), names)) {
    return {};
  }
  for (quint64 i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr section;
    if (!readAt(bytes, header.e_shoff + i * sizeof(Elf64_Shdr), section)) return {};
    const quint64 nameOffset = names.sh_offset + section.sh_name;
    if (nameOffset >= quint64(bytes.size())) continue;
    const char* name = bytes.constData() + nameOffset;
    const quint64 room = quint64(bytes.size()) - nameOffset;
    if (strnlen(name, room) == room || std::strcmp(name, wanted) != 0) continue;
    if (section.sh_offset > quint64(bytes.size()) ||
        section.sh_size > quint64(bytes.size()) - section.sh_offset) {
      return {};
    }
    return bytes.mid(qsizetype(section.sh_offset), qsizetype(section.sh_size));
  }
  return {};
}

// The record's name/value entries.
std::map<QString, QString> readRecord(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) failFor(path, file.errorString());
  const QByteArray bytes = file.readAll();
  const QByteArray section = findSection(bytes, kVersionSectionName);
  if (section.isEmpty()) failFor(path, QStringLiteral("the file holds no version data"));

  std::map<QString, QString> entries;
  qsizetype pos = 0;
  while (pos < section.size()) {
    const qsizetype nameEnd = section.indexOf('\0', pos);
    if (nameEnd <= pos) break;  // an empty name ends the record
    const qsizetype valueEnd = section.indexOf('\0', nameEnd + 1);
    if (valueEnd < 0) break;
    entries[QString::fromUtf8(section.mid(pos, nameEnd - pos))] =
        QString::fromUtf8(section.mid(nameEnd + 1, valueEnd - nameEnd - 1));
    pos = valueEnd + 1;
  }
  return entries;
}

QString entry(const std::map<QString, QString>& entries, const char* name) {
  const auto found = entries.find(QString::fromLatin1(name));
  return found == entries.end() ? QString() : found->second;
}

}  // namespace

TEXEVersionData ReadVersionData(const QString& path) {
  const auto entries = readRecord(path);
  TEXEVersionData data;
  data.CompanyName = entry(entries, "CompanyName");
  data.FileDescription = entry(entries, "FileDescription");
  data.FileVersion = entry(entries, "FileVersion");
  data.InternalName = entry(entries, "InternalName");
  data.LegalCopyright = entry(entries, "LegalCopyright");
  data.LegalTrademarks = entry(entries, "LegalTrademarks");
  data.OriginalFileName = entry(entries, "OriginalFileName");
  data.ProductName = entry(entries, "ProductName");
  data.ProductVersion = entry(entries, "ProductVersion");
  data.Comments = entry(entries, "Comments");
  data.PrivateBuild = entry(entries, "PrivateBuild");
  data.SpecialBuild = entry(entries, "SpecialBuild");
  return data;
}

TFixedFileVersion ReadFixedFileVersion(const QString& path) {
  const QStringList parts = entry(readRecord(path), "FixedFileVersion").split(u'.');
  TFixedFileVersion version;
  int* fields[] = {&version.Major, &version.Minor, &version.Release, &version.Build};
  for (int i = 0; i < 4 && i < parts.size(); ++i) *fields[i] = parts[i].toInt();
  return version;
}
