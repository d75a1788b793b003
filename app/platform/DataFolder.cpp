#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
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

QString ChooseDataFolder(const QString& programFolder, const QString& company,
                         const QString& product) {
  QString folder = programFolder;
  while (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
  if (IsFolderWritable(folder)) return folder + u'/';

  const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  const QString companyFolder = userData + u'/' + company;
  const QString productFolder = companyFolder + u'/' + product;
  QDir().mkpath(userData);  // a new account may not have it yet
  QDir().mkdir(companyFolder);
  QDir().mkdir(productFolder);
  return productFolder + u'/';
}
