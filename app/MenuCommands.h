#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "app/EnabledRules.h"
#include "engine/binarization/Binarization.h"

class QAction;
class QMenu;
class QWidget;

namespace marbleck {

class CanvasHistory;
class MainWindow;
class ModulatorCommands;
class PictureArea;
class ReconstructionWindow;
class SceneCommands;
struct Document;

// The main window's menu bar and the commands that only it offers: "Open
// Object…", "Save Hologram As…", "View" > "Reconstruction", the Options'
// choices (remembered between runs), the help and "About". The commands that
// mirror the window's buttons ("Save Hologram", "Print…", "Quit") are
// actions here and handled by the window.
class MenuCommands : public QObject {
    Q_OBJECT

public:
    // The file dialogs of "Open Object…" and "Save Hologram As…": they ask for
    // a path, starting at `start` (a folder, or a path to suggest), offering
    // `filters` (";;" between them); the save dialog also gives the filter
    // chosen. An empty answer means the user cancelled. The platform's own
    // dialogs unless replaced.
    using OpenFileQuestion = std::function<QString(QWidget* parent, const QString& caption,
                                                   const QString& start, const QString& filters)>;
    using SaveFileQuestion =
        std::function<QString(QWidget* parent, const QString& caption, const QString& start,
                              const QString& filters, QString* chosenFilter)>;

    MenuCommands(MainWindow& window, Document& document, PictureArea& canvas, PictureArea& view,
                 CanvasHistory& history);
    ~MenuCommands() override;

    // Fills the window's menu bar: File, Edit, View, Options, Help.
    void createMenus();
    // The Options' choices of the last run; a first start keeps the start-up
    // state. Each choice is written as soon as it changes.
    void restoreOptions();

    // The engine "Calculate" runs, by its name in the engine table: the
    // choice of "Options" > "Engine" ("Exact" at the first start).
    std::string engineName() const;
    // The method "Binarize" applies, by its name in the binarization table:
    // the choice of "Options" > "Binarization" ("Threshold": the threshold
    // box; "Balanced": the hologram's median).
    std::string binarizationMethod() const;
    // The seconds an optimised binarization may run: "Options" >
    // "Binarization" > "Time Budget…".
    double binarizationBudget() const { return binarizationBudget_; }

    // What each menu item needs to be enabled: "Open Object…", "Save
    // Hologram", "Print…" and the Options' choices ("Time Budget…" among
    // them, each engine's) wait while a job runs; "Save Hologram As…" also needs a hologram;
    // the "Binarization" submenu goes while a phase hologram is shown, and
    // "Show on Screen…" needs one; "Reconstruction" shows the hologram
    // as it is, also while the next one is calculated, and "SLM Panel…",
    // "Quit" and "Help"'s items are always there.
    QList<EnabledRule> enabledRules() const;
    // "File" > "Save Hologram As…", enabled once there is a hologram.
    QAction* saveHologramAsAction() const { return saveHologramAs_; }
    // "View" > "Reconstruction".
    QAction* reconstructionAction() const { return reconstruction_; }
    QAction* saveHologramAction() const { return saveHologram_; }
    QAction* printAction() const { return print_; }
    QAction* quitAction() const { return quit_; }
    // "Options" > "Engine": one choice per engine of the table.
    const QList<QAction*>& engineChoices() const { return engineChoices_; }
    // "Options" > "SLM Panel…" and "View" > "Show on Screen…".
    ModulatorCommands& modulator() const { return *modulator_; }
    // "File" > "Open 3-D Scene…" and "Options" > "3-D Hologram…".
    SceneCommands& scene() const { return *scene_; }
    // The Options menu, which the phase hologram's items join, and its
    // "Binarization" submenu's item.
    QMenu* optionsMenu() const { return optionsMenu_; }
    QAction* binarizationMenuAction() const { return binarizationMenu_; }

    void setOpenFileQuestion(OpenFileQuestion question) { openFileQuestion_ = std::move(question); }
    void setSaveFileQuestion(SaveFileQuestion question) { saveFileQuestion_ = std::move(question); }

signals:
    // "Open Object…" loaded an object.
    void hologramChanged();
    // Another engine was chosen, by the user or from the settings.
    void engineChanged();
    // A line for the status bar.
    void statusBarMessage(const QString& text);

private:
    void createFileMenu();
    void createEditMenu();
    void createViewMenu();
    void createOptionsMenu();
    void createEngineMenu(QMenu& options);
    void createHelpMenu();

    void openObject();
    void saveHologramAs();
    void showReconstruction();
    void askTimeBudget();
    void showHelp();
    void showAbout();

    MainWindow& window_;
    Document& document_;
    PictureArea& canvas_;
    PictureArea& view_;
    CanvasHistory& history_;

    QAction* openObject_ = nullptr;
    QAction* saveHologram_ = nullptr;
    QAction* saveHologramAs_ = nullptr;
    QAction* print_ = nullptr;
    QAction* quit_ = nullptr;
    QAction* reconstruction_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QAction* binarizationMenu_ = nullptr;
    // "Help"'s items.
    QList<QAction*> helpItems_;
    // "Options" > "Engine": one choice per engine of the table this machine
    // can run, its name as the action's data; "Exact" at the first start.
    QList<QAction*> engineChoices_;
    // "Options" > "Binarization": one choice per method of the binarization
    // table, its name as the action's data; "Threshold" at the first start.
    QList<QAction*> binarizationChoices_;
    // "Options" > "Binarization" > "Time Budget…" and the budget it keeps.
    QAction* timeBudget_ = nullptr;
    double binarizationBudget_ = DefaultBinarizationBudget;

    OpenFileQuestion openFileQuestion_;
    SaveFileQuestion saveFileQuestion_;
    // The help window, made on first use.
    QWidget* helpWindow_ = nullptr;
    // The reconstruction window, made on first use.
    std::unique_ptr<ReconstructionWindow> reconstructionWindow_;
    std::unique_ptr<ModulatorCommands> modulator_;
    SceneCommands* scene_ = nullptr;
};

}  // namespace marbleck
