#include "engine/kinds/OptionTextMap.h"

namespace marbleck {

void OptionTextMap::set(std::string name, std::string text) {
    texts_.insert_or_assign(std::move(name), std::move(text));
}

bool OptionTextMap::isSet(std::string_view name) const { return texts_.find(name) != texts_.end(); }

std::string OptionTextMap::value(std::string_view name) const {
    const auto found = texts_.find(name);
    return found == texts_.end() ? std::string() : found->second;
}

}  // namespace marbleck
