#include "platform/NamedLock.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

bool TakeNamedLock(const QString& name) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  const QByteArray path = QFile::encodeName(folder + u'/' + name + QStringLiteral(".lock"));
  // The descriptor stays open on purpose: the lock lasts as long as the process.
  // A symbolic link planted at the name is not followed (nor its target made).
  const int fd = ::open(path.constData(), O_CREAT | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}
