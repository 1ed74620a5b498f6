#include "platform/FolderIdentity.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/stat.h>
#endif

QString FolderIdentity(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return {};
#ifdef Q_OS_LINUX
    // Inode numbers of deleted folders are given out again, at once on some
    // file systems; the birth time, to the nanosecond, tells such a
    // successor apart where the file system keeps one.
    struct statx status {};
    if (::statx(AT_FDCWD, QFile::encodeName(info.absoluteFilePath()).constData(), 0,
                STATX_INO | STATX_BTIME, &status) != 0)
        return {};
    QString identity = QStringLiteral("%1:%2:%3")
                           .arg(status.stx_dev_major)
                           .arg(status.stx_dev_minor)
                           .arg(status.stx_ino);
    if (status.stx_mask & STATX_BTIME)
        identity +=
            QStringLiteral(":%1.%2").arg(status.stx_btime.tv_sec).arg(status.stx_btime.tv_nsec);
    return identity;
#else
    const QDateTime born = info.birthTime();
    return born.isValid() ? QString::number(born.toMSecsSinceEpoch()) : QString();
#endif
}
