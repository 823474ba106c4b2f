#pragma once

#include <cstddef>
#include <string>

#include "engine/phase/LookupTable.h"
#include "platform/RunTimeError.h"

namespace marbleck {

// The one reader of a modulator's lookup table file, for the window, the
// command line and the Python package alike.

// The largest file read: a maker's table with generous comments is a few KiB.
inline constexpr std::size_t MaxLookupFileBytes = 1 << 20;

// A lookup table file that cannot be used: RunTimeError 53 when there is no
// such file; 75 when it cannot be read (a folder, not a regular file, no
// access) or is larger than MaxLookupFileBytes; 380 when it is no table.
class LookupTableFileError : public RunTimeError {
public:
    LookupTableFileError(int number, const std::string& description, std::string reason)
        : RunTimeError(number, description), reason_(std::move(reason)) {}
    // The failure as the command line states it after the file's name: the
    // description for a file that cannot be read, the parser's "line N: ..."
    // for one that is no table.
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

// The table in the file named by the bytes `path` (ParseLookupTable's
// lines). Only a regular file is read, so a pipe or a device neither blocks
// nor fills memory. Throws LookupTableFileError, and std::bad_alloc.
PhaseLookupTable ReadLookupTableFile(const std::string& path);

}  // namespace marbleck
