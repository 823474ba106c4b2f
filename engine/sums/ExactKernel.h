#pragma once

namespace marbleck {

// The vector widths the column update can run at.
enum class ColumnKernel { Scalar, Avx2, Avx512 };

// Adds one object point to one hologram column (v contiguous):
//   column[0] = float(column[0] + P)
//   column[v] = float((column[v] + Cv·P) − Sv·Q)   for v = 1 .. rows − 1
// with (Cv, Sv) = (cv[v], sv[v]). Every operation is a separate 64-bit
// rounding in exactly this order, whatever vector width runs it, so the
// result equals the plain scalar recurrence bit for bit.
void UpdateColumn(float* column, const double* cv, const double* sv, double p, double q, int rows);

// The same for rows begin .. end − 1 only (column, cv and sv still start at
// row 0), so that long columns can be taken in cache-sized pieces.
void UpdateColumnRows(float* column, const double* cv, const double* sv, double p, double q, int begin,
                      int end);

// The widest kernel this processor runs; UpdateColumn uses it unless
// SelectColumnKernel chose another.
ColumnKernel BestColumnKernel();
bool ColumnKernelSupported(ColumnKernel kernel);

// Makes UpdateColumn use `kernel` from now on (for comparing the widths);
// returns false, changing nothing, when the processor lacks it.
bool SelectColumnKernel(ColumnKernel kernel);

const char* ColumnKernelName(ColumnKernel kernel);
ColumnKernel SelectedColumnKernel();

}  // namespace marbleck
