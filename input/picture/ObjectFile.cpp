#include "input/picture/ObjectFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <array>
#include <cerrno>
#include <cstring>
#include <istream>
#include <new>
#include <span>
#include <streambuf>
#include <string>

#include "input/core/PictureSignature.h"
#include "input/picture/FloatTiffPicture.h"
#include "input/picture/NativeFileName.h"
#include "input/picture/ObjectPicture.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

[[noreturn]] void refuse(const std::string& why) {
    throw RunTimeError(ErrorNumber::InvalidPicture, "Invalid picture: " + why);
}

[[noreturn]] void accessError(const std::string& why) {
    throw RunTimeError(ErrorNumber::PathFileAccessError, "Path/File access error: " + why);
}

[[noreturn]] void failedToReach(const QString& path, int error) {
    const std::string shown = path.toStdString();
    if (error == ENOENT || error == ENOTDIR)
        throw RunTimeError(ErrorNumber::FileNotFound, "File not found: " + shown);
    if (error == ENAMETOOLONG) accessError(shown + ": the name is too long");
    accessError("cannot open " + shown + ": " + std::strerror(error));
}

// Only a regular file has an end and cannot block its reader.
void refuseUnlessRegular(const QString& path, mode_t mode) {
    if (S_ISDIR(mode)) accessError(path.toStdString() + " is a folder");
    if (!S_ISREG(mode)) accessError(path.toStdString() + " is not a regular file");
}

// The file's bytes as a stream for the bitmap reader, which reads them once
// in sequence.
class DeviceStreamBuffer : public std::streambuf {
public:
    explicit DeviceStreamBuffer(QIODevice& device) : device_(device) {}

protected:
    int_type underflow() override {
        const qint64 got = device_.read(buffer_.data(), static_cast<qint64>(buffer_.size()));
        if (got <= 0) return traits_type::eof();
        setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
        return traits_type::to_int_type(buffer_[0]);
    }

private:
    QIODevice& device_;
    std::array<char, 64 * 1024> buffer_{};
};

ObjectFile readBitmap(const QString& path, QFile& file, const KeptPictureSize& kept) {
    // Another kind of picture under a bitmap's name would otherwise have its
    // bytes read as a bitmap's headers.
    const QByteArray head = file.peek(static_cast<qint64>(PictureSignatureBytes));
    const auto* headBytes = reinterpret_cast<const std::uint8_t*>(head.constData());
    if (const auto reason = NotABitmapReason(std::span(headBytes, static_cast<std::size_t>(head.size())))) {
        refuse(QFileInfo(path).fileName().toStdString() + " " + *reason);
    }
    DeviceStreamBuffer buffer(file);
    std::istream stream(&buffer);
    ObjectFile object;
    object.bitmap = ReadObjectBitmap(stream);
    object.picture = DecodeShownPicture(file, path, object.bitmap, kept(object.bitmap));
    return object;
}

// `image` with every bit past its pixels, in each row's last byte and in the
// padding after it, 0. Qt writes a 1- or 8-bit bitmap's rows straight from the
// image's memory, whose padding a decoder leaves as it found it.
QImage withClearPadding(const QImage& image) {
    if (image.depth() != 1 && image.depth() != 8) return image;
    QImage clean(image.size(), image.format());
    if (clean.isNull()) throw std::bad_alloc();
    clean.setColorTable(image.colorTable());
    std::memset(clean.bits(), 0, static_cast<std::size_t>(clean.sizeInBytes()));
    const auto usedBits = static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.depth());
    const std::size_t fullBytes = usedBits / 8;
    const int restBits = static_cast<int>(usedBits % 8);
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = clean.scanLine(y);
        std::memcpy(line, image.constScanLine(y), fullBytes);
        if (restBits == 0) continue;
        const uchar last = image.constScanLine(y)[fullBytes];
        const int mask =
            image.format() == QImage::Format_MonoLSB ? (1 << restBits) - 1 : 0xFF << (8 - restBits);
        line[fullBytes] = static_cast<uchar>(last & mask);
    }
    return clean;
}

std::string tooManyPixels(const std::string& name, std::int64_t width, std::int64_t height) {
    return name + " is " + std::to_string(width) + " × " + std::to_string(height) +
           " pixels, more than the " + std::to_string(MaxPicturePixels) +
           " pixels (8192 × 4096) a picture may have";
}

QImage decodePicture(const QString& path, QFile& file) {
    if (auto grey = ReadFloatTiffPicture(file, path)) return *grey;
    const std::string name = QFileInfo(path).fileName().toStdString();
    QImageReader reader(&file);
    const QSize claimed = reader.size();
    if (reader.format().isEmpty()) refuse(name + " is no picture the platform reads");
    if (claimed.isValid() &&
        std::int64_t{claimed.width()} * std::int64_t{claimed.height()} > MaxPicturePixels)
        refuse(tooManyPixels(name, claimed.width(), claimed.height()));
    const QImage decoded = reader.read();
    if (decoded.isNull()) refuse(name + ": " + reader.errorString().toStdString());
    if (std::int64_t{decoded.width()} * std::int64_t{decoded.height()} > MaxPicturePixels)
        refuse(tooManyPixels(name, decoded.width(), decoded.height()));
    return decoded;
}

ObjectFile readPicture(const QString& path, QFile& file, const KeptPictureSize& kept) {
    return ObjectOfPicture(decodePicture(path, file), QFileInfo(path).fileName().toStdString(), kept);
}

}  // namespace

ObjectFile ObjectOfPicture(const QImage& decoded, const std::string& name, const KeptPictureSize& kept) {
    // The bitmap the platform would save of it, in memory: its headers and
    // pixel bytes give the sizes and the preview, its decoded picture the
    // object, exactly as the same bitmap loaded from a file would.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!withClearPadding(decoded).save(&buffer, "BMP")) refuse(name + " cannot be made a bitmap");
    buffer.close();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    ObjectFile object;
    object.bitmap = ReadObjectBitmap(std::span(data, static_cast<std::size_t>(bytes.size())));
    const QImage asBitmap = QImage::fromData(bytes, "BMP");
    if (asBitmap.isNull()) refuse(name + " cannot be made a bitmap");
    const QRect shown = QRect(QPoint(0, 0), kept(object.bitmap)).intersected(asBitmap.rect());
    object.picture = asBitmap.copy(shown).convertToFormat(QImage::Format_RGB32);
    if (object.picture.isNull() && !shown.isEmpty())
        throw RunTimeError(ErrorNumber::OutOfMemory, "Out of memory");
    return object;
}

std::unique_ptr<QFile> OpenObjectFile(const QString& path) {
    const QByteArray native = EncodeNativeFileName(path);
    struct stat status {};
    if (::stat(native.constData(), &status) != 0) failedToReach(path, errno);
    refuseUnlessRegular(path, status.st_mode);
    // Not blocking even if the name was given to a pipe since it was looked at.
    const int descriptor = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) failedToReach(path, errno);
    auto file = std::make_unique<QFile>();
    if (::fstat(descriptor, &status) != 0) {
        const int error = errno;
        ::close(descriptor);
        failedToReach(path, error);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        refuseUnlessRegular(path, status.st_mode);
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    if (!file->open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        accessError("cannot open " + path.toStdString() + ": " + file->errorString().toStdString());
    }
    return file;
}

ObjectFileKind ObjectFileKindOf(const QString& path) {
    return QFileInfo(path).suffix().compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0
               ? ObjectFileKind::Bitmap
               : ObjectFileKind::Picture;
}

ObjectFile ReadObjectFile(const QString& path, ObjectFileKind kind, const KeptPictureSize& kept) {
    const std::unique_ptr<QFile> file = OpenObjectFile(path);
    return kind == ObjectFileKind::Bitmap ? readBitmap(path, *file, kept) : readPicture(path, *file, kept);
}

}  // namespace marbleck
