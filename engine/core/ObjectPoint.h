#pragma once

#include <functional>

namespace marbleck {

// A lit canvas sample, in scan order (x outer, y inner).
struct ObjectPoint {
    int x = 0;
    int y = 0;
};

// Called on the calling thread after canvas column x has been accumulated,
// for every x from 0 to canvasColumns - 1 in order, whether or not the column
// held object points.
using ColumnDone = std::function<void(int x)>;

}  // namespace marbleck
