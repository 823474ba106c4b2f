#pragma once

namespace marbleck {

// One point's contribution to a run of consecutive values of one row, in
// single precision: value i of the run lies at dx = firstDx + i·pitch, dy
// from the point, whose distance from the plane is z. Each value gains
// amplitude / r · exp(i(k·ρ²/(r + z) + phase)), with ρ² = dx² + dy²,
// r = √(ρ² + z²): `phase` holds k·z (reduced by 2π, in double before) and
// the point's own phase.
struct PointRun {
    float firstDx = 0;
    float pitch = 0;
    float dySquared = 0;
    float z = 0;
    float k = 0;
    float phase = 0;
    float amplitude = 0;
};

// Adds the run's `count` values into real[0 … count) and imag[0 … count),
// on the widest vectors this processor has. Both arrays must have room for
// RunPadding() values past count: the vectors read and write them whole,
// writing back what they held.
void AddPointRun(const PointRun& run, float* real, float* imag, int count);

// The values past a run AddPointRun may read and write.
int RunPadding();

}  // namespace marbleck
