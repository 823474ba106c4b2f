#pragma once

#include "engine/core/Cancellation.h"

namespace marbleck::cli {

// Sets a cancel flag once `seconds` have passed, for as long as it lives:
// the calculation it is handed to then stops. The clock is the process's
// real-time timer (SIGALRM), so no thread is needed; one at a time.
class CalculationDeadline {
public:
    CalculationDeadline(double seconds, CancelFlag& cancel);
    ~CalculationDeadline();
    CalculationDeadline(const CalculationDeadline&) = delete;
    CalculationDeadline& operator=(const CalculationDeadline&) = delete;
};

}  // namespace marbleck::cli
