#include "engine/scenes/Refocus.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "engine/core/ParallelFor.h"
#include "engine/scenes/LayerHologram.h"

namespace marbleck {

namespace {

using Complex = std::complex<float>;

constexpr int MaxFocalSteps = 1024;
// The radius of a point's spot in the focus figures, in pixels.
constexpr int SpotRadius = 3;

const ScenePlane& CheckedPlane(const SceneField& field) {
    if (field.values.size() != field.plane.size())
        throw std::invalid_argument("a field needs one value for every point of its plane");
    return field.plane;
}

float Finite(float value) { return std::isfinite(value) ? value : 0.0f; }

// One intensity over `maximum` (> 0) on `scale`, 0 … 1.
inline float Scaled(float intensity, IntensityScale scale, double maximum, double floorDb) {
    const double ratio = Finite(intensity) / maximum;
    double value = ratio;
    if (scale == IntensityScale::log)
        value = ratio > 0 ? (10.0 * std::log10(ratio) - floorDb) / -floorDb : 0.0;
    return static_cast<float>(std::clamp(value, 0.0, 1.0));
}

inline std::uint8_t Grey(float scaled) {
    return static_cast<std::uint8_t>(std::lround(255.0f * std::clamp(Finite(scaled), 0.0f, 1.0f)));
}

}  // namespace

// One call's arrays: the padded spectrum times H, and H.
struct Refocus::Work {
    explicit Work(const AngularSpectrum& spectrum) : padded(spectrum) {}
    AngularSpectrum::Padded padded;
    AngularSpectrum::Transfer transfer;
};

// The work sets calls have finished with; a call takes one for its time.
class Refocus::WorkShelf {
public:
    // A set lent to one call, back on the shelf when it ends however it ends.
    class Lent {
    public:
        Lent(WorkShelf& shelf, const AngularSpectrum& spectrum)
            : shelf_(shelf), work_(shelf.take(spectrum)) {}
        ~Lent() { shelf_.put(std::move(work_)); }
        Lent(const Lent&) = delete;
        Lent& operator=(const Lent&) = delete;
        Work& operator*() const { return *work_; }

    private:
        WorkShelf& shelf_;
        std::unique_ptr<Work> work_;
    };

private:
    // At most this many sets stay idle (each 4·C·R + (C + 1)·(R + 1) values).
    static constexpr std::size_t MostIdle = 2;

    std::unique_ptr<Work> take(const AngularSpectrum& spectrum) {
        {
            const std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                std::unique_ptr<Work> work = std::move(idle_.back());
                idle_.pop_back();
                return work;
            }
        }
        return std::make_unique<Work>(spectrum);
    }
    void put(std::unique_ptr<Work> work) noexcept {
        const std::lock_guard lock(mutex_);
        if (idle_.size() < MostIdle) idle_.push_back(std::move(work));
    }

    std::mutex mutex_;
    std::vector<std::unique_ptr<Work>> idle_;
};

Refocus::Refocus(const SceneField& hologram, double wavelength, const ExecutionContext& context)
    : spectrum_(CheckedPlane(hologram), wavelength),
      hologramSpectrum_(spectrum_),
      shelf_(std::make_shared<WorkShelf>()) {
    CheckExecutionContext(context);
    slowness_ = spectrum_.slowness(context);
    spectrum_.load(hologram.values.data(), hologramSpectrum_, context);
    spectrum_.forward(hologramSpectrum_, context);
}

void Refocus::focusInto(double depth, Work& work, const ExecutionContext& context) const {
    spectrum_.makeTransfer(-depth, slowness_, work.transfer, context);
    context.stopIfCancelled();
    spectrum_.multiply(hologramSpectrum_, work.transfer, work.padded, context);
}

SceneField Refocus::fieldAt(double depth, const ExecutionContext& context) const {
    const WorkShelf::Lent work(*shelf_, spectrum_);
    focusInto(depth, *work, context);
    SceneField field(plane());
    spectrum_.inverse((*work).padded, field.values.data(), context);
    return field;
}

std::vector<float> Refocus::intensityAt(double depth, const ExecutionContext& context) const {
    std::vector<float> intensity(plane().size());
    intensityAt(depth, intensity, context);
    return intensity;
}

void Refocus::intensityAt(double depth, std::span<float> intensity, const ExecutionContext& context) const {
    if (intensity.size() != plane().size())
        throw std::invalid_argument("a refocused picture needs one value for every point of the plane");
    const WorkShelf::Lent work(*shelf_, spectrum_);
    focusInto(depth, *work, context);
    spectrum_.inverseIntensity((*work).padded, intensity.data(), context);
}

std::vector<float> ScaleIntensity(std::span<const float> intensity, IntensityScale scale, double decades,
                                  double maximum) {
    if (!(maximum > 0))
        for (float value : intensity) maximum = std::max(maximum, static_cast<double>(Finite(value)));
    std::vector<float> scaled(intensity.size(), 0.0f);
    if (!(maximum > 0)) return scaled;
    const double floorDb = -10.0 * decades;
    for (std::size_t i = 0; i < intensity.size(); ++i)
        scaled[i] = Scaled(intensity[i], scale, maximum, floorDb);
    return scaled;
}

std::vector<std::uint8_t> GreyLevelsOf(std::span<const float> scaled) {
    std::vector<std::uint8_t> levels(scaled.size());
    for (std::size_t i = 0; i < scaled.size(); ++i) levels[i] = Grey(scaled[i]);
    return levels;
}

void WriteGreyLevels(std::span<const float> intensity, int columns, std::uint8_t* rows, std::ptrdiff_t stride,
                     IntensityScale scale, double decades, double maximum, const ExecutionContext& context) {
    if (columns < 1 || intensity.size() % static_cast<std::size_t>(columns) != 0 || stride < columns)
        throw std::invalid_argument("grey levels need whole rows of the intensity");
    const int count = static_cast<int>(intensity.size() / static_cast<std::size_t>(columns));
    const int parts = PartsFor(context.pool(), static_cast<long long>(intensity.size()), 1LL << 16);
    if (!(maximum > 0)) {
        std::vector<double> largest(static_cast<std::size_t>(parts), 0.0);
        ParallelFor(context.pool(), parts, intensity.size(),
                    [&](int part, std::size_t first, std::size_t last) {
                        float most = 0;
                        for (std::size_t i = first; i < last; ++i)
                            most = std::max(most, Finite(intensity[i]));
                        largest[static_cast<std::size_t>(part)] = most;
                    });
        maximum = *std::max_element(largest.begin(), largest.end());
    }
    const double floorDb = -10.0 * decades;
    ParallelFor(context.pool(), parts, count, [&](int, int first, int last) {
        for (int r = first; r < last; ++r) {
            const float* from =
                intensity.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(columns);
            std::uint8_t* to = rows + r * stride;
            if (!(maximum > 0)) {
                std::fill(to, to + columns, std::uint8_t{0});
                continue;
            }
            for (int c = 0; c < columns; ++c) to[c] = Grey(Scaled(from[c], scale, maximum, floorDb));
        }
    });
}

FocalStack MakeFocalStack(const Refocus& refocus, double nearDepth, double farDepth, int steps,
                          const ExecutionContext& context) {
    if (steps < 1 || steps > MaxFocalSteps) throw std::invalid_argument("a focal stack has 1 to 1024 steps");
    if (!std::isfinite(nearDepth) || !std::isfinite(farDepth))
        throw std::invalid_argument("a focal stack's depths must be numbers");
    FocalStack stack;
    for (int k = 0; k < steps; ++k) {
        const double depth = steps == 1 ? nearDepth : nearDepth + (farDepth - nearDepth) * k / (steps - 1);
        context.stopIfCancelled();
        stack.intensities.push_back(refocus.intensityAt(depth, context));
        stack.depths.push_back(depth);
        if (context.progress) context.progress(static_cast<double>(k + 1) / steps);
    }
    return stack;
}

FocusFigures MeasureFocus(const Refocus& refocus, std::span<const ScenePoint> points,
                          const ExecutionContext& context) {
    const ScenePlane& plane = refocus.plane();
    Scene scene;
    scene.points.assign(points.begin(), points.end());
    const std::vector<double> depths = LayerDepths(scene, {});
    FocusFigures figures;
    figures.shares.assign(points.size(), std::numeric_limits<double>::quiet_NaN());
    // The points of each depth's picture, by the nearest depth.
    std::vector<std::vector<std::size_t>> atDepth(depths.size());
    for (std::size_t j = 0; j < points.size(); ++j) {
        const ScenePoint& p = points[j];
        if (!std::isfinite(p.z)) continue;
        const auto above = std::lower_bound(depths.begin(), depths.end(), p.z);
        std::size_t level = static_cast<std::size_t>(above - depths.begin());
        if (level == depths.size() || (level > 0 && p.z - depths[level - 1] <= *above - p.z)) --level;
        atDepth[level].push_back(j);
    }
    for (std::size_t level = 0; level < depths.size(); ++level) {
        if (atDepth[level].empty()) continue;
        context.stopIfCancelled();
        const std::vector<float> intensity = refocus.intensityAt(depths[level], context);
        double total = 0;
        for (float value : intensity) total += value;
        if (!(total > 0)) continue;
        for (std::size_t j : atDepth[level]) {
            const double column = std::floor(points[j].x / plane.pitch + (plane.columns - 1) / 2.0 + 0.5);
            const double row = std::floor(points[j].y / plane.pitch + (plane.rows - 1) / 2.0 + 0.5);
            if (!(column >= 0 && column < plane.columns && row >= 0 && row < plane.rows)) continue;
            const int c = static_cast<int>(column);
            const int r = static_cast<int>(row);
            double spot = 0;
            for (int dr = -SpotRadius; dr <= SpotRadius; ++dr)
                for (int dc = -SpotRadius; dc <= SpotRadius; ++dc) {
                    if (dr * dr + dc * dc > SpotRadius * SpotRadius) continue;
                    if (r + dr < 0 || r + dr >= plane.rows || c + dc < 0 || c + dc >= plane.columns) continue;
                    spot +=
                        intensity[static_cast<std::size_t>(r + dr) * static_cast<std::size_t>(plane.columns) +
                                  static_cast<std::size_t>(c + dc)];
                }
            figures.shares[j] = spot / total;
        }
    }
    double sum = 0;
    int counted = 0;
    for (double share : figures.shares)
        if (!std::isnan(share)) {
            sum += share;
            ++counted;
        }
    figures.meanShare = counted > 0 ? sum / counted : std::numeric_limits<double>::quiet_NaN();
    return figures;
}

std::array<float, 3> ColourOfWavelength(double wavelength) {
    const double nm = wavelength * 1e9;
    if (!(nm >= 380 && nm <= 780)) return {1.0f, 1.0f, 1.0f};
    double r = 0, g = 0, b = 0;
    if (nm < 440) {
        r = (440 - nm) / 60;
        b = 1;
    } else if (nm < 490) {
        g = (nm - 440) / 50;
        b = 1;
    } else if (nm < 510) {
        g = 1;
        b = (510 - nm) / 20;
    } else if (nm < 580) {
        r = (nm - 510) / 70;
        g = 1;
    } else if (nm < 645) {
        r = 1;
        g = (645 - nm) / 65;
    } else {
        r = 1;
    }
    return {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)};
}

ColourPicture ColourAt(std::span<const Refocus* const> fields, double depth, IntensityScale scale,
                       double decades, const ExecutionContext& context) {
    if (fields.empty()) throw std::invalid_argument("a colour picture needs at least one field");
    const ScenePlane& plane = fields.front()->plane();
    for (const Refocus* field : fields)
        if (field->plane().columns != plane.columns || field->plane().rows != plane.rows ||
            field->plane().pitch != plane.pitch)
            throw std::invalid_argument("a colour picture's fields must lie on one plane");
    std::vector<std::vector<float>> intensities;
    double maximum = 0;
    for (const Refocus* field : fields) {
        context.stopIfCancelled();
        intensities.push_back(field->intensityAt(depth, context));
        for (float value : intensities.back())
            maximum = std::max(maximum, static_cast<double>(Finite(value)));
    }
    ColourPicture picture{plane, std::vector<std::array<float, 3>>(plane.size(), {0.0f, 0.0f, 0.0f})};
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const std::array<float, 3> colour = ColourOfWavelength(fields[f]->wavelength());
        const std::vector<float> scaled = ScaleIntensity(intensities[f], scale, decades, maximum);
        for (std::size_t i = 0; i < scaled.size(); ++i)
            for (int k = 0; k < 3; ++k) picture.values[i][k] += colour[k] * scaled[i];
    }
    for (auto& value : picture.values)
        for (float& channel : value) channel = std::min(channel, 1.0f);
    return picture;
}

}  // namespace marbleck
