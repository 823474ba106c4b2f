#include "app/ReconstructionWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSlider>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <new>
#include <optional>
#include <stdexcept>

#include "app/Document.h"
#include "app/HologramProcedures.h"
#include "app/PhaseProcedures.h"
#include "engine/PhysicalFigures.h"
#include "platform/RunTimeError.h"
#include "widgets/ZoomView.h"

namespace marbleck {

namespace {

const QString PlaceKey = QStringLiteral("reconstruction/geometry");

// The slider's range in decades below the brightest bin.
constexpr int FewestDecades = 1;
constexpr int MostDecades = 8;

QString Figure(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value)) return QStringLiteral("-");
    return QString::number(*value, 'f', decimals);
}

}  // namespace

ReconstructionWindow::ReconstructionWindow(const Document& document)
    : QWidget(nullptr, Qt::Window), document_(document) {
    setWindowTitle(QStringLiteral("Reconstruction"));
    createControls();
    connect(&watcher_, &QFutureWatcher<Result>::finished, this, &ReconstructionWindow::transformDone);
    const QByteArray place = QSettings().value(PlaceKey).toByteArray();
    if (place.isEmpty() || !restoreGeometry(place)) resize(480, 560);
}

ReconstructionWindow::~ReconstructionWindow() {
    watcher_.waitForFinished();
    if (isVisible()) rememberPlace();
}

void ReconstructionWindow::createControls() {
    messageLabel_ = new QLabel(this);
    messageLabel_->setWordWrap(true);
    messageLabel_->setAlignment(Qt::AlignCenter);
    pictureArea_ = new ZoomView(this);
    horizontalAxisLabel_ = new QLabel(this);
    verticalAxisLabel_ = new QLabel(this);
    unitsCombo_ = new QComboBox(this);
    unitsCombo_->addItems({QStringLiteral("Angle (degrees)"), QStringLiteral("On the screen (mm)")});
    zeroOrderCheck_ = new QCheckBox(QStringLiteral("&Zero order"), this);
    rangeLabel_ = new QLabel(this);
    rangeSlider_ = new QSlider(Qt::Horizontal, this);
    rangeSlider_->setRange(FewestDecades, MostDecades);
    rangeSlider_->setValue(static_cast<int>(DefaultDecades));
    rangeSlider_->setPageStep(1);
    rangeLabel_->setBuddy(rangeSlider_);
    fidelityLabel_ = new QLabel(this);
    uniformityLabel_ = new QLabel(this);
    efficiencyLabel_ = new QLabel(this);
    optimisationLabel_ = new QLabel(this);
    refinementLabel_ = new QLabel(this);
    // A long record wraps rather than widening the window.
    refinementLabel_->setWordWrap(true);

    const std::pair<QObject*, const char*> named[] = {
        {messageLabel_, "messageLabel"},
        {pictureArea_, "pictureArea"},
        {horizontalAxisLabel_, "horizontalAxisLabel"},
        {verticalAxisLabel_, "verticalAxisLabel"},
        {unitsCombo_, "unitsCombo"},
        {zeroOrderCheck_, "zeroOrderCheck"},
        {rangeLabel_, "rangeLabel"},
        {rangeSlider_, "rangeSlider"},
        {fidelityLabel_, "fidelityLabel"},
        {uniformityLabel_, "uniformityLabel"},
        {efficiencyLabel_, "efficiencyLabel"},
        {optimisationLabel_, "optimisationLabel"},
        {refinementLabel_, "refinementLabel"},
    };
    for (const auto& [control, name] : named) control->setObjectName(QString::fromLatin1(name));

    auto* figures = new QHBoxLayout;
    figures->setSpacing(16);
    for (QLabel* figure : {fidelityLabel_, uniformityLabel_, efficiencyLabel_}) figures->addWidget(figure);
    figures->addStretch(1);
    auto* controls = new QGridLayout;
    controls->addWidget(zeroOrderCheck_, 0, 0);
    controls->addLayout(figures, 0, 1);
    controls->addWidget(optimisationLabel_, 1, 1);
    controls->addWidget(refinementLabel_, 2, 1);
    controls->addWidget(rangeLabel_, 3, 0);
    controls->addWidget(rangeSlider_, 3, 1);
    controls->addWidget(new QLabel(QStringLiteral("Axes"), this), 4, 0);
    controls->addWidget(unitsCombo_, 4, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel_);
    layout->addWidget(pictureArea_, 1);
    layout->addWidget(horizontalAxisLabel_);
    layout->addWidget(verticalAxisLabel_);
    layout->addLayout(controls);

    connect(zeroOrderCheck_, &QCheckBox::toggled, this, &ReconstructionWindow::requestTransform);
    connect(rangeSlider_, &QSlider::valueChanged, this, &ReconstructionWindow::showPicture);
    connect(unitsCombo_, &QComboBox::currentIndexChanged, this, &ReconstructionWindow::showAxes);
    showFigures(std::nullopt, std::nullopt);
    showPicture();
}

void ReconstructionWindow::hologramChanged() { requestTransform(); }

void ReconstructionWindow::printSettingsChanged() { showAxes(); }

void ReconstructionWindow::panelChanged() {
    if (document_.phase) requestTransform();
}

void ReconstructionWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (dirty_) requestTransform();
}

void ReconstructionWindow::hideEvent(QHideEvent* event) {
    rememberPlace();
    QWidget::hideEvent(event);
}

void ReconstructionWindow::rememberPlace() { QSettings().setValue(PlaceKey, saveGeometry()); }

void ReconstructionWindow::requestTransform() {
    ++generation_;
    dirty_ = true;
    if (!isVisible() || watcher_.isRunning()) return;
    startTransform();
}

// Copies what the transform needs from the document; before any calculation
// there is nothing to transform and the window says so.
void ReconstructionWindow::startTransform() {
    dirty_ = false;
    if (const auto& phase = document_.phase) {
        const HologramGeometry& g = phase->geometry;
        Request request{generation_,
                        {},
                        g.columns,
                        g.rows,
                        g,
                        phase->litSamples,
                        zeroOrderCheck_->isChecked(),
                        std::nullopt,
                        true,
                        *phase,
                        document_.panel.settings,
                        phase->refinement};
        watcher_.setFuture(QtConcurrent::run([request = std::move(request)] { return Compute(request); }));
        return;
    }
    const HologramGeometry& g = document_.calculation.geometry;
    if (!document_.hasHologram() || g.columns <= 0 || g.rows <= 0) {
        shown_ = Reconstruction();
        failure_.clear();
        showFigures(std::nullopt, std::nullopt);
        showPicture();
        emit pictureShown();
        return;
    }
    Request request{generation_,
                    document_.field(),
                    g.columns,
                    g.rows,
                    g,
                    document_.calculation.litSamples,
                    zeroOrderCheck_->isChecked(),
                    document_.binarized ? document_.binarized->optimisation : std::nullopt,
                    false,
                    std::nullopt,
                    {},
                    std::nullopt};
    watcher_.setFuture(QtConcurrent::run([request = std::move(request)] { return Compute(request); }));
}

// The figures are always those of the zero order removed.
ReconstructionWindow::Result ReconstructionWindow::Compute(const Request& request) {
    Result result;
    result.generation = request.generation;
    result.optimisation = request.optimisation;
    result.refinement = request.refinement;
    try {
        if (request.phase) {
            // What the panel shows, tilt and lens included; the figures are
            // the hologram's own.
            const PanelMap map = MapToPanel(*request.hologram, request.panel);
            result.shown = ReconstructPhase(map.phase, map.phase.columns(), map.phase.rows(), {true});
            result.phaseFigures =
                MeasurePhaseFigures(request.hologram->phase, request.points, request.geometry);
            result.onPanel = true;
        } else {
            result.shown = Reconstruct(request.field, request.columns, request.rows, {true});
            result.figures = MeasureFigures(result.shown, request.points, request.geometry);
        }
        // The mean changes the centre bin only.
        if (request.zeroOrder)
            result.shown.intensity[static_cast<std::size_t>(result.shown.centreY()) * result.shown.columns +
                                   static_cast<std::size_t>(result.shown.centreX())] =
                static_cast<float>(result.shown.zeroOrder);
    } catch (const std::bad_alloc&) {
        // The window says so instead; the program and the hologram go on.
        result = Result{request.generation,
                        {},
                        {},
                        request.optimisation,
                        std::nullopt,
                        std::nullopt,
                        false,
                        QStringLiteral("Not enough memory for the reconstruction.")};
    } catch (const std::invalid_argument& refused) {
        result = Result{request.generation,
                        {},
                        {},
                        request.optimisation,
                        std::nullopt,
                        std::nullopt,
                        false,
                        QStringLiteral("The SLM panel cannot show this hologram: %1")
                            .arg(QString::fromStdString(refused.what()))};
    }
    return result;
}

void ReconstructionWindow::transformDone() {
    Result result = watcher_.result();
    if (result.generation == generation_) {
        shown_ = std::move(result.shown);
        shownOnPanel_ = result.onPanel;
        failure_ = result.failure;
        if (result.phaseFigures)
            showPhaseFigures(*result.phaseFigures, result.refinement);
        else
            showFigures(result.figures, result.optimisation);
        showPicture();
        emit pictureShown();
    }
    if (dirty_ && isVisible()) startTransform();
}

void ReconstructionWindow::showFigures(const std::optional<HologramFigures>& figures,
                                       const std::optional<OptimisationRecord>& optimisation) {
    const auto figure = [&](double HologramFigures::*member) -> std::optional<double> {
        if (!figures) return std::nullopt;
        return (*figures).*member;
    };
    fidelityLabel_->setText(
        QStringLiteral("Fidelity: %1").arg(Figure(figure(&HologramFigures::fidelity), 1)));
    uniformityLabel_->setText(
        QStringLiteral("Uniformity: %1").arg(Figure(figure(&HologramFigures::uniformity), 2)));
    efficiencyLabel_->setText(
        QStringLiteral("Efficiency: %1").arg(Figure(figure(&HologramFigures::efficiency), 2)));
    optimisationLabel_->setText(optimisation ? QStringLiteral("Optimised: ") + OptimisationText(*optimisation)
                                             : QString());
    optimisationLabel_->setVisible(optimisation.has_value());
    refinementLabel_->clear();
    refinementLabel_->setVisible(false);
}

// The uniformity of a phase hologram's spots, 1 for an even object, beside
// their spread (the amplitude hologram's uniformity figure, 0 for an even
// object).
void ReconstructionWindow::showPhaseFigures(const PhaseFigures& figures,
                                            const std::optional<RefinementRecord>& refinement) {
    fidelityLabel_->setText(QStringLiteral("Fidelity: %1").arg(Figure(figures.fidelity, 1)));
    uniformityLabel_->setText(QStringLiteral("Uniformity: %1, spread %2")
                                  .arg(Figure(figures.uniformity, 2), Figure(figures.spread, 2)));
    efficiencyLabel_->setText(QStringLiteral("Efficiency: %1").arg(Figure(figures.efficiency, 2)));
    optimisationLabel_->clear();
    optimisationLabel_->setVisible(false);
    QString refined;
    if (refinement) {
        const std::string_view method = RefinementMethodEntryOf(refinement->method).label;
        refined = QStringLiteral("Refined (%1): %2")
                      .arg(QString::fromUtf8(method.data(), static_cast<qsizetype>(method.size())),
                           RefinementText(*refinement));
    }
    refinementLabel_->setText(refined);
    refinementLabel_->setVisible(refinement.has_value());
}

void ReconstructionWindow::showPicture() {
    const int decades = rangeSlider_->value();
    rangeLabel_->setText(QStringLiteral("Range: %1 dB").arg(10 * decades));
    const bool empty = shown_.columns <= 0 || shown_.rows <= 0;
    messageLabel_->setText(
        !empty ? QString()
        : !failure_.isEmpty()
            ? failure_
            : QStringLiteral("No hologram yet. Press \"Calculate\" in the main window to see "
                             "what its print shows when lit by a laser."));
    messageLabel_->setVisible(empty);
    pictureArea_->setVisible(!empty);
    if (empty) {
        picture_ = QImage();
        pictureArea_->clear();
    } else {
        const std::vector<std::uint8_t> levels = LogScaleLevels(shown_, decades);
        picture_ = QImage(shown_.columns, shown_.rows, QImage::Format_Grayscale8);
        for (int y = 0; y < shown_.rows; ++y)
            std::copy_n(levels.begin() + static_cast<std::ptrdiff_t>(y) * shown_.columns, shown_.columns,
                        picture_.scanLine(y));
        pictureArea_->setPicture(picture_);
    }
    showAxes();
}

// The edges of the picture as angles of diffraction or places on the screen:
// the first bin of each axis lies n / 2 bins before the centre, the last
// (n - 1) / 2 after it. A phase hologram's panel with a lens gives the pitch
// and the laser (the panel's pixels diffract); otherwise the print does.
void ReconstructionWindow::showAxes() {
    if (shown_.columns <= 0 || shown_.rows <= 0) {
        horizontalAxisLabel_->clear();
        verticalAxisLabel_->clear();
        return;
    }
    PrintSettings o = document_.print;
    // The pitch needs no laser: a laser or screen that reads as no length
    // leaves the edges that depend on it without a figure.
    std::optional<double> pitchMm;
    const std::optional<LensTerm>& lens = document_.panel.settings.lens;
    if (shownOnPanel_ && lens) {
        pitchMm = lens->pitchMicrometres / 1000;
        o.wavelengthNm = lens->wavelengthNm;
    } else {
        try {
            pitchMm = ComputePhysicalFigures(shown_.columns, shown_.rows, o.dpi, o.scale, 633, 1).pitchMm;
        } catch (const RunTimeError&) {
        }
    }
    const auto length = [](double v) { return std::isfinite(v) && v > 0; };
    const bool onScreen = unitsCombo_->currentIndex() == 1;
    const auto edge = [&](int offset, int n) -> QString {
        if (!pitchMm || !length(o.wavelengthNm)) return QStringLiteral("-");
        if (!onScreen) return Figure(BinAngleDegrees(offset, n, *pitchMm, o.wavelengthNm), 3);
        if (!length(o.distanceM)) return QStringLiteral("-");
        return Figure(BinScreenMm(offset, n, *pitchMm, o.wavelengthNm, o.distanceM), 1);
    };
    const QString unit = onScreen ? QStringLiteral(" mm") : QString::fromUtf8("\u00b0");
    horizontalAxisLabel_->setText(QStringLiteral("Left edge %1%3, right edge %2%3")
                                      .arg(edge(-shown_.columns / 2, shown_.columns),
                                           edge((shown_.columns - 1) / 2, shown_.columns), unit));
    verticalAxisLabel_->setText(
        QStringLiteral("Top edge %1%3, bottom edge %2%3")
            .arg(edge(-shown_.rows / 2, shown_.rows), edge((shown_.rows - 1) / 2, shown_.rows), unit));
}

}  // namespace marbleck
