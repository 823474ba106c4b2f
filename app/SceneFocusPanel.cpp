#include "app/SceneFocusPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSlider>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <new>
#include <numeric>
#include <set>

#include "engine/kinds/scene/SceneKind.h"

namespace marbleck {

namespace {

// Slider steps a metre: tenths of a millimetre.
constexpr double StepsPerMetre = 1e4;
// The most depths marked below the slider.
constexpr std::size_t MostMarks = 512;
// The largest side the picture is shown at.
constexpr int ShownSide = 384;

// The depths' marks, drawn under the slider's groove.
class MarksBar : public QWidget {
public:
    MarksBar(const QSlider& slider, const std::vector<int>& marks, QWidget* parent)
        : QWidget(parent), slider_(slider), marks_(marks) {
        setFixedHeight(8);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const int span = slider_.maximum() - slider_.minimum();
        if (span <= 0) return;
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        // The handle's centre runs over the groove less half a handle at each end.
        constexpr int Inset = 8;
        const double room = std::max(1, width() - 2 * Inset);
        for (const int mark : marks_) {
            const int x = Inset + static_cast<int>(std::lround(room * (mark - slider_.minimum()) / span));
            painter.drawLine(x, 0, x, height());
        }
    }

private:
    const QSlider& slider_;
    const std::vector<int>& marks_;
};

int StepOf(double depth) { return static_cast<int>(std::lround(depth * StepsPerMetre)); }

}  // namespace

FocusRange FocusRangeOf(double nearest, double farthest) {
    const double margin = std::max({0.1 * (farthest - nearest), 0.05 * nearest, 1e-3});
    return {std::max(1, static_cast<int>(std::floor((nearest - margin) * StepsPerMetre))),
            static_cast<int>(std::ceil((farthest + margin) * StepsPerMetre))};
}

SceneFocusPanel::SceneFocusPanel(QWidget* parent) : QWidget(parent) {
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("focusSlider"));
    slider_->setSingleStep(1);
    slider_->setPageStep(10);
    slider_->setToolTip(
        QStringLiteral("The depth the picture is focused at (tenths of a millimetre a step)"));
    depthLabel_ = new QLabel(this);
    depthLabel_->setObjectName(QStringLiteral("focusLabel"));
    marksBar_ = new MarksBar(*slider_, marks_, this);
    marksBar_->setObjectName(QStringLiteral("focusMarks"));
    pictureLabel_ = new QLabel(this);
    pictureLabel_->setObjectName(QStringLiteral("focusPicture"));
    pictureLabel_->setAlignment(Qt::AlignCenter);
    pictureLabel_->setMinimumSize(64, 64);

    auto* sliderColumn = new QVBoxLayout;
    sliderColumn->addWidget(depthLabel_);
    sliderColumn->addWidget(slider_);
    sliderColumn->addWidget(marksBar_);
    sliderColumn->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(sliderColumn, 1);
    layout->addWidget(pictureLabel_);

    connect(slider_, &QSlider::valueChanged, this, &SceneFocusPanel::depthChanged);
    connect(&watcher_, &QFutureWatcher<Done>::finished, this, &SceneFocusPanel::taken);
    hide();
}

SceneFocusPanel::~SceneFocusPanel() {
    if (running_) running_->store(true);
    watcher_.waitForFinished();
}

void SceneFocusPanel::setHologram(std::shared_ptr<const Hologram> hologram) {
    const auto* scene = dynamic_cast<const SceneHologram*>(hologram.get());
    if (hologram == hologram_ && scene != nullptr) return;
    ++generation_;
    if (running_) running_->store(true);
    refocus_.reset();
    picture_ = QImage();
    pictureLabel_->clear();
    if (scene == nullptr) {
        hologram_.reset();
        pending_ = false;
        hide();
        return;
    }
    hologram_ = std::move(hologram);
    std::vector<double> depths;
    if (scene->scene())
        for (const ScenePoint& point : scene->scene()->points) depths.push_back(point.z);
    if (depths.empty()) depths = scene->focusDepths();
    std::sort(depths.begin(), depths.end());
    const FocusRange range = FocusRangeOf(depths.front(), depths.back());
    std::set<int> steps;
    for (const double depth : depths) steps.insert(StepOf(depth));
    marks_.assign(steps.begin(), steps.end());
    if (marks_.size() > MostMarks) {
        std::vector<int> every;
        for (std::size_t k = 0; k < MostMarks; ++k) every.push_back(marks_[k * marks_.size() / MostMarks]);
        marks_ = std::move(every);
    }
    const double mean =
        std::accumulate(depths.begin(), depths.end(), 0.0) / static_cast<double>(depths.size());
    const auto nearestMean = std::min_element(depths.begin(), depths.end(), [mean](double a, double b) {
        return std::abs(a - mean) < std::abs(b - mean);
    });
    {
        const QSignalBlocker quiet(slider_);
        slider_->setRange(range.lowest, range.highest);
        slider_->setValue(StepOf(*nearestMean));
    }
    marksBar_->update();
    show();
    depthChanged();
}

double SceneFocusPanel::focusDepth() const { return slider_->value() / StepsPerMetre; }

void SceneFocusPanel::depthChanged() {
    depthLabel_->setText(QStringLiteral("Focus: %1 mm").arg(slider_->value() / 10.0, 0, 'f', 1));
    ++generation_;
    pending_ = true;
    if (!watcher_.isRunning()) {
        startNext();
        return;
    }
    // A depth overtaken is stopped; the spectrum, which every depth needs, is not.
    if (refocus_ && running_) running_->store(true);
}

void SceneFocusPanel::startNext() {
    pending_ = false;
    if (!hologram_) return;
    running_ = std::make_shared<CancelFlag>(false);
    if (!intensity_) intensity_ = std::make_shared<std::vector<float>>();
    watcher_.setFuture(QtConcurrent::run([generation = generation_, hologram = hologram_, refocus = refocus_,
                                          depth = focusDepth(), cancel = running_, intensity = intensity_] {
        Done done;
        done.generation = generation;
        done.hologram = hologram;
        done.refocus = refocus;
        try {
            ExecutionContext context;
            context.cancelFlag = cancel.get();
            if (!done.refocus) {
                const auto& scene = static_cast<const SceneHologram&>(*hologram);
                done.refocus = std::make_shared<const Refocus>(scene.transmittance(),
                                                               scene.waves().front().wavelength, context);
            }
            // The picture's grey levels straight from the intensity, and the
            // shown copy scaled here, so that the window only shows it.
            const ScenePlane& plane = done.refocus->plane();
            intensity->resize(plane.size());
            done.refocus->intensityAt(depth, *intensity, context);
            QImage picture(plane.columns, plane.rows, QImage::Format_Grayscale8);
            if (picture.isNull()) throw std::bad_alloc();
            WriteGreyLevels(*intensity, plane.columns, picture.bits(), picture.bytesPerLine(),
                            IntensityScale::linear, DefaultRefocusDecades, 0, context);
            done.shown = picture.scaled(ShownSide, ShownSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            done.picture = std::move(picture);
        } catch (const CalculationCancelled&) {
            done.cancelled = true;
        } catch (const std::bad_alloc&) {
            done.failure = QStringLiteral("Not enough memory to focus this hologram");
        } catch (const std::exception& error) {
            done.failure = QString::fromStdString(error.what());
        }
        return done;
    }));
}

void SceneFocusPanel::taken() {
    Done done = watcher_.result();
    running_.reset();
    if (done.hologram == hologram_ && done.refocus) refocus_ = done.refocus;
    if (done.generation == generation_ && !done.cancelled) {
        if (!done.failure.isEmpty()) {
            pictureLabel_->setText(done.failure);
        } else {
            picture_ = std::move(done.picture);
            pictureLabel_->setPixmap(QPixmap::fromImage(done.shown));
            emit pictureShown();
        }
    }
    if (pending_) startNext();
}

}  // namespace marbleck
