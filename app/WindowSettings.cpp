#include "app/WindowSettings.h"

#include <QSettings>

namespace marbleck {

namespace {

const QString FastCalculationKey = QStringLiteral("options/fastCalculation");
const QString BinarizationKey = QStringLiteral("options/binarization");
const QString OpenObjectFolderKey = QStringLiteral("folders/openObject");
const QString SaveHologramFolderKey = QStringLiteral("folders/saveHologramAs");
const QString PositionKey = QStringLiteral("window/position");
const QString Balanced = QStringLiteral("balanced");
const QString Threshold = QStringLiteral("threshold");

}  // namespace

bool WindowSettings::fastCalculation() { return QSettings().value(FastCalculationKey, false).toBool(); }

void WindowSettings::setFastCalculation(bool on) { QSettings().setValue(FastCalculationKey, on); }

bool WindowSettings::balancedBinarization() {
    return QSettings().value(BinarizationKey).toString() == Balanced;
}

void WindowSettings::setBalancedBinarization(bool on) {
    QSettings().setValue(BinarizationKey, on ? Balanced : Threshold);
}

QString WindowSettings::openObjectFolder() { return QSettings().value(OpenObjectFolderKey).toString(); }

void WindowSettings::setOpenObjectFolder(const QString& folder) {
    QSettings().setValue(OpenObjectFolderKey, folder);
}

QString WindowSettings::saveHologramFolder() { return QSettings().value(SaveHologramFolderKey).toString(); }

void WindowSettings::setSaveHologramFolder(const QString& folder) {
    QSettings().setValue(SaveHologramFolderKey, folder);
}

std::optional<QPoint> WindowSettings::windowPosition() {
    const QVariant position = QSettings().value(PositionKey);
    if (!position.isValid()) return std::nullopt;
    return position.toPoint();
}

void WindowSettings::setWindowPosition(QPoint position) { QSettings().setValue(PositionKey, position); }

}  // namespace marbleck
