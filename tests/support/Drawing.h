#pragma once

#include <QPoint>
#include <QRadioButton>
#include <QTest>
#include <utility>

#include "app/MainWindow.h"
#include "widgets/PictureArea.h"

namespace marbleck::test {

// An "F" drawn with the line tool at pen width 2, as a user draws it: a
// letter that shows which image is the object and which its point-mirrored
// twin.
inline void DrawLetter(MainWindow& window) {
    auto* canvas = window.findChild<PictureArea*>(QStringLiteral("objectCanvas"));
    QTest::mouseClick(window.findChild<QRadioButton*>(QStringLiteral("penWidth2")), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QRadioButton*>(QStringLiteral("lineTool")), Qt::LeftButton);
    const QPoint origin = canvas->contentsRect().topLeft();
    for (const auto& [from, to] :
         {std::pair{QPoint(25, 15), QPoint(25, 65)}, std::pair{QPoint(25, 15), QPoint(60, 15)},
          std::pair{QPoint(25, 38), QPoint(52, 38)}}) {
        // A click starts the line, which follows the pointer until the next click.
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, origin + from);
        QTest::mouseMove(canvas, origin + to);
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, origin + to);
    }
}

}  // namespace marbleck::test
