#pragma once

#include <cstddef>
#include <vector>

namespace marbleck {

// The hologram as 32-bit floats indexed (u, v): u the hologram column, v the
// hologram row. Stored column by column so that a column's v values are
// contiguous: the inner loops of the computation run along v.
class HologramField {
public:
    HologramField() = default;
    HologramField(int columns, int rows)
        : columns_(columns),
          rows_(rows),
          values_(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0.0f) {}

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    bool empty() const { return values_.empty(); }

    float& operator()(int u, int v) { return values_[index(u, v)]; }
    float operator()(int u, int v) const { return values_[index(u, v)]; }

    float* column(int u) { return values_.data() + index(u, 0); }
    const float* column(int u) const { return values_.data() + index(u, 0); }

    std::vector<float>& values() { return values_; }
    const std::vector<float>& values() const { return values_; }

    bool operator==(const HologramField&) const = default;

private:
    std::size_t index(int u, int v) const {
        return static_cast<std::size_t>(u) * static_cast<std::size_t>(rows_) + static_cast<std::size_t>(v);
    }

    int columns_ = 0;
    int rows_ = 0;
    std::vector<float> values_;
};

}  // namespace marbleck
