#include "app/LookupTableFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

[[noreturn]] void accessError(const QString& why) {
    throw RunTimeError(ErrorNumber::PathFileAccessError, "Path/File access error: " + why.toStdString());
}

}  // namespace

PhaseLookupTable LookupTableFile::read(const QString& path) {
    const QFileInfo info(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!info.exists())
        throw RunTimeError(ErrorNumber::FileNotFound, "File not found: " + shown.toStdString());
    if (info.isDir()) accessError(shown + QStringLiteral(" is a folder"));
    if (!info.isFile()) accessError(shown + QStringLiteral(" is not a regular file"));
    if (info.size() > MaxBytes) accessError(shown + QStringLiteral(" is too large for a lookup table"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        accessError(QStringLiteral("cannot open ") + shown + QStringLiteral(": ") + file.errorString());
    // One byte more than allowed tells a file that grew since it was looked at.
    const QByteArray text = file.read(MaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        accessError(QStringLiteral("cannot read ") + shown + QStringLiteral(": ") + file.errorString());
    if (text.size() > MaxBytes) accessError(shown + QStringLiteral(" is too large for a lookup table"));
    try {
        return ParseLookupTable(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    } catch (const std::invalid_argument& error) {
        throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                           "Invalid property value: " + info.fileName().toStdString() + ": " + error.what());
    }
}

}  // namespace marbleck
