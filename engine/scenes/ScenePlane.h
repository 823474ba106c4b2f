#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace marbleck {

// The hologram plane z = 0 in physical units: columns × rows values at
// `pitch` metres. The value at row r, column c lies at
// x = (c − (columns − 1)/2)·pitch, y = (r − (rows − 1)/2)·pitch: the plane's
// centre is the axis every scene point is measured from.
struct ScenePlane {
    int columns = 0;
    int rows = 0;
    double pitch = 0;  // metres

    double x(int column) const { return (column - (columns - 1) / 2.0) * pitch; }
    double y(int row) const { return (row - (rows - 1) / 2.0) * pitch; }
    std::size_t size() const { return static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows); }
};

// A complex field on a ScenePlane, row by row (row r's values are
// contiguous, column c at row·columns + c), as NumPy's C order keeps an
// array of shape (rows, columns).
struct SceneField {
    ScenePlane plane;
    std::vector<std::complex<float>> values;

    SceneField() = default;
    explicit SceneField(const ScenePlane& p) : plane(p), values(p.size()) {}
    std::complex<float>* row(int r) { return values.data() + static_cast<std::size_t>(r) * plane.columns; }
    const std::complex<float>* row(int r) const {
        return values.data() + static_cast<std::size_t>(r) * plane.columns;
    }
};

}  // namespace marbleck
