#include "engine/binarization/Binarization.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "engine/binarization/BinaryOptimiser.h"
#include "engine/core/NamedTable.h"
#include "engine/core/ParallelFor.h"

namespace marbleck {

namespace {

// The bins of each of the median's two counts: one per 16-bit half of a key.
constexpr std::size_t Bins = 1u << 16;

// A key whose unsigned order is the values' order (NaN apart); −0 counts as
// +0, as the comparisons do.
std::uint32_t OrderKey(float value) {
    std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    if (bits == 0x80000000u) bits = 0;
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

float ValueOfKey(std::uint32_t key) {
    return std::bit_cast<float>((key & 0x80000000u) ? (key & 0x7FFFFFFFu) : ~key);
}

// The bin that holds the value of rank `rank` (from 0); `rank` becomes its
// rank among the values of that bin.
std::uint32_t FindBin(std::span<const std::uint32_t> counts, std::uint64_t& rank) {
    for (std::uint32_t bin = 0;; ++bin) {
        if (rank < counts[bin]) return bin;
        rank -= counts[bin];
    }
}

// The same selection by sorting a copy: for holograms of more values than a
// 32-bit count holds.
double SortedMedian(const HologramField& field, int columns, int rows, std::uint64_t rank) {
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int u = 0; u < columns; ++u) {
        const float* column = field.column(u);
        values.insert(values.end(), column, column + rows);
    }
    const auto k = values.begin() + static_cast<std::ptrdiff_t>(rank);
    std::nth_element(values.begin(), k, values.end());
    return *k == 0.0f ? 0.0 : *k;
}

// Every value strictly above `threshold` becomes 255 in `values` and
// `grey`, every other 0. A float is above the 64-bit threshold exactly when
// it is above the largest float not above it, so the comparison runs in
// 32 bits; the pointers are local, so the compiler may turn the loop into
// vector lanes after checking that the two arrays are apart.
void BinarizeValues(float* values, std::uint8_t* grey, std::size_t count, double threshold) {
    float below = static_cast<float>(threshold);
    if (static_cast<double>(below) > threshold)
        below = std::nextafter(below, -std::numeric_limits<float>::infinity());
    for (std::size_t i = 0; i < count; ++i) {
        const bool white = values[i] > below;
        values[i] = white ? 255.0f : 0.0f;
        grey[i] = white ? 255 : 0;
    }
}

// Binarize on the pool's threads, each a contiguous share of the values.
BinarizedHologram AtThreshold(const HologramField& calculated, double threshold, ThreadPool& pool) {
    BinarizedHologram binarized;
    binarized.threshold = threshold;
    binarized.field = calculated;
    std::vector<float>& values = binarized.field.values();
    binarized.greyLevels.resize(values.size());
    const std::size_t count = values.size();
    ParallelFor(pool, PartsFor(pool, static_cast<long long>(count), 1LL << 16), count,
                [&](int, std::size_t first, std::size_t last) {
                    BinarizeValues(values.data() + first, binarized.greyLevels.data() + first, last - first,
                                   threshold);
                });
    return binarized;
}

BinarizedHologram BinarizeAtThreshold(const HologramField& calculated, const BinarizationRequest& request,
                                      const BinarizationContext& context) {
    return AtThreshold(calculated, request.threshold, context.execution.pool());
}

BinarizedHologram BinarizeBalanced(const HologramField& calculated, const BinarizationRequest&,
                                   const BinarizationContext& context) {
    const double threshold =
        MedianThreshold(calculated, context.geometry.columns, context.geometry.rows, context.execution);
    return AtThreshold(calculated, threshold, context.execution.pool());
}

constexpr std::array<BinarizationMethod, 3> Methods{{
    {"threshold", "Threshold", BinarizeAtThreshold, true, false},
    {"balanced", "Balanced", BinarizeBalanced, false, false},
    {"optimised", "Optimised", OptimiseBinary, false, true},
}};

}  // namespace

std::span<const BinarizationMethod> BinarizationMethods() { return Methods; }

const BinarizationMethod* FindBinarizationMethod(std::string_view name) {
    return FindNamed(BinarizationMethods(), name);
}

BinarizedHologram ApplyBinarization(const BinarizationRequest& request, const HologramField& calculated,
                                    const BinarizationContext& context) {
    const BinarizationMethod* method = FindBinarizationMethod(request.method);
    if (method == nullptr) throw std::invalid_argument("unknown binarization " + request.method);
    BinarizedHologram binarized = method->binarize(calculated, request, context);
    binarized.method = request.method;
    return binarized;
}

void Binarize(HologramField& field, double threshold, std::vector<std::uint8_t>& grey) {
    grey.resize(field.values().size());
    BinarizeValues(field.values().data(), grey.data(), grey.size(), threshold);
}

double MedianThreshold(const HologramField& field, int columns, int rows, const ExecutionContext& context) {
    if (columns <= 0 || rows <= 0) return 0;
    const std::uint64_t n = static_cast<std::uint64_t>(columns) * static_cast<std::uint64_t>(rows);
    // The rank, from 0, of the largest value that stays black.
    std::uint64_t rank = n - n / 2 - 1;
    if (n > std::numeric_limits<std::uint32_t>::max()) return SortedMedian(field, columns, rows, rank);

    // A radix selection on the values' order keys: the rank's upper half key
    // from a count of all values, then its lower half from a count of those
    // that share the upper half. Each count is split over the pool's threads
    // by columns and added up.
    ThreadPool& pool = context.pool();
    const int slices = std::max(1, std::min(pool.size(), columns / 16));
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(slices) * Bins);
    const auto countSlices = [&](auto&& binOf) {
        std::fill(counts.begin(), counts.end(), 0u);
        ParallelFor(pool, slices, columns, [&](int slice, int first, int last) {
            std::uint32_t* count = counts.data() + static_cast<std::size_t>(slice) * Bins;
            for (int u = first; u < last; ++u) {
                const float* column = field.column(u);
                for (int v = 0; v < rows; ++v) binOf(OrderKey(column[v]), count);
            }
        });
        for (int slice = 1; slice < slices; ++slice)
            for (std::size_t bin = 0; bin < Bins; ++bin)
                counts[bin] += counts[static_cast<std::size_t>(slice) * Bins + bin];
        return FindBin(std::span(counts.data(), Bins), rank);
    };
    const std::uint32_t high =
        countSlices([](std::uint32_t key, std::uint32_t* count) { ++count[key >> 16]; });
    const std::uint32_t low = countSlices([high](std::uint32_t key, std::uint32_t* count) {
        if ((key >> 16) == high) ++count[key & 0xFFFFu];
    });
    return ValueOfKey((high << 16) | low);
}

}  // namespace marbleck
