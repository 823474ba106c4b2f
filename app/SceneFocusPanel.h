#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

#include "engine/core/Cancellation.h"
#include "engine/kinds/HologramKind.h"
#include "engine/scenes/Refocus.h"

class QLabel;
class QSlider;

namespace marbleck {

// The slider's range in tenths of a millimetre for points from `nearest` to
// `farthest` (metres): a tenth of the depth range beyond each end, at least
// 5 % of the nearest depth and 1 mm.
struct FocusRange {
    int lowest = 0;
    int highest = 0;
};
FocusRange FocusRangeOf(double nearest, double farthest);

// The Reconstruction window's focus of a 3-D hologram: a slider in
// millimetres (tenths of a millimetre a step) from a little before the
// nearest point's depth to a little beyond the farthest, the points' depths
// marked below it, and the intensity at the slider's depth (Refocus,
// linear, as grey levels) beside it. The hologram's spectrum is made once
// per hologram and each depth drawn on a worker thread, so the window stays
// responsive; a newer depth cancels an older one still running, whose
// picture is never shown.
class SceneFocusPanel : public QWidget {
    Q_OBJECT

public:
    explicit SceneFocusPanel(QWidget* parent = nullptr);
    // Waits for a running depth.
    ~SceneFocusPanel() override;

    // Follows `hologram` when it is a 3-D one, its marks at the depths of the
    // points of the scene it was made of (of its focus depths where it kept
    // none), the slider at the depth nearest their mean; hides for any other
    // (or null).
    void setHologram(std::shared_ptr<const Hologram> hologram);

    // The slider's depth in metres.
    double focusDepth() const;
    // The intensity shown, one pixel a value of the hologram; null before any.
    QImage picture() const { return picture_; }
    // The depths marked below the slider, in its units (tenths of a mm).
    const std::vector<int>& marks() const { return marks_; }

signals:
    // The picture of the slider's depth is on the screen.
    void pictureShown();

private:
    struct Done {
        int generation = 0;
        std::shared_ptr<const Hologram> hologram;
        std::shared_ptr<const Refocus> refocus;
        QImage picture;
        QImage shown;  // the picture at the size it is shown
        QString failure;
        bool cancelled = false;
    };

    void depthChanged();
    void startNext();
    void taken();

    QSlider* slider_;
    QLabel* depthLabel_;
    QWidget* marksBar_;
    QLabel* pictureLabel_;

    std::shared_ptr<const Hologram> hologram_;
    std::shared_ptr<const Refocus> refocus_;  // of hologram_, once made
    std::vector<int> marks_;
    // The running depth's intensity, kept from one depth to the next.
    std::shared_ptr<std::vector<float>> intensity_;
    QImage picture_;
    QFutureWatcher<Done> watcher_;
    std::shared_ptr<CancelFlag> running_;  // the running depth's
    int generation_ = 0;
    bool pending_ = false;
};

}  // namespace marbleck
