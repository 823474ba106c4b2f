#pragma once

#include <QDialog>

#include "app/SceneSettings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace marbleck {

// "Options" > "3-D Hologram…": the physical settings of a 3-D hologram, its
// size in pixels, pitch (µm), wavelengths (nm, separated by commas), method,
// layers and occlusion, encoding, the amplitude encoding's reference angle
// and the spacing of a depth picture's points (µm, taken when one opens).
// "OK" takes them only when the scene kind takes them
// (ReadSceneSettings); otherwise the error is shown and the dialog stays
// open with what was typed. Its controls are named after their members.
class SceneSettingsDialog : public QDialog {
    Q_OBJECT

public:
    SceneSettingsDialog(const SceneSettings& settings, QWidget* parent);

    // The settings as the controls show them now.
    SceneSettings settings() const;

    void accept() override;

private:
    QLineEdit* sizeEdit_;
    QLineEdit* pitchEdit_;
    QLineEdit* wavelengthsEdit_;
    QComboBox* methodCombo_;
    QLineEdit* layersEdit_;
    QComboBox* encodingCombo_;
    QCheckBox* occlusionCheck_;
    QLineEdit* referenceAngleEdit_;
    QLineEdit* objectPitchEdit_;
};

}  // namespace marbleck
