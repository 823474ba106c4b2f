#include "engine/kinds/HologramKind.h"

#include <algorithm>

#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "engine/kinds/phase/PhaseKind.h"
#include "engine/kinds/scene/SceneKind.h"

namespace marbleck {

std::span<const HologramKind* const> HologramKinds() {
    static const HologramKind* const table[] = {
        &AmplitudeKind(),
        &PhaseKind(),
        &SceneKind(),
    };
    return table;
}

const HologramKind* FindHologramKind(std::string_view name) {
    for (const HologramKind* kind : HologramKinds())
        if (kind->name == name) return kind;
    return nullptr;
}

NamedValues FigureValues(const Figures& figures, std::span<const std::string_view> only) {
    NamedValues values;
    for (const auto& [name, value] : NamedFigures(figures))
        if (only.empty() || std::find(only.begin(), only.end(), name) != only.end())
            values.push_back({std::string(name), {value}});
    return values;
}

}  // namespace marbleck
