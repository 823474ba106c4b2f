#include "engine/phase/PhaseSteps.h"

#include <algorithm>
#include <complex>

namespace marbleck::phase_steps {

using Complex = std::complex<float>;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void LoadTransmittance(const ComplexSpectrumPlan& plan, const HologramField& phase,
                       const ExecutionContext& context) {
    const int rows = plan.rows();
    Sliced(static_cast<std::size_t>(plan.columns()), context, [&](std::size_t first, std::size_t last) {
        for (std::size_t u = first; u < last; ++u) {
            const float* column = phase.column(static_cast<int>(u));
            Complex* out = plan.data() + u * static_cast<std::size_t>(rows);
            for (int v = 0; v < rows; ++v) out[v] = std::polar(1.0f, column[v]);
        }
    });
}

std::vector<std::uint8_t> ViewLevels(const HologramField& phase) {
    std::vector<std::uint8_t> levels(phase.values().size());
    std::transform(phase.values().begin(), phase.values().end(), levels.begin(), [](float phi) {
        return static_cast<std::uint8_t>(std::lround(static_cast<double>(phi) / TwoPi * 255.0));
    });
    return levels;
}

}  // namespace marbleck::phase_steps
