#include "widgets/ZoomView.h"

#include <QAction>
#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace marbleck {

namespace {

// The smallest scale a zoom out reaches: a picture pixel is at least this
// much of a screen pixel, so that a few screen pixels always show something.
constexpr double SmallestScale = 1.0 / 64;

void AddShortcut(QWidget& view, const char* name, std::initializer_list<QKeySequence> keys,
                 void (ZoomView::*zoom)()) {
    auto* action = new QAction(&view);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(QList<QKeySequence>(keys));
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, &view,
                     [&view, zoom] { (static_cast<ZoomView&>(view).*zoom)(); });
    view.addAction(action);
}

}  // namespace

ZoomView::ZoomView(QWidget* parent) : QScrollArea(parent), label_(new QLabel) {
    label_->setObjectName(QStringLiteral("zoomedPicture"));
    setWidget(label_);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Dark);
    AddShortcut(*this, "zoomInAction",
                {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus)},
                &ZoomView::zoomIn);
    AddShortcut(*this, "zoomOutAction", {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, &ZoomView::zoomOut);
    AddShortcut(*this, "fitAction", {QKeySequence(Qt::CTRL | Qt::Key_0)}, &ZoomView::fit);
}

void ZoomView::setPicture(const QImage& picture) {
    picture_ = picture;
    showAt(fits_ ? fittedScale() : scale_, viewport()->rect().center());
}

void ZoomView::clear() {
    picture_ = QImage();
    label_->clear();
    label_->resize(0, 0);
}

QSize ZoomView::shownSize() const { return label_->pixmap().size(); }

// Whole screen pixels a picture pixel while the picture is smaller than the
// room, so that its pixels stay even; below one, the largest that fits.
double ZoomView::fittedScale() const {
    if (picture_.isNull()) return 1;
    const QSize room = maximumViewportSize();
    const double fit = std::min(static_cast<double>(room.width()) / picture_.width(),
                                static_cast<double>(room.height()) / picture_.height());
    return fit >= 1 ? std::floor(fit) : fit;
}

void ZoomView::showAt(double scale, QPoint anchor) {
    if (picture_.isNull()) return;
    const double largest = static_cast<double>(MaxShownSide) / std::max(picture_.width(), picture_.height());
    scale = std::clamp(scale, std::min(SmallestScale, largest), largest);
    // The picture point under the anchor, before the change (the label's
    // place in the viewport holds the scrolling).
    const QPointF before = (QPointF(anchor) - QPointF(label_->pos())) / scale_;
    scale_ = scale;
    const QSize size(std::max(1, static_cast<int>(std::lround(picture_.width() * scale))),
                     std::max(1, static_cast<int>(std::lround(picture_.height() * scale))));
    const Qt::TransformationMode mode = scale < 1 ? Qt::SmoothTransformation : Qt::FastTransformation;
    label_->setPixmap(QPixmap::fromImage(
        size == picture_.size() ? picture_ : picture_.scaled(size, Qt::IgnoreAspectRatio, mode)));
    label_->resize(size);
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(before.x() * scale - anchor.x())));
    verticalScrollBar()->setValue(static_cast<int>(std::lround(before.y() * scale - anchor.y())));
}

void ZoomView::zoomAbout(double factor, QPoint anchor) {
    fits_ = false;
    showAt(scale_ * factor, anchor);
}

void ZoomView::zoomIn() { zoomAbout(ZoomStep, viewport()->rect().center()); }

void ZoomView::zoomOut() { zoomAbout(1 / ZoomStep, viewport()->rect().center()); }

void ZoomView::fit() {
    fits_ = true;
    showAt(fittedScale(), viewport()->rect().center());
}

void ZoomView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (fits_) showAt(fittedScale(), viewport()->rect().center());
}

// Ctrl+wheel zooms a step a notch about the pointer; the wheel alone scrolls.
void ZoomView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QScrollArea::wheelEvent(event);
        return;
    }
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) zoomAbout(std::pow(ZoomStep, notches), event->position().toPoint());
    event->accept();
}

}  // namespace marbleck
