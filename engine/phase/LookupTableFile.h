#pragma once

#include <cstddef>
#include <string>

#include "engine/core/RegularFile.h"
#include "engine/phase/LookupTable.h"

namespace marbleck {

// The one reader of a modulator's lookup table file, for the window, the
// command line and the Python package alike.

// The largest file read: a maker's table with generous comments is a few KiB.
inline constexpr std::size_t MaxLookupFileBytes = 1 << 20;

// A lookup table file that cannot be used: RunTimeError 53 when there is no
// such file; 75 when it cannot be read (a folder, not a regular file, no
// access) or is larger than MaxLookupFileBytes; 380 when it is no table.
using LookupTableFileError = FileReadError;

// The table in the file named by the bytes `path` (ParseLookupTable's
// lines). Only a regular file is read, so a pipe or a device neither blocks
// nor fills memory. Throws LookupTableFileError, and std::bad_alloc.
PhaseLookupTable ReadLookupTableFile(const std::string& path);

}  // namespace marbleck
