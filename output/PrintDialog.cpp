#include "output/PrintDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <cmath>
#include <optional>

#include "engine/reconstruction/PhysicalFigures.h"

#include "platform/NumberText.h"
#include "platform/RunTimeError.h"
#include "widgets/ErrorReporter.h"
#include "widgets/PictureArea.h"
#include "widgets/Placement.h"
#include "widgets/Printer.h"
#include "widgets/Screen.h"
#include "widgets/UserNotice.h"
#include "widgets/VSpinner.h"

namespace marbleck {

namespace {

// The page map: one unit is a hundredth of an inch of an 8.5 × 11 inch page,
// drawn at 1.9235294 twips across and 1.95 twips down on the screen, and
// 14.4 twips on paper.
constexpr float MapTwipsPerUnitX = 1.9235294f;
constexpr float MapTwipsPerUnitY = 1.95f;
constexpr double PaperTwipsPerUnit = 14.4;

// The grid: lines every 250 units from 50; the cells' top-left corners lie
// at 50, 300, 550 across and 50, 300, 550, 800 down.
constexpr double GridStart = 50;
constexpr double CellSize = 250;
constexpr double LastColumn = 550;
constexpr double LastRow = 800;
constexpr ColorValue MarkColor = RGBColor(100, 100, 100);

// The dialog's size, and the margin a large hologram copy keeps from its
// right and bottom edges.
constexpr double DialogWidthTwips = 9840;
constexpr double DialogHeightTwips = 7815;
constexpr double CopyMarginTwips = 240;

// Where the read-out's laser and screen are remembered.
const QString WavelengthKey = QStringLiteral("print/wavelengthNm");
const QString DistanceKey = QStringLiteral("print/distanceM");
constexpr double DefaultWavelengthNm = 633;
constexpr double DefaultDistanceM = 1;

// A figure with `decimals` places and a point as decimal separator, or "-"
// where there is none.
QString Figure(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value)) return QStringLiteral("-");
    return QString::number(*value, 'f', decimals);
}

double RememberedNumber(const QString& key, double fallback) {
    const QVariant stored = QSettings().value(key);
    if (!stored.isValid()) return fallback;
    return ReadNumber(stored.toString().toStdString());
}

QLabel* label(QWidget* parent, const char* caption) {
    auto* l = new QLabel(QString::fromLatin1(caption), parent);
    l->setFocusPolicy(Qt::NoFocus);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

}  // namespace

PrintDialog::PrintDialog(Printer& printer) : QWidget(nullptr, Qt::Window), printer_(printer) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Print"));
    // Below the buttons, 2430 twips more than the controls above them need,
    // the physical read-out: where a large hologram copy, which grows to the
    // right and down from its corner, does not cover it.
    setFixedSize(TwipsToPixels(DialogWidthTwips, Screen::TwipsPerPixelX()),
                 TwipsToPixels(DialogHeightTwips, Screen::TwipsPerPixelY()));
    createControls();
    FitCaptionFont(this, {printButton_, cancelButton_, locationLabel_, resolutionLabel_, scaleLabel_,
                          wavelengthLabel_, distanceLabel_});
    setTabOrder();
    connectHandlers();
    load();
}

void PrintDialog::createControls() {
    printButton_ = Placed(new QPushButton(QStringLiteral("print"), this), 360, 4680, 1335, 495);
    cancelButton_ = Placed(new QPushButton(QStringLiteral("Cancel"), this), 2040, 4680, 1335, 495);
    hologramCopy_ = Placed(new PictureArea(this), 4440, 240, 1935, 1815);
    // A hologram larger than the room right of the page map, down to the
    // dialog's edges less a margin, is shown scaled down to fit it; the copy
    // keeps every pixel, and prints them all.
    hologramCopy_->setShownBound(
        QSize(TwipsToPixels(DialogWidthTwips - 4440 - CopyMarginTwips, Screen::TwipsPerPixelX()),
              TwipsToPixels(DialogHeightTwips - 240 - CopyMarginTwips, Screen::TwipsPerPixelY())));
    hologramCopy_->setOuterSize(1935, 1815);
    pageMap_ = Placed(new PictureArea(this), 720, 240, 1700, 2200);
    pageMap_->setUserScale(MapTwipsPerUnitX, MapTwipsPerUnitY);
    pageMap_->setBackColor(Black);
    pageMap_->setOuterSize(1700, 2200);
    locationLabel_ = Placed(label(this, "Print Location"), 720, 2640, 1335, 375);
    resolutionLabel_ = Placed(label(this, "Print Resolution (dpi)"), 720, 3720, 1455, 375);
    qualitySpinner_ = Placed(new VSpinner(this), 3000, 3600, 375, 375);
    resolutionEdit_ = Placed(new QLineEdit(QStringLiteral("300"), this), 2280, 3600, 735, 375);
    scaleEdit_ = Placed(new QLineEdit(QStringLiteral("1"), this), 2280, 4200, 735, 375);
    scaleSpinner_ = Placed(new VSpinner(this), 3000, 4200, 375, 375);
    scaleLabel_ = Placed(label(this, "Scale factor"), 720, 4200, 1575, 375);
    pitchLabel_ = Placed(label(this, ""), 360, 5400, 4000, 255);
    sizeLabel_ = Placed(label(this, ""), 360, 5700, 4000, 255);
    wavelengthLabel_ = Placed(label(this, "Wavelength (nm)"), 360, 6120, 1815, 255);
    wavelengthEdit_ = Placed(new QLineEdit(this), 2280, 6060, 975, 375);
    distanceLabel_ = Placed(label(this, "Screen distance (m)"), 360, 6600, 1815, 255);
    distanceEdit_ = Placed(new QLineEdit(this), 2280, 6540, 975, 375);
    angleLabel_ = Placed(label(this, ""), 360, 7080, 4000, 255);
    screenLabel_ = Placed(label(this, ""), 360, 7380, 4000, 255);
    wavelengthEdit_->setText(QString::fromStdString(WriteNumber(RememberedWavelengthNm())));
    distanceEdit_->setText(QString::fromStdString(WriteNumber(RememberedDistanceM())));
    pitchLabel_->setObjectName(QStringLiteral("pitchLabel"));
    sizeLabel_->setObjectName(QStringLiteral("sizeLabel"));
    wavelengthLabel_->setObjectName(QStringLiteral("wavelengthLabel"));
    wavelengthEdit_->setObjectName(QStringLiteral("wavelengthEdit"));
    distanceLabel_->setObjectName(QStringLiteral("distanceLabel"));
    distanceEdit_->setObjectName(QStringLiteral("distanceEdit"));
    angleLabel_->setObjectName(QStringLiteral("angleLabel"));
    screenLabel_->setObjectName(QStringLiteral("screenLabel"));
    printButton_->setObjectName(QStringLiteral("printButton"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    hologramCopy_->setObjectName(QStringLiteral("hologramCopy"));
    pageMap_->setObjectName(QStringLiteral("pageMap"));
    locationLabel_->setObjectName(QStringLiteral("locationLabel"));
    resolutionLabel_->setObjectName(QStringLiteral("resolutionLabel"));
    qualitySpinner_->setObjectName(QStringLiteral("qualitySpinner"));
    resolutionEdit_->setObjectName(QStringLiteral("resolutionEdit"));
    scaleEdit_->setObjectName(QStringLiteral("scaleEdit"));
    scaleSpinner_->setObjectName(QStringLiteral("scaleSpinner"));
    scaleLabel_->setObjectName(QStringLiteral("scaleLabel"));
    hologramCopy_->setFocusPolicy(Qt::StrongFocus);
    pageMap_->setFocusPolicy(Qt::StrongFocus);
}

void PrintDialog::setTabOrder() {
    SetTabOrder({printButton_, cancelButton_, hologramCopy_, pageMap_, qualitySpinner_, resolutionEdit_,
                 scaleEdit_, scaleSpinner_, wavelengthEdit_, distanceEdit_});
}

void PrintDialog::connectHandlers() {
    connect(printButton_, &QPushButton::clicked, this, &PrintDialog::print);
    connect(cancelButton_, &QPushButton::clicked, this, &PrintDialog::cancel);
    connect(qualitySpinner_, &VSpinner::valueChanged, this, &PrintDialog::qualityChanged);
    connect(scaleSpinner_, &VSpinner::valueChanged, this, &PrintDialog::scaleChanged);
    connect(pageMap_, &PictureArea::mousePressed, this,
            [this](Qt::MouseButton, Qt::MouseButtons, float x, float y) { pickPlace(x, y); });
    connect(wavelengthEdit_, &QLineEdit::textEdited, this, &PrintDialog::wavelengthEdited);
    connect(distanceEdit_, &QLineEdit::textEdited, this, &PrintDialog::distanceEdited);
}

// Runs once per load, before the dialog is first shown. Setting the ranges
// and values fires the spinners' handlers, which fill the resolution box.
void PrintDialog::load() {
    // The quality spinner shows the printer's quality (low, -2, for a new
    // printer) and hands it to the printer, so that the resolution box shows
    // what prints; a reload keeps the quality the printer has.
    const int quality = printer_.printQuality();
    qualitySpinner_->setMin(-4);
    qualitySpinner_->setMax(-1);
    qualitySpinner_->setLargeChange(1);
    qualitySpinner_->setSmallChange(1);
    if (qualitySpinner_->value() == quality)
        qualityChanged();
    else
        qualitySpinner_->setValue(quality);

    scaleSpinner_->setValue(1);
    scaleSpinner_->setMin(1);
    scaleSpinner_->setMax(3);

    scaleEdit_->setText(QStringLiteral("1"));

    for (double x = GridStart; x <= 800; x += CellSize) pageMap_->drawLine(x, 0, x, 1100, White);
    for (double y = GridStart; y <= 1100; y += CellSize) pageMap_->drawLine(0, y, 850, y, White);
}

double PrintDialog::CellCorner(float position, double last) {
    double corner = std::floor((position - GridStart) / CellSize) * CellSize + GridStart;
    if (corner < GridStart) corner = GridStart;
    if (corner > last) corner = last;
    return corner;
}

long long PrintDialog::Resolution(float twipsPerDot, double scale) {
    const double t = twipsPerDot;
    if (t == 0 || scale == 0) throw RunTimeError(ErrorNumber::DivisionByZero, "Division by zero");
    const double r = std::floor(1440.0 / t / scale + 0.1);
    if (!std::isfinite(r) || std::fabs(r) >= 9.2e18) throw RunTimeError(ErrorNumber::Overflow, "Overflow");
    return static_cast<long long>(r);
}

void PrintDialog::showResolution() {
    const float t = printer_.twipsPerPixelX();
    const double s = ReadNumber(scaleEdit_->text().toStdString());
    resolutionEdit_->setText(QString::fromStdString(WriteNumber(Resolution(t, s))));
}

PrintDialog::PrintOptics PrintDialog::optics() const {
    return {static_cast<double>(printer_.resolution()), static_cast<double>(scaleSpinner_->value()),
            ReadNumber(wavelengthEdit_->text().toStdString()),
            ReadNumber(distanceEdit_->text().toStdString())};
}

double PrintDialog::RememberedWavelengthNm() { return RememberedNumber(WavelengthKey, DefaultWavelengthNm); }

double PrintDialog::RememberedDistanceM() { return RememberedNumber(DistanceKey, DefaultDistanceM); }

// The hologram copy prints each of its pixels as scale x scale printer dots.
// A box that reads as no positive number shows "-" for what depends on it.
void PrintDialog::showPhysicalFigures() {
    const PrintOptics o = optics();
    const QSize pixels = hologramCopy_->drawingAreaSize();
    const auto figures = [&](double wavelengthNm, double distanceM) -> std::optional<PhysicalFigures> {
        try {
            return ComputePhysicalFigures(pixels.width(), pixels.height(), o.dpi, o.scale, wavelengthNm,
                                          distanceM);
        } catch (const RunTimeError&) {
            return std::nullopt;
        }
    };
    // The pitch and size need no laser, the angle no screen.
    const std::optional<PhysicalFigures> print = figures(DefaultWavelengthNm, DefaultDistanceM);
    const std::optional<PhysicalFigures> lit = figures(o.wavelengthNm, DefaultDistanceM);
    const std::optional<PhysicalFigures> screen = figures(o.wavelengthNm, o.distanceM);
    const std::optional<double> none;
    pitchLabel_->setText(QString::fromUtf8("Pixel pitch (\u00b5m): %1")
                             .arg(Figure(print ? std::optional(print->pitchMm * 1000) : none, 2)));
    sizeLabel_->setText(QStringLiteral("Printed size (mm): %1 x %2")
                            .arg(Figure(print ? std::optional(print->widthMm) : none, 1),
                                 Figure(print ? std::optional(print->heightMm) : none, 1)));
    angleLabel_->setText(
        QStringLiteral("Largest angle (degrees): %1").arg(Figure(lit ? lit->maxAngleDegrees : none, 3)));
    screenLabel_->setText(
        QStringLiteral("Image on the screen (mm): %1").arg(Figure(screen ? screen->screenImageMm : none, 1)));
}

void PrintDialog::wavelengthEdited() {
    QSettings().setValue(WavelengthKey, wavelengthEdit_->text());
    showPhysicalFigures();
    emit opticsChanged();
}

void PrintDialog::distanceEdited() {
    QSettings().setValue(DistanceKey, distanceEdit_->text());
    showPhysicalFigures();
    emit opticsChanged();
}

void PrintDialog::qualityChanged() {
    ErrorReporter::RunCommand(this, [&] {
        printer_.setPrintQuality(qualitySpinner_->value());
        showResolution();
    });
    showPhysicalFigures();
    emit opticsChanged();
}

void PrintDialog::scaleChanged() {
    ErrorReporter::RunCommand(this, [&] {
        scaleEdit_->setText(QString::number(scaleSpinner_->value()));
        showResolution();
    });
    showPhysicalFigures();
    emit opticsChanged();
}

void PrintDialog::pickPlace(float x, float y) {
    ErrorReporter::RunCommand(this, [&] {
        const double cx = CellCorner(x, LastColumn);
        const double cy = CellCorner(y, LastRow);
        pageMap_->drawBox(cx, cy, cx + CellSize, cy + CellSize, MarkColor, true);
        printer_.setPosition(static_cast<float>(cx * PaperTwipsPerUnit),
                             static_cast<float>(cy * PaperTwipsPerUnit));
    });
}

// Prints the hologram copy: one screen pixel of it becomes k × k printer
// dots. The size is taken from the copy's drawing area, which holds its
// picture pixel for pixel, not from its outer size with the border, so the
// picture is not stretched by the border's few pixels.
void PrintDialog::print() {
    ErrorReporter::RunCommand(this, [&] {
        const int k = scaleSpinner_->value();
        const QSize pixels = hologramCopy_->drawingAreaSize();
        const float w = static_cast<float>(pixels.width() * double(printer_.twipsPerPixelX()));
        const float W = w * static_cast<float>(k);
        const float h = static_cast<float>(pixels.height() * double(printer_.twipsPerPixelY()));
        const float H = h * static_cast<float>(k);
        const float x = printer_.positionX();
        const float y = printer_.positionY();
        printer_.paintImage(hologramCopy_->picture(), x, y, W, H);
        printer_.endDocument();
        hide();
        if (!printer_.lastFilePath().isEmpty()) {
            const QString why = printer_.whyPdf();
            UserNotice::Show(nullptr,
                             (why.isEmpty() ? QString() : why + QLatin1Char(' ')) +
                                 QStringLiteral("The page was saved as\n%1").arg(printer_.lastFilePath()));
        }
    });
}

void PrintDialog::cancel() { hide(); }

void PrintDialog::showHologram(float outerWidth, const QImage& picture, float outerHeight) {
    hologramCopy_->setOuterWidth(outerWidth);
    hologramCopy_->setPicture(picture);
    hologramCopy_->setOuterHeight(outerHeight);
    showPhysicalFigures();
}

}  // namespace marbleck
