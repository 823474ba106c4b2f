#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstddef>
#include <span>

namespace marbleck {

// Writes `bytes` as the whole content of `path`, atomically: they go to a file
// beside the target, are forced to the disk, and replace the target only when
// every byte is there, so a failed write leaves an earlier file untouched and
// no partial file behind. A link to a regular file is written through (the
// link stays, its target gets the bytes); a target that exists and is not a
// regular file (a named pipe, a device, a folder, a link to one of them or to
// nothing) is refused and left as it was.
//
// Throws RunTimeError 61 when the bytes do not fit (the file system is full,
// a quota or the file-size limit is reached) and 75 when the file cannot be
// written for any other reason, each with the system's reason.
void WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Writes several files as one: every file's bytes go to a file beside its
// target and are forced to the disk before any target is replaced, so that a
// failure while writing leaves every target as it was. Should a target's
// replacement fail after an earlier one's succeeded, the earlier new files
// are removed: never a part of the set beside the rest's old files. Each
// target is refused and thrown as WriteFileAtomically's; `failed` is then
// the index of the file that failed.
struct AtomicFileBytes {
    QString path;
    QByteArray bytes;
};
void WriteFilesAtomically(std::span<const AtomicFileBytes> files, std::size_t& failed);

// `image` encoded as `format` ("png", "bmp") in memory, where only memory can
// run out, so that every failure of the file itself is left to the checked
// writes of WriteFileAtomically. Empty, with the encoder's reason in
// `error`, when the encoder fails.
QByteArray EncodeImage(const QImage& image, const char* format, QString& error);

// Throws RunTimeError 75 "Path/File access error: cannot write PATH: REASON".
[[noreturn]] void FailToWrite(const QString& path, const QString& reason);

}  // namespace marbleck
