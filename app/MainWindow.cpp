#include "app/MainWindow.h"
#include "engine/HologramGeometry.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "app/BackgroundCalculation.h"
#include "app/CanvasHistory.h"
#include "app/Document.h"
#include "app/FileProcedures.h"
#include "app/HologramProcedures.h"
#include "app/ReconstructionWindow.h"
#include "app/WindowSettings.h"
#include "input/DrawingTools.h"
#include "input/InputFileChooser.h"
#include "input/InputFileChooserHost.h"
#include "output/PrintDialogHost.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "widgets/ErrorReporter.h"
#include "widgets/GrowingScrollArea.h"
#include "widgets/InputHold.h"
#include "widgets/PictureArea.h"
#include "widgets/Placement.h"
#include "widgets/ProgressBar.h"
#include "widgets/Screen.h"
#include "widgets/VSpinner.h"

namespace marbleck {

namespace {

// How often the progress bar follows a running calculation, in ms.
constexpr int ProgressPollMs = 30;

// How long a calculation runs before the window shows it busy, in ms. A
// shorter one ends without a flash of greyed controls and cursor, and without
// the repaints that would share the processor with its sums.
constexpr int BusyShowDelayMs = 200;

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

QSize StartClientSize() {
    return {TwipsToPixels(ClientWidthTwips, Screen::TwipsPerPixelX()),
            TwipsToPixels(ClientHeightTwips, Screen::TwipsPerPixelY())};
}

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

MainWindow::MainWindow(Document& document, QWidget* parent) : QMainWindow(parent), document_(document) {
    setWindowTitle(QStringLiteral("Marbleck v0.2"));

    printDialogHost_ = new PrintDialogHost(this);
    client_ = new QWidget(this);
    setCentralWidget(client_);
    // The window opens at the client area's start size (its size hint, as
    // the client area has no layout) and may be resized and maximised.
    client_->setMinimumSize(StartClientSize());
    client_->resize(StartClientSize());
    client_->installEventFilter(this);

    chooser_ = std::make_unique<InputFileChooserHost>(
        this, document_.input, [this] { loadObject(); },
        [this](const QString& notice) { showChooserNotice(notice); });
    createControls();
    placeHologramView();
    fitCaptions();
    createFileMenu();
    createEditMenu();
    createViewMenu();
    createMenu();
    createHelpMenu();
    createStatusBar();
    setTabOrder();
    connectHandlers();
    load();
    restoreSettings();
    document_.shownHologram = hologramView_->image();
    objectCanvas_->setFocus();
}

// A running calculation is stopped before the controls go.
MainWindow::~MainWindow() { calculation_->cancelAndWait(); }

void MainWindow::createControls() {
    QWidget* c = client_;
    objectCanvas_ = Placed(new PictureArea(c), 360, 360, 1500, 1500);
    loadButton_ = Placed(button(c, "Load"), 480, 3000, 975, 495);
    loadButton_->setToolTip(QStringLiteral("Open an input image"));
    hologramView_ = Placed(new PictureArea(c), HologramLeftTwips, HologramTopTwips, 2400, 2520);
    repsLabel_ = Placed(label(c, "# reps"), 480, 3840, 615, 255);
    printButton_ = Placed(button(c, "Print"), 480, 7440, 1215, 495);
    calculateButton_ = Placed(button(c, "Calculate"), 360, 5040, 1215, 375);
    // Sized to show only its box: the label beside it names it.
    randomPhaseCheck_ = Placed(new QCheckBox(c), 3000, 5160, 255, 255);
    randomPhaseCheck_->setAccessibleName(QStringLiteral("Random Phase"));
    randomPhaseCheck_->setChecked(true);
    randomPhaseLabel_ = Placed(label(c, "Random Phase"), 1680, 5160, 1215, 255);
    randomPhaseLabel_->setBuddy(randomPhaseCheck_);
    thresholdEdit_ = Placed(new QLineEdit(QStringLiteral("0.6"), c), 2520, 5640, 615, 375);
    thresholdLabel_ = Placed(label(c, "threshold"), 1560, 5760, 855, 255);
    progressBar_ = Placed(new ProgressBar(c), 240, 4320, 3615, 495);
    repsSpinner_ = Placed(new VSpinner(c), 1800, 3720, 255, 375);
    repsEdit_ = Placed(new QLineEdit(QStringLiteral("3"), c), 1200, 3720, 615, 375);
    binarizeButton_ = Placed(button(c, "Binarize"), 360, 5640, 1095, 375);
    thresholdSpinner_ = Placed(new VSpinner(c), 3120, 5640, 255, 375);
    saveButton_ = Placed(button(c, "Save Holo"), 360, 6240, 1095, 495);
    quitButton_ = Placed(button(c, "Quit"), 10200, 7440, 1215, 615);
    statusLabel_ = Placed(label(c, ""), 1800, 6240, 2415, 735);
    statusLabel_->setWordWrap(true);
    statusLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    timeEdit_ = Placed(new QLineEdit(c), 5400, 7440, 1455, 495);
    freehandTool_ = Placed(option(c, "freehand"), 3000, 600, 1215, 375);
    lineTool_ = Placed(option(c, "line"), 3000, 1080, 1095, 375);
    circleTool_ = Placed(option(c, "Circle"), 3000, 1560, 1095, 375);
    freehandTool_->setChecked(true);
    clearButton_ = Placed(button(c, "clear"), 1800, 3000, 855, 495);
    penWidthFrame_ = Placed(new QGroupBox(QStringLiteral("Width"), c), 2880, 1920, 1335, 1455);
    penWidth1_ = Placed(option(penWidthFrame_, "Width 1"), 120, 240, 1095, 375);
    penWidth5_ = Placed(option(penWidthFrame_, "Width 5"), 120, 840, 975, 375);
    penWidth2_ = Placed(option(penWidthFrame_, "Width 2"), 120, 600, 975, 255);
    penWidth1_->setChecked(true);
    // Two groups: arrow keys move within a group, Tab enters each at its
    // selected button. As siblings and descendants of one window the six
    // would otherwise form a single group for the keyboard.
    OptionGroup(this, {freehandTool_, lineTool_, circleTool_});
    OptionGroup(this, {penWidth1_, penWidth2_, penWidth5_});
    pressYLabel_ = Placed(label(c, "y"), 1560, 2400, 855, 375);
    pressXLabel_ = Placed(label(c, "x"), 480, 2400, 855, 375);

    // Object names, so that the controls can be found by name.
    const std::pair<QObject*, const char*> named[] = {
        {objectCanvas_, "objectCanvas"},
        {loadButton_, "loadButton"},
        {hologramView_, "hologramView"},
        {repsLabel_, "repsLabel"},
        {printButton_, "printButton"},
        {calculateButton_, "calculateButton"},
        {randomPhaseCheck_, "randomPhaseCheck"},
        {randomPhaseLabel_, "randomPhaseLabel"},
        {thresholdEdit_, "thresholdEdit"},
        {thresholdLabel_, "thresholdLabel"},
        {progressBar_, "progressBar"},
        {repsSpinner_, "repsSpinner"},
        {repsEdit_, "repsEdit"},
        {binarizeButton_, "binarizeButton"},
        {thresholdSpinner_, "thresholdSpinner"},
        {saveButton_, "saveButton"},
        {quitButton_, "quitButton"},
        {statusLabel_, "statusLabel"},
        {timeEdit_, "timeEdit"},
        {freehandTool_, "freehandTool"},
        {lineTool_, "lineTool"},
        {circleTool_, "circleTool"},
        {clearButton_, "clearButton"},
        {penWidthFrame_, "penWidthFrame"},
        {penWidth1_, "penWidth1"},
        {penWidth5_, "penWidth5"},
        {penWidth2_, "penWidth2"},
        {pressYLabel_, "pressYLabel"},
        {pressXLabel_, "pressXLabel"},
    };
    for (const auto& [control, name] : named) control->setObjectName(QString::fromLatin1(name));

    // The canvas: black (window text) with a 14.4-twip user scale.
    objectCanvas_->setBackColor(Black);
    objectCanvas_->setUserScale(CanvasTwipsPerUnit, CanvasTwipsPerUnit);
    objectCanvas_->setOuterSize(1500, 1500);
    objectCanvas_->setMouseTracking(true);
    objectCanvas_->setFocusPolicy(Qt::StrongFocus);
    // The hologram view: pixels, background colour value 15.
    hologramView_->setBackColor(15);
    hologramView_->setOuterSize(2400, 2520);
    hologramView_->setFocusPolicy(Qt::StrongFocus);

    for (QLabel* l :
         {repsLabel_, randomPhaseLabel_, thresholdLabel_, statusLabel_, pressYLabel_, pressXLabel_})
        l->setFocusPolicy(Qt::NoFocus);
    progressBar_->setFocusPolicy(Qt::NoFocus);
}

void MainWindow::fitCaptions() {
    FitCaptionFont(client_,
                   {loadButton_, printButton_, calculateButton_, binarizeButton_, saveButton_, quitButton_,
                    clearButton_, freehandTool_, lineTool_, circleTool_, penWidth1_, penWidth2_, penWidth5_,
                    repsLabel_, randomPhaseLabel_, thresholdLabel_, pressYLabel_, pressXLabel_});
}

void MainWindow::createMenu() {
    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    fastCalculationAction_ = options->addAction(QStringLiteral("&Fast calculation"));
    fastCalculationAction_->setCheckable(true);
    fastCalculationAction_->setChecked(false);
    fastCalculationAction_->setObjectName(QStringLiteral("fastCalculationAction"));

    QMenu* binarization = options->addMenu(QStringLiteral("&Binarization"));
    binarization->menuAction()->setObjectName(QStringLiteral("binarizationMenu"));
    auto* choices = new QActionGroup(this);
    thresholdBinarizationAction_ = choices->addAction(QStringLiteral("&Threshold"));
    balancedBinarizationAction_ = choices->addAction(QStringLiteral("B&alanced"));
    for (QAction* choice : choices->actions()) {
        choice->setCheckable(true);
        binarization->addAction(choice);
    }
    thresholdBinarizationAction_->setChecked(true);
    thresholdBinarizationAction_->setObjectName(QStringLiteral("thresholdBinarizationAction"));
    balancedBinarizationAction_->setObjectName(QStringLiteral("balancedBinarizationAction"));
}

void MainWindow::createViewMenu() {
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    reconstructionAction_ = view->addAction(QStringLiteral("&Reconstruction"));
    reconstructionAction_->setObjectName(QStringLiteral("reconstructionAction"));
    connect(reconstructionAction_, &QAction::triggered, this, &MainWindow::showReconstruction);
}

void MainWindow::showReconstruction() {
    if (!reconstruction_) {
        reconstruction_ = std::make_unique<ReconstructionWindow>(document_, *printDialogHost_);
        reconstruction_->setObjectName(QStringLiteral("reconstructionWindow"));
        connect(this, &MainWindow::hologramChanged, reconstruction_.get(),
                &ReconstructionWindow::hologramChanged);
        connect(printDialogHost_, &PrintDialogHost::opticsChanged, reconstruction_.get(),
                &ReconstructionWindow::opticsChanged);
    }
    reconstruction_->show();
    reconstruction_->raise();
    reconstruction_->activateWindow();
}

// The view's place starts at the view's outer size at start and follows the
// view's size into the room beside it; only a larger view scrolls. A smaller
// one sits at its top left, where it always sat.
void MainWindow::placeHologramView() {
    hologramPlace_ = Placed(new GrowingScrollArea(client_), HologramLeftTwips, HologramTopTwips, 2400, 2520);
    hologramPlace_->setObjectName(QStringLiteral("hologramPlace"));
    hologramPlace_->setFrameShape(QFrame::NoFrame);
    // Lays the viewport out without the frame now, not first when shown.
    QEvent layoutRequest(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(hologramPlace_, &layoutRequest);
    hologramPlace_->setFocusPolicy(Qt::NoFocus);
    // Where the view does not reach, the window shows through as before.
    hologramPlace_->setAutoFillBackground(false);
    hologramPlace_->viewport()->setAutoFillBackground(false);
    hologramPlace_->setWidget(hologramView_);
    arrangeForClientSize();
}

// The bottom row keeps its distance from the client area's bottom edge and
// the hologram's room fills what lies between; every other control keeps its
// place.
void MainWindow::arrangeForClientSize() {
    const float tx = Screen::TwipsPerPixelX();
    const float ty = Screen::TwipsPerPixelY();
    const int bottomRowTop =
        TwipsToPixels(BottomRowTopTwips, ty) + client_->height() - StartClientSize().height();
    for (QWidget* control : std::initializer_list<QWidget*>{printButton_, timeEdit_, quitButton_})
        control->move(control->x(), bottomRowTop);
    const QPoint corner(TwipsToPixels(HologramLeftTwips, tx), TwipsToPixels(HologramTopTwips, ty));
    const QPoint farCorner(client_->width() - TwipsToPixels(RoomRightMarginTwips, tx) - 1,
                           bottomRowTop - TwipsToPixels(RoomGapAboveBottomRowTwips, ty) - 1);
    hologramPlace_->setRoom(QRect(corner, farCorner));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize && hologramPlace_) arrangeForClientSize();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::createEditMenu() {
    canvasHistory_ = new CanvasHistory(*objectCanvas_, document_.drawing, this);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(canvasHistory_->undoAction());
    edit->addAction(canvasHistory_->redoAction());
}

void MainWindow::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    statusBarMessage_ = new QLabel(bar);
    statusBarMessage_->setObjectName(QStringLiteral("statusBarMessage"));
    bar->addWidget(statusBarMessage_, 1);
    cancelCalculationButton_ = new QPushButton(QStringLiteral("Cancel"), bar);
    cancelCalculationButton_->setObjectName(QStringLiteral("cancelCalculationButton"));
    cancelCalculationButton_->setToolTip(QStringLiteral("Stop the calculation (Esc)"));
    cancelCalculationButton_->setFocusPolicy(Qt::NoFocus);
    bar->addPermanentWidget(cancelCalculationButton_);
    // As high with the button as without, so that the window keeps its size.
    bar->setFixedHeight(
        std::max(bar->sizeHint().height(), cancelCalculationButton_->sizeHint().height() + 4));
    cancelCalculationButton_->hide();

    cancelShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancelShortcut_->setContext(Qt::WindowShortcut);
    cancelShortcut_->setEnabled(false);

    calculation_ = new BackgroundCalculation(this);
    progressPoll_ = new QTimer(this);
    progressPoll_->setInterval(ProgressPollMs);
    busyShowDelay_ = new QTimer(this);
    busyShowDelay_->setSingleShot(true);
    busyShowDelay_->setInterval(BusyShowDelayMs);
    waitingInput_ = new InputHold(this);
}

void MainWindow::setTabOrder() {
    SetTabOrder({objectCanvas_,     loadButton_,    hologramView_, printButton_, calculateButton_,
                 randomPhaseCheck_, thresholdEdit_, repsSpinner_,  repsEdit_,    binarizeButton_,
                 thresholdSpinner_, saveButton_,    quitButton_,   timeEdit_,    freehandTool_,
                 lineTool_,         circleTool_,    clearButton_,  penWidth1_,   penWidth5_,
                 penWidth2_});
}

void MainWindow::connectHandlers() {
    connect(calculateButton_, &QPushButton::clicked, this, &MainWindow::calculate);
    connect(binarizeButton_, &QPushButton::clicked, this, &MainWindow::binarize);
    connect(saveButton_, &QPushButton::clicked, this, &MainWindow::saveHologram);
    connect(quitButton_, &QPushButton::clicked, this, &MainWindow::quit);
    connect(clearButton_, &QPushButton::clicked, this, &MainWindow::clearCanvas);
    connect(loadButton_, &QPushButton::clicked, this, &MainWindow::openInputChooser);
    connect(printButton_, &QPushButton::clicked, this, &MainWindow::print);
    connect(cancelCalculationButton_, &QPushButton::clicked, this, &MainWindow::cancelCalculation);
    connect(cancelShortcut_, &QShortcut::activated, this, &MainWindow::cancelCalculation);
    connect(calculation_, &BackgroundCalculation::ended, this, &MainWindow::endCalculation);
    connect(progressPoll_, &QTimer::timeout, this, &MainWindow::showCalculationProgress);
    connect(busyShowDelay_, &QTimer::timeout, this, &MainWindow::showBusy);
    connect(repsSpinner_, &VSpinner::valueChanged, this, &MainWindow::showRepsFromSpinner);
    connect(thresholdSpinner_, &VSpinner::valueChanged, this, &MainWindow::showThresholdFromSpinner);

    // The drawing tools see the selected tool and show the press position
    // through these two hooks only.
    drawingTools_ = std::make_unique<DrawingTools>(
        *objectCanvas_, document_.drawing,
        [this] {
            if (lineTool_->isChecked()) return DrawingTool::Line;
            if (circleTool_->isChecked()) return DrawingTool::Circle;
            return DrawingTool::Freehand;
        },
        [this](float x, float y) {
            pressXLabel_->setText(QString::fromStdString(WriteNumber(x)));
            pressYLabel_->setText(QString::fromStdString(WriteNumber(y)));
        });
    connect(objectCanvas_, &PictureArea::mousePressed, this,
            [this](Qt::MouseButton, Qt::MouseButtons buttons, float x, float y) {
                if (!canvasHistory_->beforeMouse()) return;
                drawingTools_->press(x, y);
                canvasHistory_->afterMouse(buttons);
            });
    connect(objectCanvas_, &PictureArea::mouseMoved, this,
            [this](Qt::MouseButtons buttons, float x, float y) {
                if (!canvasHistory_->beforeMouse()) return;
                drawingTools_->move(buttons, x, y);
                canvasHistory_->afterMouse(buttons);
            });
    connect(objectCanvas_, &PictureArea::mouseReleased, this,
            [this](Qt::MouseButton, Qt::MouseButtons held) { canvasHistory_->afterMouse(held); });
    // An option button's click handler runs when it becomes selected.
    const auto onSelect = [this](QRadioButton* option, void (MainWindow::*handler)()) {
        connect(option, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on) (this->*handler)();
        });
    };
    onSelect(lineTool_, &MainWindow::lineToolSelected);
    onSelect(penWidth1_, &MainWindow::penWidth1Selected);
    onSelect(penWidth2_, &MainWindow::penWidth2Selected);
    onSelect(penWidth5_, &MainWindow::penWidth5Selected);
}

// The start-up state, set before the window is first shown. Setting the
// spinners runs their change rules, which replace the texts the boxes were
// created with.
void MainWindow::load() {
    document_.drawing.LineActive = false;
    document_.drawing.CircleActive = false;
    timeEdit_->setText(QStringLiteral("0"));
    progressBar_->setVisible(false);
    progressBar_->setMin(0);
    progressBar_->setMax(100);
    progressBar_->setValue(progressBar_->min());
    repsSpinner_->setMin(10);
    repsSpinner_->setMax(1);
    repsSpinner_->setLargeChange(1);
    repsSpinner_->setSmallChange(1);
    repsSpinner_->setValue(1);
    thresholdSpinner_->setMin(12);
    thresholdSpinner_->setMax(1);
    thresholdSpinner_->setLargeChange(1);
    thresholdSpinner_->setSmallChange(1);
    thresholdSpinner_->setValue(6);
}

CalculationRequest MainWindow::calculationRequest() const {
    return {repsEdit_->text(), randomPhaseCheck_->isChecked(),
            &CalculationEngineNamed(fastCalculationAction_->isChecked() ? "fast" : "exact")};
}

QString MainWindow::thresholdText() const { return thresholdEdit_->text(); }

void MainWindow::showElapsedSeconds(float seconds) {
    timeEdit_->setText(QString::fromStdString(WriteNumber(seconds)));
}

void MainWindow::showStatus(const QString& text) { statusLabel_->setText(text); }

// Runs a command that may paint the hologram view, then records in the
// document what the view shows, however the command ends. The record is let
// go first, so that the view paints into an image it does not share.
template <class Command>
void MainWindow::changeShownHologram(Command&& command) {
    document_.shownHologram = QImage();
    const auto record = qScopeGuard([this] { document_.shownHologram = hologramView_->image(); });
    command();
}

// Everything the calculation needs is read here; what can refuse it does so
// before anything changes. The sums then run on the worker.
void MainWindow::calculate() {
    if (isCalculating()) return;
    ErrorReporter::RunCommand(this, [&] {
        const float start = SecondsSinceMidnight();
        PreparedCalculation job;
        try {
            job = PrepareCalculation(calculationRequest(), document_, *objectCanvas_);
        } catch (const NoHologramError& error) {
            throw error.forBox(repsLabel_->text().toStdString());  // the message names the reps box
        }
        calculationStart_ = start;
        startCalculation(std::move(job));
    });
}

bool MainWindow::isCalculating() const { return calculation_->running(); }

// The worker starts first: a start that fails leaves the window as it was.
// The commands wait at once, their input held back and their menu items
// disabled; the controls, the cursor and the status bar show it only if the
// calculation lasts.
void MainWindow::startCalculation(PreparedCalculation job) {
    calculation_->start(std::move(job));
    setActionsEnabled(false);
    waitingInput_->hold(waitingControls());
    cancelShortcut_->setEnabled(true);
    progressBar_->setVisible(true);
    progressPoll_->start();
    busyShowDelay_->start();
    // A job estimated to take seconds says so before any of it is done.
    if (IsLongCalculation(calculation_->job())) showInStatusBar(CalculationStartText(calculation_->job()));
}

void MainWindow::showBusy() {
    busyShown_ = true;
    focusBeforeCalculation_ = QApplication::focusWidget();
    setControlsEnabled(false);
    setCursor(Qt::BusyCursor);
    cancelCalculationButton_->show();
    showInStatusBar(CalculationStartText(calculation_->job()));
}

void MainWindow::showCalculationProgress() {
    if (const int x = calculation_->lastColumnDone(); x >= 0)
        progressBar_->setValue(ProgressAfterColumn(calculation_->job(), x));
}

void MainWindow::cancelCalculation() {
    if (isCalculating()) calculation_->cancel();
}

void MainWindow::endCalculation() {
    showCalculationProgress();  // the last column's progress, before the bar goes
    switch (calculation_->outcome()) {
        case BackgroundCalculation::Outcome::Calculated:
            showCalculatedHologram();
            break;
        case BackgroundCalculation::Outcome::Cancelled:
            showInStatusBar(QStringLiteral("Cancelled"));
            break;
        case BackgroundCalculation::Outcome::Failed:
            showInStatusBar(QString());
            ErrorReporter::RunCommand(this, [&] { std::rethrow_exception(calculation_->failure()); });
            break;
    }
    leaveCalculation();
    emit calculationEnded();
}

void MainWindow::showCalculatedHologram() {
    const bool done = ErrorReporter::RunCommand(this, [&] {
        changeShownHologram([&] {
            ShowCalculatedHologram(calculation_->job(), std::move(calculation_->result()), document_,
                                   *hologramView_);
            const float seconds = ElapsedSeconds(calculationStart_, SecondsSinceMidnight());
            showElapsedSeconds(seconds);
            showInStatusBar(QStringLiteral("Hologram %1 × %2 in %3 s")
                                .arg(document_.field.columns())
                                .arg(document_.field.rows())
                                .arg(static_cast<double>(seconds), 0, 'f', 2));
        });
    });
    if (done) emit hologramChanged();
}

void MainWindow::leaveCalculation() {
    const bool busyShown = std::exchange(busyShown_, false);
    busyShowDelay_->stop();
    cancelShortcut_->setEnabled(false);
    waitingInput_->release();
    setActionsEnabled(true);
    progressPoll_->stop();
    progressBar_->setVisible(false);
    progressBar_->setValue(progressBar_->min());
    if (!busyShown) return;
    cancelCalculationButton_->hide();
    unsetCursor();
    setControlsEnabled(true);
    if (focusBeforeCalculation_ && focusBeforeCalculation_->isEnabled()) focusBeforeCalculation_->setFocus();
    focusBeforeCalculation_.clear();
}

// Every control that would change the object, the hologram or the
// parameters, and the input file chooser; "Quit", the time box and the
// hologram view stay.
QList<QWidget*> MainWindow::waitingControls() const {
    QList<QWidget*> controls{objectCanvas_,     loadButton_,       printButton_, calculateButton_,
                             randomPhaseCheck_, thresholdEdit_,    repsSpinner_, repsEdit_,
                             binarizeButton_,   thresholdSpinner_, saveButton_,  freehandTool_,
                             lineTool_,         circleTool_,       clearButton_, penWidthFrame_};
    if (chooser_->exists()) controls.append(&chooser_->window());
    return controls;
}

void MainWindow::setControlsEnabled(bool enabled) {
    for (QWidget* control : waitingControls()) control->setEnabled(enabled);
}

// The menu items and shortcuts of the same commands.
void MainWindow::setActionsEnabled(bool enabled) {
    for (QAction* command : fileCommands_) command->setEnabled(enabled);
    saveHologramAsAction_->setEnabled(enabled && !document_.field.empty());
    fastCalculationAction_->setEnabled(enabled);
    thresholdBinarizationAction_->setEnabled(enabled);
    balancedBinarizationAction_->setEnabled(enabled);
    canvasHistory_->setPaused(!enabled);
}

void MainWindow::showInStatusBar(const QString& text) { statusBarMessage_->setText(text); }

void MainWindow::binarize() {
    const bool done = ErrorReporter::RunCommand(this, [&] {
        changeShownHologram([&] {
            if (!balancedBinarizationAction_->isChecked()) {
                BinarizeHologram(thresholdText(), document_, *hologramView_);
            } else if (const auto used = BinarizeHologramBalanced(document_, *hologramView_)) {
                // The threshold is one of the hologram's single-precision values.
                thresholdEdit_->setText(QString::fromStdString(WriteNumber(static_cast<float>(*used))));
            }
        });
    });
    if (done && !document_.field.empty()) emit hologramChanged();
}

// The saved file becomes the view's background: the view shows it from then on.
void MainWindow::saveHologram() {
    ErrorReporter::RunCommand(this, [&] {
        const auto record = qScopeGuard([this] { document_.shownHologram = hologramView_->image(); });
        SaveHologram(document_, *hologramView_, [this](const QString& status) { showStatus(status); });
        showInStatusBar(QStringLiteral("Saved ") + document_.savedHologramPath);
    });
}

// "open" in the input file chooser, which reports a failure itself.
void MainWindow::loadObject() {
    canvasHistory_->record(QStringLiteral("load"), [&] {
        changeShownHologram([&] { LoadObjectBitmap(document_, *objectCanvas_, *hologramView_); });
    });
    emit hologramChanged();
}

void MainWindow::quit() { close(); }

// Closing the main window, by "Quit" or through its frame, ends the program
// with all its windows; a running calculation is stopped first.
void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (isCalculating()) {
        calculation_->cancelAndWait();
        showInStatusBar(QStringLiteral("Cancelled"));
        leaveCalculation();
        emit calculationEnded();
    }
    WindowSettings::setWindowPosition(pos());
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->close();
    QCoreApplication::quit();
}

void MainWindow::clearCanvas() {
    canvasHistory_->record(QStringLiteral("clear"), [&] { objectCanvas_->clear(); });
}

// Selecting a tool or a width leaves the drawing state alone.
void MainWindow::lineToolSelected() {
    freehandTool_->setChecked(false);
    circleTool_->setChecked(false);
}

void MainWindow::penWidth1Selected() {
    penWidth5_->setChecked(false);
    penWidth2_->setChecked(false);
    drawingTools_->setPenWidth(1);
}

void MainWindow::penWidth2Selected() {
    penWidth5_->setChecked(false);
    penWidth1_->setChecked(false);
    drawingTools_->setPenWidth(2);
}

void MainWindow::penWidth5Selected() {
    penWidth1_->setChecked(false);
    penWidth2_->setChecked(false);
    drawingTools_->setPenWidth(5);
}

// The chooser's notices go to the status line; an empty one takes back the
// last, unless something else has been written there since.
void MainWindow::showChooserNotice(const QString& notice) {
    if (!notice.isEmpty())
        statusLabel_->setText(notice);
    else if (!chooserNotice_.isEmpty() && statusLabel_->text() == chooserNotice_)
        statusLabel_->clear();
    chooserNotice_ = notice;
}

void MainWindow::openInputChooser() {
    ErrorReporter::RunCommand(this, [&] { chooser_->show(); });
}

void MainWindow::print() {
    ErrorReporter::RunCommand(this, [&] {
        printDialogHost_->open(document_.shownHologram, hologramView_->outerWidth(),
                               hologramView_->outerHeight());
    });
}

void MainWindow::showRepsFromSpinner() { repsEdit_->setText(QString::number(repsSpinner_->value())); }

void MainWindow::showThresholdFromSpinner() {
    thresholdEdit_->setText(
        QString::fromStdString(WriteNumber(static_cast<double>(thresholdSpinner_->value()) / 10.0)));
}

}  // namespace marbleck
