#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace marbleck {

class PictureArea;
class Printer;
class VSpinner;

// The print dialog: a map of the page on which the user picks one of twelve
// places for the hologram, the print quality and a scale factor. The print
// position and quality live in the printer object, which outlives the dialog.
// A top-level window without owner; hiding keeps it loaded, closing it through
// its frame unloads it (it deletes itself). Its controls are private; each has
// its member name as object name.
class PrintDialog : public QWidget {
    Q_OBJECT

public:
    // Creating the dialog loads it: the load sequence runs here.
    explicit PrintDialog(Printer& printer);

    Printer& printer() { return printer_; }

    // The hologram to print: its copy (shown scaled down where it is larger
    // than the room it has) takes the view's outer width, then the
    // picture, then the view's outer height, in that order.
    void showHologram(float outerWidth, const QImage& picture, float outerHeight);

    // The place picked on the page map, as a cell's top-left corner in map
    // units (hundredths of an inch), with its clamps applied.
    static double CellCorner(float position, double last);

    // Hologram pixels per inch for a printer's twips per dot and the scale
    // box's number: floor(1440 ÷ t ÷ s + 0.1). Division by zero and results
    // past a whole number's range are run-time errors.
    static long long Resolution(float twipsPerDot, double scale);

    // What the physical read-out is figured from: the printer's dots per
    // inch, the scale (printer dots a hologram pixel) and the laser and
    // screen the user entered. Wavelength and distance are remembered in the
    // settings; 633 nm and 1 m until the user enters others.
    struct PrintOptics {
        double dpi = 300;
        double scale = 1;
        double wavelengthNm = 633;
        double distanceM = 1;
    };
    PrintOptics optics() const;
    // The wavelength and distance last entered (read with the boxes' number
    // rules), or their defaults.
    static double RememberedWavelengthNm();
    static double RememberedDistanceM();

signals:
    // The print quality, the scale, the wavelength or the distance changed.
    void opticsChanged();

private:
    void createControls();
    void setTabOrder();
    void connectHandlers();
    void load();

    // Handlers.
    void print();
    void cancel();
    void qualityChanged();
    void scaleChanged();
    void pickPlace(float x, float y);

    void showResolution();
    void showPhysicalFigures();
    void wavelengthEdited();
    void distanceEdited();

    // Controls, in tab order.
    QPushButton* printButton_;
    QPushButton* cancelButton_;
    PictureArea* hologramCopy_;
    PictureArea* pageMap_;
    QLabel* locationLabel_;
    QLabel* resolutionLabel_;
    VSpinner* qualitySpinner_;
    QLineEdit* resolutionEdit_;
    QLineEdit* scaleEdit_;
    VSpinner* scaleSpinner_;
    QLabel* scaleLabel_;
    // The physical read-out beside the scale.
    QLabel* pitchLabel_;
    QLabel* sizeLabel_;
    QLabel* wavelengthLabel_;
    QLineEdit* wavelengthEdit_;
    QLabel* distanceLabel_;
    QLineEdit* distanceEdit_;
    QLabel* angleLabel_;
    QLabel* screenLabel_;

    Printer& printer_;
};

}  // namespace marbleck
