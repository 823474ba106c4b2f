#pragma once

#include <algorithm>
#include <utility>

#include "engine/core/ThreadPool.h"

namespace marbleck {

// Part k of `parts` contiguous parts of [0, count): [count·k / parts,
// count·(k + 1) / parts), so that the parts differ by at most one and
// together cover the range once.
template <typename Index>
std::pair<Index, Index> PartOf(Index count, int k, int parts) {
    const auto at = [&](int i) {
        return static_cast<Index>(static_cast<unsigned long long>(count) * static_cast<unsigned>(i) /
                                  static_cast<unsigned>(parts));
    };
    return {at(k), at(k + 1)};
}

// Splits [0, count) into `parts` contiguous parts (at most the pool's
// threads) and runs part(k, first, last) for each, part 0 on the calling
// thread and the others on the pool's workers; returns when all are done and
// rethrows the first exception a part threw. One part runs on the calling
// thread without the pool. Which values a part holds depends only on count
// and parts, so a result that depends on the parts is the same on every run
// with the same parts.
template <typename Index, typename Part>
void ParallelFor(ThreadPool& pool, int parts, Index count, Part&& part) {
    parts = std::max(1, std::min(parts, pool.size()));
    if (parts == 1) {
        part(0, Index{0}, count);
        return;
    }
    pool.run(parts, [&](int k) {
        const auto [first, last] = PartOf(count, k, parts);
        part(k, first, last);
    });
}

// The parts ParallelFor should cut `count` items into: one for each of the
// pool's threads when the work is at least `parallelWork`, else one.
inline int PartsFor(const ThreadPool& pool, long long work, long long parallelWork) {
    return work < parallelWork ? 1 : pool.size();
}

}  // namespace marbleck
