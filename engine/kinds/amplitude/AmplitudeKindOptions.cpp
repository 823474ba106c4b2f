#include "engine/kinds/amplitude/AmplitudeKindOptions.h"

#include <optional>

#include "engine/binarization/Binarization.h"
#include "engine/core/OptionText.h"
#include "engine/kinds/amplitude/AmplitudeKind.h"
#include "platform/NumberText.h"

namespace marbleck {

const std::string& BudgetHelp() {
    static const std::string help =
        "How long --binarize optimised may run for each object, in seconds (default " +
        WriteNumber(DefaultBinarizationBudget) + ").";
    return help;
}

std::shared_ptr<KindPostProcessing> ReadAmplitudeOptions(const KindOptionValues& given) {
    auto steps = std::make_shared<AmplitudePostProcessing>();
    std::optional<BinarizationRequest>& binarization = steps->binarization;
    if (given.isSet("binarize")) {
        // The binarization table's names, and the names they had before it.
        const std::string method = given.value("binarize");
        if (method == "balanced" || method == "median")
            binarization = BinarizationRequest{"balanced", 0};
        else if (method == "optimised" || method == "optimise")
            binarization = BinarizationRequest{"optimised", 0};
        else if (const std::optional<double> threshold = WholeNumber(method))
            binarization = BinarizationRequest{"threshold", *threshold};
        else
            throw KindOptionError("--binarize must be a number, balanced or optimised: " + method);
    }
    if (given.isSet("budget")) {
        // Any other binarization would silently run without a budget.
        if (!binarization || binarization->method != "optimised")
            throw KindOptionError("--budget needs --binarize optimised");
        const std::string text = given.value("budget");
        const std::optional<double> budget = WholeNumber(text);
        if (!budget || !(*budget > 0)) throw KindOptionError("--budget must be a number above 0: " + text);
        binarization->budgetSeconds = *budget;
    }
    return steps;
}

}  // namespace marbleck
