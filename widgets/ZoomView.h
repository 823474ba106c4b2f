#pragma once

#include <QImage>
#include <QScrollArea>

class QLabel;

namespace marbleck {

// A picture shown as image viewers show one: fitted to the room the view
// has, keeping its aspect (enlarged by a whole number of screen pixels a
// picture pixel while it is smaller than the room, scaled down smoothly
// while it is larger), until the user zooms. Ctrl++ (or Ctrl+=) zooms in,
// Ctrl+- out, Ctrl+0 fits again, anywhere in the view's window; Ctrl+wheel
// zooms about the pointer. A picture zoomed past the room scrolls. The
// shown picture never exceeds MaxShownSide screen pixels a side.
class ZoomView : public QScrollArea {
    Q_OBJECT

public:
    // Each zoom step multiplies or divides the scale by this.
    static constexpr double ZoomStep = 1.25;
    static constexpr int MaxShownSide = 8192;

    explicit ZoomView(QWidget* parent = nullptr);

    // Shows `picture` at the current zoom, or fitted while the view fits.
    void setPicture(const QImage& picture);
    void clear();

    // Screen pixels a picture pixel.
    double scale() const { return scale_; }
    // The view fits its picture to its room (until the user zooms).
    bool fits() const { return fits_; }
    // The size the picture is shown at.
    QSize shownSize() const;

    void zoomIn();
    void zoomOut();
    void fit();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    double fittedScale() const;
    // Shows the picture at `scale`, keeping the picture point at `anchor`
    // (viewport coordinates) where it is.
    void showAt(double scale, QPoint anchor);
    void zoomAbout(double factor, QPoint anchor);

    QLabel* label_;
    QImage picture_;
    double scale_ = 1;
    bool fits_ = true;
};

}  // namespace marbleck
