#include "NumberText.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace marbleck {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string general(double value, int significantDigits) {
    if (value == 0.0) return "0";  // also turns -0 into "0"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", significantDigits, value);
    std::string text(buffer);
    // "%G" keeps a two-digit exponent ("1E-05"); keep the mantissa tidy.
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
    // Collect the leading number with blanks removed, then let strtod convert
    // exactly what was collected.
    std::string number;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i])) ++i;
    };
    auto digits = [&] {
        bool any = false;
        for (skipBlanks(); i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
             skipBlanks()) {
            number += text[i++];
            any = true;
        }
        return any;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    bool mantissaDigits = digits();
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        mantissaDigits = digits() || mantissaDigits;
    }
    if (!mantissaDigits) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::string exponent = "e";
        std::size_t mark = i++;
        skipBlanks();
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) exponent += text[i++];
        bool any = false;
        for (skipBlanks(); i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
             skipBlanks()) {
            exponent += text[i++];
            any = true;
        }
        if (any) number += exponent;
        else i = mark;
    }
    return std::strtod(number.c_str(), nullptr);
}

std::string WriteNumber(float value) { return general(value, 7); }
std::string WriteNumber(double value) { return general(value, 15); }
std::string WriteNumber(long long value) { return std::to_string(value); }

}  // namespace marbleck
