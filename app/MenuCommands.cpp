#include "app/MenuCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QKeySequence>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QScopeGuard>
#include <QStringList>
#include <QTextBrowser>
#include <algorithm>
#include <optional>
#include <vector>

#include "app/CanvasHistory.h"
#include "app/Document.h"
#include "app/FileProcedures.h"
#include "app/MainWindow.h"
#include "app/ModulatorCommands.h"
#include "app/ReconstructionWindow.h"
#include "app/SceneCommands.h"
#include "app/WindowSettings.h"
#include "engine/binarization/Binarization.h"
#include "engine/sums/CalculationEngine.h"
#include "output/OutputFormats.h"
#include "widgets/ErrorReporter.h"
#include "widgets/PictureArea.h"

namespace marbleck {

namespace {

// The platform's keys for `key`; `fallback` where the platform has none (a
// desktop without a key scheme of its own has no "Quit" or "Save As" key).
QList<QKeySequence> Keys(QKeySequence::StandardKey key, const QKeySequence& fallback) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    if (keys.isEmpty()) keys.append(fallback);
    return keys;
}

QAction* AddAction(QMenu* menu, const char* caption, const char* name, QList<QKeySequence> keys) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    return action;
}

// A binarization method's menu caption: its label with the mnemonic the
// menu has always had for it, the first letter for a method added since.
QString MenuCaption(const BinarizationMethod& method) {
    if (method.name == "threshold") return QStringLiteral("&Threshold");
    if (method.name == "balanced") return QStringLiteral("B&alanced");
    return QStringLiteral("&") +
           QString::fromUtf8(method.label.data(), static_cast<qsizetype>(method.label.size()));
}

// "Images (*.png *.jpg …)" for every format the platform reads, then every file.
QString ImageFilters() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(format).toLower());
    patterns.removeDuplicates();
    return QStringLiteral("Images (") + patterns.join(QLatin1Char(' ')) + QStringLiteral(");;All files (*)");
}

const char* const HelpText = R"(<h3>Marbleck</h3>
<p>Draw an object on the black canvas at the top left with the mouse:
<b>freehand</b>, <b>line</b> (press at both ends) or <b>Circle</b> (press at the
centre, then on the rim), with the pen <b>Width</b> chosen beside it.
<b>clear</b> empties the canvas; <b>Load</b> or <b>File &gt; Open Object…</b>
puts a picture on it. <b>Edit &gt; Undo</b> and <b>Redo</b> step through the
canvas's changes.</p>
<p><b>Calculate</b> makes the hologram of every lit point of the canvas, as
often as <b># reps</b> says, with random phases when <b>Random Phase</b> is
ticked; the box at the bottom shows the seconds it took. <b>Options &gt;
Engine</b> picks how the sums are formed: <b>Exact</b> point by point,
<b>Fast</b> as the faster separable sum, and any other engine this machine
offers.</p>
<p><b>Binarize</b> makes the hologram black and white at the
<b>threshold</b>, or at its median with <b>Options &gt; Binarization &gt;
Balanced</b>. <b>Optimised</b> starts from the calculated hologram and flips
pixels while its reconstruction gets better, for up to <b>Options &gt;
Binarization &gt; Time Budget…</b> seconds (Esc stops it); the status bar
shows the fidelity before and after. <b>View &gt; Reconstruction</b> shows
what the hologram reconstructs, with its fidelity, spread, uniformity,
efficiency and signal share, fitted to the window (Ctrl++ and Ctrl+- zoom, Ctrl+0 fits
again); a phase hologram's as the SLM panel shows it.</p>
<p><b>Options &gt; SLM Panel…</b> sets up a spatial light modulator: its
size, tiling or padding, the grey level for 2π or its lookup table file, a
tilt and a lens. <b>View &gt; Show on Screen…</b> shows the phase hologram's
map full screen on the screen you choose, pixel for pixel; Esc or the item
again closes it.</p>
<p><b>Options &gt; Hologram &gt; Phase (SLM)</b> makes <b>Calculate</b>
compute a phase hologram (kinoform) for a spatial light modulator instead:
the phase of the same points' complex sum, shown as grey levels (0 to 2π as
0 to 255). A white point asks for full brightness; a loaded picture's grey
levels ask for that share of white's light (mid grey 128 about half), a
colour for its brightest channel's. <b>Options &gt; Refine</b>
(Ctrl+R) moves more light onto the object by the method, iterations and time
limit of <b>Options &gt; Refinement</b> (Esc stops it); each Refine goes on
from the last, and the status bar shows the efficiency before and after.
<b>Binarize</b> waits while a phase hologram is shown; the next amplitude
<b>Calculate</b> replaces it.</p>
<p><b>File &gt; Open 3-D Scene…</b> opens a point cloud (.ply, .xyz, in
metres) or a colour picture with its depth picture: the canvas shows the points
from the front, red nearest to blue farthest, and <b>Calculate</b> makes its 3-D
hologram by the size, pitch, wavelengths, method and encoding of <b>Options
&gt; 3-D Hologram…</b>; a picture opened or drawn over the scene is made into
the kind chosen before it again. <b>View &gt; Reconstruction</b> then
refocuses it at the depth its slider sets, in millimetres; <b>Binarize</b>
makes its amplitude encoding black and white.</p>
<p><b>Save Holo</b> (<b>File &gt; Save Hologram</b>) writes the hologram as
shown as a bitmap named "H-" and the object's name beside the object;
<b>File &gt; Save Hologram As…</b> writes it at full resolution as PNG, BMP
or TIFF; a phase hologram as the modulator's 8-bit grey levels at the
panel's size (PNG, BMP) or its phase in radians (TIFF, NumPy).
<b>Print</b> prints it.</p>
<p>See the manual pages marbleck(1) and marbleck-cli(1) for more.</p>)";

}  // namespace

MenuCommands::MenuCommands(MainWindow& window, Document& document, PictureArea& canvas, PictureArea& view,
                           CanvasHistory& history)
    : window_(window), document_(document), canvas_(canvas), view_(view), history_(history) {
    modulator_ = std::make_unique<ModulatorCommands>(
        window_, document_,
        [this](QWidget* parent, const QString& caption, const QString& start, const QString& filters) {
            return openFileQuestion_ ? openFileQuestion_(parent, caption, start, filters)
                                     : QFileDialog::getOpenFileName(parent, caption, start, filters);
        });
    scene_ = new SceneCommands(
        window_, document_, canvas_, history_,
        [this](QWidget* parent, const QString& caption, const QString& start, const QString& filters) {
            return openFileQuestion_ ? openFileQuestion_(parent, caption, start, filters)
                                     : QFileDialog::getOpenFileName(parent, caption, start, filters);
        });
}

MenuCommands::~MenuCommands() = default;

void MenuCommands::createMenus() {
    createFileMenu();
    createEditMenu();
    createViewMenu();
    createOptionsMenu();
    createHelpMenu();
    connect(&window_, &MainWindow::hologramChanged, modulator_.get(), &ModulatorCommands::hologramChanged);
    connect(modulator_.get(), &ModulatorCommands::statusBarMessage, this, &MenuCommands::statusBarMessage);
}

void MenuCommands::createFileMenu() {
    QMenu* file = window_.menuBar()->addMenu(QStringLiteral("&File"));
    openObject_ =
        AddAction(file, "&Open Object…", "openObjectAction", QKeySequence::keyBindings(QKeySequence::Open));
    connect(openObject_, &QAction::triggered, this, &MenuCommands::openObject);
    scene_->addOpenItem(*file);
    file->addSeparator();
    saveHologram_ = AddAction(file, "&Save Hologram", "saveHologramAction",
                              QKeySequence::keyBindings(QKeySequence::Save));
    saveHologramAs_ = AddAction(file, "Save Hologram &As…", "saveHologramAsAction",
                                Keys(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    saveHologramAs_->setEnabled(false);
    connect(saveHologramAs_, &QAction::triggered, this, &MenuCommands::saveHologramAs);
    file->addSeparator();
    print_ = AddAction(file, "&Print…", "printAction", QKeySequence::keyBindings(QKeySequence::Print));
    file->addSeparator();
    quit_ =
        AddAction(file, "&Quit", "quitAction", Keys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));
    quit_->setMenuRole(QAction::QuitRole);
}

void MenuCommands::createEditMenu() {
    QMenu* edit = window_.menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(history_.undoAction());
    edit->addAction(history_.redoAction());
}

void MenuCommands::createViewMenu() {
    QMenu* view = window_.menuBar()->addMenu(QStringLiteral("&View"));
    reconstruction_ = view->addAction(QStringLiteral("&Reconstruction"));
    reconstruction_->setObjectName(QStringLiteral("reconstructionAction"));
    connect(reconstruction_, &QAction::triggered, this, &MenuCommands::showReconstruction);
    modulator_->addShowOnScreenItem(*view);
}

void MenuCommands::createOptionsMenu() {
    QMenu* options = window_.menuBar()->addMenu(QStringLiteral("&Options"));
    optionsMenu_ = options;
    createEngineMenu(*options);

    QMenu* binarization = options->addMenu(QStringLiteral("&Binarization"));
    binarization->menuAction()->setObjectName(QStringLiteral("binarizationMenu"));
    binarizationMenu_ = binarization->menuAction();
    auto* choices = new QActionGroup(&window_);
    for (const BinarizationMethod& method : BinarizationMethods()) {
        const QString name =
            QString::fromUtf8(method.name.data(), static_cast<qsizetype>(method.name.size()));
        QAction* choice = choices->addAction(MenuCaption(method));
        choice->setCheckable(true);
        choice->setData(name);
        choice->setObjectName(name + QStringLiteral("BinarizationAction"));
        binarization->addAction(choice);
        binarizationChoices_.append(choice);
    }
    binarizationChoices_.front()->setChecked(true);
    binarization->addSeparator();
    timeBudget_ = AddAction(binarization, "Time &Budget…", "timeBudgetAction", {});
    connect(timeBudget_, &QAction::triggered, this, &MenuCommands::askTimeBudget);
    options->addSeparator();
    scene_->addSettingsItem(*options);
    modulator_->addPanelItem(*options);
}

// One exclusive choice per engine of the table this machine can run, its
// name as the action's data; the table's default at the first start.
void MenuCommands::createEngineMenu(QMenu& options) {
    QMenu* engines = options.addMenu(QStringLiteral("&Engine"));
    engines->menuAction()->setObjectName(QStringLiteral("engineMenu"));
    auto* choices = new QActionGroup(&window_);
    for (const CalculationEngine& engine : CalculationEngines()) {
        if (!engine.available()) continue;
        const QString name =
            QString::fromUtf8(engine.name.data(), static_cast<qsizetype>(engine.name.size()));
        QAction* choice = choices->addAction(
            QString::fromUtf8(engine.label.data(), static_cast<qsizetype>(engine.label.size())));
        choice->setCheckable(true);
        choice->setData(name);
        choice->setObjectName(name + QStringLiteral("EngineAction"));
        choice->setChecked(engine.name == DefaultCalculationEngine().name);
        engines->addAction(choice);
        engineChoices_.append(choice);
        connect(choice, &QAction::toggled, this, [this](bool on) {
            if (on) emit engineChanged();
        });
    }
}

void MenuCommands::createHelpMenu() {
    QMenu* help = window_.menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* contents = AddAction(help, "Marbleck &Help", "helpAction",
                                  Keys(QKeySequence::HelpContents, QKeySequence(Qt::Key_F1)));
    connect(contents, &QAction::triggered, this, &MenuCommands::showHelp);
    help->addSeparator();
    QAction* about = AddAction(help, "&About Marbleck", "aboutAction", {});
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, &MenuCommands::showAbout);
    QAction* aboutQt = AddAction(help, "About &Qt", "aboutQtAction", {});
    aboutQt->setMenuRole(QAction::AboutQtRole);
    connect(aboutQt, &QAction::triggered, qApp, &QApplication::aboutQt);
    helpItems_ = {contents, about, aboutQt};
}

void MenuCommands::restoreOptions() {
    modulator_->restorePanel();
    // A remembered engine this machine no longer offers leaves the default.
    const QString engine = QString::fromStdString(WindowSettings::engine());
    for (QAction* choice : engineChoices_)
        if (choice->data().toString() == engine) choice->setChecked(true);
    binarizationBudget_ = WindowSettings::binarizationBudget();
    const QString method = QString::fromStdString(WindowSettings::binarizationMethod());
    for (QAction* choice : binarizationChoices_)
        if (choice->data().toString() == method) choice->setChecked(true);
    for (QAction* choice : engineChoices_)
        connect(choice, &QAction::toggled, this, [choice](bool on) {
            if (on) WindowSettings::setEngine(choice->data().toString().toStdString());
        });
    for (QAction* choice : binarizationChoices_)
        connect(choice, &QAction::toggled, this, [this, choice](bool on) {
            if (on) WindowSettings::setBinarizationMethod(choice->data().toString().toStdString());
        });
}

std::string MenuCommands::engineName() const {
    for (const QAction* choice : engineChoices_)
        if (choice->isChecked()) return choice->data().toString().toStdString();
    return std::string(DefaultCalculationEngine().name);
}

std::string MenuCommands::binarizationMethod() const {
    for (const QAction* choice : binarizationChoices_)
        if (choice->isChecked()) return choice->data().toString().toStdString();
    return std::string(BinarizationMethods().front().name);
}

QList<EnabledRule> MenuCommands::enabledRules() const {
    QList<EnabledRule> rules;
    for (QAction* command : QList<QAction*>{openObject_, saveHologram_, print_, timeBudget_} +
                                engineChoices_ + binarizationChoices_)
        rules.append({command, Need::NoJobRunning});
    rules.append(scene_->enabledRules());
    rules.append({saveHologramAs_, Need::NoJobRunning | Need::AnyHologram});
    rules.append({binarizationMenu_, Need::NoPhaseHologram});
    rules.append({modulator_->showOnScreenAction(), Need::ModulatorPhase});
    for (QAction* always : QList<QAction*>{reconstruction_, modulator_->panelAction(), quit_} + helpItems_)
        rules.append({always, 0});
    return rules;
}

// The dialog writes its numbers with "." as the window's boxes do.
void MenuCommands::askTimeBudget() {
    QInputDialog dialog(&window_);
    dialog.setObjectName(QStringLiteral("timeBudgetDialog"));
    dialog.setLocale(QLocale::c());
    dialog.setWindowTitle(QStringLiteral("Time Budget"));
    dialog.setLabelText(QStringLiteral("Seconds an optimised binarization may run:"));
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setDoubleRange(WindowSettings::FewestBudgetSeconds, WindowSettings::MostBudgetSeconds);
    dialog.setDoubleDecimals(1);
    dialog.setDoubleValue(binarizationBudget_);
    if (dialog.exec() != QDialog::Accepted) return;
    binarizationBudget_ = dialog.doubleValue();
    WindowSettings::setBinarizationBudget(binarizationBudget_);
}

void MenuCommands::showReconstruction() {
    if (!reconstructionWindow_) {
        reconstructionWindow_ = std::make_unique<ReconstructionWindow>(document_);
        reconstructionWindow_->setObjectName(QStringLiteral("reconstructionWindow"));
        connect(&window_, &MainWindow::hologramChanged, reconstructionWindow_.get(),
                &ReconstructionWindow::hologramChanged);
        connect(&window_, &MainWindow::printSettingsChanged, reconstructionWindow_.get(),
                &ReconstructionWindow::printSettingsChanged);
        connect(modulator_.get(), &ModulatorCommands::panelChanged, reconstructionWindow_.get(),
                &ReconstructionWindow::panelChanged);
    }
    reconstructionWindow_->show();
    reconstructionWindow_->raise();
    reconstructionWindow_->activateWindow();
}

void MenuCommands::openObject() {
    QString start = WindowSettings::openObjectFolder();
    if (start.isEmpty()) start = document_.input.folder;
    const QString caption = QStringLiteral("Open Object");
    const QString path = openFileQuestion_
                             ? openFileQuestion_(&window_, caption, start, ImageFilters())
                             : QFileDialog::getOpenFileName(&window_, caption, start, ImageFilters());
    if (path.isEmpty()) return;
    WindowSettings::setOpenObjectFolder(QFileInfo(path).absolutePath());
    std::optional<FittedObject> opened;
    const bool done = ErrorReporter::RunCommand(&window_, [&] {
        history_.record(QStringLiteral("load"), [&] {
            // As the window's own loads: the view paints into an image it
            // does not share, and the document records what it shows however
            // the load ends.
            document_.shownHologram = QImage();
            const auto record = qScopeGuard([this] { document_.shownHologram = view_.image(); });
            opened = OpenObject(document_, path, canvas_, view_);
        });
    });
    if (!done) return;
    emit hologramChanged();
    // A picture never loses part of itself unsaid: a scaled one says so.
    if (opened && opened->scaled()) emit statusBarMessage(FittedObjectText(*opened));
}

void MenuCommands::saveHologramAs() {
    if (!document_.hasHologram()) {
        QMessageBox::information(&window_, QStringLiteral("Save Hologram As"),
                                 QStringLiteral("There is no hologram yet: press Calculate first."));
        return;
    }
    QString folder = WindowSettings::saveHologramFolder();
    if (folder.isEmpty())
        folder = document_.input.folder.isEmpty() ? QDir::homePath() : document_.input.folder;
    QString base = QFileInfo(document_.input.fileName).completeBaseName();
    if (base.isEmpty()) base = QStringLiteral("hologram");
    const QString start = QDir(folder).filePath(QStringLiteral("H-") + base + QStringLiteral(".png"));
    const QString caption = QStringLiteral("Save Hologram As");
    const std::vector<SaveDialogChoice> choices = SaveDialogChoicesFor(*document_.hologram);
    QStringList filterList;
    for (const SaveDialogChoice& choice : choices) filterList.append(choice.filter);
    const QString filters = filterList.join(QStringLiteral(";;"));
    QString chosen = choices.front().filter;
    QString path = saveFileQuestion_
                       ? saveFileQuestion_(&window_, caption, start, filters, &chosen)
                       : QFileDialog::getSaveFileName(&window_, caption, start, filters, &chosen);
    if (path.isEmpty()) return;
    auto choice = std::find_if(choices.begin(), choices.end(),
                               [&](const SaveDialogChoice& offered) { return offered.filter == chosen; });
    if (choice == choices.end()) choice = choices.begin();
    // A name without an extension takes the chosen kind's.
    if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + choice->format->extensions.front();
    WindowSettings::setSaveHologramFolder(QFileInfo(path).absolutePath());
    const bool done =
        ErrorReporter::RunCommand(&window_, [&] { SaveHologramAs(document_, path, choice->depth); });
    if (done) emit statusBarMessage(QStringLiteral("Saved ") + QDir::toNativeSeparators(path));
}

void MenuCommands::showHelp() {
    if (helpWindow_ == nullptr) {
        auto* text = new QTextBrowser(&window_);
        text->setWindowFlag(Qt::Window);
        text->setObjectName(QStringLiteral("helpWindow"));
        text->setWindowTitle(QStringLiteral("Marbleck Help"));
        text->setHtml(QString::fromUtf8(HelpText));
        text->resize(520, 440);
        helpWindow_ = text;
    }
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
}

void MenuCommands::showAbout() {
    QMessageBox::about(&window_, QStringLiteral("About Marbleck"),
                       QStringLiteral("<h3>Marbleck %1</h3>"
                                      "<p>Computer-generated holograms of drawn and loaded objects.</p>"
                                      "<p>Released under the MIT License.</p>"
                                      "<p>Built with Qt %2.</p>")
                           .arg(QStringLiteral(MARBLECK_VERSION), QString::fromLatin1(qVersion())));
}

}  // namespace marbleck
