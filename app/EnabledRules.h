#pragma once

#include <QList>
#include <QPointer>
#include <QString>

class QObject;

namespace marbleck {

// What the main window is doing and holding, as far as its controls' enabled
// states go.
struct WindowState {
    // A job ("Calculate", an optimised "Binarize", "Refine") runs.
    bool jobRunning = false;
    // It has run long enough to show the window busy.
    bool busyShown = false;
    // The document holds a hologram, of any kind.
    bool hologram = false;
    // That hologram is a phase hologram.
    bool phaseHologram = false;
    // It holds a phase a modulator shows: a phase hologram, or a 3-D
    // hologram encoded as a phase.
    bool modulatorPhase = false;
};

// What a control or a menu item needs to be enabled; a rule's needs are
// or-ed together and must all hold.
struct Need {
    enum : unsigned {
        // Greyed while a running job shows the window busy (its input is held
        // back from the job's start).
        NotShownBusy = 1u << 0,
        // Disabled from the moment a job starts until the window is back.
        NoJobRunning = 1u << 1,
        // Needs a hologram of any kind.
        AnyHologram = 1u << 2,
        // Needs a phase hologram.
        PhaseHologram = 1u << 3,
        // Nothing binarizes a phase (of a phase hologram or a 3-D one).
        NoPhaseHologram = 1u << 4,
        // Needs a phase a modulator shows (Document::modulatorPhase).
        ModulatorPhase = 1u << 5,
    };
};

// Whether everything `needs` names holds in `state`.
bool NeedsHold(unsigned needs, const WindowState& state);

// One control's or menu item's rule: `target` (a widget or an action, by
// its "enabled" property) is enabled exactly when its needs hold.
struct EnabledRule {
    QPointer<QObject> target;
    unsigned needs = 0;
};

// Sets every rule's target's enabled state for `state`.
void ApplyEnabledRules(const QList<EnabledRule>& rules, const WindowState& state);

}  // namespace marbleck
