#include "platform/SaveFile.h"

#include "platform/FileFailure.h"
#include "platform/FolderSync.h"

#include <QSaveFile>

#include <cerrno>

bool WriteWholeFile(const QString& path, const QByteArray& content, FileFailure& failure)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        failure = FileFailure::FromDevice(file);
        return false;
    }
    // commit() alone does not notice a write that the system cut short (a
    // full disk, a file-size limit), so the flushed size is checked first.
    // A short write leaves the device without an error of its own; the
    // system's reason is still in errno.
    errno = 0;
    bool written = file.write(content) == content.size();
    int systemError = errno;
    if (written) {
        written = file.flush();
        if (errno != 0)
            systemError = errno;
        written = written && file.size() == content.size();
    }
    if (!written) {
        // The system's reason wins: the device's own text for a short write
        // is only "Unknown error", in whatever language Qt speaks.
        failure = systemError != 0 || file.error() == QFileDevice::NoError
                      ? FileFailure::ShortWrite(systemError)
                      : FileFailure::FromDevice(file);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        failure = FileFailure::FromDevice(file);
        return false;
    }
    SyncFolderOf(path);
    return true;
}
