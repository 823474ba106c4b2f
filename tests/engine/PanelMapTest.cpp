// What a panel refuses rather than map to phases that are no numbers, and the
// one reader of lookup table files that every front end uses.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <string>

#include "FileFolder.h"
#include "engine/core/HologramField.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"
#include "engine/phase/LookupTableFile.h"
#include "engine/phase/PanelMap.h"

namespace marbleck {
namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

PhaseHologram Flat(int columns, int rows, float phase = 1) {
    PhaseHologram h;
    h.phase = HologramField(columns, rows);
    std::fill(h.phase.values().begin(), h.phase.values().end(), phase);
    return h;
}

struct PanelCase {
    const char* name;
    int width, height;  // 0 x 0: the hologram's own 8 x 8
    double tiltX, tiltY;
    double focal, wavelength, pitch;  // focal 0: no lens
    const char* reason;               // part of the refusal, "" when mapped
};

class PanelCases : public ::testing::TestWithParam<PanelCase> {};

// Whatever is refused, the rest maps to finite phases only.
TEST_P(PanelCases, RefusedOrFinite) {
    const PanelCase& c = GetParam();
    PanelSettings panel;
    panel.width = c.width;
    panel.height = c.height;
    panel.tiltX = c.tiltX;
    panel.tiltY = c.tiltY;
    if (c.focal != 0) panel.lens = LensTerm{c.focal, c.wavelength, c.pitch};
    if (*c.reason != '\0') {
        try {
            MapToPanel(Flat(8, 8), panel);
            ADD_FAILURE() << "mapped";
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
        }
        return;
    }
    const PanelMap map = MapToPanel(Flat(8, 8), panel);
    for (const float phi : map.phase.values()) ASSERT_TRUE(std::isfinite(phi) && phi >= 0 && phi < 7);
}

constexpr char Beyond[] = "beyond any number";
constexpr char Tilt[] = "from -0.5 to 0.5 cycles per pixel";

INSTANTIATE_TEST_SUITE_P(
    Settings, PanelCases,
    ::testing::Values(PanelCase{"HugeTilt", 0, 0, 1e308, 0, 0, 0, 0, Tilt},
                      PanelCase{"TiltOverHalf", 0, 0, 0, -0.7, 0, 0, 0, Tilt},
                      PanelCase{"TiltNaN", 0, 0, NaN, 0, 0, 0, 0, Tilt},
                      PanelCase{"TiltHalf", 0, 0, 0.5, -0.5, 0, 0, 0, ""},
                      PanelCase{"DenormalFocal", 0, 0, 0, 0, 1e-320, 633, 8, Beyond},
                      PanelCase{"HugePitch", 0, 0, 0, 0, 0.5, 633, 1e308, Beyond},
                      PanelCase{"TinyWavelength", 0, 0, 0, 0, 0.5, 1e-308, 8, Beyond},
                      PanelCase{"InfiniteFocal", 0, 0, 0, 0, Infinity, 633, 8, "focal length"},
                      // Finite on 8 x 8, beyond any number at the corners of a large panel.
                      PanelCase{"SteepOnLargePanel", 16384, 4096, 0, 0, 5e-294, 633, 1e7, Beyond},
                      PanelCase{"SteepOnSmallPanel", 2, 2, 0, 0, 5e-294, 633, 1e7, ""},
                      PanelCase{"OrdinaryLens", 0, 0, 0.1, 0, -0.5, 633, 8, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Panel, HologramPhasesThatAreNoNumberAreRefused) {
    for (const float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        PhaseHologram h = Flat(3, 2);
        h.phase(2, 1) = bad;
        EXPECT_THROW(MapToPanel(h, {}), std::invalid_argument) << bad;
    }
}

// A bad line is quoted short and with its control bytes escaped, so that a
// message can go to a terminal in one line.
TEST(LookupTable, QuotesABadLineShortAndEscaped) {
    auto reason = [](const std::string& text) {
        try {
            ParseLookupTable(text);
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(reason("0\n\x1b]0;owned\x07x\n"), "line 2: \"\\x1B]0;owned\\x07x\" is not a whole number");
    EXPECT_EQ(reason("\xc3\xa9t\xc3\xa9\n"), "line 1: \"\\xC3\\xA9t\\xC3\\xA9\" is not a whole number");
    const std::string message = reason(std::string(1 << 20, 'x'));
    EXPECT_EQ(message, "line 1: \"" + std::string(24, 'x') + "...\" is not a whole number");
    // Lines end at '\n' alone: a file of '\r' endings is one long line.
    std::string returns;
    for (int k = 0; k < 256; ++k) returns += std::to_string(k) + "\r";
    EXPECT_EQ(reason(returns), "line 1: more than two numbers");
}

// Lookup table files.
class LookupFiles : public test::FileFolder {
protected:
    static std::string Table() {
        std::string text = "# phase step, grey level\n";
        for (int k = 0; k < 256; ++k) text += std::to_string(k) + " " + std::to_string(255 - k) + "\n";
        return text;
    }

    // The error reading `path` throws, or number 0 when it was read.
    static LookupTableFileError Failure(const std::string& path) {
        try {
            ReadLookupTableFile(path);
        } catch (const LookupTableFileError& error) {
            return error;
        }
        return {0, "read", "read"};
    }
};

TEST_F(LookupFiles, ReadsAMakersTable) {
    const PhaseLookupTable table = ReadLookupTableFile(write("LUT.txt", Table()));
    EXPECT_EQ(table[0], 255);
    EXPECT_EQ(table[255], 0);
}

TEST_F(LookupFiles, RefusesWhatIsNoRegularFileWithoutReadingIt) {
    const std::string pipe = folder_ + "/pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // A pipe with no writer would block its reader for ever; a device would
    // fill memory.
    for (const std::string& path : {pipe, std::string("/dev/zero")}) {
        const LookupTableFileError error = Failure(path);
        EXPECT_EQ(error.number(), 75) << path;
        EXPECT_EQ(error.reason(), "Path/File access error: " + path + " is not a regular file");
    }
    EXPECT_EQ(Failure(folder_).number(), 75);
    EXPECT_NE(Failure(folder_).reason().find("is a folder"), std::string::npos);
    const LookupTableFileError missing = Failure(folder_ + "/none.txt");
    EXPECT_EQ(missing.number(), 53);
    EXPECT_EQ(missing.description(), "File not found: " + folder_ + "/none.txt");
}

TEST_F(LookupFiles, RefusesAFileOverTheBound) {
    std::string text = Table();
    text += std::string(MaxLookupFileBytes - text.size(), '#');
    EXPECT_EQ(ReadLookupTableFile(write("full.txt", text))[0], 255);  // exactly the bound
    const LookupTableFileError error = Failure(write("over.txt", text + "#"));
    EXPECT_EQ(error.number(), 75);
    EXPECT_NE(error.reason().find("more than 1 MiB, not a lookup table"), std::string::npos);
}

TEST_F(LookupFiles, NamesTheFileAndTheLineOfABadTable) {
    std::string text = Table();
    text.replace(text.find("\n11 ") + 4, 3, "\x1b[2J");
    const LookupTableFileError error = Failure(write("LUT.txt", text));
    EXPECT_EQ(error.number(), 380);
    EXPECT_EQ(error.reason(), "line 13: \"\\x1B[2J\" is not a whole number");
    EXPECT_EQ(error.description(), "Invalid property value: LUT.txt: " + error.reason());
}

}  // namespace
}  // namespace marbleck
