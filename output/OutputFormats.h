#pragma once

#include <QString>
#include <QStringList>
#include <span>
#include <vector>

#include "engine/core/HologramField.h"
#include "engine/scenes/ScenePlane.h"

namespace marbleck {

// Writes a whole field to a file Qt can open (see FieldWriters.h).
using FieldWriter = void (*)(const HologramField& field, bool binarized, int depth, const QString& output);
// Writes complex fields on one plane (one a wavelength) to a file Qt can open.
using ComplexWriter = void (*)(std::span<const SceneField> fields, const QString& output);

// One format a hologram is written in. The command line's outputs, "Save
// Hologram As…"'s filters and the manual page's list all come from the table
// of them, so a format is added in one place.
struct OutputFormat {
    QString label;             // the dialog's name of it: "PNG", "TIFF"
    QStringList extensions;    // lower case, without the dot; the first is the one a bare name gets
    QString stores;            // what a file holds
    std::vector<int> depths;   // the grey depths one may choose, the first the default; none: floats
    bool inSaveDialog = true;  // offered by "Save Hologram As…"
    FieldWriter write = nullptr;
    // The writer of complex fields; null for a format that holds none.
    ComplexWriter writeComplex = nullptr;
    // Whether it holds them as a pair of files, the real parts and the
    // imaginary parts (ComplexOutputFiles names them), which its writer
    // writes as one under their own names.
    bool complexPair = false;

    bool takesDepth(int depth) const;
};

// Every format, in the order the command line names them and the dialog
// offers them.
std::span<const OutputFormat> OutputFormats();

// The format of a file name by its extension (any case), or null.
const OutputFormat* OutputFormatOf(const QString& path);

// ".png, .bmp, .tif, .tiff or .npy": every extension written; with
// `firstOnly`, each format's first (".png, .bmp, .tif or .npy").
QString WrittenExtensionsText(bool firstOnly = false);

// ".npy": the extensions of the formats that hold complex fields.
QString ComplexExtensionsText();

// The files complex fields written to `output` take: `output` itself, or for
// a format that holds them as a pair, the real parts' and the imaginary
// parts' files, ".re" and ".im" put before the extension ("u.tif": "u.re.tif"
// and "u.im.tif").
QStringList ComplexOutputFiles(const QString& output);

// One filter of "Save Hologram As…" and what choosing it writes.
struct SaveDialogChoice {
    QString filter;  // "PNG 16-bit (*.png)", "TIFF (*.tif *.tiff)"
    const OutputFormat* format = nullptr;
    int depth = 8;
};
std::vector<SaveDialogChoice> SaveDialogChoices();

// Writes the whole field by the output's extension, a name of no format as
// the first format (PNG), atomically: an earlier file survives any failure.
// `depth` is the grey depth where the format has a choice. The output is any
// file name, its bytes kept (WriteUnderOwnName). Throws FileWriteError naming
// `output`, and std::bad_alloc.
void WriteHologramFile(const HologramField& field, bool binarized, int depth, const QString& output);

// Writes complex fields by the output's format, atomically, as
// WriteHologramFile writes a field; a pair of files (ComplexOutputFiles) as
// one: both are written or neither is replaced. Throws FileWriteError naming
// `output` for a format that holds no complex values, naming the file that
// failed otherwise, and std::bad_alloc.
void WriteComplexFile(std::span<const SceneField> fields, const QString& output);

}  // namespace marbleck
