#pragma once

#include <functional>

#include "engine/Cancellation.h"
#include "engine/ObjectPoint.h"

namespace marbleck {

// How a caller follows and stops a calculation while it runs. Every member
// may be left empty.
struct CalculationControl {
    // Runs on the calling thread after canvas column x has been summed, for
    // every x from 0 to the last canvas column, in order: a window stores x
    // for its progress bar, a command line counts the points of the columns
    // done.
    ColumnDone columnDone;
    // Asked on the calling thread before the sums, after each canvas column,
    // between the stages and between a binarization's steps; true stops the
    // calculation with CalculationCancelled. For a caller that can only be
    // asked on its own thread (an interpreter's pending signals, say).
    std::function<bool()> cancelRequested;
    // Looked at by every engine thread between small pieces of work, so that
    // a calculation stops within a tile of its work rather than a canvas
    // column; set it from any thread or a signal handler.
    const CancelFlag* cancelFlag = nullptr;
    // A binarization method's progress from 0 to 1, on the calling thread.
    std::function<void(double fraction)> binarizationProgress;

    // Throws CalculationCancelled when either way of stopping says so.
    void stopIfCancelled() const {
        StopIfCancelled(cancelFlag);
        if (cancelRequested && cancelRequested()) throw CalculationCancelled();
    }
};

}  // namespace marbleck
