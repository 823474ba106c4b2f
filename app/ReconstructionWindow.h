#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QWidget>
#include <memory>
#include <optional>

#include "engine/binarization/Binarization.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/kinds/HologramKind.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/phase/Refinement.h"
#include "engine/reconstruction/Figures.h"
#include "engine/reconstruction/Reconstruction.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

namespace marbleck {

struct Document;
class SceneFocusPanel;
class ZoomView;

// The "Reconstruction" window: the simulated far field of the hologram as it
// is now (the light a print of it shows when lit by a laser), on a log scale
// whose range the slider sets, with the zero order removed unless "Zero
// order" is checked; the fidelity, uniformity and efficiency of the hologram
// (and what an optimised binarization gained); for a phase hologram the far
// field of e^(iφ) of what the panel shows ("Options" > "SLM Panel…": the
// hologram placed on the panel with its tilt and lens), the hologram's phase
// figures and its last refinement; and its axes in physical units, from the
// panel's pitch and wavelength for a phase hologram on a panel with a lens,
// otherwise from the document's print settings (the print dialog's
// resolution and scale and the laser and screen entered there). The picture
// fits the window until the user zooms (ZoomView). A top-level window without owner that
// remembers its place. Its controls are private, each with its member name as object name.
//
// The transform runs on a worker thread, one at a time, and only while the
// window is shown: a change while hidden is taken up when it is next shown,
// and the result of a request overtaken by a newer one is dropped.
class ReconstructionWindow : public QWidget {
    Q_OBJECT

public:
    explicit ReconstructionWindow(const Document& document);
    // Waits for a running transform.
    ~ReconstructionWindow() override;

    // The document's hologram changed (calculated, binarized or loaded over).
    void hologramChanged();
    // The document's print settings changed.
    void printSettingsChanged();
    // The document's panel changed: a phase hologram is shown on it anew.
    void panelChanged();

    // The log-scale picture shown, one pixel a bin (the screen may show it
    // enlarged); null before any.
    QImage picture() const { return picture_; }
    // The focus slider of a 3-D hologram, hidden for other kinds.
    SceneFocusPanel& focusPanel() const { return *focusPanel_; }

signals:
    // A transform's result (or the empty state) is now on the screen.
    void pictureShown();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // What one transform needs, copied from the document on the UI thread.
    struct Request {
        int generation = 0;
        // The document's hologram, which no one changes.
        std::shared_ptr<const Hologram> hologram;
        // The modulator a phase hologram is shown on.
        PanelSettings panel;
        bool zeroOrder = false;
        std::optional<OptimisationRecord> optimisation;
        std::optional<RefinementRecord> refinement;
    };
    struct Result {
        int generation = 0;
        Reconstruction shown;
        Figures figures;
        std::optional<OptimisationRecord> optimisation;
        std::optional<RefinementRecord> refinement;
        bool onPanel = false;
        // Why there is no picture (the memory ran out); empty when there is one.
        QString failure;
    };
    static Result Compute(const Request& request);

    void createControls();
    void requestTransform();
    void startTransform();
    void transformDone();
    void showPicture();
    // The hologram's figures (none before any hologram) and the record of
    // its optimised binarization or refinement.
    void showFigures(const Figures& figures, const std::optional<OptimisationRecord>& optimisation,
                     const std::optional<RefinementRecord>& refinement);
    void showAxes();
    void rememberPlace();

    QLabel* messageLabel_;
    ZoomView* pictureArea_;
    QLabel* horizontalAxisLabel_;
    QLabel* verticalAxisLabel_;
    QComboBox* unitsCombo_;
    QCheckBox* zeroOrderCheck_;
    QLabel* rangeLabel_;
    QSlider* rangeSlider_;
    // One per entry of the figure table, in its order.
    QList<QLabel*> figureLabels_;
    QLabel* optimisationLabel_;
    QLabel* refinementLabel_;
    // A 3-D hologram's focus slider and the picture at its depth.
    SceneFocusPanel* focusPanel_;

    const Document& document_;
    QFutureWatcher<Result> watcher_;
    // Counts the requests; a result of an older one is stale.
    int generation_ = 0;
    // A change is waiting for the window to be shown or the worker to finish.
    bool dirty_ = true;
    Reconstruction shown_;
    // The shown reconstruction is of a phase hologram on the panel.
    bool shownOnPanel_ = false;
    // Why the last transform gave no picture; empty when it gave one.
    QString failure_;
    QImage picture_;
};

}  // namespace marbleck
