#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace marbleck {

class DrawingTools;
class InputFileChooserHost;
class PictureArea;
class PrintDialogHost;
class ProgressBar;
class VSpinner;
struct Document;

// The main window: the object canvas, the hologram view, the parameter boxes
// with their spinners and the command buttons. Controls keep their design
// names; handlers only read and set controls and call the procedures.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Document& module, QWidget* parent = nullptr);
    ~MainWindow() override;

    Document& module() { return module_; }

    // Controls, in tab order.
    PictureArea* objectCanvas;
    QPushButton* loadButton;
    PictureArea* hologramView;
    QLabel* repsLabel;
    QPushButton* printButton;
    QPushButton* calculateButton;
    QCheckBox* randomPhaseCheck;
    QLabel* randomPhaseLabel;
    QLineEdit* thresholdEdit;
    QLabel* thresholdLabel;
    ProgressBar* progressBar;
    VSpinner* repsSpinner;
    QLineEdit* repsEdit;
    QPushButton* binarizeButton;
    VSpinner* thresholdSpinner;
    QPushButton* saveButton;
    QPushButton* quitButton;
    QLabel* statusLabel;
    QLineEdit* timeEdit;
    QRadioButton* freehandTool;
    QRadioButton* lineTool;
    QRadioButton* circleTool;
    QPushButton* clearButton;
    QGroupBox* penWidthFrame;
    QRadioButton* penWidth1;
    QRadioButton* penWidth5;
    QRadioButton* penWidth2;
    QLabel* pressYLabel;
    QLabel* pressXLabel;

    // "Options" > "Fast calculation": the separable engine instead of the
    // exact one. Off at start; the program keeps no settings.
    QAction* fastCalculationAction;

    // The print dialog and the printer, kept across the dialog's loads.
    PrintDialogHost* printDialogHost;

    // The client area below the menu bar, which holds every control.
    QWidget* clientArea() const { return client_; }

    // The input file chooser, created on first use.
    InputFileChooserHost& fileChooser() { return *chooser_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void fitCaptions();
    void createMenu();
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

    Document& module_;
    QWidget* client_;
    // The canvas's press and move handlers.
    std::unique_ptr<DrawingTools> drawingTools_;
    std::unique_ptr<InputFileChooserHost> chooser_;
    // The chooser's last notice in the status line; empty when none.
    QString chooserNotice_;
};

}  // namespace marbleck
