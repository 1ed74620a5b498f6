#include "platform/FolderSync.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

void SyncFolderOf(const QString& path)
{
#ifdef Q_OS_UNIX
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // A folder that cannot be synced (some network file systems refuse) is
    // no reason to call the save failed: the file itself is on the disk.
    ::fsync(fd);
    ::close(fd);
#else
    Q_UNUSED(path);
#endif
}
