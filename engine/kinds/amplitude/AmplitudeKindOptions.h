#pragma once

#include <memory>
#include <string>

#include "engine/kinds/HologramKind.h"

namespace marbleck {

// The help of the amplitude kind's "budget", its default from the
// binarization table's.
const std::string& BudgetHelp();

// The amplitude kind's readOptions: "binarize" a threshold (a number),
// "balanced" (or "median") or "optimised" (or "optimise"), the last with
// "budget" seconds. Throws KindOptionError for a value that is none of them,
// a budget that is not a number above 0, or one without "binarize optimised".
std::shared_ptr<KindPostProcessing> ReadAmplitudeOptions(const KindOptionValues& given);

}  // namespace marbleck
