#pragma once

#include <QList>
#include <QObject>
#include <string>

#include "app/EnabledRules.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/LookupTable.h"
#include "engine/phase/PanelMap.h"
#include "engine/phase/PhaseFigures.h"
#include "engine/phase/Refinement.h"

class QAction;
class QMenu;
class QWidget;

namespace marbleck {

// The Options menu's items for phase holograms: "Hologram" > "Amplitude
// (print)" / "Phase (SLM)" (what "Calculate" makes), "Refinement" > its
// methods, "Iterations…" and "Time Limit…", and "Refine". The choices are
// remembered in the settings under options/ and written as soon as they
// change.
class PhaseOptions : public QObject {
    Q_OBJECT

public:
    // Adds the items to the end of `options`; dialogs open over `window`.
    PhaseOptions(QWidget& window, QMenu& options);

    // The choices of the last run; a first start keeps the start-up state
    // (amplitude, Gerchberg–Saxton, 30 iterations, no time limit).
    void restore();

    // Whether "Calculate" makes a phase hologram.
    bool phaseChosen() const;
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
    QAction* amplitude_ = nullptr;
    QAction* phase_ = nullptr;
    // One per refinement method, its name as the action's data.
    QList<QAction*> methods_;
    QAction* iterationsAction_ = nullptr;
    QAction* timeLimitAction_ = nullptr;
    QAction* refine_ = nullptr;
    int iterations_ = DefaultIterations;
    double timeLimitSeconds_ = 0;
};

}  // namespace marbleck
