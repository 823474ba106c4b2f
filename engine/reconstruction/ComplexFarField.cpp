#include "engine/reconstruction/ComplexFarField.h"

#include <algorithm>
#include <stdexcept>

namespace marbleck {

namespace {

using Complex = std::complex<float>;

// The centred intensity picture of the transform in `plan`.
Reconstruction CentredIntensity(const ComplexSpectrumPlan& plan) {
    Reconstruction r;
    r.columns = plan.columns();
    r.rows = plan.rows();
    r.intensity.resize(plan.size());
    const int cx = r.centreX(), cy = r.centreY();
    for (int u = 0; u < r.columns; ++u) {
        const Complex* column = plan.data() + static_cast<std::size_t>(u) * static_cast<std::size_t>(r.rows);
        const int x = (u + cx) % r.columns;
        for (int v = 0; v < r.rows; ++v) {
            const int y = (v + cy) % r.rows;
            r.intensity[static_cast<std::size_t>(y) * static_cast<std::size_t>(r.columns) +
                        static_cast<std::size_t>(x)] = std::norm(column[v]);
        }
    }
    return r;
}

}  // namespace

Reconstruction FarField(const ComplexSpectrumPlan& plan, ReconstructionOptions options,
                        const ExecutionContext& context) {
    std::complex<double> sum = 0;
    for (std::size_t i = 0; i < plan.size(); ++i) sum += std::complex<double>(plan.data()[i]);
    if (options.removeZeroOrder) {
        const auto mean = static_cast<Complex>(sum / static_cast<double>(plan.size()));
        for (std::size_t i = 0; i < plan.size(); ++i) plan.data()[i] -= mean;
    }
    plan.forward(context);
    Reconstruction r = CentredIntensity(plan);
    r.zeroOrder = std::norm(sum);
    return r;
}

Reconstruction ReconstructComplex(std::span<const std::complex<float>> values, int columns, int rows,
                                  ReconstructionOptions options, const ExecutionContext& context) {
    CheckExecutionContext(context);
    if (columns <= 0 || rows <= 0) return {};
    const ComplexSpectrumPlan plan(columns, rows, context);
    if (values.size() != plan.size()) throw std::invalid_argument("a complex field of the wrong size");
    std::copy(values.begin(), values.end(), plan.data());
    return FarField(plan, options, context);
}

}  // namespace marbleck
