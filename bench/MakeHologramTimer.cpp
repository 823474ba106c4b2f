// The engine's own time for one whole calculation of the half-lit disc (the
// benchmarks' "disc": W = H = 165.33333, random phases seeded 13), for
// bench/python_bench.py to set the Python package's time against:
//
//   marbleck_make_hologram_timer ENGINE REPS RUNS
//
// prints the seconds of each MakeHologram, one a line.
#include <chrono>
#include <cmath>
#include <iostream>
#include <string>

#include "engine/core/HologramGeometry.h"
#include "engine/sums/HologramCalculation.h"

using namespace marbleck;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: marbleck_make_hologram_timer ENGINE REPS RUNS\n";
        return 1;
    }
    const float size = 165.33333f;
    const int samples = SampleCount(size);
    // The disc of the benchmarks' cases, lit samples in scan order.
    HologramObject object{size, size, {}};
    const double centre = (samples - 1) / 2.0, radius = 0.399 * samples;
    for (int x = 0; x < samples; ++x)
        for (int y = 0; y < samples; ++y)
            if ((x - centre) * (x - centre) + (y - centre) * (y - centre) <= radius * radius)
                object.litSamples.push_back({x, y});
    HologramRequest request{object, std::stod(argv[2]), argv[1], true, 13, {}};
    for (int run = 0; run < std::stoi(argv[3]); ++run) {
        const auto start = std::chrono::steady_clock::now();
        const HologramResult result = MakeHologram(request);
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        std::cout << taken.count() << '\n';
    }
    return 0;
}
