#include "platform/NumberText.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

namespace marbleck {

// Numbers are converted with std::from_chars and std::to_chars, which always
// use a point, never through the C library's locale: the program takes that
// from the user's settings, and many have a decimal comma.

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string general(double value, int significantDigits) {
    if (value == 0.0) return "0";  // also turns -0 into "0"
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, significantDigits)
            .ptr;
    std::string text(buffer, end);
    // As "%G": upper case ("1E-05", "INF"), an exponent of at least two digits.
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (auto e = text.find('E'); e != std::string::npos) {
        std::string mantissa = text.substr(0, e);
        if (mantissa.find('.') != std::string::npos) {
            while (mantissa.back() == '0') mantissa.pop_back();
            if (mantissa.back() == '.') mantissa.pop_back();
        }
        return mantissa + text.substr(e);
    }
    return text;
}

}  // namespace

double ReadNumber(std::string_view text) {
    // Collect the leading number with blanks removed, then convert exactly
    // what was collected. Where it is beyond a double's range, the decimal
    // power of its first significant digit says which way: too large reads
    // as infinity, too small as zero.
    std::string number;
    bool negative = false;
    long long power = 0;       // of the first significant digit, less the exponent
    bool significant = false;  // a non-zero mantissa digit was seen
    long long exponent = 0;    // saturated well beyond any double's range
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i])) ++i;
    };
    auto digits = [&](bool fraction) {
        bool any = false;
        for (skipBlanks(); i < text.size() && isDigit(text[i]); skipBlanks()) {
            const char c = text[i++];
            number += c;
            any = true;
            if (!fraction) {
                if (significant)
                    ++power;
                else if (c != '0')
                    significant = true;
            } else if (!significant) {
                --power;
                if (c != '0') significant = true;
            }
        }
        return any;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool mantissaDigits = digits(false);
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        mantissaDigits = digits(true) || mantissaDigits;
    }
    if (!mantissaDigits) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::string part = "e";
        bool negativeExponent = false;
        std::size_t mark = i++;
        skipBlanks();
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            part += text[i++];
        }
        bool any = false;
        long long magnitude = 0;
        for (skipBlanks(); i < text.size() && isDigit(text[i]); skipBlanks()) {
            magnitude = std::min(magnitude * 10 + (text[i] - '0'), 1'000'000'000LL);
            part += text[i++];
            any = true;
        }
        if (any) {
            number += part;
            exponent = negativeExponent ? -magnitude : magnitude;
        } else {
            i = mark;
        }
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range)
        value = power + exponent >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

std::string WriteNumber(float value) { return general(value, 7); }
std::string WriteNumber(double value) { return general(value, 15); }
std::string WriteNumber(long long value) { return std::to_string(value); }

}  // namespace marbleck
