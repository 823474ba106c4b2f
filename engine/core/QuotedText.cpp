#include "engine/core/QuotedText.h"

#include <cstddef>
#include <cstdio>

namespace marbleck {

std::string QuotedText(std::string_view text) {
    constexpr std::size_t QuotedBytes = 24;
    std::string quoted(1, '"');
    for (const char c : text.substr(0, QuotedBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f) {
            quoted += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            quoted += escaped;
        }
    }
    if (text.size() > QuotedBytes) quoted += "...";
    quoted += '"';
    return quoted;
}

}  // namespace marbleck
