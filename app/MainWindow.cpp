#include "app/MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include "platform/Clock.h"
#include "input/DrawingTools.h"
#include "widgets/ErrorReporter.h"
#include "app/FileProcedures.h"
#include "app/HologramProcedures.h"
#include "input/InputFileChooserHost.h"
#include "app/Document.h"
#include "platform/NumberText.h"
#include "widgets/PictureArea.h"
#include "widgets/Placement.h"
#include "output/PrintDialogHost.h"
#include "widgets/ProgressBar.h"
#include "widgets/Screen.h"
#include "widgets/VSpinner.h"

namespace marbleck {

namespace {

// The object canvas's user scale: 14.4 twips a unit, so its 1440-twip drawing
// area spans 100 units.
constexpr double CanvasTwipsPerUnit = 14.4;

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
            const int policy = b->isChecked() ? (b->focusPolicy() | Qt::TabFocus)
                                              : (b->focusPolicy() & ~Qt::TabFocus);
            b->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy));
        }
    };
    tabStopOnSelected();
    QObject::connect(group, &QButtonGroup::buttonToggled, group, tabStopOnSelected);
}

}  // namespace

MainWindow::MainWindow(Document& module, QWidget* parent) : QMainWindow(parent), module_(module) {
    setWindowTitle(QStringLiteral("Marbleck v0.2"));

    printDialogHost = new PrintDialogHost(this);
    client_ = new QWidget(this);
    setCentralWidget(client_);
    client_->setFixedSize(TwipsToPixels(11970, Screen::TwipsPerPixelX()),
                          TwipsToPixels(8115, Screen::TwipsPerPixelY()));
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    chooser_ = std::make_unique<InputFileChooserHost>(
        this, module_.inputFilePath, [this] { LoadObjectBitmap(*this, module_); },
        [this](const QString& notice) { showChooserNotice(notice); });
    createControls();
    fitCaptions();
    createMenu();
    setTabOrder();
    connectHandlers();
    load();
    objectCanvas->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
    QWidget* c = client_;
    objectCanvas = Placed(new PictureArea(c), 360, 360, 1500, 1500);
    loadButton = Placed(button(c, "Load"), 480, 3000, 975, 495);
    loadButton->setToolTip(QStringLiteral("Open an input image"));
    hologramView = Placed(new PictureArea(c), 4320, 360, 2400, 2520);
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
    OptionGroup(this, {freehandTool, lineTool, circleTool});
    OptionGroup(this, {penWidth1, penWidth2, penWidth5});
    pressYLabel = Placed(label(c, "y"), 1560, 2400, 855, 375);
    pressXLabel = Placed(label(c, "x"), 480, 2400, 855, 375);

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

    for (QLabel* l : {repsLabel, randomPhaseLabel, thresholdLabel, statusLabel, pressYLabel, pressXLabel}) l->setFocusPolicy(Qt::NoFocus);
    progressBar->setFocusPolicy(Qt::NoFocus);
}

void MainWindow::fitCaptions() {
    FitCaptionFont(client_, {loadButton,    printButton,   calculateButton, binarizeButton, saveButton, quitButton,
                             clearButton, freehandTool, lineTool, circleTool,  penWidth1,       penWidth2,
                             penWidth5,     repsLabel,  randomPhaseLabel,   thresholdLabel,   pressYLabel,   pressXLabel});
}

void MainWindow::createMenu() {
    QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
    fastCalculationAction = options->addAction(QStringLiteral("Fast calculation"));
    fastCalculationAction->setCheckable(true);
    fastCalculationAction->setChecked(false);
}

void MainWindow::setTabOrder() {
    SetTabOrder({objectCanvas, loadButton,     hologramView, printButton,   calculateButton, randomPhaseCheck, thresholdEdit,
                 repsSpinner, repsEdit,    binarizeButton, thresholdSpinner, saveButton, quitButton, timeEdit,
                 freehandTool,  lineTool,  circleTool,  clearButton, penWidth1,      penWidth5,    penWidth2});
}

void MainWindow::connectHandlers() {
    connect(calculateButton, &QPushButton::clicked, this, &MainWindow::calculate);
    connect(binarizeButton, &QPushButton::clicked, this, &MainWindow::binarize);
    connect(saveButton, &QPushButton::clicked, this, &MainWindow::saveHologram);
    connect(quitButton, &QPushButton::clicked, this, &MainWindow::quit);
    connect(clearButton, &QPushButton::clicked, this, &MainWindow::clearCanvas);
    connect(loadButton, &QPushButton::clicked, this, &MainWindow::openInputChooser);
    connect(printButton, &QPushButton::clicked, this, &MainWindow::print);
    connect(repsSpinner, &VSpinner::valueChanged, this, &MainWindow::showRepsFromSpinner);
    connect(thresholdSpinner, &VSpinner::valueChanged, this, &MainWindow::showThresholdFromSpinner);

    // The drawing tools see the selected tool and show the press position
    // through these two hooks only.
    drawingTools_ = std::make_unique<DrawingTools>(
        *objectCanvas, module_.drawing,
        [this] {
            if (lineTool->isChecked()) return DrawingTool::Line;
            if (circleTool->isChecked()) return DrawingTool::Circle;
            return DrawingTool::Freehand;
        },
        [this](float x, float y) {
            pressXLabel->setText(QString::fromStdString(WriteNumber(x)));
            pressYLabel->setText(QString::fromStdString(WriteNumber(y)));
        });
    connect(objectCanvas, &PictureArea::mousePressed, this,
            [this](Qt::MouseButton, Qt::MouseButtons, float x, float y) { drawingTools_->press(x, y); });
    connect(objectCanvas, &PictureArea::mouseMoved, this,
            [this](Qt::MouseButtons buttons, float x, float y) { drawingTools_->move(buttons, x, y); });
    // An option button's click handler runs when it becomes selected.
    const auto onSelect = [this](QRadioButton* option, void (MainWindow::*handler)()) {
        connect(option, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on) (this->*handler)();
        });
    };
    onSelect(lineTool, &MainWindow::lineToolSelected);
    onSelect(penWidth1, &MainWindow::penWidth1Selected);
    onSelect(penWidth2, &MainWindow::penWidth2Selected);
    onSelect(penWidth5, &MainWindow::penWidth5Selected);
}

// The start-up state, set before the window is first shown. Setting the
// spinners runs their change rules, which overwrite the boxes' design texts.
void MainWindow::load() {
    module_.drawing.LineActive = false;
    module_.drawing.CircleActive = false;
    timeEdit->setText(QStringLiteral("0"));
    progressBar->setVisible(false);
    progressBar->setMin(0);
    progressBar->setMax(100);
    progressBar->setValue(progressBar->min());
    repsSpinner->setMin(10);
    repsSpinner->setMax(1);
    repsSpinner->setLargeChange(1);
    repsSpinner->setSmallChange(1);
    repsSpinner->setValue(1);
    thresholdSpinner->setMin(12);
    thresholdSpinner->setMax(1);
    thresholdSpinner->setLargeChange(1);
    thresholdSpinner->setSmallChange(1);
    thresholdSpinner->setValue(6);
}

void MainWindow::calculate() {
    ErrorReporter::RunCommand(this, [&] {
        const float start = SecondsSinceMidnight();
        ComputeHologram(*this, module_);
        const float end = SecondsSinceMidnight();
        timeEdit->setText(QString::fromStdString(WriteNumber(ElapsedSeconds(start, end))));
    });
}

void MainWindow::binarize() {
    ErrorReporter::RunCommand(this, [&] { BinarizeHologram(*this, module_); });
}

void MainWindow::saveHologram() {
    ErrorReporter::RunCommand(this, [&] { SaveHologram(*this, module_); });
}

void MainWindow::quit() { close(); }

// Closing the main window, by "Quit" or through its frame, ends the program
// with all its windows.
void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->close();
    QCoreApplication::quit();
}

void MainWindow::clearCanvas() { objectCanvas->clear(); }

// Selecting a tool or a width leaves the drawing state alone.
void MainWindow::lineToolSelected() {
    freehandTool->setChecked(false);
    circleTool->setChecked(false);
}

void MainWindow::penWidth1Selected() {
    penWidth5->setChecked(false);
    penWidth2->setChecked(false);
    drawingTools_->setPenWidth(1);
}

void MainWindow::penWidth2Selected() {
    penWidth5->setChecked(false);
    penWidth1->setChecked(false);
    drawingTools_->setPenWidth(2);
}

void MainWindow::penWidth5Selected() {
    penWidth1->setChecked(false);
    penWidth2->setChecked(false);
    drawingTools_->setPenWidth(5);
}

// The chooser's notices go to the status line; an empty one takes back the
// last, unless something else has been written there since.
void MainWindow::showChooserNotice(const QString& notice) {
    if (!notice.isEmpty()) statusLabel->setText(notice);
    else if (!chooserNotice_.isEmpty() && statusLabel->text() == chooserNotice_) statusLabel->clear();
    chooserNotice_ = notice;
}

void MainWindow::openInputChooser() {
    ErrorReporter::RunCommand(this, [&] { chooser_->show(); });
}

void MainWindow::print() {
    ErrorReporter::RunCommand(this, [&] { printDialogHost->open(*hologramView); });
}

void MainWindow::showRepsFromSpinner() { repsEdit->setText(QString::number(repsSpinner->value())); }

void MainWindow::showThresholdFromSpinner() {
    thresholdEdit->setText(QString::fromStdString(WriteNumber(static_cast<double>(thresholdSpinner->value()) / 10.0)));
}

}  // namespace marbleck
