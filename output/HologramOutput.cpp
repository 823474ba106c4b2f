#include "output/HologramOutput.h"

#include <cstring>
#include <new>

#include "input/picture/NativeFileName.h"
#include "output/FieldWriters.h"
#include "output/FileWriteError.h"
#include "output/OutputFormats.h"
#include "output/OwnNameFile.h"

namespace marbleck {

namespace {

// Lack of memory while a file is made is that file's failure.
template <typename Write>
void WriteOrFail(const QString& output, const Write& write) {
    try {
        write();
    } catch (const std::bad_alloc&) {
        throw FileWriteError(output, "out of memory");
    }
}

}  // namespace

void WriteHologramOutput(const Hologram& hologram, int depth, const QString& output) {
    WriteOrFail(output, [&] {
        const FileContent content = hologram.fileContent();
        const OutputFormat* format = OutputFormatOf(output);
        // Formats without grey depths hold numbers: complex ones where the
        // format takes them and the hologram's are.
        const bool values = format != nullptr && format->depths.empty();
        if (values && !content.complex.empty()) {
            WriteComplexFile(content.complex, output);
            return;
        }
        if (values && content.values == nullptr)
            throw FileWriteError(output, "the hologram's values are complex; they are written to " +
                                             ComplexExtensionsText().toStdString() + " only");
        const HologramField& field = values ? *content.values : *content.levels;
        WriteHologramFile(field, content.binarized, content.takesDepth ? depth : 8, output);
    });
}

QImage ReconstructionImage(const Reconstruction& r, const ExecutionContext& context) {
    QImage image(r.columns, r.rows, QImage::Format_Grayscale8);
    if (image.isNull()) throw std::bad_alloc();
    const std::vector<std::uint8_t> levels = LogScaleLevels(r, DefaultDecades, context);
    for (int y = 0; y < r.rows; ++y)
        std::memcpy(image.scanLine(y), levels.data() + static_cast<std::size_t>(y) * r.columns,
                    static_cast<std::size_t>(r.columns));
    return image;
}

void WriteReconstructionPicture(const Reconstruction& reconstruction, const QString& output,
                                const ExecutionContext& context) {
    WriteOrFail(output, [&] {
        const QImage picture = ReconstructionImage(reconstruction, context);
        WriteUnderOwnName(output, [&](const QString& name) { WritePng(picture, name); });
    });
}

void WriteJobOutputs(const HologramJob& job, const JobResult& result, const ExecutionContext& context) {
    for (const HologramJob::Output& output : job.outputs)
        WriteHologramOutput(*result.hologram, output.depth,
                            DecodeNativeFileName(QByteArray::fromStdString(output.path)));
    if (!job.reconstructionPath.empty() && result.reconstruction)
        WriteReconstructionPicture(*result.reconstruction,
                                   DecodeNativeFileName(QByteArray::fromStdString(job.reconstructionPath)),
                                   context);
}

}  // namespace marbleck
