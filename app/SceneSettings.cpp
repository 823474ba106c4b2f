#include "app/SceneSettings.h"

#include <QSettings>
#include <map>
#include <string>

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
class SettingsValues : public KindOptionValues {
public:
    void set(std::string name, const QString& text) {
        const QString value = text.trimmed();
        if (!value.isEmpty()) values_[std::move(name)] = value.toStdString();
    }
    bool isSet(std::string_view name) const override { return values_.count(std::string(name)) != 0; }
    std::string value(std::string_view name) const override {
        const auto found = values_.find(std::string(name));
        return found != values_.end() ? found->second : std::string();
    }

private:
    std::map<std::string, std::string> values_;
};

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
    SettingsValues values;
    values.set("size", settings.size);
    values.set("pitch", settings.pitch);
    values.set("wavelength", settings.wavelengths);
    values.set("method", settings.method);
    values.set("layers", settings.layers);
    values.set("encode", settings.encoding);
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
