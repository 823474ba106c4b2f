#pragma once

#include <string>

#include "widgets/PictureArea.h"

namespace marbleck::test {

// A picture area set up as the object canvas (black, 1500 twips a side,
// 14.4 twips a unit) on which a test draws what it expects the canvas to
// hold, through the same drawing operations.
class ReferenceCanvas : public PictureArea {
public:
    explicit ReferenceCanvas(int penWidth = 1) {
        setBackColor(Black);
        setUserScale(14.4, 14.4);
        setOuterSize(1500, 1500);
        setPenWidth(penWidth);
    }
};

// Pixels that differ between two images of the same size, as "(x,y)" text,
// so that a failure shows where the traces are.
inline std::string Differences(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size()) return "sizes differ";
    std::string out;
    int count = 0;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y) && count++ < 20) {
                // Appended piece by piece: GCC 12 warns about a false overlap
                // in "(" + std::to_string(x) when optimising.
                out += '(';
                out += std::to_string(x);
                out += ',';
                out += std::to_string(y);
                out += ") ";
            }
    return count == 0 ? std::string() : std::to_string(count) + " pixels differ: " + out;
}

}  // namespace marbleck::test
