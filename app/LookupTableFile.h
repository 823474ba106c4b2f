#pragma once

#include <QString>

#include "engine/phase/LookupTableFile.h"

namespace marbleck {

// A modulator's lookup table file, as its maker ships it (one grey level a
// line, see ParseLookupTable), read by the engine's one reader.
class LookupTableFile {
public:
    // The largest file read: a table with generous comments is a few KiB.
    static constexpr qint64 MaxBytes = MaxLookupFileBytes;

    // The table in the file at `path`. Throws RunTimeError 53 when there is
    // no such file; 75 when it is a folder, not a regular file (a pipe would
    // block), cannot be read or is larger than MaxBytes; 380 for a file that
    // is no table, naming the file and the line ("LUT.txt: line 12: ...").
    static PhaseLookupTable read(const QString& path);
};

}  // namespace marbleck
