#pragma once

#include <algorithm>
#include <span>
#include <string_view>

namespace marbleck {

// The entry of a table of named entries (engines, binarization methods)
// whose `name` is `name`, or nullptr for a name not in the table.
template <class Entry>
const Entry* FindNamed(std::span<const Entry> table, std::string_view name) {
    const auto found =
        std::find_if(table.begin(), table.end(), [name](const Entry& entry) { return entry.name == name; });
    return found == table.end() ? nullptr : &*found;
}

}  // namespace marbleck
