#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace marbleck::testing {

// Builds object files byte by byte, so that tests state exactly what lies at
// each file offset. Defaults describe a well-formed 8-bit bitmap with a
// grey-ramp colour table; tests change fields to break it.
struct ObjectFileBytes {
    std::array<std::uint8_t, 2> type{'B', 'M'};
    std::uint32_t fileSize = 0;  // 0: the real length
    std::uint32_t offBits = 1078;
    std::uint32_t infoSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 3780;
    std::int32_t yPelsPerMeter = 3780;
    std::uint32_t clrUsed = 256;
    std::uint32_t clrImportant = 0;
    // Entries written after the info header; an 8-bit file has 256.
    std::vector<std::array<std::uint8_t, 4>> colourTable = greyRamp(256);
    std::vector<std::uint8_t> pixels;

    static std::vector<std::array<std::uint8_t, 4>> greyRamp(int entries) {
        std::vector<std::array<std::uint8_t, 4>> table;
        for (int i = 0; i < entries; ++i) {
            const auto level = static_cast<std::uint8_t>(i * 255 / (entries > 1 ? entries - 1 : 1));
            table.push_back({level, level, level, 0});
        }
        return table;
    }

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out;
        auto put = [&out](std::uint64_t value, int count) {
            for (int i = 0; i < count; ++i) {
                out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
            }
        };
        out.push_back(type[0]);
        out.push_back(type[1]);
        put(fileSize, 4);
        put(0, 2);
        put(0, 2);
        put(offBits, 4);
        put(infoSize, 4);
        put(static_cast<std::uint32_t>(width), 4);
        put(static_cast<std::uint32_t>(height), 4);
        put(planes, 2);
        put(bitCount, 2);
        put(compression, 4);
        put(sizeImage, 4);
        put(static_cast<std::uint32_t>(xPelsPerMeter), 4);
        put(static_cast<std::uint32_t>(yPelsPerMeter), 4);
        put(clrUsed, 4);
        put(clrImportant, 4);
        for (const auto& entry : colourTable) {
            out.insert(out.end(), entry.begin(), entry.end());
        }
        out.insert(out.end(), pixels.begin(), pixels.end());
        if (fileSize == 0) {
            const auto size = static_cast<std::uint32_t>(out.size());
            for (int i = 0; i < 4; ++i) {
                out[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
            }
        }
        return out;
    }
};

// Bytes 1, 2, 3, ... (wrapping past 255 to 1), never 0, so that a byte read
// from the wrong place or a zero filled in shows up.
inline std::vector<std::uint8_t> countingBytes(std::size_t count) {
    std::vector<std::uint8_t> out(count);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::uint8_t>(i % 255 + 1);
    }
    return out;
}

}  // namespace marbleck::testing
