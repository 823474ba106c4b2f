#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <algorithm>
#include <utility>

#include "app/CanvasCommands.h"
#include "app/CanvasHistory.h"
#include "app/Document.h"
#include "app/EngineWarmUp.h"
#include "app/FileProcedures.h"
#include "app/HologramProcedures.h"
#include "app/JobController.h"
#include "app/ModulatorCommands.h"
#include "app/PhaseOptions.h"
#include "app/PhaseProcedures.h"
#include "app/SceneCalculation.h"
#include "app/SceneCommands.h"
#include "app/WindowSettings.h"
#include "engine/binarization/Binarization.h"
#include "engine/kinds/scene/SceneKind.h"
#include "input/InputFileChooser.h"
#include "input/InputFileChooserHost.h"
#include "output/PrintDialogHost.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "widgets/ErrorReporter.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"
#include "widgets/VSpinner.h"

namespace marbleck {

MainWindow::MainWindow(Document& document, QWidget* parent) : QMainWindow(parent), document_(document) {
    setWindowTitle(QStringLiteral("Marbleck v0.2"));

    printDialogHost_ = new PrintDialogHost(this);
    client_ = new QWidget(this);
    setCentralWidget(client_);
    // The window opens at the client area's start size (its size hint, as
    // the client area has no layout) and may be resized and maximised.
    client_->setMinimumSize(MainWindowControls::StartClientSize());
    client_->resize(MainWindowControls::StartClientSize());
    client_->installEventFilter(this);

    chooser_ = std::make_unique<InputFileChooserHost>(
        this, document_.input, [this] { loadObject(); },
        [this](const QString& notice) { showChooserNotice(notice); });
    controls_.create(client_, this);
    canvasHistory_ = new CanvasHistory(*controls_.objectCanvas, document_.drawing, this);
    menus_ = std::make_unique<MenuCommands>(*this, document_, *controls_.objectCanvas,
                                            *controls_.hologramView, *canvasHistory_);
    menus_->createMenus();
    phaseOptions_ = new PhaseOptions(*this, *menus_->optionsMenu());
    enabledRules_ = controls_.enabledRules() + menus_->enabledRules() + phaseOptions_->enabledRules();
    createStatusBar();
    jobs_ = new JobController(*this, *controls_.progressBar, *cancelCalculationButton_,
                              [this] { return waitingControls(); });
    new EngineWarmUp(*this, *controls_.objectCanvas, *controls_.repsEdit, *menus_);
    connectHandlers();
    new CanvasCommands(controls_, document_.drawing, *canvasHistory_, this);
    load();
    menus_->restoreOptions();
    phaseOptions_->restore();
    if (const auto position = WindowSettings::windowPosition(sizeHint())) move(*position);
    takePrintSettings();
    updateActions();
    document_.shownHologram = controls_.hologramView->image();
    controls_.objectCanvas->setFocus();
}

// A running calculation is stopped before the controls go.
MainWindow::~MainWindow() { delete jobs_; }

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize && controls_.hologramPlace)
        controls_.arrangeFor(client_->size());
    return QMainWindow::eventFilter(watched, event);
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
}

void MainWindow::connectHandlers() {
    connect(controls_.calculateButton, &QPushButton::clicked, this, &MainWindow::calculate);
    connect(controls_.binarizeButton, &QPushButton::clicked, this, &MainWindow::binarize);
    connect(controls_.saveButton, &QPushButton::clicked, this, &MainWindow::saveHologram);
    connect(controls_.quitButton, &QPushButton::clicked, this, &MainWindow::quit);
    connect(controls_.loadButton, &QPushButton::clicked, this, &MainWindow::openInputChooser);
    connect(controls_.printButton, &QPushButton::clicked, this, &MainWindow::print);
    connect(controls_.repsSpinner, &VSpinner::valueChanged, this, &MainWindow::showRepsFromSpinner);
    connect(controls_.thresholdSpinner, &VSpinner::valueChanged, this, &MainWindow::showThresholdFromSpinner);

    connect(menus_->saveHologramAction(), &QAction::triggered, this, &MainWindow::saveHologram);
    connect(menus_->printAction(), &QAction::triggered, this, &MainWindow::print);
    connect(menus_->quitAction(), &QAction::triggered, this, &MainWindow::quit);
    connect(menus_.get(), &MenuCommands::hologramChanged, this, &MainWindow::hologramChanged);
    connect(menus_.get(), &MenuCommands::statusBarMessage, this, &MainWindow::showInStatusBar);
    // An opened scene is what "Calculate" makes a hologram of next, until a
    // picture or a drawing takes its place on the canvas.
    connect(&menus_->scene(), &SceneCommands::sceneOpened, this,
            [this] { phaseOptions_->choose(SceneKind()); });
    connect(&menus_->scene(), &SceneCommands::canvasChanged, this, [this](bool showsScene) {
        if (showsScene)
            phaseOptions_->choose(SceneKind());
        else if (!phaseOptions_->chosenKind().sceneFiles.empty())
            phaseOptions_->choose(phaseOptions_->flatKind());
    });
    connect(&menus_->scene(), &SceneCommands::statusBarMessage, this, &MainWindow::showInStatusBar);

    connect(jobs_, &JobController::stateChanged, this, &MainWindow::updateActions);
    connect(jobs_, &JobController::finished, this, &MainWindow::showMadeHologram);
    connect(phaseOptions_->refineAction(), &QAction::triggered, this, &MainWindow::refine);
    connect(jobs_, &JobController::statusBarMessage, this, &MainWindow::showInStatusBar);
    connect(jobs_, &JobController::ended, this, &MainWindow::calculationEnded);
    connect(this, &MainWindow::hologramChanged, this, &MainWindow::updateActions);
    connect(printDialogHost_, &PrintDialogHost::opticsChanged, this, &MainWindow::takePrintSettings);
}

// The start-up state, set before the window is first shown. Setting the
// spinners runs their change rules, which replace the texts the boxes were
// created with.
void MainWindow::load() {
    document_.drawing.lineActive = false;
    document_.drawing.circleActive = false;
    controls_.timeEdit->setText(QStringLiteral("0"));
    controls_.progressBar->setVisible(false);
    controls_.progressBar->setMin(0);
    controls_.progressBar->setMax(100);
    controls_.progressBar->setValue(controls_.progressBar->min());
    controls_.repsSpinner->setMin(10);
    controls_.repsSpinner->setMax(1);
    controls_.repsSpinner->setLargeChange(1);
    controls_.repsSpinner->setSmallChange(1);
    controls_.repsSpinner->setValue(1);
    controls_.thresholdSpinner->setMin(12);
    controls_.thresholdSpinner->setMax(1);
    controls_.thresholdSpinner->setLargeChange(1);
    controls_.thresholdSpinner->setSmallChange(1);
    controls_.thresholdSpinner->setValue(6);
}

CalculateSettings MainWindow::calculateSettings() const {
    return {controls_.repsEdit->text(), controls_.randomPhaseCheck->isChecked(), menus_->engineName(),
            &phaseOptions_->chosenKind()};
}

QString MainWindow::thresholdText() const { return controls_.thresholdEdit->text(); }

void MainWindow::showElapsedSeconds(float seconds) {
    controls_.timeEdit->setText(QString::fromStdString(WriteNumber(seconds)));
}

void MainWindow::showInStatusLabel(const QString& text) { controls_.statusLabel->setText(text); }

void MainWindow::showInStatusBar(const QString& text) { statusBarMessage_->setText(text); }

WindowState MainWindow::state() const {
    return {jobs_->running(), jobs_->busyShown(), document_.hasHologram(), document_.phase() != nullptr,
            document_.modulatorPhase() != nullptr};
}

// The input file chooser, made on first use, waits as the controls do.
void MainWindow::updateActions() {
    const WindowState now = state();
    ApplyEnabledRules(enabledRules_, now);
    if (chooser_->exists()) chooser_->window().setEnabled(NeedsHold(Need::NotShownBusy, now));
    canvasHistory_->setPaused(now.jobRunning);
}

// The controls whose input waits from a job's start: those greyed once it
// shows the window busy, and the input file chooser.
QList<QWidget*> MainWindow::waitingControls() const {
    QList<QWidget*> controls;
    for (const EnabledRule& rule : enabledRules_)
        if ((rule.needs & Need::NotShownBusy) != 0)
            if (auto* control = qobject_cast<QWidget*>(rule.target.data())) controls.append(control);
    if (chooser_->exists()) controls.append(&chooser_->window());
    return controls;
}

void MainWindow::takePrintSettings() {
    const PrintDialog::PrintOptics o = printDialogHost_->optics();
    document_.print = {o.dpi, o.scale, o.wavelengthNm, o.distanceM};
    emit printSettingsChanged();
}

// Runs a command that may paint the hologram view, then records in the
// document what the view shows, however the command ends. The record is let
// go first, so that the view paints into an image it does not share.
template <class Command>
void MainWindow::changeShownHologram(Command&& command) {
    document_.shownHologram = QImage();
    const auto record = qScopeGuard([this] { document_.shownHologram = controls_.hologramView->image(); });
    command();
}

// Everything the calculation needs is read here; what can refuse it does so
// before anything changes. The sums then run on the worker.
void MainWindow::calculate() {
    if (isCalculating()) return;
    ErrorReporter::RunCommand(this, [&] {
        const float start = SecondsSinceMidnight();
        const CalculateSettings settings = calculateSettings();
        if (!settings.kind->sceneFiles.empty()) {
            jobs_->start(PrepareSceneCalculation(settings, document_, menus_->scene().settings()), start);
            return;
        }
        try {
            jobs_->start(PrepareCalculation(calculateSettings(), *controls_.objectCanvas), start);
        } catch (const NoHologramError& error) {
            throw error.forBox(controls_.repsLabel->text().toStdString());  // the message names the reps box
        }
    });
}

bool MainWindow::isCalculating() const { return jobs_->running(); }

// Where every job that succeeded ends: the hologram it made is painted
// and becomes the document's. A calculation shows its time; a binarization
// or a refinement what it gained, leaving the time box alone (an optimised
// binarization also the threshold box, as no threshold makes its pattern).
void MainWindow::showMadeHologram(JobController::Job job, std::shared_ptr<const Hologram> hologram) {
    const bool done = ErrorReporter::RunCommand(this, [&] {
        changeShownHologram([&] {
            const bool calculated = job == JobController::Job::Calculation;
            ShowHologram(std::move(hologram), document_, *controls_.hologramView, calculated);
            if (!calculated) {
                showInStatusBar(RecordText(*document_.hologram));
                return;
            }
            const float seconds = ElapsedSeconds(jobs_->startSeconds(), SecondsSinceMidnight());
            showElapsedSeconds(seconds);
            showInStatusBar(CalculatedText(*document_.hologram, static_cast<double>(seconds)));
        });
    });
    if (done) emit hologramChanged();
}

// A method that runs for up to a time budget starts from the calculated
// field on the worker, as "Calculate" does; the others binarize the field
// shown, at once.
void MainWindow::binarize() {
    if (isCalculating() || document_.modulatorPhase() != nullptr) return;
    const std::string method = menus_->binarizationMethod();
    const BinarizationMethod* entry = FindBinarizationMethod(method);
    if (entry != nullptr && entry->takesBudget) {
        if (!document_.hasHologram()) return;
        ErrorReporter::RunCommand(this, [&] {
            jobs_->start(PrepareBinarization(method, menus_->binarizationBudget(), document_),
                         JobController::Job::Binarization);
        });
        return;
    }
    const bool done = ErrorReporter::RunCommand(this, [&] {
        changeShownHologram([&] {
            const auto used =
                BinarizeShownHologram(method, thresholdText(), document_, *controls_.hologramView);
            // A method that finds its own threshold shows it in the threshold
            // box: one of the hologram's single-precision values.
            if (used && entry != nullptr && !entry->takesThreshold)
                controls_.thresholdEdit->setText(
                    QString::fromStdString(WriteNumber(static_cast<float>(*used))));
        });
    });
    if (done && document_.hasHologram()) emit hologramChanged();
}

// A refinement starts from a copy of the phase hologram, which stays as it
// is until the refinement succeeds.
void MainWindow::refine() {
    if (isCalculating() || document_.phase() == nullptr) return;
    ErrorReporter::RunCommand(this, [&] {
        jobs_->start(PrepareRefinement(phaseOptions_->refinementRequest(), document_),
                     JobController::Job::Refinement);
    });
}

// The saved file becomes the view's background: the view shows it from then on.
void MainWindow::saveHologram() {
    ErrorReporter::RunCommand(this, [&] {
        const auto record =
            qScopeGuard([this] { document_.shownHologram = controls_.hologramView->image(); });
        SaveHologram(document_, *controls_.hologramView,
                     [this](const QString& status) { showInStatusLabel(status); });
        showInStatusBar(QStringLiteral("Saved ") + document_.savedHologramPath);
    });
}

// "open" in the input file chooser, which reports a failure itself.
void MainWindow::loadObject() {
    canvasHistory_->record(QStringLiteral("load"), [&] {
        changeShownHologram(
            [&] { LoadObjectBitmap(document_, *controls_.objectCanvas, *controls_.hologramView); });
    });
    emit hologramChanged();
}

void MainWindow::quit() { close(); }

// Closing the main window, by "Quit" or through its frame, ends the program
// with all its windows; a running calculation is stopped first.
void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    jobs_->stopAndWait();
    WindowSettings::setWindowPosition(pos());
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->close();
    QCoreApplication::quit();
}

// The chooser's notices go to the status line; an empty one takes back the
// last, unless something else has been written there since.
void MainWindow::showChooserNotice(const QString& notice) {
    if (!notice.isEmpty())
        controls_.statusLabel->setText(notice);
    else if (!chooserNotice_.isEmpty() && controls_.statusLabel->text() == chooserNotice_)
        controls_.statusLabel->clear();
    chooserNotice_ = notice;
}

void MainWindow::openInputChooser() {
    ErrorReporter::RunCommand(this, [&] { chooser_->show(); });
}

void MainWindow::print() {
    ErrorReporter::RunCommand(this, [&] {
        printDialogHost_->open(document_.shownHologram, controls_.hologramView->outerWidth(),
                               controls_.hologramView->outerHeight());
    });
}

void MainWindow::showRepsFromSpinner() {
    controls_.repsEdit->setText(QString::number(controls_.repsSpinner->value()));
}

void MainWindow::showThresholdFromSpinner() {
    controls_.thresholdEdit->setText(
        QString::fromStdString(WriteNumber(static_cast<double>(controls_.thresholdSpinner->value()) / 10.0)));
}

}  // namespace marbleck
