#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

bool IsFolderWritable(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder + QStringLiteral("/chk.tmp"));
  const int fd = ::open(path.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(path.constData());
  return true;
}

bool IsSystemFolder(const QString& folder) {
  const QFileInfo info(folder);
  const QString path = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
  static const QStringList systemTrees = {
      QStringLiteral("/usr"),   QStringLiteral("/bin"),   QStringLiteral("/sbin"),
      QStringLiteral("/lib"),   QStringLiteral("/lib32"), QStringLiteral("/lib64"),
      QStringLiteral("/libx32")};
  for (const QString& tree : systemTrees) {
    if (path == tree || path.startsWith(tree + u'/')) return true;
  }
  const bool underOpt = path == QStringLiteral("/opt") || path.startsWith(QStringLiteral("/opt/"));
  return underOpt && info.exists() && info.ownerId() == 0;
}

QString ChooseDataFolder(const QString& programFolder, const QString& company,
                         const QString& product) {
  QString folder = programFolder;
  while (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
  if (!IsSystemFolder(folder) && IsFolderWritable(folder)) return folder + u'/';

  const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  const QString companyFolder = userData + u'/' + company;
  const QString productFolder = companyFolder + u'/' + product;
  QDir().mkpath(userData);  // a new account may not have it yet
  QDir().mkdir(companyFolder);
  QDir().mkdir(productFolder);
  return productFolder + u'/';
}
