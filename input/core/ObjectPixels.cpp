#include "input/core/ObjectPixels.h"

#include <utility>

#include "platform/RunTimeError.h"

namespace marbleck {

ObjectPixels::ObjectPixels(int rowBytes, int height, std::vector<std::uint8_t> storedBytes)
    : rowBytes_(rowBytes), height_(height), stored_(std::move(storedBytes)) {
    if (rowBytes <= 0 || height <= 0) {
        throw RunTimeError(ErrorNumber::SubscriptOutOfRange, "Subscript out of range");
    }
    const auto total = static_cast<std::uint64_t>(rowBytes) * static_cast<std::uint64_t>(height);
    if (stored_.size() > total) {
        stored_.resize(static_cast<std::size_t>(total));
        stored_.shrink_to_fit();
    }
}

std::uint8_t ObjectPixels::operator()(int x, int j) const {
    if (x < 0 || x > xMax() || j < 0 || j > yMax()) {
        throw RunTimeError(ErrorNumber::SubscriptOutOfRange, "Subscript out of range");
    }
    // 64-bit: rowBytes × height may exceed 2^31 for a header that claims much
    // more than the file holds.
    const auto index =
        static_cast<std::uint64_t>(j) * static_cast<std::uint64_t>(rowBytes_) + static_cast<std::uint64_t>(x);
    return index < stored_.size() ? stored_[static_cast<std::size_t>(index)] : 0;
}

}  // namespace marbleck
