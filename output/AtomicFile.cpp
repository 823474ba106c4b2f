#include "output/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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

// What `mode` is, for a target that is not a regular file.
QString kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("a folder");
    if (S_ISFIFO(mode)) return QStringLiteral("a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    return QStringLiteral("a special file");
}

// Only a regular file, or a link that leads to one, may be replaced: the
// new file is renamed over the old name, which would turn a named pipe, a
// device or a folder's name into a plain file (and, for root, a link to
// /dev/null into a file in /dev). A link is written through and stays a
// link; one that leads nowhere is refused rather than followed to wherever
// it names. The check and the rename are not one step, so a file swapped in
// between is not caught.
void refuseSpecialTarget(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0) return;  // nothing there yet
    struct stat target {};
    if (::stat(name.constData(), &target) != 0) {
        if (S_ISLNK(link.st_mode))
            FailToWrite(path,
                        QStringLiteral("it is a link to %1 that cannot be followed (%2)")
                            .arg(QFile::symLinkTarget(path), QString::fromLocal8Bit(std::strerror(errno))));
        return;  // the writer reports whatever stopped stat
    }
    if (!S_ISREG(target.st_mode)) {
        const QString kind = kindOf(target.st_mode);
        FailToWrite(path, S_ISLNK(link.st_mode)
                              ? QStringLiteral("it is a link to %1, not to a regular file").arg(kind)
                              : QStringLiteral("it is %1, not a regular file").arg(kind));
    }
}

}  // namespace

void FailToWrite(const QString& path, const QString& reason) {
    throw RunTimeError(ErrorNumber::PathFileAccessError,
                       ("Path/File access error: cannot write " + path + ": " + reason).toStdString());
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    // Until commit() the bytes go to a file beside the target; an error
    // before then discards that file and leaves the target as it was.
    refuseSpecialTarget(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) FailToWrite(path, file.errorString());
    writeAndSync(file, bytes, path);
    if (!file.commit()) FailToWrite(path, file.errorString());
}

void WriteFilesAtomically(std::span<const AtomicFileBytes> files, std::size_t& failed) {
    std::vector<std::unique_ptr<QSaveFile>> written;
    for (failed = 0; failed < files.size(); ++failed) {
        const AtomicFileBytes& file = files[failed];
        refuseSpecialTarget(file.path);
        auto save = std::make_unique<QSaveFile>(file.path);
        if (!save->open(QIODevice::WriteOnly)) FailToWrite(file.path, save->errorString());
        writeAndSync(*save, file.bytes, file.path);
        written.push_back(std::move(save));
    }
    for (failed = 0; failed < files.size(); ++failed)
        if (!written[failed]->commit()) {
            for (std::size_t i = 0; i < failed; ++i) QFile::remove(files[i].path);
            FailToWrite(files[failed].path, written[failed]->errorString());
        }
}

QByteArray EncodeImage(const QImage& image, const char* format, QString& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (writer.write(image)) return bytes;
    error = writer.errorString();
    return {};
}

}  // namespace marbleck
