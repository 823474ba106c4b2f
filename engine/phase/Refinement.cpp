#include "engine/phase/Refinement.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/phase/Kinoform.h"
#include "engine/phase/PhaseSteps.h"
#include "engine/reconstruction/ComplexFarField.h"
#include "engine/transforms/SpectrumPlan.h"

namespace marbleck {

namespace {

using namespace phase_steps;
using Clock = std::chrono::steady_clock;
using Complex = std::complex<float>;
// The share of the amplitude round each target bin that plain
// Gerchberg–Saxton keeps: 0.7 gained 10-25 % fidelity on letters with
// random phase; 0.9 let single spots run away with the light.
constexpr float SurroundKept = 0.7f;

constexpr RefinementMethodEntry Methods[] = {
    {RefinementMethod::GerchbergSaxton, "gs", "Gerchberg–Saxton"},
    {RefinementMethod::Weighted, "weighted", "Weighted Gerchberg–Saxton"},
};

// The index in a transform (column by column, natural order) of the bin a
// reconstruction's centred offset `b` names.
std::size_t NaturalBin(BinOffset b, int columns, int rows) {
    auto wrap = [](int value, int n) { return static_cast<std::size_t>(((value % n) + n) % n); };
    return wrap(b.dx, columns) * static_cast<std::size_t>(rows) + wrap(b.dy, rows);
}

// The refinement's target: the distinct target bins of the lit samples (in
// a transform's natural order) and the amplitude each should get, the square
// root of the brightness of the samples on it.
struct Target {
    std::vector<std::size_t> bins;
    std::vector<float> amplitude;
    // The other bins of the spots: the 8 round each target bin that are not
    // target bins themselves.
    std::vector<std::size_t> surround;
};

Target TargetOf(const PhaseHologram& h) {
    const int columns = h.geometry.columns, rows = h.geometry.rows;
    std::vector<std::pair<std::size_t, double>> light;
    light.reserve(h.litSamples.size());
    for (std::size_t i = 0; i < h.litSamples.size(); ++i)
        light.emplace_back(NaturalBin(ObjectBin(h.litSamples[i], h.geometry, columns, rows), columns, rows),
                           h.brightness.empty() ? 1.0 : h.brightness[i]);
    std::sort(light.begin(), light.end());
    Target target;
    for (std::size_t i = 0; i < light.size();) {
        double sum = 0;
        std::size_t j = i;
        for (; j < light.size() && light[j].first == light[i].first; ++j) sum += light[j].second;
        target.bins.push_back(light[i].first);
        target.amplitude.push_back(static_cast<float>(std::sqrt(sum)));
        i = j;
    }
    for (const std::size_t bin : target.bins) {
        const int u = static_cast<int>(bin / static_cast<std::size_t>(rows));
        const int v = static_cast<int>(bin % static_cast<std::size_t>(rows));
        for (int du = -1; du <= 1; ++du)
            for (int dv = -1; dv <= 1; ++dv) {
                const std::size_t near = NaturalBin({u + du, v + dv}, columns, rows);
                if (!std::binary_search(target.bins.begin(), target.bins.end(), near))
                    target.surround.push_back(near);
            }
    }
    std::sort(target.surround.begin(), target.surround.end());
    target.surround.erase(std::unique(target.surround.begin(), target.surround.end()), target.surround.end());
    return target;
}

// Multiplies the weights by how far each bin's light (relative to its
// amplitude) fell below the mean, then scales them to a mean of 1.
void Reweigh(const std::vector<float>& magnitude, const Target& target, std::vector<double>& weight) {
    double sum = 0;
    std::size_t counted = 0;
    for (std::size_t t = 0; t < magnitude.size(); ++t)
        if (target.amplitude[t] > 0 && magnitude[t] > 0) {
            sum += magnitude[t] / target.amplitude[t];
            ++counted;
        }
    if (counted == 0) return;
    const double mean = sum / static_cast<double>(counted);
    double total = 0;
    for (std::size_t t = 0; t < magnitude.size(); ++t) {
        if (target.amplitude[t] > 0 && magnitude[t] > 0)
            weight[t] *= mean / (magnitude[t] / target.amplitude[t]);
        total += weight[t];
    }
    const double scale = static_cast<double>(weight.size()) / total;
    for (double& w : weight) w *= scale;
}

}  // namespace

std::span<const RefinementMethodEntry> RefinementMethods() { return Methods; }

const RefinementMethodEntry* FindRefinementMethod(std::string_view name) {
    for (const auto& entry : Methods)
        if (entry.name == name) return &entry;
    return nullptr;
}

const RefinementMethodEntry& RefinementMethodEntryOf(RefinementMethod method) {
    for (const auto& entry : Methods)
        if (entry.method == method) return entry;
    throw std::invalid_argument("unknown refinement method");
}

void RefinePhaseHologram(PhaseHologram& hologram, const RefinementRequest& request,
                         const ExecutionContext& context) {
    CheckExecutionContext(context);
    if (request.iterations < 1) throw std::invalid_argument("a refinement needs at least one iteration");
    if (!(request.budgetSeconds >= 0)) throw std::invalid_argument("a refinement's time limit is negative");
    const auto start = Clock::now();
    const int columns = hologram.geometry.columns, rows = hologram.geometry.rows;
    RefinementRecord record;
    record.method = request.method;
    record.start = hologram.figures;
    const Target target = TargetOf(hologram);
    if (columns <= 0 || rows <= 0 || target.bins.empty()) {
        record.end = record.start;
        hologram.refinement = record;
        return;
    }
    const ComplexSpectrumPlan plan(columns, rows, context);
    LoadTransmittance(plan, hologram.phase, context);
    context.stopIfCancelled();

    const bool weighted = request.method == RefinementMethod::Weighted;
    // The weighted method holds the target's phases for the last third.
    const int holdFrom = weighted ? request.iterations - request.iterations / 3 : request.iterations;
    const std::size_t targets = target.bins.size();
    std::vector<double> weight(targets, 1.0);
    std::vector<float> magnitude(targets);
    std::vector<Complex> direction(targets), held;
    std::vector<Complex> surround(weighted ? 0 : target.surround.size());
    Complex* data = plan.data();
    int done = 0;
    while (done < request.iterations) {
        context.stopIfCancelled();
        plan.forward(context);
        context.stopIfCancelled();
        for (std::size_t t = 0; t < targets; ++t) {
            const Complex value = data[target.bins[t]];
            magnitude[t] = std::abs(value);
            direction[t] = magnitude[t] > 0 ? value / magnitude[t] : Complex(1, 0);
        }
        if (weighted) {
            Reweigh(magnitude, target, weight);
            if (done >= holdFrom) {
                if (held.empty()) held = direction;
                direction = held;
            }
        }
        // Plain Gerchberg–Saxton keeps part of the light round each target
        // bin, which still lands on its spot: fewer constraints let more of
        // the light leave the noise. The target's amplitudes are then scaled
        // to the light the target bins hold, so the two stay in proportion.
        if (!weighted)
            for (std::size_t i = 0; i < surround.size(); ++i)
                surround[i] = data[target.surround[i]] * SurroundKept;
        double onTarget = 0, askedFor = 0;
        for (std::size_t t = 0; t < targets; ++t) {
            onTarget += magnitude[t];
            askedFor += target.amplitude[t];
        }
        const double scale = askedFor > 0 && onTarget > 0 ? onTarget / askedFor : 1.0;
        std::fill(data, data + plan.size(), Complex(0, 0));
        if (!weighted)
            for (std::size_t i = 0; i < surround.size(); ++i) data[target.surround[i]] = surround[i];
        for (std::size_t t = 0; t < targets; ++t)
            data[target.bins[t]] = direction[t] * static_cast<float>(target.amplitude[t] * weight[t] * scale);
        plan.inverse(context);
        // Back to phase only: every value onto the unit circle.
        Sliced(plan.size(), context, [data](std::size_t first, std::size_t last) {
            for (std::size_t i = first; i < last; ++i) {
                const float re = data[i].real(), im = data[i].imag();
                const float norm = std::sqrt(re * re + im * im);
                data[i] = norm > 0 ? Complex(re / norm, im / norm) : Complex(1, 0);
            }
        });
        ++done;
        if (context.progress) context.progress(static_cast<double>(done) / request.iterations);
        if (request.budgetSeconds > 0 && SecondsSince(start) >= request.budgetSeconds) break;
    }
    context.stopIfCancelled();

    HologramField phase(columns, rows);
    Sliced(static_cast<std::size_t>(columns), context, [&](std::size_t first, std::size_t last) {
        for (std::size_t u = first; u < last; ++u) {
            const Complex* in = data + u * static_cast<std::size_t>(rows);
            float* out = phase.column(static_cast<int>(u));
            for (int v = 0; v < rows; ++v) out[v] = WrappedPhase(std::arg(std::complex<double>(in[v])));
        }
    });
    // Measured in the refinement's own plan, as MeasurePhaseFigures would.
    LoadTransmittance(plan, phase, context);
    context.stopIfCancelled();
    Reconstruction farField = FarField(plan, {.removeZeroOrder = false}, context);
    PhaseFigures figures = FiguresOfFarField(farField, hologram.litSamples, hologram.geometry);
    context.stopIfCancelled();
    record.end = figures;
    record.iterations = done;
    record.seconds = SecondsSince(start);
    hologram.phase = std::move(phase);
    hologram.greyLevels = ViewLevels(hologram.phase);
    hologram.figures = figures;
    hologram.refinement = record;
}

}  // namespace marbleck
