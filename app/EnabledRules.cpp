#include "app/EnabledRules.h"

#include <QObject>
#include <QVariant>

namespace marbleck {

bool NeedsHold(unsigned needs, const WindowState& state) {
    const auto holds = [needs](unsigned need, bool met) { return (needs & need) == 0 || met; };
    return holds(Need::NotShownBusy, !state.busyShown) && holds(Need::NoJobRunning, !state.jobRunning) &&
           holds(Need::AnyHologram, state.hologram) && holds(Need::PhaseHologram, state.phaseHologram) &&
           holds(Need::NoPhaseHologram, !state.phaseHologram && !state.modulatorPhase) &&
           holds(Need::ModulatorPhase, state.modulatorPhase);
}

void ApplyEnabledRules(const QList<EnabledRule>& rules, const WindowState& state) {
    for (const EnabledRule& rule : rules)
        if (rule.target) rule.target->setProperty("enabled", NeedsHold(rule.needs, state));
}

}  // namespace marbleck
