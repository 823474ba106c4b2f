#pragma once

#include <QFrame>
#include <QImage>
#include <QPointF>
#include <cstdint>
#include <functional>

namespace marbleck {

// Colour values as the program stores them: red + 256 × green + 65536 × blue.
using ColorValue = std::int32_t;
constexpr ColorValue RGBColor(int red, int green, int blue) { return red + 256 * green + 65536 * blue; }
inline constexpr ColorValue White = RGBColor(255, 255, 255);
inline constexpr ColorValue Black = 0;

// A picture area: a control with a sunken border whose drawing area keeps a
// persistent image. Beneath the drawings lies an optional background picture
// (shown from the top-left corner, one screen pixel per picture pixel) that
// clearing keeps. Sizes of the control are in twips (outer size, border
// included); drawing coordinates are in user units, which are pixels unless a
// user scale in twips per unit is set. A point maps to the nearest pixel of
// the drawing area: pixel = round(units × twipsPerUnit / twipsPerPixel).
class PictureArea : public QFrame {
    Q_OBJECT

public:
    // Width of the sunken border, in pixels on each side.
    static constexpr int BorderPixels = 2;

    explicit PictureArea(QWidget* parent = nullptr);

    // Outer size in twips, as single-precision values; the drawing area is the
    // outer size less the border. Existing drawings keep their place.
    void setOuterWidth(float twips);
    void setOuterHeight(float twips);
    void setOuterSize(float widthTwips, float heightTwips);
    float outerWidth() const { return outerWidthTwips_; }
    float outerHeight() const { return outerHeightTwips_; }
    // Sizes the control so that its drawing area is `pixels`: the outer size
    // is the area plus the border, in twips.
    void setDrawingAreaSize(QSize pixels);

    // Shows the control at most `pixels` large on the screen: a larger one is
    // drawn scaled down to fit, keeping its aspect and its border, while its
    // sizes, drawing area and image stay as they are and mouse positions
    // still map to the image's pixels. An empty bound (the default) shows it
    // at its own size.
    void setShownBound(QSize pixels);
    // Screen pixels an image pixel: 1 unless scaled down to its bound.
    double shownScale() const { return shownScale_; }

    void setBackColor(ColorValue color);

    // User scale: twips per unit across and down; 0 means units are pixels.
    void setUserScale(double twipsPerUnitX, double twipsPerUnitY);
    int penWidth() const { return penWidth_; }
    void setPenWidth(int pixels);

    // Drawing in user units with the current pen width. Each operation moves
    // the current drawing position: to the point, the line's end, the
    // circle's centre. Whatever falls outside the drawing area is clipped.
    void setPixel(float x, float y, ColorValue color);
    void drawLine(float x1, float y1, float x2, float y2, ColorValue color);
    void drawLineTo(float x2, float y2, ColorValue color);
    void drawCircle(float x, float y, float radius, ColorValue color);
    void drawBox(float x1, float y1, float x2, float y2, ColorValue color, bool filled);
    QPointF currentPosition() const { return current_; }

    // The colour at a point in user units; -1 outside the drawing area.
    ColorValue colorAt(float x, float y) const;

    // Every pixel takes the background colour (with the background picture on
    // top, if any) and the current position returns to (0, 0).
    void clear();

    // Makes `picture` the background picture; it replaces what was drawn.
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }

    // The persistent image: everything shown in the drawing area, at its size.
    const QImage& image() const { return image_; }
    QSize drawingAreaSize() const { return image_.size(); }

    // Everything that makes up what the area shows: its outer size, its
    // background picture, its image and the current drawing position. The
    // images are shared, not copied, until either side changes.
    struct Contents {
        float outerWidth = 0;
        float outerHeight = 0;
        QImage picture;
        QImage image;
        QPointF current;
        bool operator==(const Contents&) const = default;
    };
    Contents contents() const;
    // Makes the area show `contents` exactly as they were taken.
    void restore(const Contents& contents);

    // Runs band(index, count) for every index in 0 .. count − 1 (a count it
    // chooses), possibly at the same time on several threads.
    using RunBands = std::function<void(const std::function<void(int index, int count)>& band)>;

    // Paints grey levels given column by column (`rows` values per column,
    // contiguous) at pixels (u, v), in bulk, in bands of lines that `run`
    // may spread over threads. Pixels outside are clipped.
    void paintGreyColumns(const std::uint8_t* grey, int columns, int rows, const RunBands& run = {});

    // Pixel position of a point in user units (for tests and mouse mapping).
    QPoint toPixel(float x, float y) const;
    // User units of a pixel offset within the drawing area.
    QPointF toUnits(QPointF pixel) const;

signals:
    // Mouse positions in user units, as single-precision values. Presses are
    // reported inside the drawing area only, never on the border; moves with
    // no button held likewise, and during a drag only when it began inside.
    void mousePressed(Qt::MouseButton button, Qt::MouseButtons buttons, float x, float y);
    void mouseMoved(Qt::MouseButtons buttons, float x, float y);
    // A button went up, wherever the pointer is; `buttons` are those still held.
    void mouseReleased(Qt::MouseButton button, Qt::MouseButtons buttons);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    double pixelsPerUnitX() const;
    double pixelsPerUnitY() const;
    QPointF toPixelCentre(float x, float y) const;
    bool inDrawingArea(QPointF position) const;
    // Image pixels of a mouse position.
    QPointF imagePosition(QPointF position) const;
    // Where the image is drawn within the control.
    QRect shownImageRect() const;
    void applyOuterSize();
    void fillBackground(QImage& image) const;
    void changed(const QRect& pixels);
    void paintDot(QPoint pixel, ColorValue color);
    template <class Draw>
    void paintWith(ColorValue color, Draw&& draw);

    float outerWidthTwips_ = 0;
    float outerHeightTwips_ = 0;
    ColorValue backColor_ = Black;
    double twipsPerUnitX_ = 0;
    double twipsPerUnitY_ = 0;
    int penWidth_ = 1;
    QPointF current_{0, 0};
    // The buttons now held went down inside the drawing area.
    bool dragFromInside_ = false;
    QSize shownBound_;
    double shownScale_ = 1;
    QImage picture_;
    QImage image_;
};

}  // namespace marbleck
