#include "widgets/VSpinner.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolButton>
#include <algorithm>

namespace marbleck {

namespace {

// Lies over both arrows and draws the style's focus frame around them while
// the spinner has the focus; the mouse goes through it to the arrows.
class FocusMark : public QWidget {
public:
    explicit FocusMark(QWidget* spinner) : QWidget(spinner) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!parentWidget()->hasFocus()) return;
        QStyleOptionFocusRect option;
        option.initFrom(parentWidget());
        option.rect = rect();
        // Some styles draw the frame only after focus moved by keyboard; the
        // spinner has no other mark of focus, so it always asks for it.
        option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
        option.backgroundColor = palette().color(QPalette::Button);
        QPainter painter(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
};

}  // namespace

VSpinner::VSpinner(QWidget* parent)
    : QWidget(parent),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)),
      focusMark_(new FocusMark(this)) {
    setFocusPolicy(Qt::StrongFocus);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
        // A click on an arrow gives the spinner the keyboard.
        connect(arrow, &QToolButton::pressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    focusMark_->raise();
    connect(up_, &QToolButton::clicked, this, [this] { stepUp(); });
    connect(down_, &QToolButton::clicked, this, [this] { stepDown(); });
}

int VSpinner::clamp(int value) const { return std::clamp(value, std::min(min_, max_), std::max(min_, max_)); }

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
    focusMark_->setGeometry(rect());
}

void VSpinner::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    focusMark_->update();
}

void VSpinner::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    focusMark_->update();
}

void VSpinner::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            stepUp(smallChange_);
            break;
        case Qt::Key_Down:
            stepDown(smallChange_);
            break;
        case Qt::Key_PageUp:
            stepUp(largeChange_);
            break;
        case Qt::Key_PageDown:
            stepDown(largeChange_);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace marbleck
