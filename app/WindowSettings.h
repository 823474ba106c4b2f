#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

namespace marbleck {

// What the main window remembers from one run to the next, in the
// application's settings: the "Options" choices, the folders the file dialogs
// last stood in and where the window was. A value never written reads as the
// window's start-up state.
class WindowSettings {
public:
    static bool fastCalculation();
    static void setFastCalculation(bool on);

    // "Options" > "Binarization": true for "Balanced", false for "Threshold".
    static bool balancedBinarization();
    static void setBalancedBinarization(bool on);

    // The folders "Open Object…" and "Save Hologram As…" last used; empty when none.
    static QString openObjectFolder();
    static void setOpenObjectFolder(const QString& folder);
    static QString saveHologramFolder();
    static void setSaveHologramFolder(const QString& folder);

    // Where the main window's frame was, for a window of `size`: empty when
    // never written, and when no screen shows enough of its title bar there
    // to take hold of it (a monitor since unplugged, a damaged file), so that
    // the window opens where new windows open.
    static std::optional<QPoint> windowPosition(QSize size);
    static void setWindowPosition(QPoint position);
};

}  // namespace marbleck
