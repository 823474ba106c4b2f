#pragma once

#include <QString>
#include <memory>

#include "engine/kinds/scene/SceneKind.h"

namespace marbleck {

// The physical settings of a 3-D hologram as the window keeps them: the
// texts of "Options" > "3-D Hologram…" as the user typed them, in the units
// of the command line (size "WxH" in pixels, pitch in µm, wavelengths in nm
// separated by commas, empty for the scene's defaults), the method
// ("points", "layers"), the layers (empty: one a distinct depth) and their
// occlusion, the encoding ("complex", "phase", "amplitude", "double-phase"),
// the amplitude encoding's reference angle in degrees ("DEG" or
// "DEGX,DEGY", empty for the default) and the spacing of a depth picture's
// points in µm (empty: the pitch). Remembered in the settings under "scene/".
struct SceneSettings {
    QString size = QStringLiteral("1024x1024");
    QString pitch = QStringLiteral("8");
    QString wavelengths;
    QString method = QStringLiteral("points");
    QString layers;
    bool occlusion = false;
    QString encoding = QStringLiteral("phase");
    QString referenceAngle;
    QString objectPitch;

    // The remembered settings; the defaults where none are.
    static SceneSettings Remembered();
    void remember() const;
    bool operator==(const SceneSettings&) const = default;
};

// The scene kind's post-processing the settings ask for, read by the kind's
// own option reader, so that a value is refused with the command line's
// reason. Throws RunTimeError 380 "Invalid property value: " and that
// reason ("--pitch must be ...").
std::shared_ptr<const ScenePostProcessing> ReadSceneSettings(const SceneSettings& settings);

}  // namespace marbleck
