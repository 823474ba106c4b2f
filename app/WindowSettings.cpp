#include "app/WindowSettings.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSettings>
#include <algorithm>
#include <cmath>

#include "engine/binarization/Binarization.h"

namespace marbleck {

namespace {

const QString EngineKey = QStringLiteral("options/engine");
const QString FastCalculationKey = QStringLiteral("options/fastCalculation");
const QString BinarizationKey = QStringLiteral("options/binarization");
const QString BinarizationBudgetKey = QStringLiteral("options/binarizationBudget");
const QString OpenObjectFolderKey = QStringLiteral("folders/openObject");
const QString SaveHologramFolderKey = QStringLiteral("folders/saveHologramAs");
const QString PositionKey = QStringLiteral("window/position");

// The band along the top of a window's frame where its title bar lies, and
// how much of it a screen must show for the window to be dragged from there.
constexpr qint64 TitleBarPixels = 24;
constexpr qint64 GripWidthPixels = 100;
constexpr qint64 GripHeightPixels = 12;

// Whether one screen's free area shows enough of the title bar of a window of
// `width` whose frame starts at `topLeft`. In 64 bits: a saved place may be
// anywhere an int reaches.
bool TitleBarShown(QPoint topLeft, int width) {
    const qint64 left = topLeft.x(), top = topLeft.y();
    const qint64 right = left + std::max(width, 1), bottom = top + TitleBarPixels;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect free = screen->availableGeometry();
        const qint64 shownWidth =
            std::min<qint64>(right, free.x() + qint64{free.width()}) - std::max<qint64>(left, free.x());
        const qint64 shownHeight =
            std::min<qint64>(bottom, free.y() + qint64{free.height()}) - std::max<qint64>(top, free.y());
        if (shownWidth >= std::min<qint64>(GripWidthPixels, right - left) && shownHeight >= GripHeightPixels)
            return true;
    }
    return false;
}

}  // namespace

std::string WindowSettings::engine() {
    const QSettings settings;
    if (settings.contains(EngineKey)) return settings.value(EngineKey).toString().toStdString();
    return settings.value(FastCalculationKey, false).toBool() ? "fast" : "exact";
}

void WindowSettings::setEngine(const std::string& name) {
    QSettings settings;
    settings.setValue(EngineKey, QString::fromStdString(name));
    settings.remove(FastCalculationKey);
}

std::string WindowSettings::binarizationMethod() {
    return QSettings().value(BinarizationKey, QStringLiteral("threshold")).toString().toStdString();
}

void WindowSettings::setBinarizationMethod(const std::string& name) {
    QSettings().setValue(BinarizationKey, QString::fromStdString(name));
}

double WindowSettings::binarizationBudget() {
    bool isNumber = false;
    const double seconds = QSettings().value(BinarizationBudgetKey).toDouble(&isNumber);
    if (!isNumber || !std::isfinite(seconds)) return DefaultBinarizationBudget;
    return std::clamp(seconds, FewestBudgetSeconds, MostBudgetSeconds);
}

void WindowSettings::setBinarizationBudget(double seconds) {
    QSettings().setValue(BinarizationBudgetKey, seconds);
}

QString WindowSettings::openObjectFolder() { return QSettings().value(OpenObjectFolderKey).toString(); }

void WindowSettings::setOpenObjectFolder(const QString& folder) {
    QSettings().setValue(OpenObjectFolderKey, folder);
}

QString WindowSettings::saveHologramFolder() { return QSettings().value(SaveHologramFolderKey).toString(); }

void WindowSettings::setSaveHologramFolder(const QString& folder) {
    QSettings().setValue(SaveHologramFolderKey, folder);
}

std::optional<QPoint> WindowSettings::windowPosition(QSize size) {
    const QVariant saved = QSettings().value(PositionKey);
    if (!saved.canConvert<QPoint>()) return std::nullopt;
    const QPoint position = saved.toPoint();
    if (!TitleBarShown(position, size.width())) return std::nullopt;
    return position;
}

void WindowSettings::setWindowPosition(QPoint position) { QSettings().setValue(PositionKey, position); }

}  // namespace marbleck
