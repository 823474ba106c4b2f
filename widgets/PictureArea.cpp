#include "widgets/PictureArea.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "widgets/Screen.h"

namespace marbleck {

namespace {

QRgb toRgb(ColorValue color) { return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

ColorValue fromRgb(QRgb rgb) { return RGBColor(qRed(rgb), qGreen(rgb), qBlue(rgb)); }

// A point in units belongs to the nearest pixel.
int nearestPixel(double value) { return static_cast<int>(std::floor(value + 0.5)); }

}  // namespace

PictureArea::PictureArea(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(BorderPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_ = QImage(0, 0, QImage::Format_RGB32);
}

double PictureArea::pixelsPerUnitX() const {
    return twipsPerUnitX_ > 0 ? twipsPerUnitX_ / Screen::TwipsPerPixelX() : 1.0;
}

double PictureArea::pixelsPerUnitY() const {
    return twipsPerUnitY_ > 0 ? twipsPerUnitY_ / Screen::TwipsPerPixelY() : 1.0;
}

QPoint PictureArea::toPixel(float x, float y) const {
    return {nearestPixel(x * pixelsPerUnitX()), nearestPixel(y * pixelsPerUnitY())};
}

QPointF PictureArea::toPixelCentre(float x, float y) const {
    const QPoint p = toPixel(x, y);
    return {p.x() + 0.5, p.y() + 0.5};
}

QPointF PictureArea::toUnits(QPointF pixel) const {
    return {static_cast<float>(pixel.x() / pixelsPerUnitX()),
            static_cast<float>(pixel.y() / pixelsPerUnitY())};
}

void PictureArea::setOuterWidth(float twips) { setOuterSize(twips, outerHeightTwips_); }
void PictureArea::setOuterHeight(float twips) { setOuterSize(outerWidthTwips_, twips); }

void PictureArea::setOuterSize(float widthTwips, float heightTwips) {
    outerWidthTwips_ = widthTwips;
    outerHeightTwips_ = heightTwips;
    applyOuterSize();
}

void PictureArea::setDrawingAreaSize(QSize pixels) {
    setOuterSize(
        static_cast<float>(Screen::TwipsPerPixelX() * (std::max(0, pixels.width()) + 2 * BorderPixels)),
        static_cast<float>(Screen::TwipsPerPixelY() * (std::max(0, pixels.height()) + 2 * BorderPixels)));
}

void PictureArea::setShownBound(QSize pixels) {
    shownBound_ = pixels;
    applyOuterSize();
    update();
}

QRect PictureArea::shownImageRect() const {
    const QPoint corner(BorderPixels, BorderPixels);
    if (shownScale_ >= 1) return {corner, image_.size()};
    const int outerW = TwipsToPixels(outerWidthTwips_, Screen::TwipsPerPixelX()) - 2 * BorderPixels;
    const int outerH = TwipsToPixels(outerHeightTwips_, Screen::TwipsPerPixelY()) - 2 * BorderPixels;
    return {corner, QSize(std::max(1, static_cast<int>(std::lround(outerW * shownScale_))),
                          std::max(1, static_cast<int>(std::lround(outerH * shownScale_))))};
}

QPointF PictureArea::imagePosition(QPointF position) const {
    return (position - contentsRect().topLeft()) / shownScale_;
}

void PictureArea::applyOuterSize() {
    const int outerW = std::max(0, TwipsToPixels(outerWidthTwips_, Screen::TwipsPerPixelX()));
    const int outerH = std::max(0, TwipsToPixels(outerHeightTwips_, Screen::TwipsPerPixelY()));
    const QSize area(std::max(0, outerW - 2 * BorderPixels), std::max(0, outerH - 2 * BorderPixels));
    shownScale_ = 1;
    if (!shownBound_.isEmpty() && !area.isEmpty()) {
        const QSize room = shownBound_ - QSize(2 * BorderPixels, 2 * BorderPixels);
        shownScale_ = std::clamp(std::min(static_cast<double>(room.width()) / area.width(),
                                          static_cast<double>(room.height()) / area.height()),
                                 1e-3, 1.0);
    }
    const QSize shown = shownImageRect().size();
    resize(shownScale_ < 1 ? shown + QSize(2 * BorderPixels, 2 * BorderPixels) : QSize(outerW, outerH));
    if (area == image_.size()) return;
    // Drawings keep their place; newly exposed pixels show the background.
    QImage grown(area, QImage::Format_RGB32);
    fillBackground(grown);
    QPainter painter(&grown);
    painter.drawImage(0, 0, image_);
    painter.end();
    image_ = grown;
    update();
}

void PictureArea::fillBackground(QImage& image) const {
    image.fill(toRgb(backColor_));
    if (!picture_.isNull()) {
        QPainter painter(&image);
        painter.drawImage(0, 0, picture_);
    }
}

void PictureArea::setBackColor(ColorValue color) {
    backColor_ = color;
    clear();
}

void PictureArea::setUserScale(double twipsPerUnitX, double twipsPerUnitY) {
    twipsPerUnitX_ = twipsPerUnitX;
    twipsPerUnitY_ = twipsPerUnitY;
}

void PictureArea::setPenWidth(int pixels) { penWidth_ = std::max(1, pixels); }

void PictureArea::changed(const QRect& pixels) {
    if (shownScale_ < 1) {
        update();
        return;
    }
    const int margin = penWidth_ + 2;
    update(pixels.adjusted(-margin, -margin, margin, margin).translated(contentsRect().topLeft()));
}

template <class Draw>
void PictureArea::paintWith(ColorValue color, Draw&& draw) {
    if (image_.isNull()) return;
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor::fromRgb(toRgb(color)));
    pen.setWidth(penWidth_);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    draw(painter);
}

// A dot is the pen's footprint: a disc `penWidth_` pixels across with
// pixel p at its centre (for even widths the centre lies on p's bottom-right
// corner, where lines of that width lie too). Set pixel by pixel: QPainter
// puts a one-pixel point given at a pixel's centre on the next pixel down
// and right, and draws wider points narrower than the pen.
void PictureArea::paintDot(QPoint p, ColorValue color) {
    const int low = -(penWidth_ - 1) / 2;
    const int high = penWidth_ / 2;
    const double centre = (low + high) / 2.0;
    const double radiusSquared = penWidth_ * penWidth_ / 4.0;
    const QRgb rgb = toRgb(color);
    for (int dy = low; dy <= high; ++dy) {
        for (int dx = low; dx <= high; ++dx) {
            if ((dx - centre) * (dx - centre) + (dy - centre) * (dy - centre) > radiusSquared) continue;
            const QPoint q = p + QPoint(dx, dy);
            if (image_.rect().contains(q)) image_.setPixel(q, rgb);
        }
    }
}

void PictureArea::setPixel(float x, float y, ColorValue color) {
    const QPoint p = toPixel(x, y);
    paintDot(p, color);
    current_ = {x, y};
    changed(QRect(p, QSize(1, 1)));
}

void PictureArea::drawLine(float x1, float y1, float x2, float y2, ColorValue color) {
    const QPointF a = toPixelCentre(x1, y1);
    const QPointF b = toPixelCentre(x2, y2);
    if (a == b)
        paintDot(toPixel(x1, y1), color);
    else
        paintWith(color, [&](QPainter& painter) { painter.drawLine(a, b); });
    current_ = {x2, y2};
    changed(QRectF(a, b).normalized().toAlignedRect());
}

void PictureArea::drawLineTo(float x2, float y2, ColorValue color) {
    drawLine(static_cast<float>(current_.x()), static_cast<float>(current_.y()), x2, y2, color);
}

void PictureArea::drawCircle(float x, float y, float radius, ColorValue color) {
    const QPointF centre = toPixelCentre(x, y);
    const double rx = std::abs(radius) * pixelsPerUnitX();
    const double ry = std::abs(radius) * pixelsPerUnitY();
    // A circle too small to have a ring is a dot at its centre.
    if (rx < 0.5 && ry < 0.5)
        paintDot(toPixel(x, y), color);
    else
        paintWith(color, [&](QPainter& painter) { painter.drawEllipse(centre, rx, ry); });
    current_ = {x, y};
    changed(QRectF(centre.x() - rx, centre.y() - ry, 2 * rx + 1, 2 * ry + 1).toAlignedRect());
}

void PictureArea::drawBox(float x1, float y1, float x2, float y2, ColorValue color, bool filled) {
    const QPoint a = toPixel(x1, y1);
    const QPoint b = toPixel(x2, y2);
    const QRect rect = QRect(a, b).normalized();
    paintWith(color, [&](QPainter& painter) {
        if (filled)
            painter.fillRect(rect, QColor::fromRgb(toRgb(color)));
        else
            painter.drawRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5));
    });
    current_ = {x2, y2};
    changed(rect);
}

ColorValue PictureArea::colorAt(float x, float y) const {
    const QPoint p = toPixel(x, y);
    if (!image_.rect().contains(p)) return -1;
    return fromRgb(image_.pixel(p));
}

void PictureArea::clear() {
    fillBackground(image_);
    current_ = {0, 0};
    update();
}

void PictureArea::setPicture(const QImage& picture) {
    picture_ = picture.convertToFormat(QImage::Format_RGB32);
    fillBackground(image_);
    update();
}

PictureArea::Contents PictureArea::contents() const {
    return {outerWidthTwips_, outerHeightTwips_, picture_, image_, current_};
}

void PictureArea::restore(const Contents& contents) {
    outerWidthTwips_ = contents.outerWidth;
    outerHeightTwips_ = contents.outerHeight;
    picture_ = contents.picture;
    applyOuterSize();
    image_ = contents.image;
    current_ = contents.current;
    update();
}

void PictureArea::paintGreyColumns(const std::uint8_t* grey, int columns, int rows, const RunBands& run) {
    const int width = std::min(columns, image_.width());
    const int height = std::min(rows, image_.height());
    // The levels come column by column and the image is stored line by line:
    // taken in tiles, both the levels read and the lines written stay in the
    // first-level cache.
    constexpr int Tile = 64;
    const auto stride = static_cast<std::size_t>(rows);
    uchar* const bits = image_.bits();  // detached once, here
    const auto bytesPerLine = static_cast<std::size_t>(image_.bytesPerLine());
    const auto band = [&](int index, int count) {
        // Whole tiles of lines to each band.
        const int tiles = (height + Tile - 1) / Tile;
        const int first = std::min(height, tiles * index / count * Tile);
        const int last = std::min(height, tiles * (index + 1) / count * Tile);
        for (int v0 = first; v0 < last; v0 += Tile) {
            const int v1 = std::min(last, v0 + Tile);
            for (int u0 = 0; u0 < width; u0 += Tile) {
                const int u1 = std::min(width, u0 + Tile);
                for (int v = v0; v < v1; ++v) {
                    auto* line = reinterpret_cast<QRgb*>(bits + static_cast<std::size_t>(v) * bytesPerLine);
                    const std::uint8_t* level = grey + static_cast<std::size_t>(v);
                    for (int u = u0; u < u1; ++u)
                        line[u] = 0xFF000000u | (level[static_cast<std::size_t>(u) * stride] * 0x010101u);
                }
            }
        }
    };
    if (run)
        run(band);
    else
        band(0, 1);
    changed(QRect(0, 0, width, height));
}

void PictureArea::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setClipRect(area);
    if (shownScale_ < 1) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(shownImageRect()), image_, QRectF(image_.rect()));
        return;
    }
    painter.drawImage(area.topLeft(), image_);
}

bool PictureArea::inDrawingArea(QPointF position) const {
    return contentsRect().contains(
        QPoint(static_cast<int>(std::floor(position.x())), static_cast<int>(std::floor(position.y()))));
}

// Only presses inside the drawing area count; one on the border is not a
// press on the picture, and the drag it starts is not reported either.
void PictureArea::mousePressEvent(QMouseEvent* event) {
    const bool firstButton = event->buttons() == event->button();
    if (!inDrawingArea(event->position())) {
        if (firstButton) dragFromInside_ = false;
        return;
    }
    if (firstButton) dragFromInside_ = true;
    const QPointF units = toUnits(imagePosition(event->position()));
    emit mousePressed(event->button(), event->buttons(), static_cast<float>(units.x()),
                      static_cast<float>(units.y()));
}

// Without a button held the pointer counts over the drawing area only; a drag
// that began inside it is followed wherever it goes, as the mouse is then
// captured, and one that began on the border is not followed at all.
void PictureArea::mouseMoveEvent(QMouseEvent* event) {
    const bool counts = event->buttons() == Qt::NoButton ? inDrawingArea(event->position()) : dragFromInside_;
    if (!counts) return;
    const QPointF units = toUnits(imagePosition(event->position()));
    emit mouseMoved(event->buttons(), static_cast<float>(units.x()), static_cast<float>(units.y()));
}

void PictureArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) dragFromInside_ = false;
    emit mouseReleased(event->button(), event->buttons());
}

// The second press of a double click has already arrived as a press of its
// own; the double-click event that follows it is not another press.
void PictureArea::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

}  // namespace marbleck
