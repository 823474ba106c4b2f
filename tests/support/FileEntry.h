#pragma once

#include <sys/stat.h>

#include <QFile>
#include <QString>

namespace marbleck::test {

// What lies at `path` itself, links not followed: "nothing", "file",
// "folder", "pipe", "device", "other", or "link to " and where it leads.
inline QString FileEntry(const QString& path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) return QStringLiteral("nothing");
    if (S_ISLNK(status.st_mode)) return QStringLiteral("link to ") + QFile::symLinkTarget(path);
    if (S_ISFIFO(status.st_mode)) return QStringLiteral("pipe");
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return QStringLiteral("device");
    if (S_ISDIR(status.st_mode)) return QStringLiteral("folder");
    return S_ISREG(status.st_mode) ? QStringLiteral("file") : QStringLiteral("other");
}

// The whole content of the file at `path`, empty when it cannot be read.
inline QByteArray FileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace marbleck::test
