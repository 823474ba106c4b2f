#pragma once

// The outcome of one read, so that the memory and the stream reader can be
// compared whether they load or refuse.

#include <string>

#include "input/core/ObjectBitmap.h"
#include "platform/RunTimeError.h"

namespace marbleck::test {

struct ReadOutcome {
    ObjectBitmap bitmap;
    int errorNumber = 0;
    std::string description;
};

template <typename Source>
ReadOutcome ReadOutcomeOf(Source&& source) {
    ReadOutcome outcome;
    try {
        outcome.bitmap = ReadObjectBitmap(source);
    } catch (const RunTimeError& error) {
        outcome.errorNumber = error.number();
        outcome.description = error.description();
    }
    return outcome;
}

}  // namespace marbleck::test
