#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/DrawingState.h"
#include "engine/HologramField.h"
#include "input/core/ObjectBitmap.h"
#include "platform/RandomGenerator.h"

namespace marbleck {

// The state that the program's procedures share between event handlers:
// paths, the hologram, the drawing state. One instance lives as long as the
// main window; windows reach it through the reference they were given.
struct Document {
    std::string inputFilePath;
    std::string savedHologramPath;

    // Empty until the first calculation.
    marbleck::HologramField field;

    DrawingState drawing;

    RandomGenerator random;

    // The last loaded object bitmap as its file stores it: the headers, the
    // colour table and the pixel bytes with their padding columns.
    marbleck::ObjectFileHeader ObjectFileHeader;
    marbleck::ObjectInfoHeader ObjectInfoHeader;
    marbleck::ObjectColourTable ObjectColourTable{};
    marbleck::ObjectPixels ObjectPixels;

    // Grey levels handed to the hologram view; kept to reuse its memory.
    std::vector<std::uint8_t> greyLevels;
};

}  // namespace marbleck
