#include "input/core/ObjectBitmap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "ObjectFileBytes.h"
#include "ReadOutcome.h"
#include "platform/RunTimeError.h"

namespace marbleck {
namespace {

using testing::countingBytes;
using testing::ObjectFileBytes;

struct FileCase {
    std::string name;
    std::vector<std::uint8_t> bytes;
    int errorNumber = 0;          // 0: the file loads
    std::string descriptionPart;  // when refused
    int pad = 0;
    int rowBytes = 0;
    int yMax = 0;
    std::size_t storedBytes = 0;  // pixel bytes that came from the file
};

std::vector<std::uint8_t> firstBytes(const ObjectFileBytes& file, std::size_t count) {
    auto bytes = file.bytes();
    bytes.resize(count);
    return bytes;
}

ObjectFileBytes fullFile(int width, int height) {
    ObjectFileBytes file;
    file.width = width;
    file.height = height;
    file.pixels = countingBytes(static_cast<std::size_t>((width + 3) / 4 * 4 * height));
    return file;
}

FileCase loads(std::string name, const ObjectFileBytes& file, int pad, int rowBytes, int yMax,
               std::size_t storedBytes) {
    return {std::move(name), file.bytes(), 0, "", pad, rowBytes, yMax, storedBytes};
}

FileCase refused(std::string name, std::vector<std::uint8_t> bytes, int number, std::string descriptionPart) {
    return {std::move(name), std::move(bytes), number, std::move(descriptionPart)};
}

std::vector<FileCase> brokenAndOddFiles() {
    std::vector<FileCase> cases;
    const std::string shortFile = "ends inside its headers";
    const std::string notPositive = "width and height must be positive";

    cases.push_back(refused("Empty", {}, ErrorNumber::InvalidPicture, shortFile));
    cases.push_back(refused("OneByte", {'B'}, ErrorNumber::InvalidPicture, shortFile));
    cases.push_back(
        refused("OneShortOfHeaders", firstBytes(fullFile(2, 2), 53), ErrorNumber::InvalidPicture, shortFile));
    {
        FileCase c = loads("HeadersOnly", fullFile(2, 2), 2, 4, 1, 0);
        c.bytes.resize(54);
        cases.push_back(c);
    }
    {
        FileCase c = loads("EndsInsideColourTable", fullFile(2, 2), 2, 4, 1, 0);
        c.bytes.resize(154);
        cases.push_back(c);
    }
    {
        ObjectFileBytes file = fullFile(3, 2);
        file.type = {'X', 'Y'};
        cases.push_back(loads("TypeNotBM", file, 1, 4, 1, 8));
    }
    {
        ObjectFileBytes file = fullFile(2, 2);
        file.width = 0;
        cases.push_back(refused("ZeroWidth", file.bytes(), ErrorNumber::InvalidPicture, notPositive));
        file.width = 2;
        file.height = 0;
        cases.push_back(refused("ZeroHeight", file.bytes(), ErrorNumber::InvalidPicture, notPositive));
        file.height = 2;
        file.width = -2;
        cases.push_back(refused("NegativeWidth", file.bytes(), ErrorNumber::InvalidPicture, notPositive));
        file.width = 2;
        file.height = -2;
        cases.push_back(
            refused("NegativeHeightTopDown", file.bytes(), ErrorNumber::InvalidPicture, "top-down"));
        file.height = INT_MIN;
        cases.push_back(refused("MostNegativeHeight", file.bytes(), ErrorNumber::InvalidPicture, "top-down"));
    }
    {
        ObjectFileBytes file;
        file.width = 60000;
        file.height = 60000;
        file.pixels = countingBytes(10);
        cases.push_back(loads("HugeClaimInSmallFile", file, 0, 60000, 59999, 10));
        file.width = INT_MAX;
        file.height = INT_MAX;
        cases.push_back(refused("RowBytesOverflow", file.bytes(), ErrorNumber::Overflow, "Overflow"));
        file.width = INT_MAX - 3;
        cases.push_back(loads("LargestWidthAndHeight", file, 0, INT_MAX - 3, INT_MAX - 1, 10));
    }
    for (int width : {1, 2, 3, 4, 5, 10, 11, 12}) {
        const int rowBytes = (width + 3) / 4 * 4;
        cases.push_back(loads("Width" + std::to_string(width), fullFile(width, 3), rowBytes - width, rowBytes,
                              2, static_cast<std::size_t>(rowBytes) * 3));
    }
    {
        ObjectFileBytes file = fullFile(5, 4);
        file.pixels.resize(13);
        cases.push_back(loads("TruncatedPixelRows", file, 3, 8, 3, 13));
    }
    {
        ObjectFileBytes file = fullFile(2, 2);
        file.pixels.resize(15, 0x77);
        cases.push_back(loads("TrailingBytesIgnored", file, 2, 4, 1, 8));
    }
    {
        // 24 bits per pixel, no colour table, pixel data at 54: the fixed layout
        // takes the colour table from the first pixels and the "pixels" from 1078.
        ObjectFileBytes file;
        file.width = 20;
        file.height = 20;
        file.bitCount = 24;
        file.offBits = 54;
        file.clrUsed = 0;
        file.colourTable.clear();
        file.pixels = countingBytes(60 * 20);
        cases.push_back(loads("TwentyFourBit", file, 0, 20, 19, 54 + 1200 - 1078));
    }
    {
        ObjectFileBytes file;
        file.width = 40;
        file.height = 60;
        file.bitCount = 4;
        file.offBits = 54 + 64;
        file.clrUsed = 16;
        file.colourTable = ObjectFileBytes::greyRamp(16);
        file.pixels = countingBytes(20 * 60);
        cases.push_back(loads("FourBit", file, 0, 40, 59, 118 + 1200 - 1078));
    }
    {
        ObjectFileBytes file = fullFile(4, 2);
        file.compression = 1;
        file.offBits = 2000;
        cases.push_back(loads("CompressionAndOffsetIgnored", file, 0, 4, 1, 8));
    }
    {
        ObjectFileBytes file = fullFile(4, 2);
        file.colourTable[0] = {255, 255, 255, 0};
        file.colourTable[1] = {0, 0, 0, 0};
        cases.push_back(loads("IndexZeroMappedToWhite", file, 0, 4, 1, 8));
    }
    return cases;
}

class BrokenAndOddFiles : public ::testing::TestWithParam<FileCase> {};

TEST_P(BrokenAndOddFiles, LoadsWithFixedLayoutOrIsRefused) {
    const FileCase& c = GetParam();
    const test::ReadOutcome outcome = test::ReadOutcomeOf(std::span<const std::uint8_t>(c.bytes));

    ASSERT_EQ(outcome.errorNumber, c.errorNumber) << outcome.description;
    if (c.errorNumber != 0) {
        EXPECT_THAT(outcome.description, ::testing::HasSubstr(c.descriptionPart));
        return;
    }
    const ObjectBitmap& bitmap = outcome.bitmap;
    EXPECT_EQ(bitmap.pad, c.pad);
    EXPECT_EQ(bitmap.rowBytes, c.rowBytes);
    EXPECT_EQ(bitmap.xMax, c.rowBytes - 1);
    EXPECT_EQ(bitmap.yMax, c.yMax);
    EXPECT_EQ(bitmap.pixels.rowBytes(), c.rowBytes);
    EXPECT_EQ(bitmap.pixels.xMax(), c.rowBytes - 1);
    EXPECT_EQ(bitmap.pixels.yMax(), c.yMax);
    EXPECT_EQ(bitmap.pixels.storedByteCount(), c.storedBytes);

    // Every byte (x, j) is the file's byte at 1078 + j·rowBytes + x, or 0 past
    // the end of the file. Checked over the first rows and at the far corner.
    auto fileByte = [&](std::uint64_t offset) -> int {
        return offset < c.bytes.size() ? c.bytes[static_cast<std::size_t>(offset)] : 0;
    };
    const std::uint64_t total = static_cast<std::uint64_t>(c.rowBytes) * (c.yMax + 1);
    for (std::uint64_t index = 0; index < std::min<std::uint64_t>(total, 4096); ++index) {
        const int x = static_cast<int>(index % c.rowBytes);
        const int j = static_cast<int>(index / c.rowBytes);
        ASSERT_EQ(bitmap.pixels(x, j), fileByte(1078 + index)) << "x=" << x << " j=" << j;
    }
    EXPECT_EQ(bitmap.pixels(c.rowBytes - 1, c.yMax), fileByte(1078 + total - 1));
    for (int entry : {0, 1, 255}) {
        for (int component = 0; component < 4; ++component) {
            EXPECT_EQ(bitmap.colourTable[entry][component], fileByte(54 + 4 * entry + component));
        }
    }
}

TEST_P(BrokenAndOddFiles, StreamReaderAgreesWithMemoryReader) {
    const FileCase& c = GetParam();
    const test::ReadOutcome fromMemory = test::ReadOutcomeOf(std::span<const std::uint8_t>(c.bytes));
    std::istringstream stream(std::string(c.bytes.begin(), c.bytes.end()), std::ios::binary);
    const test::ReadOutcome fromStream = test::ReadOutcomeOf(stream);
    EXPECT_EQ(fromStream.errorNumber, fromMemory.errorNumber);
    EXPECT_EQ(fromStream.description, fromMemory.description);
    EXPECT_TRUE(fromStream.bitmap == fromMemory.bitmap);
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenAndOddFiles, ::testing::ValuesIn(brokenAndOddFiles()),
                         [](const auto& info) { return info.param.name; });

TEST(ObjectBitmapReader, ReadsEveryHeaderFieldLittleEndianInFileOrder) {
    ObjectFileBytes file = fullFile(3, 2);
    file.type = {0x42, 0x4D};
    file.fileSize = 0x11223344;
    file.offBits = 0x55667788;
    file.infoSize = 0x0A0B0C0D;
    file.planes = 0x0102;
    file.bitCount = 0x0304;
    file.compression = 0x05060708;
    file.sizeImage = 0x090A0B0C;
    file.xPelsPerMeter = -2;
    file.yPelsPerMeter = 0x10203040;
    file.clrUsed = 0x50607080;
    file.clrImportant = 0x0F0E0D0C;
    file.colourTable[200] = {1, 2, 3, 4};
    const auto bytes = file.bytes();
    const ObjectBitmap bitmap = ReadObjectBitmap(bytes);

    EXPECT_EQ(bitmap.fileHeader, (ObjectFileHeader{0x4D42, 0x11223344, 0, 0, 0x55667788}));
    EXPECT_EQ(bitmap.infoHeader, (ObjectInfoHeader{0x0A0B0C0D, 3, 2, 0x0102, 0x0304, 0x05060708, 0x090A0B0C,
                                                   -2, 0x10203040, 0x50607080, 0x0F0E0D0C}));
    EXPECT_EQ(bitmap.colourTable[200], (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
}

TEST(ObjectBitmapReader, FirstStoredRowIsRowZeroAndPaddingBytesAreKept) {
    ObjectFileBytes file;
    file.width = 3;
    file.height = 2;
    // Bottom row first; the fourth byte of each row is padding.
    file.pixels = {1, 2, 3, 9, 4, 5, 6, 8};
    const auto bytes = file.bytes();
    const ObjectPixels pixels = ReadObjectBitmap(bytes).pixels;

    EXPECT_EQ(pixels(0, 0), 1);
    EXPECT_EQ(pixels(2, 0), 3);
    EXPECT_EQ(pixels(3, 0), 9);
    EXPECT_EQ(pixels(0, 1), 4);
    EXPECT_EQ(pixels(3, 1), 8);
}

TEST(ObjectBitmapReader, StreamIsReadOnlyUpToTheLastPixelByte) {
    ObjectFileBytes file = fullFile(5, 3);
    file.pixels.resize(file.pixels.size() + 100, 0x55);
    const auto bytes = file.bytes();
    std::istringstream stream(std::string(bytes.begin(), bytes.end()), std::ios::binary);
    ReadObjectBitmap(stream);
    EXPECT_EQ(stream.tellg(), std::streampos(1078 + 8 * 3));
}

TEST(ObjectPixels, IndexOutsideTheBoundsIsSubscriptOutOfRange) {
    const auto bytes = fullFile(3, 2).bytes();
    const ObjectPixels pixels = ReadObjectBitmap(bytes).pixels;
    for (auto [x, j] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 2}, {INT_MAX, INT_MAX}}) {
        try {
            pixels(x, j);
            ADD_FAILURE() << "no error for (" << x << ", " << j << ")";
        } catch (const RunTimeError& error) {
            EXPECT_EQ(error.number(), ErrorNumber::SubscriptOutOfRange);
        }
    }
    EXPECT_THROW(ObjectPixels()(0, 0), RunTimeError);
}

}  // namespace
}  // namespace marbleck
