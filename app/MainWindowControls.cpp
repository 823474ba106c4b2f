#include "app/MainWindowControls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <utility>

#include "widgets/GrowingScrollArea.h"
#include "widgets/PictureArea.h"
#include "widgets/Placement.h"
#include "widgets/ProgressBar.h"
#include "widgets/Screen.h"
#include "widgets/VSpinner.h"

namespace marbleck {

namespace {

// The object canvas's user scale: 14.4 twips a unit, so its 1440-twip drawing
// area spans 100 units.
constexpr double CanvasTwipsPerUnit = 14.4;

// The client area at start, in twips: the window opens at this size and may
// grow from it, never shrink below it.
constexpr double ClientWidthTwips = 11970;
constexpr double ClientHeightTwips = 8115;
// The top of the bottom row ("Print", the time box, "Quit") at start; the
// row keeps its distance from the client area's bottom edge.
constexpr double BottomRowTopTwips = 7440;
// The hologram view's place, its top-left corner fixed; the view grows from
// there into the room to the right of the tools, up to a margin short of the
// client area's right edge and a gap above the bottom row.
constexpr double HologramLeftTwips = 4320;
constexpr double HologramTopTwips = 360;
constexpr double RoomRightMarginTwips = 360;
constexpr double RoomGapAboveBottomRowTwips = 120;

}  // namespace

QSize MainWindowControls::StartClientSize() {
    return {TwipsToPixels(ClientWidthTwips, Screen::TwipsPerPixelX()),
            TwipsToPixels(ClientHeightTwips, Screen::TwipsPerPixelY())};
}

namespace {

QPushButton* button(QWidget* parent, const char* caption) {
    return new QPushButton(QString::fromLatin1(caption), parent);
}

QLabel* label(QWidget* parent, const char* caption) {
    return new QLabel(QString::fromLatin1(caption), parent);
}

QRadioButton* option(QWidget* parent, const char* caption) {
    return new QRadioButton(QString::fromLatin1(caption), parent);
}

// Makes `buttons` one exclusive group of their own, which Tab enters at its
// selected button however that was selected.
void OptionGroup(QObject* owner, std::initializer_list<QRadioButton*> buttons) {
    auto* group = new QButtonGroup(owner);
    for (QRadioButton* b : buttons) group->addButton(b);
    const auto tabStopOnSelected = [group] {
        for (QAbstractButton* b : group->buttons()) {
            const int policy =
                b->isChecked() ? (b->focusPolicy() | Qt::TabFocus) : (b->focusPolicy() & ~Qt::TabFocus);
            b->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy));
        }
    };
    tabStopOnSelected();
    QObject::connect(group, &QButtonGroup::buttonToggled, group, tabStopOnSelected);
}

}  // namespace

void MainWindowControls::createControls(QWidget* client, QObject* owner) {
    QWidget* c = client;
    objectCanvas = Placed(new PictureArea(c), 360, 360, 1500, 1500);
    loadButton = Placed(button(c, "Load"), 480, 3000, 975, 495);
    loadButton->setToolTip(QStringLiteral("Open an input image"));
    hologramView = Placed(new PictureArea(c), HologramLeftTwips, HologramTopTwips, 2400, 2520);
    repsLabel = Placed(label(c, "# reps"), 480, 3840, 615, 255);
    printButton = Placed(button(c, "Print"), 480, 7440, 1215, 495);
    calculateButton = Placed(button(c, "Calculate"), 360, 5040, 1215, 375);
    // Sized to show only its box: the label beside it names it.
    randomPhaseCheck = Placed(new QCheckBox(c), 3000, 5160, 255, 255);
    randomPhaseCheck->setAccessibleName(QStringLiteral("Random Phase"));
    randomPhaseCheck->setChecked(true);
    randomPhaseLabel = Placed(label(c, "Random Phase"), 1680, 5160, 1215, 255);
    randomPhaseLabel->setBuddy(randomPhaseCheck);
    thresholdEdit = Placed(new QLineEdit(QStringLiteral("0.6"), c), 2520, 5640, 615, 375);
    thresholdLabel = Placed(label(c, "threshold"), 1560, 5760, 855, 255);
    progressBar = Placed(new ProgressBar(c), 240, 4320, 3615, 495);
    repsSpinner = Placed(new VSpinner(c), 1800, 3720, 255, 375);
    repsEdit = Placed(new QLineEdit(QStringLiteral("3"), c), 1200, 3720, 615, 375);
    binarizeButton = Placed(button(c, "Binarize"), 360, 5640, 1095, 375);
    thresholdSpinner = Placed(new VSpinner(c), 3120, 5640, 255, 375);
    saveButton = Placed(button(c, "Save Holo"), 360, 6240, 1095, 495);
    quitButton = Placed(button(c, "Quit"), 10200, 7440, 1215, 615);
    statusLabel = Placed(label(c, ""), 1800, 6240, 2415, 735);
    statusLabel->setWordWrap(true);
    statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    timeEdit = Placed(new QLineEdit(c), 5400, 7440, 1455, 495);
    freehandTool = Placed(option(c, "freehand"), 3000, 600, 1215, 375);
    lineTool = Placed(option(c, "line"), 3000, 1080, 1095, 375);
    circleTool = Placed(option(c, "Circle"), 3000, 1560, 1095, 375);
    freehandTool->setChecked(true);
    clearButton = Placed(button(c, "clear"), 1800, 3000, 855, 495);
    penWidthFrame = Placed(new QGroupBox(QStringLiteral("Width"), c), 2880, 1920, 1335, 1455);
    penWidth1 = Placed(option(penWidthFrame, "Width 1"), 120, 240, 1095, 375);
    penWidth5 = Placed(option(penWidthFrame, "Width 5"), 120, 840, 975, 375);
    penWidth2 = Placed(option(penWidthFrame, "Width 2"), 120, 600, 975, 255);
    penWidth1->setChecked(true);
    // Two groups: arrow keys move within a group, Tab enters each at its
    // selected button. As siblings and descendants of one window the six
    // would otherwise form a single group for the keyboard.
    OptionGroup(owner, {freehandTool, lineTool, circleTool});
    OptionGroup(owner, {penWidth1, penWidth2, penWidth5});
    pressYLabel = Placed(label(c, "y"), 1560, 2400, 855, 375);
    pressXLabel = Placed(label(c, "x"), 480, 2400, 855, 375);

    // Object names, so that the controls can be found by name.
    const std::pair<QObject*, const char*> named[] = {
        {objectCanvas, "objectCanvas"},
        {loadButton, "loadButton"},
        {hologramView, "hologramView"},
        {repsLabel, "repsLabel"},
        {printButton, "printButton"},
        {calculateButton, "calculateButton"},
        {randomPhaseCheck, "randomPhaseCheck"},
        {randomPhaseLabel, "randomPhaseLabel"},
        {thresholdEdit, "thresholdEdit"},
        {thresholdLabel, "thresholdLabel"},
        {progressBar, "progressBar"},
        {repsSpinner, "repsSpinner"},
        {repsEdit, "repsEdit"},
        {binarizeButton, "binarizeButton"},
        {thresholdSpinner, "thresholdSpinner"},
        {saveButton, "saveButton"},
        {quitButton, "quitButton"},
        {statusLabel, "statusLabel"},
        {timeEdit, "timeEdit"},
        {freehandTool, "freehandTool"},
        {lineTool, "lineTool"},
        {circleTool, "circleTool"},
        {clearButton, "clearButton"},
        {penWidthFrame, "penWidthFrame"},
        {penWidth1, "penWidth1"},
        {penWidth5, "penWidth5"},
        {penWidth2, "penWidth2"},
        {pressYLabel, "pressYLabel"},
        {pressXLabel, "pressXLabel"},
    };
    for (const auto& [control, name] : named) control->setObjectName(QString::fromLatin1(name));

    // The canvas: black (window text) with a 14.4-twip user scale.
    objectCanvas->setBackColor(Black);
    objectCanvas->setUserScale(CanvasTwipsPerUnit, CanvasTwipsPerUnit);
    objectCanvas->setOuterSize(1500, 1500);
    objectCanvas->setMouseTracking(true);
    objectCanvas->setFocusPolicy(Qt::StrongFocus);
    // The hologram view: pixels, background colour value 15.
    hologramView->setBackColor(15);
    hologramView->setOuterSize(2400, 2520);
    hologramView->setFocusPolicy(Qt::StrongFocus);

    for (QLabel* l : {repsLabel, randomPhaseLabel, thresholdLabel, statusLabel, pressYLabel, pressXLabel})
        l->setFocusPolicy(Qt::NoFocus);
    progressBar->setFocusPolicy(Qt::NoFocus);
}

void MainWindowControls::fitCaptions(QWidget* client) {
    FitCaptionFont(client, {loadButton, printButton, calculateButton, binarizeButton, saveButton, quitButton,
                            clearButton, freehandTool, lineTool, circleTool, penWidth1, penWidth2, penWidth5,
                            repsLabel, randomPhaseLabel, thresholdLabel, pressYLabel, pressXLabel});
}

// The view's place starts at the view's outer size at start and follows the
// view's size into the room beside it; only a larger view scrolls. A smaller
// one sits at its top left, where it always sat.
void MainWindowControls::placeHologramView(QWidget* client) {
    hologramPlace = Placed(new GrowingScrollArea(client), HologramLeftTwips, HologramTopTwips, 2400, 2520);
    hologramPlace->setObjectName(QStringLiteral("hologramPlace"));
    hologramPlace->setFrameShape(QFrame::NoFrame);
    // Lays the viewport out without the frame now, not first when shown.
    QEvent layoutRequest(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(hologramPlace, &layoutRequest);
    hologramPlace->setFocusPolicy(Qt::NoFocus);
    // Where the view does not reach, the window shows through as before.
    hologramPlace->setAutoFillBackground(false);
    hologramPlace->viewport()->setAutoFillBackground(false);
    hologramPlace->setWidget(hologramView);
    arrangeFor(client->size());
}

// The bottom row keeps its distance from the client area's bottom edge and
// the hologram's room fills what lies between; every other control keeps its
// place.
void MainWindowControls::arrangeFor(QSize clientSize) {
    const float tx = Screen::TwipsPerPixelX();
    const float ty = Screen::TwipsPerPixelY();
    const int bottomRowTop =
        TwipsToPixels(BottomRowTopTwips, ty) + clientSize.height() - StartClientSize().height();
    for (QWidget* control : std::initializer_list<QWidget*>{printButton, timeEdit, quitButton})
        control->move(control->x(), bottomRowTop);
    const QPoint corner(TwipsToPixels(HologramLeftTwips, tx), TwipsToPixels(HologramTopTwips, ty));
    const QPoint farCorner(clientSize.width() - TwipsToPixels(RoomRightMarginTwips, tx) - 1,
                           bottomRowTop - TwipsToPixels(RoomGapAboveBottomRowTwips, ty) - 1);
    hologramPlace->setRoom(QRect(corner, farCorner));
}

void MainWindowControls::setTabOrder() {
    SetTabOrder({objectCanvas,  loadButton,  hologramView, printButton,    calculateButton,  randomPhaseCheck,
                 thresholdEdit, repsSpinner, repsEdit,     binarizeButton, thresholdSpinner, saveButton,
                 quitButton,    timeEdit,    freehandTool, lineTool,       circleTool,       clearButton,
                 penWidth1,     penWidth5,   penWidth2});
}

void MainWindowControls::create(QWidget* client, QObject* owner) {
    createControls(client, owner);
    placeHologramView(client);
    fitCaptions(client);
    setTabOrder();
}

QList<EnabledRule> MainWindowControls::enabledRules() const {
    QList<EnabledRule> rules;
    for (QWidget* control : {static_cast<QWidget*>(objectCanvas), static_cast<QWidget*>(loadButton),
                             static_cast<QWidget*>(printButton), static_cast<QWidget*>(calculateButton),
                             static_cast<QWidget*>(randomPhaseCheck), static_cast<QWidget*>(thresholdEdit),
                             static_cast<QWidget*>(repsSpinner), static_cast<QWidget*>(repsEdit),
                             static_cast<QWidget*>(thresholdSpinner), static_cast<QWidget*>(saveButton),
                             static_cast<QWidget*>(freehandTool), static_cast<QWidget*>(lineTool),
                             static_cast<QWidget*>(circleTool), static_cast<QWidget*>(clearButton),
                             static_cast<QWidget*>(penWidthFrame)})
        rules.append({control, Need::NotShownBusy});
    rules.append({binarizeButton, Need::NotShownBusy | Need::NoPhaseHologram});
    for (QWidget* always : std::initializer_list<QWidget*>{quitButton, timeEdit}) rules.append({always, 0});
    return rules;
}

}  // namespace marbleck
