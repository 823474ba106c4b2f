#include "output/AtomicFile.h"

#include <unistd.h>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

// A failed system call on the file: 61 when there was no room for the bytes
// (the file system is full, the user's quota or the process's file-size
// limit is reached), 75 for any other reason; the system's words either way.
[[noreturn]] void failWith(const QString& path, int error) {
    const std::string reason = std::strerror(error);
    if (error == ENOSPC || error == EFBIG || error == EDQUOT) {
        throw RunTimeError(ErrorNumber::DiskFull,
                           "Disk full: cannot write " + path.toStdString() + ": " + reason);
    }
    FailToWrite(path, QString::fromStdString(reason));
}

// Writes all of `bytes` to the file's descriptor and forces them to the
// disk. The descriptor is used directly so that each failure keeps its
// system error, and no byte waits in a buffer whose failed write Qt's
// commit would not report.
void writeAndSync(QSaveFile& file, const QByteArray& bytes, const QString& path) {
    const int descriptor = file.handle();
    const char* next = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, next, static_cast<std::size_t>(left));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) failWith(path, errno);
        // A regular file that takes no byte at all has no room left.
        if (written == 0) failWith(path, ENOSPC);
        next += written;
        left -= written;
    }
    if (::fsync(descriptor) != 0) failWith(path, errno);
}

}  // namespace

void FailToWrite(const QString& path, const QString& reason) {
    throw RunTimeError(ErrorNumber::PathFileAccessError,
                       ("Path/File access error: cannot write " + path + ": " + reason).toStdString());
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    // Until commit() the bytes go to a file beside the target; an error
    // before then discards that file and leaves the target as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) FailToWrite(path, file.errorString());
    writeAndSync(file, bytes, path);
    if (!file.commit()) FailToWrite(path, file.errorString());
}

}  // namespace marbleck
