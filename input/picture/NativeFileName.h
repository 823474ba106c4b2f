#pragma once

#include <QByteArray>
#include <QString>

namespace marbleck {

// File names are bytes; Qt's own conversion reads them as UTF-8 and turns
// every byte that is not valid UTF-8 into U+FFFD, so such a file can no
// longer be opened by its name. These keep each such byte as the lone
// surrogate U+DC80 + (byte - 0x80), which no valid UTF-8 text can give, so
// the bytes survive the way through a QString and back.
QString DecodeNativeFileName(const QByteArray& bytes);

// The bytes DecodeNativeFileName made `name` from; text as UTF-8.
QByteArray EncodeNativeFileName(const QString& name);

}  // namespace marbleck
