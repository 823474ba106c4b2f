#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace marbleck {

// The stored pixel bytes of an object bitmap, indexed (x, j): x is the byte's
// column within a stored row (0 .. xMax, padding columns included), j the
// stored row's number in file order (0 .. yMax; row 0 is the bottom row of the
// image). x varies fastest, so the bytes lie in file order.
//
// Only the bytes the file actually holds are stored; every byte beyond them
// reads as 0. The memory used is therefore bounded by the file's length, never
// by the dimensions its header claims.
class ObjectPixels {
public:
    // No rows: xMax() and yMax() are -1 and every index is out of range.
    ObjectPixels() = default;

    // rowBytes and height must be positive. Bytes past rowBytes × height are
    // dropped; missing ones read as 0.
    ObjectPixels(int rowBytes, int height, std::vector<std::uint8_t> storedBytes);

    // Throws RunTimeError 9 (subscript out of range) outside (0..xMax, 0..yMax).
    std::uint8_t operator()(int x, int j) const;

    int xMax() const { return rowBytes_ - 1; }
    int yMax() const { return height_ - 1; }
    int rowBytes() const { return rowBytes_; }

    // How many leading bytes came from the file; the rest are implicit zeros.
    std::size_t storedByteCount() const { return stored_.size(); }

    bool operator==(const ObjectPixels&) const = default;

private:
    int rowBytes_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> stored_;
};

}  // namespace marbleck
