#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <sstream>
#include <stdexcept>

#include "engine/kinds/scene/SceneKind.h"
#include "engine/scenes/Refocus.h"
#include "engine/sums/Normalisation.h"

namespace marbleck {

namespace {

// A field's |U| / max |U|, column by column (all zero for a dark field).
HologramField NormalisedMagnitude(const SceneField& field) {
    const ScenePlane& plane = field.plane;
    float largest = 0;
    for (const std::complex<float>& value : field.values) largest = std::max(largest, std::abs(value));
    HologramField magnitude(plane.columns, plane.rows);
    if (!(largest > 0)) return magnitude;
    for (int r = 0; r < plane.rows; ++r)
        for (int c = 0; c < plane.columns; ++c) magnitude(c, r) = std::abs(field.row(r)[c]) / largest;
    return magnitude;
}

// Phases φ column by column as e^(iφ) row by row.
SceneField PhaseTransmittance(const HologramField& phase, const ScenePlane& plane) {
    SceneField field(plane);
    for (int r = 0; r < plane.rows; ++r)
        for (int c = 0; c < plane.columns; ++c) field.row(r)[c] = std::polar(1.0f, phase(c, r));
    return field;
}

// An amplitude hologram I lit by its own reference wave: I·e^(iψ).
SceneField LitByReference(const HologramField& amplitude, const ScenePlane& plane, double wavelength,
                          const ReferenceWave& reference) {
    const double k = 2 * std::numbers::pi / wavelength;
    SceneField field(plane);
    for (int r = 0; r < plane.rows; ++r)
        for (int c = 0; c < plane.columns; ++c) {
            const double psi = std::fmod(k * (reference.sinX * plane.x(c) + reference.sinY * plane.y(r)),
                                         2 * std::numbers::pi);
            field.row(r)[c] = std::polar(amplitude(c, r), static_cast<float>(psi));
        }
    return field;
}

std::string DepthName(double z) {
    std::ostringstream text;
    text << z;
    return text.str();
}

// The focus figures as the report names them: meanShare, and depths, each
// depth's points and share under the depth in metres as its name.
NamedValues FocusValues(const SceneFocusFigures& figures) {
    NamedValues depths;
    for (const DepthFocus& depth : figures.depths) {
        depths.push_back({DepthName(depth.depth),
                          {NamedValues{{"points", {static_cast<long long>(depth.points)}},
                                       {"share", {depth.meanShare}}}}});
    }
    return {{"meanShare", {figures.meanShare}}, {"depths", {std::move(depths)}}};
}

NamedValues GroupValues(const SpotGroupFigures& group) {
    return {{"spots", {static_cast<long long>(group.spots)}},
            {"efficiency", {group.efficiency}},
            {"uniformity", {group.uniformity}}};
}

}  // namespace

SceneHologram::SceneHologram(const ScenePostProcessing& steps, Made made, const ExecutionContext& context)
    : settings_(steps),
      waves_(std::move(made.waves)),
      fields_(std::move(made.fields)),
      scene_(std::move(made.scene)),
      points_(made.points),
      meanDepth_(made.meanDepth),
      sumSeconds_(made.sumSeconds),
      layers_(made.layers),
      spots_(std::move(made.spots)),
      geometry_(GeometryOfPlane(steps.plane)) {
    if (!spots_ && fields_.empty()) throw std::invalid_argument("a scene hologram needs a field or spots");
    encode(context);
}

void SceneHologram::encode(const ExecutionContext& context) {
    const ScenePlane& plane = settings_.plane;
    focus_.reset();
    threshold_.reset();
    if (spots_) {
        values_ = spots_->phase;
        levels_ = {};
    } else {
        const SceneField& field = fields_.front();
        switch (settings_.encoding) {
            case FieldEncoding::Complex:
                values_ = {};
                levels_ = NormalisedMagnitude(field);
                break;
            case FieldEncoding::Phase:
                values_ = PhaseOfField(field, context);
                break;
            case FieldEncoding::DoublePhase:
                values_ = DoublePhaseOfField(field, context);
                break;
            case FieldEncoding::Amplitude: {
                const double wavelength = waves_.front().wavelength;
                if (settings_.referenceDegrees)
                    CheckReferenceAngles(*settings_.referenceDegrees, wavelength, plane.pitch);
                values_ =
                    AmplitudeOfField(field, wavelength, SceneReferenceWave(settings_, wavelength), context);
                binarized_ = settings_.binarization.has_value();
                if (binarized_) {
                    // As a printed hologram is binarized: its values 0 and 255.
                    BinarizedHologram binary = ApplyBinarization(*settings_.binarization, values_,
                                                                 BinarizationContext{geometry_, {}, context});
                    threshold_ = binary.threshold;
                    values_ = std::move(binary.field);
                    view_ = std::move(binary.greyLevels);
                    levels_ = values_;
                    return;
                }
                levels_ = values_;
                break;
            }
        }
    }
    binarized_ = false;
    const bool phase = spots_ || settings_.encoding == FieldEncoding::Phase ||
                       settings_.encoding == FieldEncoding::DoublePhase;
    phase_.reset();
    if (phase) {
        // The phase hologram's grey levels, φ / 2π × 255 rounded, as values
        // whose GreyLevel they are.
        phase_ = PhaseHologramOfField(values_);
        view_ = phase_->greyLevels;
        if (settings_.panel) {
            // As a phase hologram of a picture goes onto its panel: the file
            // holds the panel's φ (tilt and lens added) and its levels
            // through the lookup table; the view shows the phase itself.
            PanelMap map = MapToPanel(*phase_, *settings_.panel, context);
            values_ = std::move(map.phase);
            levels_ = HologramField(values_.columns(), values_.rows());
            std::vector<float>& levels = levels_.values();
            for (std::size_t i = 0; i < levels.size(); ++i)
                levels[i] = static_cast<float>(map.levels[i]) / 255.0f;
            return;
        }
        levels_ = HologramField(plane.columns, plane.rows);
        std::vector<float>& levels = levels_.values();
        for (std::size_t i = 0; i < levels.size(); ++i) levels[i] = static_cast<float>(view_[i]) / 255.0f;
        return;
    }
    const std::vector<float>& levels = levels_.values();
    view_.resize(levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) view_[i] = GreyLevel(levels[i]);
}

std::vector<double> SceneHologram::focusDepths() const {
    if (!settings_.focus) return {meanDepth_};
    const SceneFocus& f = *settings_.focus;
    std::vector<double> depths;
    for (int k = 0; k < f.steps; ++k)
        depths.push_back(f.steps == 1 ? f.nearDepth
                                      : f.nearDepth + (f.farDepth - f.nearDepth) * k / (f.steps - 1));
    return depths;
}

const HologramKind& SceneHologram::kind() const { return SceneKind(); }

ViewLevels SceneHologram::view() const {
    return {view_.data(), geometry_.columns, geometry_.rows, geometry_.rows};
}

FileContent SceneHologram::fileContent() const {
    FileContent content{&levels_, values_.empty() ? nullptr : &values_, binarized_, false};
    if (!spots_ && settings_.encoding == FieldEncoding::Complex) content.complex = fields_;
    return content;
}

SceneField SceneHologram::transmittance() const {
    const ScenePlane& plane = settings_.plane;
    if (!spots_ && settings_.encoding == FieldEncoding::Complex) return fields_.front();
    if (!spots_ && settings_.encoding == FieldEncoding::Amplitude) {
        const double wavelength = waves_.front().wavelength;
        return LitByReference(values_, plane, wavelength, SceneReferenceWave(settings_, wavelength));
    }
    return PhaseTransmittance(values_, plane);
}

void SceneHologram::measureFocus(std::span<const ScenePoint> points, const ExecutionContext& context) {
    context.stopIfCancelled();
    const Refocus refocus(transmittance(), waves_.front().wavelength, context);
    focus_ = MeasureFocusByDepth(refocus, points, context);
}

Reconstruction SceneHologram::reconstruct(const ExecutionContext& context) const {
    context.stopIfCancelled();
    const ScenePlane& plane = settings_.plane;
    const Refocus refocus(transmittance(), waves_.front().wavelength, context);
    const std::vector<double> depths = focusDepths();
    Reconstruction picture;
    picture.columns = plane.columns;
    picture.rows = plane.rows * static_cast<int>(depths.size());
    picture.intensity.reserve(plane.size() * depths.size());
    for (const double depth : depths) {
        const std::vector<float> intensity = refocus.intensityAt(depth, context);
        picture.intensity.insert(picture.intensity.end(), intensity.begin(), intensity.end());
    }
    return picture;
}

Figures SceneHologram::figures(const Reconstruction*, const ExecutionContext&) const {
    Figures figures;
    if (spots_) {
        figures.efficiency = spots_->figures.overall.efficiency;
        figures.uniformity = spots_->figures.overall.uniformity;
    }
    return figures;
}

NamedValues SceneHologram::details() const {
    const ScenePlane& plane = settings_.plane;
    std::vector<double> nm;
    for (const SceneWave& wave : waves_) nm.push_back(wave.wavelength * 1e9);
    const double pointPixels = static_cast<double>(points_) * static_cast<double>(plane.size()) *
                               static_cast<double>(fields_.size());
    const bool layers = !spots_ && settings_.method == SceneMethod::Layers;
    const std::vector<double> depths = focusDepths();
    return {{"columns", {static_cast<long long>(plane.columns)}},
            {"rows", {static_cast<long long>(plane.rows)}},
            {"pitchUm", {plane.pitch * 1e6}},
            {"widthMm", {plane.pitch * plane.columns * 1e3}},
            {"heightMm", {plane.pitch * plane.rows * 1e3}},
            {"wavelengthsNm", {nm}},
            {"method",
             {std::string(spots_   ? "spots"
                          : layers ? "layers"
                                   : "points")}},
            {"layers", layers ? FieldValue{static_cast<long long>(layers_)} : FieldValue{}},
            {"occlusion", layers ? FieldValue{settings_.occlusion} : FieldValue{}},
            {"encoding", {std::string(spots_ ? "phase" : FieldEncodingName(settings_.encoding))}},
            {"points", {static_cast<long long>(points_)}},
            {"sumSeconds", {sumSeconds_}},
            {"pointPixelsPerSecond",
             !spots_ && !layers && sumSeconds_ > 0 ? FieldValue{pointPixels / sumSeconds_} : FieldValue{}},
            {"focusM", {depths}},
            {"focusFigures", focus_ ? FieldValue{FocusValues(*focus_)} : FieldValue{}}};
}

NamedValues SceneHologram::record() const {
    if (!spots_) return {};
    NamedValues depths;
    for (const SpotGroupFigures& group : spots_->figures.depths)
        depths.push_back({DepthName(group.z), {GroupValues(group)}});
    return {{"iterations", {static_cast<long long>(settings_.spotIterations)}},
            {"seconds", {spots_->seconds}},
            {"overall", {GroupValues(spots_->figures.overall)}},
            {"depths", {std::move(depths)}}};
}

void SceneHologram::postProcess(const KindPostProcessing& steps, const ExecutionContext& context) {
    const auto* scene = dynamic_cast<const ScenePostProcessing*>(&steps);
    if (scene == nullptr || spots_) return;
    const ScenePlane& plane = settings_.plane;
    if (scene->plane.columns != plane.columns || scene->plane.rows != plane.rows ||
        scene->plane.pitch != plane.pitch)
        throw std::invalid_argument("a scene hologram is encoded again on its own plane only");
    SceneHologram next = *this;
    next.settings_.encoding = scene->encoding;
    next.settings_.focus = scene->focus;
    next.settings_.panel = scene->panel;
    next.settings_.lookupFile = scene->lookupFile;
    next.settings_.referenceDegrees = scene->referenceDegrees;
    next.settings_.binarization = scene->binarization;
    next.encode(context);
    *this = std::move(next);
}

}  // namespace marbleck
