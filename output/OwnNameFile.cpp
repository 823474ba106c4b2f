#include "output/OwnNameFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <cerrno>
#include <cstring>

#include "input/picture/NativeFileName.h"
#include "output/FileWriteError.h"

namespace marbleck {

namespace {

[[noreturn]] void WriteFailed(const QString& output, const QString& reason) {
    throw FileWriteError(output, reason.toStdString());
}

}  // namespace

void WriteUnderOwnName(const QString& output, const std::function<void(const QString&)>& write) {
    const QByteArray native = EncodeNativeFileName(output);
    if (QFile::encodeName(output) == native) {
        write(output);
        return;
    }
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : native.left(slash);
    const QByteArray name = native.mid(slash + 1);
    const int folderDescriptor = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderDescriptor < 0) WriteFailed(output, QString::fromLocal8Bit(std::strerror(errno)));
    const auto closeFolder = qScopeGuard([folderDescriptor] { ::close(folderDescriptor); });
    struct stat target {};
    if (::fstatat(folderDescriptor, name.constData(), &target, 0) == 0 && !S_ISREG(target.st_mode))
        WriteFailed(output, QStringLiteral("not a regular file"));
    const QByteArray aliasName =
        ".marbleck-" + QByteArray::number(::getpid()) + "." + QFileInfo(output).suffix().toUtf8();
    const QString alias =
        QStringLiteral("/proc/self/fd/%1/").arg(folderDescriptor) + QString::fromUtf8(aliasName);
    try {
        write(alias);
    } catch (const FileWriteError& error) {
        throw FileWriteError(output, error.what(), error.runTimeError());
    }
    if (::renameat(folderDescriptor, aliasName.constData(), folderDescriptor, name.constData()) != 0) {
        const int error = errno;
        ::unlinkat(folderDescriptor, aliasName.constData(), 0);
        WriteFailed(output, QString::fromLocal8Bit(std::strerror(error)));
    }
}

}  // namespace marbleck
