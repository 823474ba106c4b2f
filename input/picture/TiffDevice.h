#pragma once

#include <tiffio.h>

#include <QIODevice>
#include <memory>

namespace marbleck {

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// libtiff reading or writing through `device` (libtiff's `mode`: "r", "rm",
// "w"...), so that a file read is the reader's opened file and a file
// written is encoded in memory and written by the program's checked writes.
// libtiff's own messages are silenced: the caller says what went wrong.
// Null when libtiff cannot start.
TiffHandle OpenTiffOnDevice(QIODevice& device, const char* name, const char* mode);

}  // namespace marbleck
