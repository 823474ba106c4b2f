#include "PrtFrm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "ErrorReporter.h"
#include "NumberText.h"
#include "PictureArea.h"
#include "Placement.h"
#include "Printer.h"
#include "RunTimeError.h"
#include "Screen.h"
#include "UserNotice.h"
#include "VSpinner.h"

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

QLabel* label(QWidget* parent, const char* caption) {
    auto* l = new QLabel(QString::fromLatin1(caption), parent);
    l->setFocusPolicy(Qt::NoFocus);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

}  // namespace

PrtFrm::PrtFrm(Printer& printer) : QWidget(nullptr, Qt::Window), printer_(printer) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Print"));
    setFixedSize(TwipsToPixels(9840, Screen::TwipsPerPixelX()), TwipsToPixels(5385, Screen::TwipsPerPixelY()));
    createControls();
    FitCaptionFont(this, {Command1, Command2, Label1, Label2, Label3});
    setTabOrder();
    connectHandlers();
    load();
}

void PrtFrm::createControls() {
    Command1 = Placed(new QPushButton(QStringLiteral("print"), this), 360, 4680, 1335, 495);
    Command2 = Placed(new QPushButton(QStringLiteral("Cancel"), this), 2040, 4680, 1335, 495);
    Picture1 = Placed(new PictureArea(this), 4440, 240, 1935, 1815);
    Picture1->setOuterSize(1935, 1815);
    Picture2 = Placed(new PictureArea(this), 720, 240, 1700, 2200);
    Picture2->setUserScale(MapTwipsPerUnitX, MapTwipsPerUnitY);
    Picture2->setBackColor(Black);
    Picture2->setOuterSize(1700, 2200);
    Label1 = Placed(label(this, "Print Location"), 720, 2640, 1335, 375);
    Label2 = Placed(label(this, "Print Resolution (dpi)"), 720, 3720, 1455, 375);
    VScroll1 = Placed(new VSpinner(this), 3000, 3600, 375, 375);
    Text1 = Placed(new QLineEdit(QStringLiteral("300"), this), 2280, 3600, 735, 375);
    Text2 = Placed(new QLineEdit(QStringLiteral("1"), this), 2280, 4200, 735, 375);
    VScroll2 = Placed(new VSpinner(this), 3000, 4200, 375, 375);
    Label3 = Placed(label(this, "Scale factor"), 720, 4200, 1575, 375);
    Picture1->setFocusPolicy(Qt::StrongFocus);
    Picture2->setFocusPolicy(Qt::StrongFocus);
}

void PrtFrm::setTabOrder() {
    SetTabOrder({Command1, Command2, Picture1, Picture2, VScroll1, Text1, Text2, VScroll2});
}

void PrtFrm::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &PrtFrm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &PrtFrm::Command2_Click);
    connect(VScroll1, &VSpinner::valueChanged, this, &PrtFrm::VScroll1_Change);
    connect(VScroll2, &VSpinner::valueChanged, this, &PrtFrm::VScroll2_Change);
    connect(Picture2, &PictureArea::mousePressed, this,
            [this](Qt::MouseButton, Qt::MouseButtons, float x, float y) { Picture2_MouseDown(x, y); });
}

// Runs once per load, before the dialog is first shown. Setting the ranges
// and values fires the spinners' handlers, which fill the resolution box.
void PrtFrm::load() {
    // The quality spinner shows the printer's quality (low, -2, for a new
    // printer) and hands it to the printer, so that the resolution box shows
    // what prints; a reload keeps the quality the printer has.
    const int quality = printer_.PrintQuality();
    VScroll1->setMin(-4);
    VScroll1->setMax(-1);
    VScroll1->setLargeChange(1);
    VScroll1->setSmallChange(1);
    if (VScroll1->value() == quality) VScroll1_Change();
    else VScroll1->setValue(quality);

    VScroll2->setValue(1);
    VScroll2->setMin(1);
    VScroll2->setMax(3);

    Text2->setText(QStringLiteral("1"));

    for (double x = GridStart; x <= 800; x += CellSize) Picture2->line(x, 0, x, 1100, White);
    for (double y = GridStart; y <= 1100; y += CellSize) Picture2->line(0, y, 850, y, White);
}

double PrtFrm::CellCorner(float position, double last) {
    double corner = std::floor((position - GridStart) / CellSize) * CellSize + GridStart;
    if (corner < GridStart) corner = GridStart;
    if (corner > last) corner = last;
    return corner;
}

long long PrtFrm::Resolution(float twipsPerDot, double scale) {
    const double t = twipsPerDot;
    if (t == 0 || scale == 0) throw RunTimeError(ErrorNumber::DivisionByZero, "Division by zero");
    const double r = std::floor(1440.0 / t / scale + 0.1);
    if (!std::isfinite(r) || std::fabs(r) >= 9.2e18) throw RunTimeError(ErrorNumber::Overflow, "Overflow");
    return static_cast<long long>(r);
}

void PrtFrm::showResolution() {
    const float t = printer_.TwipsPerPixelX();
    const double s = ReadNumber(Text2->text().toStdString());
    Text1->setText(QString::fromStdString(WriteNumber(Resolution(t, s))));
}

void PrtFrm::VScroll1_Change() {
    ErrorReporter::RunCommand(this, [&] {
        printer_.setPrintQuality(VScroll1->value());
        showResolution();
    });
}

void PrtFrm::VScroll2_Change() {
    ErrorReporter::RunCommand(this, [&] {
        Text2->setText(QString::number(VScroll2->value()));
        showResolution();
    });
}

void PrtFrm::Picture2_MouseDown(float x, float y) {
    ErrorReporter::RunCommand(this, [&] {
        const double cx = CellCorner(x, LastColumn);
        const double cy = CellCorner(y, LastRow);
        Picture2->box(cx, cy, cx + CellSize, cy + CellSize, MarkColor, true);
        printer_.CurrentX = static_cast<float>(cx * PaperTwipsPerUnit);
        printer_.CurrentY = static_cast<float>(cy * PaperTwipsPerUnit);
    });
}

// Prints the hologram copy: one screen pixel of it becomes k × k printer
// dots. The size is taken from the copy's drawing area, which holds its
// picture pixel for pixel, not from its outer size with the border, so the
// picture is not stretched by the border's few pixels.
void PrtFrm::Command1_Click() {
    ErrorReporter::RunCommand(this, [&] {
        const int k = VScroll2->value();
        const QSize pixels = Picture1->drawingAreaSize();
        const float w = static_cast<float>(pixels.width() * double(printer_.TwipsPerPixelX()));
        const float W = w * static_cast<float>(k);
        const float h = static_cast<float>(pixels.height() * double(printer_.TwipsPerPixelY()));
        const float H = h * static_cast<float>(k);
        const float x = printer_.CurrentX;
        const float y = printer_.CurrentY;
        printer_.PaintPicture(Picture1->picture(), x, y, W, H);
        printer_.EndDoc();
        hide();
        if (!printer_.lastFilePath().isEmpty()) {
            const QString why = printer_.whyPdf();
            UserNotice::Show(nullptr, (why.isEmpty() ? QString() : why + QLatin1Char(' ')) +
                                          QStringLiteral("The page was saved as\n%1").arg(printer_.lastFilePath()));
        }
    });
}

void PrtFrm::Command2_Click() { hide(); }

}  // namespace marbleck
