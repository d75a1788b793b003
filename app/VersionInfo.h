// The program's version record, kept in a section of the program file.
#pragma once

#include <QString>

// The twelve texts of the version record, in their fixed order.
struct TEXEVersionData {
  QString CompanyName;
  QString FileDescription;
  QString FileVersion;
  QString InternalName;
  QString LegalCopyright;
  QString LegalTrademarks;
  QString OriginalFileName;
  QString ProductName;
  QString ProductVersion;
  QString Comments;
  QString PrivateBuild;
  QString SpecialBuild;
};

// The numeric file version: major.minor.release.build.
struct TFixedFileVersion {
  int Major = 0;
  int Minor = 0;
  int Release = 0;
  int Build = 0;
};

// Name of the ELF section that holds the record.
inline constexpr const char* kVersionSectionName = ".glyphmill.version";

// Reads the version record of the program file `path`. A field missing from the
// record stays empty. Throws std::runtime_error naming the file when it cannot be
// read or carries no record.
TEXEVersionData ReadVersionData(const QString& path);

// Reads the numeric file version of the program file `path` (its "FixedFileVersion"
// entry, "1.2.0.0"). Throws like ReadVersionData.
TFixedFileVersion ReadFixedFileVersion(const QString& path);
