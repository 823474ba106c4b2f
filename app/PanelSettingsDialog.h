#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "app/PanelChoice.h"

class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace marbleck {

// "Options" > "SLM Panel…": the modulator's panel size (a preset, the
// hologram's own or typed), how the hologram fills it, the grey level that
// gives 2π or a lookup table file, the tilt and an optional lens. Its
// controls' object names are their member names without the
// trailing underscore.
class PanelSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // Asks for a file to open (parent, caption, start, filters); empty when
    // the user cancelled.
    using OpenFileQuestion = std::function<QString(QWidget* parent, const QString& caption,
                                                   const QString& start, const QString& filters)>;

    PanelSettingsDialog(const PanelChoice& current, OpenFileQuestion askOpenFile, QWidget* parent = nullptr);

    // The panel as the controls set it up.
    PanelChoice choice() const;

    // "OK": refuses a panel the modulator cannot be mapped onto (run-time
    // error 380) and stays open; otherwise closes.
    void accept() override;

private:
    void createControls();
    void showChoice(const PanelChoice& choice);
    void showSizeChoice();
    // "Browse…": reads the table; a file that is no table is reported and
    // the table chosen before stays.
    void browseLookupFile();
    void showLookupFile();

    OpenFileQuestion askOpenFile_;
    // The last lookup table read, from the current choice or "Browse…".
    std::optional<PhaseLookupTable> lookupTable_;
    QString lookupFile_;

    QComboBox* sizeChoice_ = nullptr;
    QSpinBox* widthBox_ = nullptr;
    QSpinBox* heightBox_ = nullptr;
    QComboBox* fillChoice_ = nullptr;
    QRadioButton* linearChoice_ = nullptr;
    QSpinBox* twoPiLevelBox_ = nullptr;
    QRadioButton* lookupChoice_ = nullptr;
    QLabel* lookupFileLabel_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QDoubleSpinBox* tiltXBox_ = nullptr;
    QDoubleSpinBox* tiltYBox_ = nullptr;
    QGroupBox* lensGroup_ = nullptr;
    QDoubleSpinBox* focalBox_ = nullptr;
    QDoubleSpinBox* wavelengthBox_ = nullptr;
    QDoubleSpinBox* pitchBox_ = nullptr;
};

}  // namespace marbleck
