#pragma once

#include <string>
#include <string_view>

namespace marbleck {

// Reads the number at the start of a text the way the user's boxes are read:
// blanks are ignored, a point is the decimal point, the longest leading number
// is taken (sign, digits, fraction, exponent), trailing text is ignored, and a
// text that does not begin with a number reads as 0.
double ReadNumber(std::string_view text);

// Shortest general decimal form with a point as the decimal separator: whole
// numbers without a point ("600"), single-precision values with up to 7
// significant digits, double-precision values with up to 15.
std::string WriteNumber(float value);
std::string WriteNumber(double value);
std::string WriteNumber(long long value);

}  // namespace marbleck
