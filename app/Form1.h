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
class InputChooser;
class PictureArea;
class PrintDialogHost;
class ProgressBar;
class VSpinner;
struct Module1;

// The main window: the object canvas, the hologram view, the parameter boxes
// with their spinners and the command buttons. Controls keep their design
// names; handlers only read and set controls and call the procedures.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(Module1& module, QWidget* parent = nullptr);
    ~Form1() override;

    Module1& module() { return module_; }

    // Controls, in tab order.
    PictureArea* Picture1;
    QPushButton* Open;
    PictureArea* Picture2;
    QLabel* Label1;
    QPushButton* Print;
    QPushButton* Command1;
    QCheckBox* Check1;
    QLabel* Label3;
    QLineEdit* Text3;
    QLabel* Label4;
    ProgressBar* ProgressBar1;
    VSpinner* VScroll1;
    QLineEdit* Text1;
    QPushButton* Command2;
    VSpinner* VScroll2;
    QPushButton* Command3;
    QPushButton* Command4;
    QLabel* Label5;
    QLineEdit* Time;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option4;
    QPushButton* Command5;
    QGroupBox* Frame1;
    QRadioButton* W1;
    QRadioButton* W10;
    QRadioButton* W5;
    QLabel* Label2;
    QLabel* Label6;

    // "Options" > "Fast calculation": the separable engine instead of the
    // exact one. Off at start; the program keeps no settings.
    QAction* FastCalculation;

    // The print dialog and the printer, kept across the dialog's loads.
    PrintDialogHost* PrintDialog;

    // The client area below the menu bar, which holds every control.
    QWidget* clientArea() const { return client_; }

    // The input file chooser, created on first use.
    InputChooser& fileChooser() { return *chooser_; }

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
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Open_Click();
    void Print_Click();
    void VScroll1_Change();
    void VScroll2_Change();
    void Option2_Click();
    void W1_Click();
    void W5_Click();
    void W10_Click();
    void showChooserNotice(const QString& notice);

    Module1& module_;
    QWidget* client_;
    // The canvas's press and move handlers (Picture1_MouseDown/MouseMove).
    std::unique_ptr<DrawingTools> drawingTools_;
    std::unique_ptr<InputChooser> chooser_;
    // The chooser's last notice in the status line; empty when none.
    QString chooserNotice_;
};

}  // namespace marbleck
