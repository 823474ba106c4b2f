#pragma once

#include <string>

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
    // The engine's name in the engine table ("exact" at the first start).
    // Earlier runs remembered only whether "Fast calculation" was ticked,
    // which still reads as "fast" or "exact".
    static std::string engine();
    static void setEngine(const std::string& name);

    // "Options" > "Binarization": the method's name in the binarization
    // table ("threshold" at the first start).
    static std::string binarizationMethod();
    static void setBinarizationMethod(const std::string& name);

    // "Options" > "Binarization" > "Time Budget…": the seconds an optimised
    // binarization may run (2 at the first start), within the dialog's
    // bounds; a value that is no number there reads as 2.
    static double binarizationBudget();
    static void setBinarizationBudget(double seconds);
    static constexpr double FewestBudgetSeconds = 0.1;
    static constexpr double MostBudgetSeconds = 600;

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
