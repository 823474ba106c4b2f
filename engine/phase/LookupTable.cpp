#include "engine/phase/LookupTable.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/QuotedText.h"

namespace marbleck {

PhaseLookupTable LinearLookupTable(int twoPiLevel) {
    if (twoPiLevel < 1 || twoPiLevel > 255)
        throw std::invalid_argument("the grey level for 2π must be 1 to 255");
    PhaseLookupTable table{};
    for (int k = 0; k < 256; ++k)
        table[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(std::lround(k * twoPiLevel / 256.0));
    return table;
}

PhaseLookupTable ParseLookupTable(std::string_view text) {
    PhaseLookupTable table{};
    int entries = 0, line = 0;
    auto fail = [&](const std::string& reason) {
        throw std::invalid_argument("line " + std::to_string(line) + ": " + reason);
    };
    while (!text.empty()) {
        ++line;
        const std::size_t end = text.find('\n');
        std::string_view content = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == ','; };
        std::vector<long> numbers;
        std::size_t at = 0;
        while (true) {
            while (at < content.size() && isSpace(content[at])) ++at;
            if (at == content.size() || (numbers.empty() && content[at] == '#')) break;
            long value = 0;
            const auto [next, error] =
                std::from_chars(content.data() + at, content.data() + content.size(), value);
            if (error != std::errc() || (next != content.data() + content.size() && !isSpace(*next))) {
                fail(QuotedText(content.substr(at, content.find_first_of(" \t\r,", at) - at)) +
                     " is not a whole number");
            }
            numbers.push_back(value);
            at = static_cast<std::size_t>(next - content.data());
        }
        if (numbers.empty()) continue;
        if (numbers.size() > 2) fail("more than two numbers");
        if (entries == 256) fail("more than 256 entries");
        if (numbers.size() == 2 && numbers[0] != entries)
            fail("index " + std::to_string(numbers[0]) + " where " + std::to_string(entries) +
                 " was expected");
        const long level = numbers.back();
        if (level < 0 || level > 255) fail(std::to_string(level) + " is not a grey level 0 to 255");
        table[static_cast<std::size_t>(entries++)] = static_cast<std::uint8_t>(level);
    }
    if (entries != 256)
        throw std::invalid_argument(std::to_string(entries) + " entries where 256 are needed");
    return table;
}

}  // namespace marbleck
