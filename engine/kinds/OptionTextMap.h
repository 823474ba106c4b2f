#pragma once

// A kind's option values kept as text by name, for a caller that gathers
// them itself (a window's settings, Python's keywords) rather than parsing
// a command line.

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "engine/kinds/HologramKind.h"

namespace marbleck {

// A name held is an option given, its text the value ("" for a switch); a
// name not held is an option not given, whose value is "".
class OptionTextMap : public KindOptionValues {
public:
    using Texts = std::map<std::string, std::string, std::less<>>;

    OptionTextMap() = default;
    explicit OptionTextMap(Texts texts) : texts_(std::move(texts)) {}
    OptionTextMap(std::initializer_list<Texts::value_type> texts) : texts_(texts) {}

    // Gives the option `name` the value `text`, replacing one given before.
    void set(std::string name, std::string text);

    bool isSet(std::string_view name) const override;
    std::string value(std::string_view name) const override;

private:
    Texts texts_;
};

}  // namespace marbleck
