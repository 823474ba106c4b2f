#include "app/SceneSettings.h"

#include <QSettings>
#include <string>
#include <utility>

#include "engine/kinds/OptionTextMap.h"
#include "engine/kinds/scene/SceneKindOptions.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

const QString SizeKey = QStringLiteral("scene/size");
const QString PitchKey = QStringLiteral("scene/pitch");
const QString WavelengthsKey = QStringLiteral("scene/wavelengths");
const QString MethodKey = QStringLiteral("scene/method");
const QString LayersKey = QStringLiteral("scene/layers");
const QString EncodingKey = QStringLiteral("scene/encoding");
const QString OcclusionKey = QStringLiteral("scene/occlusion");
const QString ReferenceAngleKey = QStringLiteral("scene/referenceAngle");
const QString ObjectPitchKey = QStringLiteral("scene/objectPitch");

// The settings' texts as the command line's options; an empty text is an
// option not given.
void SetGiven(OptionTextMap& values, std::string name, const QString& text) {
    const QString value = text.trimmed();
    if (!value.isEmpty()) values.set(std::move(name), value.toStdString());
}

}  // namespace

SceneSettings SceneSettings::Remembered() {
    const QSettings settings;
    SceneSettings remembered;
    remembered.size = settings.value(SizeKey, remembered.size).toString();
    remembered.pitch = settings.value(PitchKey, remembered.pitch).toString();
    remembered.wavelengths = settings.value(WavelengthsKey, remembered.wavelengths).toString();
    remembered.method = settings.value(MethodKey, remembered.method).toString();
    remembered.layers = settings.value(LayersKey, remembered.layers).toString();
    remembered.encoding = settings.value(EncodingKey, remembered.encoding).toString();
    remembered.occlusion = settings.value(OcclusionKey, remembered.occlusion).toBool();
    remembered.referenceAngle = settings.value(ReferenceAngleKey, remembered.referenceAngle).toString();
    remembered.objectPitch = settings.value(ObjectPitchKey, remembered.objectPitch).toString();
    return remembered;
}

void SceneSettings::remember() const {
    QSettings settings;
    settings.setValue(SizeKey, size);
    settings.setValue(PitchKey, pitch);
    settings.setValue(WavelengthsKey, wavelengths);
    settings.setValue(MethodKey, method);
    settings.setValue(LayersKey, layers);
    settings.setValue(EncodingKey, encoding);
    settings.setValue(OcclusionKey, occlusion);
    settings.setValue(ReferenceAngleKey, referenceAngle);
    settings.setValue(ObjectPitchKey, objectPitch);
}

std::shared_ptr<const ScenePostProcessing> ReadSceneSettings(const SceneSettings& settings) {
    OptionTextMap values;
    SetGiven(values, "size", settings.size);
    SetGiven(values, "pitch", settings.pitch);
    SetGiven(values, "wavelength", settings.wavelengths);
    SetGiven(values, "method", settings.method);
    SetGiven(values, "layers", settings.layers);
    SetGiven(values, "encode", settings.encoding);
    if (settings.occlusion) values.set("occlusion", "");
    SetGiven(values, "reference-angle", settings.referenceAngle);
    try {
        auto steps = std::dynamic_pointer_cast<ScenePostProcessing>(SceneKind().readOptions(values));
        if (!steps) steps = std::make_shared<ScenePostProcessing>();
        // Kept apart from any depth picture, which the window asks for when
        // it opens a scene.
        const QString objectPitch = settings.objectPitch.trimmed();
        if (!objectPitch.isEmpty()) steps->objectPitch = ReadObjectPitch(objectPitch.toStdString());
        return steps;
    } catch (const KindOptionError& error) {
        throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                           std::string("Invalid property value: ") + error.what());
    }
}

}  // namespace marbleck
