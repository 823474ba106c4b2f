#include "input/picture/NativeFileName.h"

#include <cstdint>

namespace marbleck {

namespace {

constexpr char16_t EscapedByteBase = 0xDC00;

// The length of the valid UTF-8 sequence at `at`, 0 when there is none
// (overlong forms, surrogates and code points above U+10FFFF are not valid).
int ValidSequenceLength(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) return 1;
    int length = 0;
    std::uint32_t code = 0;
    std::uint32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) return 0;
    for (int i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(at + i) & 0x3F);
    }
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

QString DecodeNativeFileName(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int length = ValidSequenceLength(bytes, at);
        if (length == 0) {
            name.append(QChar(static_cast<char16_t>(EscapedByteBase + static_cast<std::uint8_t>(bytes[at]))));
            ++at;
        } else {
            name.append(QString::fromUtf8(bytes.constData() + at, length));
            at += length;
        }
    }
    return name;
}

QByteArray EncodeNativeFileName(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype at = 0;
    while (at < name.size()) {
        const char16_t unit = name[at].unicode();
        const bool pair =
            QChar::isHighSurrogate(unit) && at + 1 < name.size() && name[at + 1].isLowSurrogate();
        if (!pair && unit >= EscapedByteBase + 0x80 && unit <= EscapedByteBase + 0xFF) {
            bytes.append(static_cast<char>(unit - EscapedByteBase));
            ++at;
            continue;
        }
        const qsizetype length = pair ? 2 : 1;
        bytes.append(name.mid(at, length).toUtf8());
        at += length;
    }
    return bytes;
}

}  // namespace marbleck
