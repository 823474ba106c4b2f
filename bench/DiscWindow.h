#pragma once

// The R = 10 half-lit disc, and the main window set up to calculate it, for
// the benchmarks that time "Calculate" as the button runs it.

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <cstdio>

#include "HologramCases.h"
#include "SettingsApart.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck::bench {

inline const cases::Case& Disc() {
    static const cases::Case disc = cases::HalfLitDisc();
    return disc;
}

// The main window, shown, with the disc's samples drawn on a canvas of the
// disc's size, reps 10 and the fast engine chosen (or as `fast` says on the
// first call).
inline MainWindow& DiscWindow(bool fast = true) {
    static Document* document = new Document;
    static MainWindow* window = [fast] {
        KeepSettingsApart();
        auto* w = new MainWindow(*document);
        const HologramGeometry& g = Disc().geometry;
        auto* canvas = w->findChild<PictureArea*>(QStringLiteral("objectCanvas"));
        canvas->setOuterSize(g.W * Screen::TwipsPerPixelX(), g.H * Screen::TwipsPerPixelY());
        for (const ObjectPoint& p : Disc().points)
            canvas->setPixel(static_cast<float>(p.x), static_cast<float>(p.y), White);
        w->findChild<QLineEdit*>(QStringLiteral("repsEdit"))->setText(QStringLiteral("10"));
        w->findChild<QAction*>(fast ? QStringLiteral("fastEngineAction")
                                    : QStringLiteral("exactEngineAction"))
            ->setChecked(true);
        w->show();
        if (!QTest::qWaitForWindowExposed(w)) std::fprintf(stderr, "the window was not shown\n");
        return w;
    }();
    return *window;
}

}  // namespace marbleck::bench
