#pragma once

#include <QList>
#include <QObject>
#include <string>

#include "app/EnabledRules.h"
#include "engine/kinds/HologramKind.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/phase/Refinement.h"

class QAction;
class QMenu;
class QWidget;

namespace marbleck {

// The Options menu's items for the kinds: "Hologram" > one choice per
// entry of the kinds table (what "Calculate" makes), and for phase
// holograms "Refinement" > its
// methods, "Iterations…" and "Time Limit…", and "Refine". The choices are
// remembered in the settings under options/ and written as soon as they
// change.
class PhaseOptions : public QObject {
    Q_OBJECT

public:
    // Adds the items to the end of `options`; dialogs open over `window`.
    PhaseOptions(QWidget& window, QMenu& options);

    // The choices of the last run; a first start keeps the start-up state
    // (the first kind, Gerchberg–Saxton, 30 iterations, no time limit), as
    // does a remembered kind that is not in the kinds table.
    void restore();

    // The kind "Calculate" makes.
    const HologramKind& chosenKind() const;
    // Chooses `kind`, as its menu item does.
    void choose(const HologramKind& kind);
    // The kind of a flat object (one without scene files) chosen last: what
    // a picture or a drawing is made into; the first such kind before any.
    const HologramKind& flatKind() const;
    // What "Refine" runs.
    RefinementRequest refinementRequest() const;

    // "Options" > "Refine" (Ctrl+R); the window handles it.
    QAction* refineAction() const { return refine_; }
    // What each item needs to be enabled: the choices wait while a job runs;
    // "Refine" also needs a phase hologram.
    QList<EnabledRule> enabledRules() const;

    static constexpr int DefaultIterations = 30;
    static constexpr int MostIterations = 10000;
    static constexpr double MostTimeLimitSeconds = 3600;

private:
    void askIterations();
    void askTimeLimit();

    QWidget& window_;
    // One per entry of the kinds table, in its order.
    QList<QAction*> kinds_;
    // Of kinds_, the flat kind chosen last.
    QAction* flatKind_ = nullptr;
    // One per refinement method, its name as the action's data.
    QList<QAction*> methods_;
    QAction* iterationsAction_ = nullptr;
    QAction* timeLimitAction_ = nullptr;
    QAction* refine_ = nullptr;
    int iterations_ = DefaultIterations;
    double timeLimitSeconds_ = 0;
};

}  // namespace marbleck
