#pragma once

#include <atomic>
#include <exception>

namespace marbleck {

// Set from any thread to ask a running calculation to stop. The engines look
// at it between small pieces of their work, on every thread they use.
using CancelFlag = std::atomic<bool>;

// Thrown out of a calculation that stopped because its CancelFlag was set.
// What the calculation was writing into is then left partly written.
class CalculationCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "calculation cancelled"; }
};

// Throws CalculationCancelled when `cancel` is given and set.
inline void StopIfCancelled(const CancelFlag* cancel) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) throw CalculationCancelled();
}

}  // namespace marbleck
