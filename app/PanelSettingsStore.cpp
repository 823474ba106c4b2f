#include "app/PanelSettingsStore.h"

#include <QDir>
#include <QSettings>
#include <cmath>
#include <stdexcept>

#include "app/LookupTableFile.h"
#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

const QString WidthKey = QStringLiteral("panel/width");
const QString HeightKey = QStringLiteral("panel/height");
const QString FillKey = QStringLiteral("panel/fill");
const QString TwoPiLevelKey = QStringLiteral("panel/twoPiLevel");
const QString LookupFileKey = QStringLiteral("panel/lookupFile");
const QString TiltXKey = QStringLiteral("panel/tiltX");
const QString TiltYKey = QStringLiteral("panel/tiltY");
const QString LensKey = QStringLiteral("panel/lens");
const QString FocalKey = QStringLiteral("panel/focalMetres");
const QString WavelengthKey = QStringLiteral("panel/wavelengthNm");
const QString PitchKey = QStringLiteral("panel/pitchMicrometres");

int IntegerOr(const QSettings& settings, const QString& key, int fallback) {
    bool isNumber = false;
    const int value = settings.value(key).toInt(&isNumber);
    return isNumber ? value : fallback;
}

double NumberOr(const QSettings& settings, const QString& key, double fallback) {
    bool isNumber = false;
    const double value = settings.value(key).toDouble(&isNumber);
    return isNumber && std::isfinite(value) ? value : fallback;
}

}  // namespace

PanelSettingsStore::Restored PanelSettingsStore::read() {
    const QSettings settings;
    Restored restored;
    PanelChoice& choice = restored.choice;
    PanelSettings& panel = choice.settings;

    const int width = IntegerOr(settings, WidthKey, 0);
    const int height = IntegerOr(settings, HeightKey, 0);
    const bool sized = width >= 1 && height >= 1 && width <= MaxPanelSide && height <= MaxPanelSide &&
                       static_cast<long long>(width) * height <= MaxHologramValues;
    panel.width = sized ? width : 0;
    panel.height = sized ? height : 0;
    panel.fill =
        settings.value(FillKey).toString() == QStringLiteral("pad") ? PanelFill::Pad : PanelFill::Tile;
    const double tiltX = NumberOr(settings, TiltXKey, 0);
    const double tiltY = NumberOr(settings, TiltYKey, 0);
    panel.tiltX = std::abs(tiltX) <= MaxTilt ? tiltX : 0;
    panel.tiltY = std::abs(tiltY) <= MaxTilt ? tiltY : 0;

    if (settings.value(LensKey, false).toBool()) {
        const LensTerm lens{NumberOr(settings, FocalKey, 0),
                            NumberOr(settings, WavelengthKey, DefaultLensWavelengthNm),
                            NumberOr(settings, PitchKey, 0)};
        // A lens the engine would refuse on the smallest panel, whose phase
        // is beyond any number, is as out of range as a focal length of 0.
        PanelSettings lensAlone;
        lensAlone.lens = lens;
        try {
            CheckPanelSettings(lensAlone, 2, 2);
            panel.lens = lens;
        } catch (const std::invalid_argument&) {
        }
    }

    const int level = IntegerOr(settings, TwoPiLevelKey, 255);
    choice.twoPiLevel = level >= 1 && level <= 255 ? level : 255;
    panel.lookup = LinearLookupTable(choice.twoPiLevel);
    const QString lookupFile = settings.value(LookupFileKey).toString();
    if (!lookupFile.isEmpty()) {
        try {
            panel.lookup = LookupTableFile::read(lookupFile);
            choice.lookupFile = lookupFile;
        } catch (const RunTimeError& error) {
            restored.notice =
                QStringLiteral(
                    "The lookup table %1 could not be read (%2): the grey level %3 "
                    "gives 2π instead")
                    .arg(QDir::toNativeSeparators(lookupFile), QString::fromStdString(error.description()))
                    .arg(choice.twoPiLevel);
        }
    }
    return restored;
}

void PanelSettingsStore::write(const PanelChoice& choice) {
    QSettings settings;
    const PanelSettings& panel = choice.settings;
    settings.setValue(WidthKey, panel.width);
    settings.setValue(HeightKey, panel.height);
    settings.setValue(FillKey, panel.fill == PanelFill::Pad ? QStringLiteral("pad") : QStringLiteral("tile"));
    settings.setValue(TwoPiLevelKey, choice.twoPiLevel);
    settings.setValue(LookupFileKey, choice.lookupFile);
    settings.setValue(TiltXKey, panel.tiltX);
    settings.setValue(TiltYKey, panel.tiltY);
    settings.setValue(LensKey, panel.lens.has_value());
    if (panel.lens) {
        settings.setValue(FocalKey, panel.lens->focalMetres);
        settings.setValue(WavelengthKey, panel.lens->wavelengthNm);
        settings.setValue(PitchKey, panel.lens->pitchMicrometres);
    }
}

}  // namespace marbleck
