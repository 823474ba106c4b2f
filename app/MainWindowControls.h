#pragma once

#include <QList>
#include <QSize>

#include "app/EnabledRules.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QRadioButton;
class QWidget;

namespace marbleck {

class GrowingScrollArea;
class PictureArea;
class ProgressBar;
class VSpinner;

// The main window's controls at their places in the client area, as a form
// designer would lay them out: each has its member name as object name.
// The window owns them through the client area and keeps their handlers.
struct MainWindowControls {
    // The client area at start, in pixels: the window opens at this size and
    // may grow from it, never shrink below it.
    static QSize StartClientSize();

    // Creates the controls on `client` with their captions, fonts and tab
    // order; `owner` keeps the option buttons' groups.
    void create(QWidget* client, QObject* owner);
    // The bottom row keeps its distance from the client area's bottom edge
    // and the hologram's room fills what lies between.
    void arrangeFor(QSize clientSize);
    // What each control needs to be enabled: every control that would change
    // the object, the hologram or the parameters waits while a job shows the
    // window busy ("Binarize" also needs a hologram it can binarize); "Quit"
    // and the time box are always there; the hologram view is not ruled.
    QList<EnabledRule> enabledRules() const;

    // In tab order.
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

    // The hologram view's place, which grows with the view into the room
    // beside it; a larger view scrolls inside it.
    GrowingScrollArea* hologramPlace = nullptr;

private:
    void createControls(QWidget* client, QObject* owner);
    void placeHologramView(QWidget* client);
    void fitCaptions(QWidget* client);
    void setTabOrder();
};

}  // namespace marbleck
