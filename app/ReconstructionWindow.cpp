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
#include "app/SceneFocusPanel.h"
#include "engine/reconstruction/PhysicalFigures.h"
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
    focusPanel_->setHologram(document_.hologram);
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
    for (const FigureEntry& entry : FigureTable()) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromUtf8(entry.name.data(), static_cast<qsizetype>(entry.name.size())) +
                             QStringLiteral("Label"));
        figureLabels_.append(label);
    }
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
        {optimisationLabel_, "optimisationLabel"},
        {refinementLabel_, "refinementLabel"},
    };
    for (const auto& [control, name] : named) control->setObjectName(QString::fromLatin1(name));

    // Three figures a row, so that the window keeps its width.
    auto* figures = new QGridLayout;
    figures->setHorizontalSpacing(16);
    constexpr int FiguresPerRow = 3;
    for (qsizetype i = 0; i < figureLabels_.size(); ++i)
        figures->addWidget(figureLabels_[i], static_cast<int>(i / FiguresPerRow),
                           static_cast<int>(i % FiguresPerRow));
    figures->setColumnStretch(FiguresPerRow, 1);
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
    focusPanel_ = new SceneFocusPanel(this);
    focusPanel_->setObjectName(QStringLiteral("sceneFocusPanel"));
    layout->addWidget(focusPanel_);

    connect(zeroOrderCheck_, &QCheckBox::toggled, this, &ReconstructionWindow::requestTransform);
    connect(rangeSlider_, &QSlider::valueChanged, this, &ReconstructionWindow::showPicture);
    connect(unitsCombo_, &QComboBox::currentIndexChanged, this, &ReconstructionWindow::showAxes);
    showFigures({}, std::nullopt, std::nullopt);
    showPicture();
}

void ReconstructionWindow::hologramChanged() {
    focusPanel_->setHologram(document_.hologram);
    requestTransform();
}

void ReconstructionWindow::printSettingsChanged() { showAxes(); }

void ReconstructionWindow::panelChanged() {
    if (document_.phase()) requestTransform();
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
    const std::shared_ptr<const Hologram>& hologram = document_.hologram;
    if (!hologram || hologram->geometry().columns <= 0 || hologram->geometry().rows <= 0) {
        shown_ = Reconstruction();
        failure_.clear();
        showFigures({}, std::nullopt, std::nullopt);
        showPicture();
        emit pictureShown();
        return;
    }
    const PhaseHologram* phase = document_.phase();
    Request request{generation_,
                    hologram,
                    document_.panel.settings,
                    zeroOrderCheck_->isChecked(),
                    document_.binarized() ? document_.binarized()->optimisation : std::nullopt,
                    phase != nullptr ? phase->refinement : std::nullopt};
    watcher_.setFuture(QtConcurrent::run([request = std::move(request)] { return Compute(request); }));
}

// The figures are always those of the zero order removed.
ReconstructionWindow::Result ReconstructionWindow::Compute(const Request& request) {
    Result result;
    result.generation = request.generation;
    result.optimisation = request.optimisation;
    result.refinement = request.refinement;
    try {
        // What a file holds: an amplitude hologram's field, a phase
        // hologram's panel, tilt and lens included; the figures are the
        // hologram's own.
        const std::shared_ptr<const Hologram> onPanel = OnPanel(request.hologram, request.panel);
        result.shown = onPanel->reconstruct();
        result.figures = request.hologram->figures(&result.shown);
        // A kind that lies on no panel is transformed as it is.
        result.onPanel = onPanel != request.hologram;
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
                        request.refinement,
                        false,
                        QStringLiteral("Not enough memory for the reconstruction.")};
    } catch (const std::invalid_argument& refused) {
        result = Result{request.generation,
                        {},
                        {},
                        request.optimisation,
                        request.refinement,
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
        showFigures(result.figures, result.optimisation, result.refinement);
        showPicture();
        emit pictureShown();
    }
    if (dirty_ && isVisible()) startTransform();
}

// Each figure with its table's label: the fidelity to one decimal, the
// others to two.
void ReconstructionWindow::showFigures(const Figures& figures,
                                       const std::optional<OptimisationRecord>& optimisation,
                                       const std::optional<RefinementRecord>& refinement) {
    const std::span<const FigureEntry> table = FigureTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const FigureEntry& entry = table[i];
        const double value = figures.*entry.value;
        figureLabels_[static_cast<qsizetype>(i)]->setText(
            QString::fromUtf8(entry.label.data(), static_cast<qsizetype>(entry.label.size())) +
            QStringLiteral(": ") +
            Figure(std::isfinite(value) ? std::optional(value) : std::nullopt,
                   entry.name == "fidelity" ? 1 : 2));
    }
    optimisationLabel_->setText(optimisation ? QStringLiteral("Optimised: ") + OptimisationText(*optimisation)
                                             : QString());
    optimisationLabel_->setVisible(optimisation.has_value());
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
