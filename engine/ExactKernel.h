#pragma once

namespace marbleck {

// Adds one object point to one hologram column (v contiguous):
//   column[0] = float(column[0] + P)
//   column[v] = float((column[v] + Cv·P) − Sv·Q)   for v = 1 .. rows − 1
// with (Cv, Sv) = (cv[v], sv[v]). Every operation is a separate 64-bit
// rounding in exactly this order, whatever vector width runs it, so the
// result equals the plain scalar recurrence bit for bit.
void UpdateColumn(float* column, const double* cv, const double* sv, double p, double q, int rows);

// Which kernel UpdateColumn uses on this processor: "avx2" or "scalar".
const char* UpdateColumnKernel();

}  // namespace marbleck
