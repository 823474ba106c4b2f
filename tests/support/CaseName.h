#pragma once

// Readable names for the cases of parameterised tests (the last argument of
// INSTANTIATE_TEST_SUITE_P), so that test listings say which case is which
// instead of showing the parameter's bytes. Names may hold only letters,
// digits and '_'.

#include <cctype>
#include <charconv>
#include <string>
#include <string_view>
#include <type_traits>

namespace marbleck::test {

// A box's text spelled out: letters and digits as they are, other characters
// by name; "" is "Empty". TextCaseName(" -2.5") is "BlankMinus2Point5".
inline std::string TextCaseName(std::string_view text) {
    if (text.empty()) return "Empty";
    std::string name;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
        else if (c == ' ')
            name += "Blank";
        else if (c == '.')
            name += "Point";
        else if (c == ',')
            name += "Comma";
        else if (c == '-')
            name += "Minus";
        else if (c == '+')
            name += "Plus";
        else
            name += '_';
    }
    return name;
}

namespace detail {

inline void AppendNamePart(std::string& name, std::string_view text) {
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_')
            name += c;
        else if (c == '.')
            name += 'p';
        else if (c == '-')
            name += "Minus";
        else if (c != '+')
            name += '_';
    }
}

template <typename T>
requires std::is_arithmetic_v<T>
void AppendNamePart(std::string& name, T value) {
    // The shortest text that reads back as the same value, so that
    // neighbouring floats get different names.
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    AppendNamePart(name, std::string_view(buffer, end - buffer));
}

}  // namespace detail

// Labels and values run together: CaseName("W", 10.6f, "_R", -2.5) is
// "W10p6_RMinus2p5" (a point becomes 'p', a minus sign "Minus").
template <typename... Parts>
std::string CaseName(const Parts&... parts) {
    std::string name;
    (detail::AppendNamePart(name, parts), ...);
    return name;
}

}  // namespace marbleck::test
