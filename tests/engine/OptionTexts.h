#pragma once

// A kind's option values as a caller gives them: a name given (a switch
// with "") or not, each value as text.

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "engine/kinds/HologramKind.h"

namespace marbleck::test {

class OptionTexts : public KindOptionValues {
public:
    OptionTexts(std::initializer_list<std::pair<const std::string, std::string>> values) : values_(values) {}
    bool isSet(std::string_view name) const override { return values_.count(std::string(name)) > 0; }
    std::string value(std::string_view name) const override {
        const auto found = values_.find(std::string(name));
        return found == values_.end() ? std::string() : found->second;
    }

private:
    std::map<std::string, std::string> values_;
};

}  // namespace marbleck::test
