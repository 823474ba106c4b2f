#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

#include "app/EnabledRules.h"
#include "app/HologramProcedures.h"
#include "app/JobController.h"
#include "app/MainWindowControls.h"
#include "app/MenuCommands.h"

class QLabel;
class QPushButton;

namespace marbleck {

class CanvasHistory;
class InputFileChooserHost;
class PhaseOptions;
class PrintDialogHost;
struct Document;

// The main window: the object canvas, the hologram view, the parameter boxes
// with their spinners and the command buttons. Its controls are private, each
// with its member name as object name; the handlers read the controls into
// typed requests, call the procedures with those, the document and the
// picture areas, and record in the document what the hologram view shows.
// The menu bar's commands are MenuCommands'; "Calculate"'s worker, progress
// and cancelling are the JobController's.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Document& document, QWidget* parent = nullptr);
    ~MainWindow() override;

    Document& document() { return document_; }

    // What "Calculate" is asked to do: the reps box's text, the random phase
    // box, and the engine chosen in "Options" > "Engine".
    CalculateSettings calculateSettings() const;
    // The threshold box's text, for "Binarize".
    QString thresholdText() const;
    // Shows a calculation's duration in the time box.
    void showElapsedSeconds(float seconds);
    // Shows a line in the status label among the controls (what "Save Holo"
    // and the input file chooser report).
    void showInStatusLabel(const QString& text);
    // Shows a line in the status bar below the client area (what happened
    // last).
    void showInStatusBar(const QString& text);

    // The print dialog and the printer, kept across the dialog's loads.
    PrintDialogHost& printDialogHost() { return *printDialogHost_; }

    // The client area below the menu bar, which holds every control.
    QWidget* clientArea() const { return client_; }

    // The input file chooser, created on first use.
    InputFileChooserHost& fileChooser() { return *chooser_; }

    // Whether a calculation started by "Calculate", or an optimised
    // binarization started by "Binarize", is still running.
    bool isCalculating() const;

    // What each control and menu item needs to be enabled, one rule each;
    // the window applies them whenever what runs or what exists changes.
    const QList<EnabledRule>& enabledRules() const { return enabledRules_; }
    // What runs and what exists now, as the rules read it.
    WindowState state() const;

    using OpenFileQuestion = MenuCommands::OpenFileQuestion;
    using SaveFileQuestion = MenuCommands::SaveFileQuestion;
    void setOpenFileQuestion(OpenFileQuestion question) { menus_->setOpenFileQuestion(std::move(question)); }
    void setSaveFileQuestion(SaveFileQuestion question) { menus_->setSaveFileQuestion(std::move(question)); }

signals:
    // The document's hologram changed: "Calculate", "Binarize" or "Refine"
    // succeeded, or an object was loaded.
    void hologramChanged();
    // A calculation started by "Calculate" (or an optimised "Binarize") has
    // ended, however it ended, and the window is back to normal.
    void calculationEnded();
    // The document's print settings changed.
    void printSettingsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createStatusBar();
    void connectHandlers();
    void load();
    // Every enabled state, derived from what is running and what exists
    // through the rules the controls, the menus and the phase options
    // declare; undo waits while a job runs.
    void updateActions();
    QList<QWidget*> waitingControls() const;
    // Copies the print dialog's settings into the document.
    void takePrintSettings();

    // Handlers.
    void calculate();
    void binarize();
    void saveHologram();
    void quit();
    void openInputChooser();
    void print();
    void showRepsFromSpinner();
    void showThresholdFromSpinner();
    void showChooserNotice(const QString& notice);
    void loadObject();
    // "Options" > "Refine": refines the phase hologram on the worker.
    void refine();
    // Where every job that succeeded ends.
    void showMadeHologram(JobController::Job job, std::shared_ptr<const Hologram> hologram);

    template <class Command>
    void changeShownHologram(Command&& command);

    Document& document_;
    QWidget* client_;
    MainWindowControls controls_;
    // The status bar below the client area: what happened last, and while a
    // calculation is shown busy a button that cancels it.
    QLabel* statusBarMessage_;
    QPushButton* cancelCalculationButton_;
    QList<EnabledRule> enabledRules_;

    PrintDialogHost* printDialogHost_;
    // Undo and redo of every change to the canvas.
    CanvasHistory* canvasHistory_;
    JobController* jobs_;
    std::unique_ptr<MenuCommands> menus_;
    // The Options menu's hologram kind, refinement and "Refine".
    PhaseOptions* phaseOptions_;
    std::unique_ptr<InputFileChooserHost> chooser_;
    // The chooser's last notice in the status line; empty when none.
    QString chooserNotice_;
};

}  // namespace marbleck
