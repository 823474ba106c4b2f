#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include "input/picture/NativeFileName.h"

namespace marbleck {
namespace {

// Every byte that cannot start valid UTF-8, alone and between text, comes
// back as itself; valid UTF-8 of every length reads as its text.
TEST(NativeFileName, EveryByteSurvivesTheWayThroughAString) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const QByteArray name = QByteArray("caf") + static_cast<char>(byte) + QByteArray("-\xc3\xa9.png");
        EXPECT_EQ(EncodeNativeFileName(DecodeNativeFileName(name)), name) << byte;
    }
    const QByteArray text("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");  // a, é, €, 😀
    EXPECT_EQ(DecodeNativeFileName(text), QString::fromUtf8(text));
    EXPECT_EQ(EncodeNativeFileName(DecodeNativeFileName(text)), text);
}

// Sequences that look like UTF-8 but are not (overlong, a surrogate, past
// U+10FFFF, cut short) are kept byte by byte, not read as text.
TEST(NativeFileName, InvalidSequencesAreKeptByteByByte) {
    for (const QByteArray& invalid : {QByteArray("\xc0\xaf"), QByteArray("\xed\xa0\x80"),
                                      QByteArray("\xf4\x90\x80\x80"), QByteArray("\xe2\x82")}) {
        const QString name = DecodeNativeFileName(invalid);
        EXPECT_EQ(name.size(), invalid.size()) << invalid.toHex().toStdString();
        EXPECT_EQ(EncodeNativeFileName(name), invalid) << invalid.toHex().toStdString();
    }
}

}  // namespace
}  // namespace marbleck
