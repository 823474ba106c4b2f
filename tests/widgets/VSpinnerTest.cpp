#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "widgets/VSpinner.h"

namespace marbleck {
namespace {

TEST(VSpinnerTest, StartsAtZeroWithAFullSixteenBitRange) {
    VSpinner spinner;
    EXPECT_EQ(spinner.min(), 0);
    EXPECT_EQ(spinner.max(), 32767);
    EXPECT_EQ(spinner.value(), 0);
}

TEST(VSpinnerTest, ProgramSetsNotifyOnlyOnChange) {
    VSpinner spinner;
    QSignalSpy changes(&spinner, &VSpinner::valueChanged);
    spinner.setValue(1);
    spinner.setValue(1);
    spinner.setMin(1);
    spinner.setMax(3);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0][0].toInt(), 1);
}

TEST(VSpinnerTest, NewEndMovesAValueOutsideTheRange) {
    VSpinner spinner;
    QSignalSpy changes(&spinner, &VSpinner::valueChanged);
    spinner.setMin(-4);  // 0 still lies within −4 … 32767
    EXPECT_EQ(changes.size(), 0);
    spinner.setMax(-1);  // now it does not
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(spinner.value(), -1);
}

TEST(VSpinnerTest, MinAboveMaxMakesTheUpArrowRaise) {
    VSpinner spinner;
    spinner.setMin(10);
    spinner.setMax(1);
    spinner.setValue(1);
    spinner.resize(17, 25);
    spinner.show();
    QTest::mouseClick(spinner.upArrow(), Qt::LeftButton);
    EXPECT_EQ(spinner.value(), 2);
    QTest::mouseClick(spinner.downArrow(), Qt::LeftButton);
    QTest::mouseClick(spinner.downArrow(), Qt::LeftButton);
    EXPECT_EQ(spinner.value(), 1);
    spinner.setValue(50);
    EXPECT_EQ(spinner.value(), 10);
}

TEST(VSpinnerTest, MinBelowMaxMakesTheUpArrowLower) {
    VSpinner spinner;
    spinner.setValue(2);
    spinner.setMin(1);
    spinner.setMax(3);
    spinner.stepUp();
    EXPECT_EQ(spinner.value(), 1);
    spinner.stepUp();
    EXPECT_EQ(spinner.value(), 1);
    spinner.setLargeChange(2);
    spinner.show();
    spinner.setFocus();
    QTest::keyClick(&spinner, Qt::Key_PageDown);
    EXPECT_EQ(spinner.value(), 3);
}

// The spinner beside its box, as on the main window.
TEST(VSpinnerFocusTest, ClickingAnArrowFocusesTheSpinnerWhichShowsItsFocus) {
    QWidget window;
    auto* box = new QLineEdit(&window);
    auto* spinner = new VSpinner(&window);
    box->setGeometry(0, 0, 41, 25);
    spinner->setGeometry(41, 0, 17, 25);
    spinner->setMin(10);
    spinner->setMax(1);
    spinner->setValue(1);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    const QImage unfocused = spinner->grab().toImage();

    QTest::mouseClick(spinner->upArrow(), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), spinner);
    EXPECT_EQ(spinner->value(), 2);
    EXPECT_NE(spinner->grab().toImage(), unfocused);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(spinner->value(), 4);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(spinner->value(), 3);

    // Tab takes the focus, and its mark, away; Shift+Tab brings both back.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(spinner->grab().toImage(), unfocused);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), spinner);
    EXPECT_NE(spinner->grab().toImage(), unfocused);
}

}  // namespace
}  // namespace marbleck
