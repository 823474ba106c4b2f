#include "engine/Binarization.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "engine/BinaryOptimiser.h"
#include "engine/NamedTable.h"

namespace marbleck {

namespace {

BinarizedHologram AtThreshold(const HologramField& calculated, double threshold) {
    BinarizedHologram binarized;
    binarized.threshold = threshold;
    binarized.field = calculated;
    Binarize(binarized.field, threshold, binarized.greyLevels);
    return binarized;
}

BinarizedHologram BinarizeAtThreshold(const HologramField& calculated, const BinarizationRequest& request,
                                      const BinarizationContext&) {
    return AtThreshold(calculated, request.threshold);
}

BinarizedHologram BinarizeBalanced(const HologramField& calculated, const BinarizationRequest&,
                                   const BinarizationContext& context) {
    return AtThreshold(calculated,
                       MedianThreshold(calculated, context.geometry.columns, context.geometry.rows));
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
    auto& values = field.values();
    grey.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const bool white = static_cast<double>(values[i]) > threshold;
        values[i] = white ? 255.0f : 0.0f;
        grey[i] = white ? 255 : 0;
    }
}

double MedianThreshold(const HologramField& field, int columns, int rows) {
    if (columns <= 0 || rows <= 0) return 0;
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int u = 0; u < columns; ++u) {
        const float* column = field.column(u);
        values.insert(values.end(), column, column + rows);
    }
    const std::size_t n = values.size();
    const auto k = values.begin() + static_cast<std::ptrdiff_t>(n - n / 2 - 1);
    std::nth_element(values.begin(), k, values.end());
    return *k;
}

}  // namespace marbleck
