#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <vector>

#include "engine/core/ExecutionContext.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck {

// The band-limited angular spectrum method (Matsushima and Shimobaba, 2009):
// a field on a plane taken a distance z along the axis, at one wavelength λ.
// The field is zero-padded to twice its size each way (2C × 2R values, the
// field in the first C columns of the first R rows), transformed,
// multiplied by
//   H(fx, fy) = exp(i·2π·z·√(1/λ² − fx² − fy²))
// where |fx| and |fy| stay within BandLimit of the padded size (zero outside,
// and zero for evanescent frequencies, fx² + fy² ≥ 1/λ²), transformed back
// and cut to the plane again. A positive z carries light away from the
// source: a point's diverging wave e^{ikr}/r at distance d becomes the wave
// of the same point at distance d + z.
//
// The transforms are FFTW's single-precision 1-D transforms in two stages
// (columns, rows), each stage's transforms sliced over the context's pool;
// their plans are made once per padded size and slice count for the whole
// program, so that any number of calls run at once, each on arrays of its
// own. The padding's zeros are never transformed: forward, the columns
// holding the field and then every row; backward, every row and then the
// columns kept. Each costs 3/4 of a whole padded 2-D transform.
//
// H's phase is formed in double: 2π·z/λ reaches 10⁶ rad, so the phase is
// 2π·(z/λ mod 1) − 2π·z·f² / (1/λ + √(1/λ² − f²)), reduced to [−π, π]
// in double; its cosine and sine are then taken in single precision.

// The highest |f| along one axis the band limit keeps for a padded axis of
// `paddedLength` metres: 1 / (λ·√((2·Δf·|z|)² + 1)), Δf = 1 / paddedLength.
double BandLimit(double paddedLength, double distance, double wavelength);

// One plane and wavelength's propagation, the steps apart for callers that
// keep a spectrum (a refocus redraws from the hologram's spectrum) or sum
// several (the layer method). Throws std::invalid_argument for a plane
// without values, a pitch or wavelength that is not a positive number, and
// std::bad_alloc for a padded size beyond 2³¹ values or memory.
class AngularSpectrum {
public:
    AngularSpectrum(const ScenePlane& plane, double wavelength);

    const ScenePlane& plane() const { return plane_; }
    double wavelength() const { return wavelength_; }
    int paddedColumns() const { return 2 * plane_.columns; }
    int paddedRows() const { return 2 * plane_.rows; }
    std::size_t paddedSize() const {
        return static_cast<std::size_t>(paddedColumns()) * static_cast<std::size_t>(paddedRows());
    }

    // The padded array, paddedColumns() values a row, row by row; on its
    // spectrum, row v and column u hold frequency (u, v) (wrapped: index
    // k ≥ n/2 is k − n).
    class Padded {
    public:
        explicit Padded(const AngularSpectrum& spectrum);
        std::complex<float>* data() const { return data_.get(); }
        std::size_t size() const { return size_; }

    private:
        struct Free {
            void operator()(std::complex<float>* p) const;
        };
        std::unique_ptr<std::complex<float>, Free> data_;
        std::size_t size_;
    };

    // H of one distance, the 1 / (4·C·R) of the inverse transform folded
    // in. Held for |u| ≤ C, |v| ≤ R only: H depends on fx² and fy².
    class Transfer {
    public:
        double distance() const { return distance_; }
        // H at padded column u and row v of the spectrum.
        std::complex<float> at(int u, int v) const;

    private:
        friend class AngularSpectrum;
        int columns_ = 0;  // C + 1 values a row
        int rows_ = 0;
        double distance_ = 0;
        std::vector<std::complex<float>> values_;
    };

    // What H of every distance shares: at each (u, v) of the quarter H is
    // held for, the phase a metre lags the axial wave by, 2π·f²/(1/λ + w)
    // with w = √(1/λ² − f²); −1 where the wave is evanescent (f ≥ 1/λ).
    class Slowness {
    private:
        friend class AngularSpectrum;
        std::vector<double> values_;
    };
    Slowness slowness(const ExecutionContext& context = {}) const;

    // H of `distance` metres (either sign), its values formed over the pool.
    // Throws std::invalid_argument for a distance that is not finite.
    Transfer transfer(double distance, const ExecutionContext& context = {}) const;
    // The same into `into`, reusing its memory.
    void makeTransfer(double distance, Transfer& into, const ExecutionContext& context = {}) const;
    // The same from the shared part made once (`slowness`, of this
    // spectrum): a product, a cosine and a sine a value, the same values.
    void makeTransfer(double distance, const Slowness& slowness, Transfer& into,
                      const ExecutionContext& context = {}) const;

    // Sets `padded` to zero, then places the plane's C × R values (row by
    // row) in its corner: `values` may be null to leave them zero.
    void load(const std::complex<float>* values, Padded& padded, const ExecutionContext& context = {}) const;
    // The padded field's spectrum, in place; only the corner may be lit.
    void forward(Padded& padded, const ExecutionContext& context = {}) const;
    // spectrum·H, in place.
    void multiply(Padded& spectrum, const Transfer& transfer, const ExecutionContext& context = {}) const;
    // into = spectrum·H, the spectrum kept.
    void multiply(const Padded& spectrum, const Transfer& transfer, Padded& into,
                  const ExecutionContext& context = {}) const;
    // sum += spectrum·H.
    void multiplyAdd(const Padded& spectrum, const Transfer& transfer, Padded& sum,
                     const ExecutionContext& context = {}) const;
    // The field of a spectrum cut to the plane, row by row into `values`
    // (C × R of them); overwrites the spectrum.
    void inverse(Padded& spectrum, std::complex<float>* values, const ExecutionContext& context = {}) const;
    // Its intensity |U|² cut to the plane, row by row into `intensity` (C × R
    // values), with no field in between; overwrites the spectrum.
    void inverseIntensity(Padded& spectrum, float* intensity, const ExecutionContext& context = {}) const;

    // The field `distance` metres on: load, forward, multiply, inverse.
    void propagate(const std::complex<float>* from, double distance, std::complex<float>* to,
                   const ExecutionContext& context = {}) const;

private:
    // The inverse transform in place, the plane's values in the corner.
    void transformBack(Padded& spectrum, const ExecutionContext& context) const;

    ScenePlane plane_;
    double wavelength_;
};

// `field` taken `distance` metres along the axis (either sign) at
// `wavelength` metres, on the context's threads; stops with
// CalculationCancelled between the transforms' stages.
SceneField Propagate(const SceneField& field, double distance, double wavelength,
                     const ExecutionContext& context = {});

}  // namespace marbleck
