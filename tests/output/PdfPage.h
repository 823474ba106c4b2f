#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <chrono>

namespace marbleck::test {

// A printed page as the tests see it: the PDF rendered by poppler's pdftoppm.
struct PdfPage {
    static constexpr int DotsPerInch = 150;

    // Renders the first page in grey at DotsPerInch; a null image when
    // pdftoppm is missing or fails (`error` says why).
    static QImage Render(const QString& pdfPath, QString* error);

    // The bounding box of the dark pixels (grey level below 128).
    static QRect DarkBounds(const QImage& page);
};

// PDF files in the folders with the times they were last written, to tell a
// new one from those already there.
using PdfFiles = QHash<QString, QDateTime>;
PdfFiles PdfFilesIn(const QStringList& folders);

// Waits, at most `timeout`, for a PDF that is not in `before` (or written
// again under the same name) to appear in one of the folders and to stop
// growing; returns its path or an empty text.
QString WaitForNewPdf(const QStringList& folders, const PdfFiles& before, std::chrono::seconds timeout);

}  // namespace marbleck::test
