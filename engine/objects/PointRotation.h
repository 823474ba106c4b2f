#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <stdexcept>

#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/core/ObjectPoint.h"

namespace marbleck {

// The six trigonometric values of one object point, the only ones evaluated
// per point: every per-value cosine comes from rotating by them.
struct PointRotation {
    double cx = 1, sx = 0;      // one step along u (hologram columns)
    double cy = 1, sy = 0;      // one step along v (hologram rows)
    double cphi = 1, sphi = 0;  // the point's phase
};

inline PointRotation RotationOf(const HologramGeometry& g, ObjectPoint p, double phase) {
    const double ax = PointAngle(p.x, g.W);
    const double ay = PointAngle(p.y, g.H);
    return {std::cos(ax), std::sin(ax), std::cos(ay), std::sin(ay), std::cos(phase), std::sin(phase)};
}

// (Cv, Sv) for v = 0 .. rows − 1 by the v-rotation from (1, 0). Every u
// restarts this same sequence, so one copy per point serves all u.
inline void RotateAlongV(const PointRotation& r, int rows, double* cv, double* sv) {
    double c = 1.0, s = 0.0;
    if (rows > 0) {
        cv[0] = c;
        sv[0] = s;
    }
    for (int v = 1; v < rows; ++v) {
        const double c2 = r.cy * c - r.sy * s;
        const double s2 = r.cy * s + r.sy * c;
        c = c2;
        s = s2;
        cv[v] = c;
        sv[v] = s;
    }
}

// Advances the u-rotation (Cu, Su) by one step.
inline void RotateAlongU(const PointRotation& r, double& cu, double& su) {
    const double c2 = r.cx * cu - r.sx * su;
    const double s2 = r.cx * su + r.sx * cu;
    cu = c2;
    su = s2;
}

// The phased pair (P, Q) at a u whose rotation is (Cu, Su).
inline void PhasedPair(const PointRotation& r, double cu, double su, double& p, double& q) {
    p = r.cphi * cu - r.sphi * su;
    q = r.cphi * su + r.sphi * cu;
}

// The caller's side of every accumulation: one phase per point, points in scan
// order inside the canvas, and a field of the geometry's bounds. A breach is a
// programming fault, not a user error.
inline void CheckAccumulateArguments(const HologramGeometry& g, std::span<const ObjectPoint> points,
                                     std::span<const double> phases, const HologramField& field) {
    if (phases.size() != points.size()) throw std::invalid_argument("one phase per object point is needed");
    if (field.columns() != g.fieldColumns || field.rows() != g.fieldRows)
        throw std::invalid_argument("the field does not have the hologram's bounds");
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ObjectPoint p = points[i];
        if (p.x < 0 || p.x >= g.canvasColumns || p.y < 0 || p.y >= g.canvasRows)
            throw std::invalid_argument("object point outside the canvas");
        if (i > 0) {
            const ObjectPoint q = points[i - 1];
            if (p.x < q.x || (p.x == q.x && p.y <= q.y))
                throw std::invalid_argument("object points are not in scan order");
        }
    }
}

}  // namespace marbleck
