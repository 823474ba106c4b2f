#pragma once

#include <QEventLoop>
#include <QObject>
#include <QPushButton>
#include <QTest>

#include "Controls.h"
#include "app/MainWindow.h"

namespace marbleck::test {

// Returns once the calculation running in `window`, if any, has ended and
// the window has shown its outcome; the window handles events meanwhile.
inline void WaitForCalculation(MainWindow& window) {
    if (!window.isCalculating()) return;
    QEventLoop loop;
    QObject::connect(&window, &MainWindow::calculationEnded, &loop, &QEventLoop::quit);
    loop.exec();
}

// Clicks "Calculate" and waits until the calculation it started has ended.
inline void CalculateAndWait(MainWindow& window) {
    QTest::mouseClick(Control<QPushButton>(window, "calculateButton"), Qt::LeftButton);
    WaitForCalculation(window);
}

}  // namespace marbleck::test
