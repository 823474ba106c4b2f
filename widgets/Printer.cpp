#include "widgets/Printer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "platform/RunTimeError.h"
#include "widgets/PrintingService.h"

namespace marbleck {

namespace {

// Dots per inch asked for by a quality code; 0 for a code that has none.
int requestedResolution(int code) {
    switch (code) {
        case -1:
            return 150;
        case -2:
            return 300;
        case -3:
            return 600;
        case -4:
            return 1200;
        default:
            return code > 0 ? code : 0;
    }
}

// The picture is scaled to whole printer dots here, pixel by pixel, so that
// no driver smooths the hologram's pixels. Beyond this many dots the picture
// is handed over as it is and stretched by the printer.
constexpr double MostScaledDots = 64.0 * 1024 * 1024;

// How long the printing service may take to answer before the pages go into
// PDF files: a service woken on demand answers within a second.
constexpr std::chrono::seconds ServiceWait{3};

}  // namespace

Printer::Printer() : Printer(Target::DefaultPrinter) {}

Printer::Printer(Target target, QString pdfFolder)
    : target_(target),
      pdfFolder_(std::move(pdfFolder)),
      // A US letter page without margins: the page that the dialog's map shows.
      pdfPage_(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()) {
    if (target_ == Target::DefaultPrinter) useDefaultPrinter();
    setPrintQuality(quality_);
}

// Asks the printing service for its default printer only once it answers at
// all: Qt's question waits a minute a request on a service that never answers.
// Without one, the pages go into PDF files, which need no service.
void Printer::useDefaultPrinter() {
    switch (ProbePrintingService(ServiceWait)) {
        case PrintingServiceState::Silent:
            whyPdf_ = QStringLiteral("The printing service does not answer.");
            break;
        case PrintingServiceState::Absent:
            whyPdf_ = QStringLiteral("No printer is installed.");
            break;
        case PrintingServiceState::Answers:
            if (const QPrinterInfo info = QPrinterInfo::defaultPrinter(); !info.isNull()) {
                printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
                printer_->setDocName(QStringLiteral("Marbleck hologram"));
                return;
            }
            whyPdf_ = QStringLiteral("No printer is installed.");
            break;
    }
    target_ = Target::PdfFile;
}

Printer::~Printer() { endPainting(); }

QPaintDevice* Printer::device() const {
    if (printer_) return printer_.get();
    return pdf_.get();
}

QString Printer::name() const { return printer_ ? printer_->printerName() : QString(); }

void Printer::setPrintQuality(int code) {
    const int wanted = requestedResolution(code);
    if (wanted <= 0) throw RunTimeError(ErrorNumber::InvalidPropertyValue, "Invalid property value");
    int chosen = wanted;
    if (printer_) {
        // Qt answers 72 alone where the driver does not say (CUPS does not);
        // its PDF for the printing service then takes any resolution.
        const QList<int> supported = printer_->supportedResolutions();
        const bool known = !supported.isEmpty() && supported != QList<int>{72};
        if (known && !supported.contains(wanted)) {
            for (int dpi : supported)
                if (dpi > 0 && (chosen == wanted || std::abs(dpi - wanted) < std::abs(chosen - wanted)))
                    chosen = dpi;
        }
    }
    quality_ = code;
    dotsPerInch_ = chosen;
    applyResolution();
}

void Printer::applyResolution() {
    // A document in progress keeps the resolution it was started with; a PDF
    // file takes it when it is started.
    if (printer_ && (!painter_ || !painter_->isActive())) printer_->setResolution(dotsPerInch_);
}

float Printer::twipsPerPixelX() const { return static_cast<float>(1440.0 / dotsPerInch_); }
float Printer::twipsPerPixelY() const { return static_cast<float>(1440.0 / dotsPerInch_); }

QRectF Printer::printableAreaInches() const {
    return (printer_ ? printer_->pageLayout() : pdfPage_).paintRect(QPageLayout::Inch);
}

QString Printer::newFilePath() const {
    QString folder = pdfFolder_;
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::home().filePath(QStringLiteral("Documents"));
    if (!QDir().mkpath(folder))
        throw RunTimeError(ErrorNumber::PrinterError,
                           ("Printer error: cannot create the folder " + folder).toStdString());
    const QString stem = QStringLiteral("Marbleck print ") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(stem + QStringLiteral(" (%1).pdf").arg(n));
    return path;
}

// Ends the painting in progress; a PDF file left unfinished is removed.
void Printer::endPainting() {
    if (painter_ && painter_->isActive()) {
        if (printer_) printer_->abort();
        painter_->end();
    }
    painter_.reset();
    if (pdf_) {
        pdf_.reset();
        QFile::remove(pdfPath_);
    }
}

void Printer::fail(const QString& reason) {
    endPainting();
    throw RunTimeError(ErrorNumber::PrinterError, ("Printer error: " + reason).toStdString());
}

void Printer::begin() {
    if (painter_ && painter_->isActive()) return;
    if (printer_) {
        printer_->setResolution(dotsPerInch_);
    } else {
        pdfPath_ = newFilePath();
        pdf_ = std::make_unique<QPdfWriter>(pdfPath_);
        pdf_->setTitle(QStringLiteral("Marbleck hologram"));
        pdf_->setPageLayout(pdfPage_);
        pdf_->setResolution(dotsPerInch_);
    }
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(device())) {
        const QString where = printer_ ? printer_->printerName() : pdfPath_;
        fail(QStringLiteral("cannot start a document on %1").arg(where));
    }
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_->setRenderHint(QPainter::LosslessImageRendering, true);
}

void Printer::paintImage(const QImage& picture, float x, float y, float width, float height) {
    begin();
    // Painter coordinates are printer dots from the printable area's corner.
    const double tppX = 1440.0 / dotsPerInch_;
    const double tppY = 1440.0 / dotsPerInch_;
    const QRectF dots(x / tppX, y / tppY, width / tppX, height / tppY);
    if (picture.isNull() || !(dots.width() > 0) || !(dots.height() > 0)) return;
    const QSize whole(static_cast<int>(std::lround(dots.width())),
                      static_cast<int>(std::lround(dots.height())));
    if (whole.width() > 0 && whole.height() > 0 && double(whole.width()) * whole.height() <= MostScaledDots) {
        painter_->drawImage(QRectF(dots.topLeft(), QSizeF(whole)),
                            picture.scaled(whole, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    } else {
        painter_->drawImage(dots, picture);
    }
    if (printer_ && printer_->printerState() == QPrinter::Error)
        fail(QStringLiteral("drawing on %1 failed").arg(name()));
}

void Printer::endDocument() {
    if (!painter_ || !painter_->isActive()) return;
    const QString where = printer_ ? printer_->printerName() : pdfPath_;
    const bool ended = painter_->end();
    painter_.reset();
    const bool toFile = pdf_ != nullptr;
    pdf_.reset();  // closes the file
    if (!ended || (printer_ && printer_->printerState() == QPrinter::Error) ||
        (toFile && QFileInfo(pdfPath_).size() <= 0)) {
        if (toFile) QFile::remove(pdfPath_);
        fail(QStringLiteral("the page could not be sent to %1").arg(where));
    }
    lastFilePath_ = toFile ? where : QString();
}

}  // namespace marbleck
