#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace marbleck {

// The grey level each of 256 equal phase steps is shown at: entry k is for
// φ = k · 2π / 256.
using PhaseLookupTable = std::array<std::uint8_t, 256>;

// The table of a linear modulator whose grey level `twoPiLevel` (1 .. 255)
// delays by 2π: entry k is round(k · twoPiLevel / 256).
PhaseLookupTable LinearLookupTable(int twoPiLevel = 255);

// Reads a lookup table as modulator makers ship them: 256 lines, each one
// number 0 .. 255 (or two, an index 0 .. 255 in order and the number);
// blank lines and lines starting with '#' are skipped; lines end at '\n'
// (a '\r' before it is a space). Throws std::invalid_argument naming the
// first bad line ("line 12: ...", quoting at most a few bytes of it, control
// bytes escaped) or the count.
PhaseLookupTable ParseLookupTable(std::string_view text);

}  // namespace marbleck
