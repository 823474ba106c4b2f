#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DrawingState.h"
#include "HologramField.h"
#include "ObjectBitmap.h"
#include "RandomGenerator.h"

namespace marbleck {

// The state that the program's procedures share between event handlers:
// paths, the hologram, the drawing state. One instance lives as long as the
// main window; windows reach it through the reference they were given.
struct Module1 {
    std::string InputFilePath;
    std::string SavedHologramPath;

    // Empty until the first calculation.
    marbleck::HologramField HologramField;

    DrawingState Drawing;

    RandomGenerator Random;

    // The last loaded object bitmap as its file stores it: the headers, the
    // colour table and the pixel bytes with their padding columns.
    marbleck::ObjectFileHeader ObjectFileHeader;
    marbleck::ObjectInfoHeader ObjectInfoHeader;
    marbleck::ObjectColourTable ObjectColourTable{};
    marbleck::ObjectPixels ObjectPixels;

    // Grey levels handed to the hologram view; kept to reuse its memory.
    std::vector<std::uint8_t> GreyBuffer;
};

}  // namespace marbleck
