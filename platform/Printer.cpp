#include "Printer.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <cmath>
#include <cstdlib>

#include "RunTimeError.h"

namespace marbleck {

namespace {

// Dots per inch asked for by a quality code; 0 for a code that has none.
int requestedResolution(int code) {
    switch (code) {
    case -1: return 150;
    case -2: return 300;
    case -3: return 600;
    case -4: return 1200;
    default: return code > 0 ? code : 0;
    }
}

// The picture is scaled to whole printer dots here, pixel by pixel, so that
// no driver smooths the hologram's pixels. Beyond this many dots the picture
// is handed over as it is and stretched by the printer.
constexpr double MostScaledDots = 64.0 * 1024 * 1024;

}  // namespace

Printer::Printer() : Printer(QPrinterInfo::defaultPrinter().isNull() ? Target::PdfFile : Target::DefaultPrinter) {}

Printer::Printer(Target target, QString pdfFolder) : target_(target), pdfFolder_(std::move(pdfFolder)) {
    if (target_ == Target::DefaultPrinter) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) target_ = Target::PdfFile;
        else printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    if (target_ == Target::PdfFile) {
        // A US letter page without margins: the page that the dialog's map shows.
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    }
    printer_->setDocName(QStringLiteral("Marbleck hologram"));
    setPrintQuality(quality_);
}

Printer::~Printer() {
    if (painter_ && painter_->isActive()) {
        printer_->abort();
        painter_->end();
    }
}

QString Printer::name() const { return target_ == Target::PdfFile ? QString() : printer_->printerName(); }

void Printer::setPrintQuality(int code) {
    const int wanted = requestedResolution(code);
    if (wanted <= 0) throw RunTimeError(ErrorNumber::InvalidPropertyValue, "Invalid property value");
    int chosen = wanted;
    if (target_ == Target::DefaultPrinter) {
        // Qt answers 72 alone where the driver does not say (CUPS does not);
        // its PDF for the printing service then takes any resolution.
        const QList<int> supported = printer_->supportedResolutions();
        const bool known = !supported.isEmpty() && supported != QList<int>{72};
        if (known && !supported.contains(wanted)) {
            for (int dpi : supported)
                if (dpi > 0 && (chosen == wanted || std::abs(dpi - wanted) < std::abs(chosen - wanted))) chosen = dpi;
        }
    }
    quality_ = code;
    dotsPerInch_ = chosen;
    applyResolution();
}

void Printer::applyResolution() {
    // A document in progress keeps the resolution it was started with.
    if (!painter_ || !painter_->isActive()) printer_->setResolution(dotsPerInch_);
}

float Printer::TwipsPerPixelX() const { return static_cast<float>(1440.0 / dotsPerInch_); }
float Printer::TwipsPerPixelY() const { return static_cast<float>(1440.0 / dotsPerInch_); }

QRectF Printer::printableAreaInches() const { return printer_->pageLayout().paintRect(QPageLayout::Inch); }

QString Printer::newFilePath() const {
    QString folder = pdfFolder_;
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::home().filePath(QStringLiteral("Documents"));
    if (!QDir().mkpath(folder)) throw RunTimeError(ErrorNumber::PrinterError, ("Printer error: cannot create the folder " + folder).toStdString());
    const QString stem = QStringLiteral("Marbleck print ") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(stem + QStringLiteral(" (%1).pdf").arg(n));
    return path;
}

void Printer::fail(const QString& reason) {
    if (painter_ && painter_->isActive()) {
        printer_->abort();
        painter_->end();
    }
    painter_.reset();
    throw RunTimeError(ErrorNumber::PrinterError, ("Printer error: " + reason).toStdString());
}

void Printer::begin() {
    if (painter_ && painter_->isActive()) return;
    if (target_ == Target::PdfFile) printer_->setOutputFileName(newFilePath());
    printer_->setResolution(dotsPerInch_);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        const QString where = target_ == Target::PdfFile ? printer_->outputFileName() : printer_->printerName();
        fail(QStringLiteral("cannot start a document on %1").arg(where));
    }
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_->setRenderHint(QPainter::LosslessImageRendering, true);
}

void Printer::PaintPicture(const QImage& picture, float x, float y, float width, float height) {
    begin();
    // Painter coordinates are printer dots from the printable area's corner.
    const double tppX = 1440.0 / dotsPerInch_;
    const double tppY = 1440.0 / dotsPerInch_;
    const QRectF dots(x / tppX, y / tppY, width / tppX, height / tppY);
    if (picture.isNull() || !(dots.width() > 0) || !(dots.height() > 0)) return;
    const QSize whole(static_cast<int>(std::lround(dots.width())), static_cast<int>(std::lround(dots.height())));
    if (whole.width() > 0 && whole.height() > 0 && double(whole.width()) * whole.height() <= MostScaledDots) {
        painter_->drawImage(QRectF(dots.topLeft(), QSizeF(whole)),
                            picture.scaled(whole, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    } else {
        painter_->drawImage(dots, picture);
    }
    if (printer_->printerState() == QPrinter::Error) fail(QStringLiteral("drawing on %1 failed").arg(name()));
}

void Printer::EndDoc() {
    if (!painter_ || !painter_->isActive()) return;
    const QString where = target_ == Target::PdfFile ? printer_->outputFileName() : printer_->printerName();
    const bool ended = painter_->end();
    painter_.reset();
    if (!ended || printer_->printerState() == QPrinter::Error)
        fail(QStringLiteral("the page could not be sent to %1").arg(where));
    lastFilePath_ = target_ == Target::PdfFile ? where : QString();
}

}  // namespace marbleck
