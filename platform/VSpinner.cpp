#include "VSpinner.h"

#include <QKeyEvent>
#include <QToolButton>
#include <algorithm>

namespace marbleck {

VSpinner::VSpinner(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    setFocusPolicy(Qt::StrongFocus);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    connect(up_, &QToolButton::clicked, this, [this] { stepUp(); });
    connect(down_, &QToolButton::clicked, this, [this] { stepDown(); });
}

int VSpinner::clamp(int value) const {
    return std::clamp(value, std::min(min_, max_), std::max(min_, max_));
}

void VSpinner::moveTo(int value) {
    if (value == value_) return;
    value_ = value;
    emit valueChanged(value_);
}

void VSpinner::setValue(int value) { moveTo(clamp(value)); }

// A new end moves a value that lies outside the range onto it.
void VSpinner::setMin(int value) {
    min_ = value;
    moveTo(clamp(value_));
}

void VSpinner::setMax(int value) {
    max_ = value;
    moveTo(clamp(value_));
}

void VSpinner::stepUp(int step) { setValue(min_ > max_ ? value_ + step : value_ - step); }
void VSpinner::stepDown(int step) { setValue(min_ > max_ ? value_ - step : value_ + step); }

void VSpinner::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

void VSpinner::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up: stepUp(smallChange_); break;
    case Qt::Key_Down: stepDown(smallChange_); break;
    case Qt::Key_PageUp: stepUp(largeChange_); break;
    case Qt::Key_PageDown: stepDown(largeChange_); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

}  // namespace marbleck
