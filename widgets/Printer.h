#pragma once

#include <QImage>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <memory>

class QPaintDevice;
class QPainter;
class QPdfWriter;
class QPrinter;

namespace marbleck {

// The printer object: the system's default printer, or, when the system has
// none or its printing service does not answer within a few seconds, a PDF
// file in the user's documents folder. Lengths are in twips; the position
// counts from the top-left corner of the printable area. The first
// paintImage() starts a document of one page; endDocument() sends it.
class Printer {
public:
    enum class Target { DefaultPrinter, PdfFile };

    // The system's default printer; a PDF file when there is none, or when
    // the printing service does not answer at once.
    Printer();
    // A chosen target: PdfFile writes into `pdfFolder` (the documents folder
    // when empty) even where a printer exists.
    explicit Printer(Target target, QString pdfFolder = {});
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    Target target() const { return target_; }
    // The printer's name; empty for the PDF file.
    QString name() const;
    // Why the pages go into PDF files rather than to a printer, as a
    // sentence; empty where PdfFile was chosen.
    QString whyPdf() const { return whyPdf_; }

    // Quality codes: -1 draft 150, -2 low 300, -3 medium 600, -4 high 1200
    // dots per inch, or the nearest resolution the printer supports. A
    // positive code is a resolution in dots per inch.
    void setPrintQuality(int code);
    int printQuality() const { return quality_; }
    int resolution() const { return dotsPerInch_; }

    // Twips per printer dot: 1440 ÷ the current resolution.
    float twipsPerPixelX() const;
    float twipsPerPixelY() const;

    // Where the next picture goes, as chosen on the print dialog's page map;
    // the top-left corner at first.
    float positionX() const { return positionX_; }
    float positionY() const { return positionY_; }
    void setPosition(float x, float y) {
        positionX_ = x;
        positionY_ = y;
    }

    // Draws the whole picture stretched to fill the rectangle (twips) whose
    // top-left corner is (x, y) in the printable area.
    void paintImage(const QImage& picture, float x, float y, float width, float height);

    // Ends the document; its page goes to the printer (or into the file).
    // Without a page drawn since the last endDocument() it does nothing.
    void endDocument();

    // The PDF written by the last endDocument() on the PdfFile target; else empty.
    QString lastFilePath() const { return lastFilePath_; }

    // The printable area on the page, in inches from the page's top-left
    // corner, for the current page setup.
    QRectF printableAreaInches() const;

private:
    void useDefaultPrinter();
    void applyResolution();
    void begin();
    void endPainting();
    QPaintDevice* device() const;
    QString newFilePath() const;
    [[noreturn]] void fail(const QString& reason);

    Target target_;
    QString pdfFolder_;
    QString whyPdf_;
    // The default printer; for PdfFile, the page and the file in progress.
    std::unique_ptr<QPrinter> printer_;
    QPageLayout pdfPage_;
    std::unique_ptr<QPdfWriter> pdf_;
    QString pdfPath_;
    std::unique_ptr<QPainter> painter_;
    int quality_ = -2;
    int dotsPerInch_ = 300;
    float positionX_ = 0;
    float positionY_ = 0;
    QString lastFilePath_;
};

}  // namespace marbleck
