// Fuzz target for the object bitmap reader. Any input must either load or be
// refused with a RunTimeError; the memory and stream readers must agree; a
// loaded bitmap must hold no more bytes than the file and read 0 beyond them;
// the signature check passes exactly the files that begin with "BM".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>

#include "ReadOutcome.h"
#include "input/core/ObjectBitmap.h"
#include "input/core/ObjectPreview.h"
#include "input/core/PictureSignature.h"
#include "platform/RunTimeError.h"

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "object bitmap invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    // Only a file that begins with the bitmap signature (or is too short to
    // hold one) passes for a bitmap.
    const bool passes =
        !marbleck::NotABitmapReason(bytes.first(std::min(size, marbleck::PictureSignatureBytes)));
    require(passes == (size < 2 || (data[0] == 'B' && data[1] == 'M')), "signature check");
    const marbleck::test::ReadOutcome fromMemory = marbleck::test::ReadOutcomeOf(bytes);
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    const marbleck::test::ReadOutcome fromStream = marbleck::test::ReadOutcomeOf(stream);
    require(fromMemory.errorNumber == fromStream.errorNumber, "readers disagree on the error");
    require(fromMemory.description == fromStream.description, "readers disagree on the text");
    require(fromMemory.bitmap == fromStream.bitmap, "readers disagree on the bitmap");
    if (fromMemory.errorNumber != 0) {
        return 0;
    }

    const marbleck::ObjectBitmap& bitmap = fromMemory.bitmap;
    const marbleck::ObjectPixels& pixels = bitmap.pixels;
    require(bitmap.rowBytes % 4 == 0 && bitmap.rowBytes - bitmap.pad == bitmap.infoHeader.width,
            "row layout");
    require(pixels.xMax() == bitmap.xMax && pixels.yMax() == bitmap.yMax, "bounds");
    const std::size_t pixelBytesInFile = size > 1078 ? size - 1078 : 0;
    require(pixels.storedByteCount() <= pixelBytesInFile, "more bytes stored than the file holds");

    auto fileByte = [&](std::uint64_t offset) -> std::uint8_t { return offset < size ? data[offset] : 0; };
    const auto rowBytes = static_cast<std::uint64_t>(bitmap.rowBytes);
    for (int j : {0, bitmap.yMax / 2, bitmap.yMax}) {
        for (int x : {0, bitmap.xMax / 2, bitmap.xMax}) {
            const std::uint64_t offset =
                1078 + static_cast<std::uint64_t>(j) * rowBytes + static_cast<std::uint64_t>(x);
            require(pixels(x, j) == fileByte(offset), "pixel differs from the file byte");
        }
    }

    constexpr int viewSide = 64;
    marbleck::ForEachObjectPreviewPoint(pixels, viewSide, viewSide, [&](int x, int y, bool white) {
        require(x >= 0 && x < viewSide && y >= 0 && y < viewSide, "preview point outside view");
        require(white == (pixels(x, bitmap.yMax - y) != 0), "preview colour");
    });
    return 0;
}
