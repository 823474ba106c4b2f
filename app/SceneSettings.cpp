#include "app/SceneSettings.h"

#include <QSettings>
#include <string>
#include <utility>

#include "engine/kinds/OptionTextMap.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

const QString SizeKey = QStringLiteral("scene/size");
const QString PitchKey = QStringLiteral("scene/pitch");
const QString WavelengthsKey = QStringLiteral("scene/wavelengths");
const QString MethodKey = QStringLiteral("scene/method");
const QString LayersKey = QStringLiteral("scene/layers");
const QString EncodingKey = QStringLiteral("scene/encoding");

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
}

std::shared_ptr<const ScenePostProcessing> ReadSceneSettings(const SceneSettings& settings) {
    OptionTextMap values;
    SetGiven(values, "size", settings.size);
    SetGiven(values, "pitch", settings.pitch);
    SetGiven(values, "wavelength", settings.wavelengths);
    SetGiven(values, "method", settings.method);
    SetGiven(values, "layers", settings.layers);
    SetGiven(values, "encode", settings.encoding);
    try {
        auto steps = std::dynamic_pointer_cast<const ScenePostProcessing>(SceneKind().readOptions(values));
        if (!steps) return std::make_shared<const ScenePostProcessing>();
        return steps;
    } catch (const KindOptionError& error) {
        throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                           std::string("Invalid property value: ") + error.what());
    }
}

}  // namespace marbleck
