#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "app/HologramProcedures.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QShortcut;
class QTimer;

namespace marbleck {

class BackgroundCalculation;
class CanvasHistory;
class DrawingTools;
class GrowingScrollArea;
class InputHold;
class InputFileChooserHost;
class PictureArea;
class PrintDialogHost;
class ProgressBar;
class ReconstructionWindow;
class VSpinner;
struct Document;

// The main window: the object canvas, the hologram view, the parameter boxes
// with their spinners and the command buttons. Its controls are private, each
// with its member name as object name; the handlers read the controls into
// typed requests, call the procedures with those, the document and the
// picture areas, and record in the document what the hologram view shows.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Document& document, QWidget* parent = nullptr);
    ~MainWindow() override;

    Document& document() { return document_; }

    // What "Calculate" is asked to do: the reps box's text, the random phase
    // box, and the engine "Options" > "Fast calculation" picks.
    CalculationRequest calculationRequest() const;
    // The threshold box's text, for "Binarize".
    QString thresholdText() const;
    // Shows a calculation's duration in the time box.
    void showElapsedSeconds(float seconds);
    // Shows a line in the status label.
    void showStatus(const QString& text);

    // The print dialog and the printer, kept across the dialog's loads.
    PrintDialogHost& printDialogHost() { return *printDialogHost_; }

    // The client area below the menu bar, which holds every control.
    QWidget* clientArea() const { return client_; }

    // The input file chooser, created on first use.
    InputFileChooserHost& fileChooser() { return *chooser_; }

    // Whether a calculation started by "Calculate" is still running.
    bool isCalculating() const;

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
    void setOpenFileQuestion(OpenFileQuestion question) { openFileQuestion_ = std::move(question); }
    void setSaveFileQuestion(SaveFileQuestion question) { saveFileQuestion_ = std::move(question); }

signals:
    // The document's hologram changed: "Calculate" or "Binarize" succeeded,
    // or an object was loaded.
    void hologramChanged();
    // A calculation started by "Calculate" has ended, however it ended, and
    // the window is back to normal.
    void calculationEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void fitCaptions();
    void createMenu();
    void createEditMenu();
    void placeHologramView();
    void arrangeForClientSize();
    void setTabOrder();
    void connectHandlers();
    void load();

    // Handlers.
    void calculate();
    void binarize();
    void saveHologram();
    void quit();
    void clearCanvas();
    void openInputChooser();
    void print();
    void showRepsFromSpinner();
    void showThresholdFromSpinner();
    void lineToolSelected();
    void penWidth1Selected();
    void penWidth2Selected();
    void penWidth5Selected();
    void showChooserNotice(const QString& notice);
    void loadObject();

    // "Calculate" runs the sums on a worker while the window goes on; the
    // commands that could change the object, the hologram or the parameters
    // wait, disabled, until it ends.
    void createStatusBar();
    void startCalculation(PreparedCalculation job);
    void showCalculationProgress();
    void cancelCalculation();
    void endCalculation();
    // Where every calculation that succeeded ends: the result is shown and
    // becomes the document's hologram.
    void showCalculatedHologram();
    // Puts the window back as it was before the calculation started.
    void leaveCalculation();
    void showBusy();
    QList<QWidget*> waitingControls() const;
    void setControlsEnabled(bool enabled);
    void setActionsEnabled(bool enabled);
    void showInStatusBar(const QString& text);

    template <class Command>
    void changeShownHologram(Command&& command);
    void createViewMenu();
    void showReconstruction();

    // The File and Help menus, and the settings kept between runs.
    void createFileMenu();
    void createHelpMenu();
    void openObject();
    void saveHologramAs();
    void showHelp();
    void showAbout();
    void restoreSettings();

    // Controls, in tab order.
    PictureArea* objectCanvas_;
    QPushButton* loadButton_;
    PictureArea* hologramView_;
    QLabel* repsLabel_;
    QPushButton* printButton_;
    QPushButton* calculateButton_;
    QCheckBox* randomPhaseCheck_;
    QLabel* randomPhaseLabel_;
    QLineEdit* thresholdEdit_;
    QLabel* thresholdLabel_;
    ProgressBar* progressBar_;
    VSpinner* repsSpinner_;
    QLineEdit* repsEdit_;
    QPushButton* binarizeButton_;
    VSpinner* thresholdSpinner_;
    QPushButton* saveButton_;
    QPushButton* quitButton_;
    QLabel* statusLabel_;
    QLineEdit* timeEdit_;
    QRadioButton* freehandTool_;
    QRadioButton* lineTool_;
    QRadioButton* circleTool_;
    QPushButton* clearButton_;
    QGroupBox* penWidthFrame_;
    QRadioButton* penWidth1_;
    QRadioButton* penWidth5_;
    QRadioButton* penWidth2_;
    QLabel* pressYLabel_;
    QLabel* pressXLabel_;

    // "Options" > "Fast calculation": the separable engine instead of the
    // exact one. Off at the first start; remembered from then on.
    QAction* fastCalculationAction_;

    // "Options" > "Binarization": "Threshold" (the threshold box, at start)
    // or "Balanced" (the hologram's median).
    QAction* thresholdBinarizationAction_;
    QAction* balancedBinarizationAction_;
    // "File" > "Save Hologram As…", enabled once there is a hologram.
    QAction* saveHologramAsAction_;
    // "File" > "Open Object…", "Save Hologram" and "Print…", which wait
    // while a calculation runs as their buttons do.
    QList<QAction*> fileCommands_;
    // The help window, made on first use.
    QWidget* helpWindow_ = nullptr;
    OpenFileQuestion openFileQuestion_;
    SaveFileQuestion saveFileQuestion_;
    // "View" > "Reconstruction".
    QAction* reconstructionAction_;

    PrintDialogHost* printDialogHost_;

    // The status bar below the client area: what happened last, and while a
    // calculation runs a button that cancels it.
    QLabel* statusBarMessage_;
    QPushButton* cancelCalculationButton_;
    QShortcut* cancelShortcut_;  // Esc, while a calculation runs

    BackgroundCalculation* calculation_;
    QTimer* progressPoll_;
    // Shows the window busy once a calculation has run this long.
    QTimer* busyShowDelay_;
    bool busyShown_ = false;
    // Holds back input to the waiting controls while a calculation runs.
    InputHold* waitingInput_;
    float calculationStart_ = 0;  // the clock when "Calculate" was clicked
    QPointer<QWidget> focusBeforeCalculation_;

    Document& document_;
    QWidget* client_;
    // Undo and redo of every change to the canvas.
    CanvasHistory* canvasHistory_;
    // The hologram view's place, which grows with the view into the room
    // beside it; a larger view scrolls inside it.
    GrowingScrollArea* hologramPlace_ = nullptr;
    // The canvas's press and move handlers.
    std::unique_ptr<DrawingTools> drawingTools_;
    std::unique_ptr<InputFileChooserHost> chooser_;
    // The reconstruction window, made on first use.
    std::unique_ptr<ReconstructionWindow> reconstruction_;
    // The chooser's last notice in the status line; empty when none.
    QString chooserNotice_;
};

}  // namespace marbleck
