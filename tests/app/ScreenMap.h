#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include "app/ScreenWindow.h"
#include "engine/phase/PanelMap.h"

namespace marbleck::test {

// The full-screen window of "Show on Screen…" while it is shown; nullptr
// when none is.
inline ScreenWindow* ShownScreenWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* shown = qobject_cast<ScreenWindow*>(window); shown != nullptr && shown->isVisible())
            return shown;
    return nullptr;
}

// Whether the window, rendered at its device pixel ratio, shows the map's
// levels one map pixel on one device pixel from its top-left corner, and
// black wherever the map does not reach.
inline void ExpectShowsMap(ScreenWindow& window, const PanelMap& map) {
    const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const double ratio = window.devicePixelRatioF();
    ASSERT_EQ(shot.width(), qRound(window.width() * ratio));
    ASSERT_EQ(shot.height(), qRound(window.height() * ratio));
    const int columns = map.phase.columns();
    const int rows = map.phase.rows();
    int wrong = 0;
    for (int y = 0; y < shot.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x) {
            const int expected =
                x < columns && y < rows ? map.levels[static_cast<std::size_t>(x) * rows + y] : 0;
            if (qRed(line[x]) != expected || qGreen(line[x]) != expected || qBlue(line[x]) != expected) {
                if (wrong++ < 5)
                    ADD_FAILURE() << "device pixel " << x << ", " << y << ": " << qGray(line[x])
                                  << " instead of " << expected;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace marbleck::test
