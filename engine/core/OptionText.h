#pragma once

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <system_error>

namespace marbleck {

// An option's whole text as a finite number ("2.5", "-1", "3e2"; a point is
// the decimal point), or nothing: no blank, sign "+", trailing text, comma,
// infinity or NaN. Unlike the window's boxes, which read the leading number
// of whatever was typed (ReadNumber), an option is taken whole or refused,
// so that a typing error cannot silently become another value.
inline std::optional<double> WholeNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace marbleck
