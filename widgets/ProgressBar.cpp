#include "widgets/ProgressBar.h"

#include <algorithm>
#include <cmath>

namespace marbleck {

namespace {
// The bar shows the value in thousandths of its range.
constexpr int Steps = 1000;
}  // namespace

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    QProgressBar::setRange(0, Steps);
    setTextVisible(false);
    refresh();
}

void ProgressBar::setMin(float value) {
    min_ = value;
    refresh();
}

void ProgressBar::setMax(float value) {
    max_ = value;
    refresh();
}

void ProgressBar::setValue(float value) {
    value_ = value;
    refresh();
}

void ProgressBar::refresh() {
    const float span = max_ - min_;
    const double fraction = span > 0 ? std::clamp((value_ - min_) / span, 0.0f, 1.0f) : 0.0;
    QProgressBar::setValue(static_cast<int>(std::lround(fraction * Steps)));
}

}  // namespace marbleck
