#include "engine/sums/ReferenceSums.h"

#include "engine/objects/PointRotation.h"

#ifdef __FAST_MATH__
#error "the reference sums must be built without -ffast-math: it reorders the roundings"
#endif

namespace marbleck {

void AccumulateReference(const HologramGeometry& g, std::span<const ObjectPoint> points,
                         std::span<const double> phases, HologramField& field, const ColumnDone& columnDone,
                         const CancelFlag* cancel) {
    CheckAccumulateArguments(g, points, phases, field);
    std::size_t next = 0;
    for (int x = 0; x < g.canvasColumns; ++x) {
        for (; next < points.size() && points[next].x == x; ++next) {
            const PointRotation r = RotationOf(g, points[next], phases[next]);
            double cu = 1.0, su = 0.0;
            for (int u = 0; u < g.columns; ++u) {
                StopIfCancelled(cancel);
                double p = r.cphi, q = r.sphi;
                if (u > 0) {
                    RotateAlongU(r, cu, su);
                    PhasedPair(r, cu, su, p, q);
                }
                float* column = field.column(u);
                column[0] = static_cast<float>(static_cast<double>(column[0]) + p);
                double cv = 1.0, sv = 0.0;
                for (int v = 1; v < g.rows; ++v) {
                    const double cv2 = r.cy * cv - r.sy * sv;
                    const double sv2 = r.cy * sv + r.sy * cv;
                    cv = cv2;
                    sv = sv2;
                    // value + Cv·P − Sv·Q, evaluated left to right in 64-bit,
                    // rounded to 32-bit once when stored.
                    column[v] = static_cast<float>((static_cast<double>(column[v]) + cv * p) - sv * q);
                }
            }
        }
        if (columnDone) columnDone(x);
    }
}

}  // namespace marbleck
