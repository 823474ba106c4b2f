// The hologram of a picture through the installed engine, written as NumPy
// float32 with the bytes marbleck-cli writes for the same picture:
//
//   hologram_npy OBJECT.pgm OUT.npy [--reps R] [--engine exact|fast]
//                [--random-phase [--seed N]]
//
// OBJECT is a binary PGM (P5, 8-bit); every pixel that is not 0 is a point.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/HologramPipeline.h"
#include "platform/RandomGenerator.h"

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // row by row, top row first
};

// The next number of a PGM header, after blanks and # comments.
int HeaderNumber(std::istream& in) {
    in >> std::ws;
    while (in.peek() == '#') {
        in.ignore(1 << 20, '\n');
        in >> std::ws;
    }
    int value = 0;
    if (!(in >> value) || value <= 0) throw std::runtime_error("not a binary 8-bit PGM");
    return value;
}

Picture ReadPgm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    if (!in.read(magic, 2) || magic[0] != 'P' || magic[1] != '5')
        throw std::runtime_error("not a binary PGM (P5)");
    Picture picture;
    picture.width = HeaderNumber(in);
    picture.height = HeaderNumber(in);
    if (HeaderNumber(in) > 255) throw std::runtime_error("only 8-bit PGMs are read");
    in.get();  // the one blank before the pixels
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    if (!in.read(reinterpret_cast<char*>(picture.pixels.data()),
                 static_cast<std::streamsize>(picture.pixels.size())))
        throw std::runtime_error("the PGM is short");
    return picture;
}

// NumPy's format 1.0: the header padded with blanks to a multiple of 64
// bytes, then the values row by row (row v, then column u).
void WriteNpy(const marbleck::HologramField& field, const std::string& path) {
    std::string header = "{'descr': '<f4', 'fortran_order': False, 'shape': (" +
                         std::to_string(field.rows()) + ", " + std::to_string(field.columns()) + "), }";
    const std::size_t preamble = 10;
    header.append((preamble + header.size() + 1 + 63) / 64 * 64 - preamble - header.size() - 1, ' ');
    header += '\n';
    std::ofstream out(path, std::ios::binary);
    out.write("\x93NUMPY\x01\x00", 8);
    out.put(static_cast<char>(header.size() & 0xff));
    out.put(static_cast<char>(header.size() >> 8));
    out << header;
    for (int v = 0; v < field.rows(); ++v)
        for (int u = 0; u < field.columns(); ++u) {
            const float value = field(u, v);
            out.write(reinterpret_cast<const char*>(&value), sizeof value);
        }
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::vector<std::string> files;
    double reps = 1;
    marbleck::EngineKind engine = marbleck::EngineKind::Exact;
    bool randomPhase = false;
    std::uint64_t seed = std::random_device{}();
    try {
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            const std::string& option = arguments[i];
            const bool hasValue = i + 1 < arguments.size();
            if (option == "--reps" && hasValue)
                reps = std::stod(arguments[++i]);
            else if (option == "--engine" && hasValue)
                engine = arguments[++i] == "fast" ? marbleck::EngineKind::Fast : marbleck::EngineKind::Exact;
            else if (option == "--seed" && hasValue)
                seed = std::stoull(arguments[++i]);
            else if (option == "--random-phase")
                randomPhase = true;
            else
                files.push_back(option);
        }
        if (files.size() != 2) {
            std::cerr << "usage: hologram_npy OBJECT.pgm OUT.npy [--reps R] [--engine exact|fast] "
                         "[--random-phase [--seed N]]\n";
            return 1;
        }
        const Picture picture = ReadPgm(files[0]);
        const marbleck::HologramGeometry geometry = marbleck::MakeHologramGeometry(
            static_cast<float>(picture.width), static_cast<float>(picture.height), reps);

        // The lit pixels in the engine's scan order: column by column (x
        // outer, y inner), as the window and the command line take them.
        std::vector<marbleck::ObjectPoint> points;
        for (int x = 0; x < geometry.canvasColumns; ++x)
            for (int y = 0; y < geometry.canvasRows; ++y)
                if (picture.pixels[static_cast<std::size_t>(y) * picture.width + x] != 0)
                    points.push_back({x, y});

        // One phase per point, drawn in the same order from the program's
        // own generator, so that a seed gives the command line's phases.
        std::vector<double> phases(points.size(), 0.0);
        if (randomPhase) {
            marbleck::RandomGenerator random;
            random.seed(seed);
            for (double& phase : phases) phase = marbleck::PhaseOfDraw(random.next());
        }

        marbleck::HologramField field;
        std::vector<std::uint8_t> grey;
        marbleck::CalculateHologram(engine, geometry, points, phases, field, grey);
        WriteNpy(field, files[1]);
        std::cerr << points.size() << " points, " << field.columns() << " x " << field.rows() << " values\n";
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "hologram_npy: " << error.what() << '\n';
        return 2;
    }
}
