#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTest>

#include "Form1.h"
#include "Module1.h"
#include "PictureArea.h"
#include "ProgressBar.h"
#include "Screen.h"
#include "VSpinner.h"

namespace marbleck {
namespace {

class Form1Test : public ::testing::Test {
protected:
    Module1 module;
    Form1 form{module};
};

TEST_F(Form1Test, ScreenIsNinetySixDotsPerInch) {
    EXPECT_FLOAT_EQ(Screen::TwipsPerPixelX(), 15.0f);
    EXPECT_FLOAT_EQ(Screen::TwipsPerPixelY(), 15.0f);
}

TEST_F(Form1Test, StartsInItsStartUpState) {
    EXPECT_EQ(form.windowTitle(), "Marbleck v0.2");
    EXPECT_EQ(form.Text1->text(), "1");
    EXPECT_EQ(form.Text3->text(), "0.6");
    EXPECT_EQ(form.Time->text(), "0");
    EXPECT_EQ(form.Label6->text(), "x");
    EXPECT_EQ(form.Label2->text(), "y");
    EXPECT_EQ(form.Label5->text(), "");
    EXPECT_TRUE(form.Check1->isChecked());
    EXPECT_TRUE(form.Option1->isChecked());
    EXPECT_FALSE(form.Option2->isChecked());
    EXPECT_FALSE(form.Option4->isChecked());
    EXPECT_TRUE(form.W1->isChecked());
    EXPECT_FALSE(form.W5->isChecked());
    EXPECT_FALSE(form.W10->isChecked());
    EXPECT_TRUE(form.ProgressBar1->isHidden());
    EXPECT_EQ(form.ProgressBar1->min(), 0.0f);
    EXPECT_EQ(form.ProgressBar1->max(), 100.0f);
    EXPECT_EQ(form.ProgressBar1->value(), 0.0f);
    EXPECT_FALSE(module.Drawing.LineActive);
    EXPECT_FALSE(module.Drawing.CircleActive);
    EXPECT_FALSE(form.FastCalculation->isChecked());
    EXPECT_TRUE(module.HologramField.empty());
}

TEST_F(Form1Test, CanvasAndViewStartEmpty) {
    EXPECT_EQ(form.Picture1->drawingAreaSize(), QSize(96, 96));
    EXPECT_EQ(form.Picture2->drawingAreaSize(), QSize(156, 164));
    EXPECT_EQ(form.Picture1->point(0, 0), 0);
    EXPECT_EQ(form.Picture1->point(99, 99), 0);
    EXPECT_EQ(form.Picture1->point(100, 50), -1);  // past the drawing area
    EXPECT_EQ(form.Picture2->image().pixel(10, 10), qRgb(15, 0, 0));
}

struct Placed {
    const char* name;
    QWidget* Form1::*control;
    QRect pixels;  // at 15 twips per pixel
    const char* caption;
};

TEST_F(Form1Test, ControlsSitAtTheirPlacesWithTheirCaptions) {
    // Twips ÷ 15, rounded; W1, W5, W10 relative to Frame1.
    const std::vector<std::tuple<QWidget*, QRect, QString>> expected = {
        {form.Picture1, {24, 24, 100, 100}, ""},
        {form.Open, {32, 200, 65, 33}, "Load"},
        {form.Picture2, {288, 24, 160, 168}, ""},
        {form.Label1, {32, 256, 41, 17}, "# reps"},
        {form.Print, {32, 496, 81, 33}, "Print"},
        {form.Command1, {24, 336, 81, 25}, "Calculate"},
        {form.Check1, {200, 344, 17, 17}, "Check1"},
        {form.Label3, {112, 344, 81, 17}, "Random Phase"},
        {form.Text3, {168, 376, 41, 25}, "0.6"},
        {form.Label4, {104, 384, 57, 17}, "threshold"},
        {form.ProgressBar1, {16, 288, 241, 33}, ""},
        {form.VScroll1, {120, 248, 17, 25}, ""},
        {form.Text1, {80, 248, 41, 25}, "1"},
        {form.Command2, {24, 376, 73, 25}, "Binarize"},
        {form.VScroll2, {208, 376, 17, 25}, ""},
        {form.Command3, {24, 416, 73, 33}, "Save Holo"},
        {form.Command4, {680, 496, 81, 41}, "Quit"},
        {form.Label5, {120, 416, 161, 49}, ""},
        {form.Time, {360, 496, 97, 33}, "0"},
        {form.Option1, {200, 40, 81, 25}, "freehand"},
        {form.Option2, {200, 72, 73, 25}, "line"},
        {form.Option4, {200, 104, 73, 25}, "Circle"},
        {form.Command5, {120, 200, 57, 33}, "clear"},
        {form.Frame1, {192, 128, 89, 97}, "Width"},
        {form.W1, {8, 16, 73, 25}, "Width 1"},
        {form.W10, {8, 56, 65, 25}, "Width 5"},
        {form.W5, {8, 40, 65, 17}, "Width 2"},
        {form.Label2, {104, 160, 57, 25}, "y"},
        {form.Label6, {32, 160, 57, 25}, "x"},
    };
    EXPECT_EQ(expected.size(), 29u);
    for (const auto& [control, rect, caption] : expected) {
        SCOPED_TRACE(caption.toStdString());
        EXPECT_EQ(control->geometry(), rect);
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(control)) text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(control)) text = l->text();
        else if (auto* e = qobject_cast<QLineEdit*>(control)) text = e->text();
        else if (auto* g = qobject_cast<QGroupBox*>(control)) text = g->title();
        EXPECT_EQ(text, caption);
    }
    EXPECT_EQ(form.W1->parentWidget(), form.Frame1);
    EXPECT_EQ(form.W5->parentWidget(), form.Frame1);
    EXPECT_EQ(form.W10->parentWidget(), form.Frame1);
    EXPECT_EQ(form.Open->toolTip(), "Open an input image");
    EXPECT_EQ(form.clientArea()->size(), QSize(798, 541));
}

TEST_F(Form1Test, CaptionsAreReadableAtTheirSizes) {
    const QList<QAbstractButton*> buttons = {form.Open,    form.Print,   form.Command1, form.Command2,
                                             form.Command3, form.Command4, form.Command5, form.Option1,
                                             form.Option2, form.Option4, form.W1,       form.W5,
                                             form.W10};
    for (QAbstractButton* b : buttons) {
        SCOPED_TRACE(b->text().toStdString());
        EXPECT_LE(b->sizeHint().height(), b->height() + 4);
        const int textWidth = b->fontMetrics().horizontalAdvance(b->text());
        const int indicator = qobject_cast<QRadioButton*>(b) ? 18 : 4;
        EXPECT_LE(textWidth + indicator, b->width());
    }
    for (QLabel* l : {form.Label1, form.Label3, form.Label4, form.Label2, form.Label6}) {
        SCOPED_TRACE(l->text().toStdString());
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width());
        EXPECT_LE(l->fontMetrics().height(), l->height());
    }
}

TEST_F(Form1Test, CanvasHasTheFocusWhenShown) {
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), form.Picture1);
}

// The window shown and active, with the keyboard focus where it starts.
class Form1KeyboardTest : public Form1Test {
protected:
    Form1KeyboardTest() {
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    // Presses `key` on whatever has the focus and names where the focus went.
    std::string press(Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        return nameOf(QApplication::focusWidget());
    }
    // The controls that Tab (or Shift+Tab) stops on, once round from the canvas.
    std::vector<std::string> tabRound(Qt::Key key) {
        form.Picture1->setFocus(Qt::TabFocusReason);
        std::vector<std::string> stops;
        for (std::string at = "Picture1"; stops.size() < 40;) {
            stops.push_back(at);
            at = press(key);
            if (at == "Picture1") break;
        }
        return stops;
    }
    std::string nameOf(QWidget* w) const {
        const std::pair<QWidget*, const char*> names[] = {
            {form.Picture1, "Picture1"}, {form.Open, "Open"},         {form.Picture2, "Picture2"},
            {form.Print, "Print"},       {form.Command1, "Command1"}, {form.Check1, "Check1"},
            {form.Text3, "Text3"},       {form.VScroll1, "VScroll1"}, {form.Text1, "Text1"},
            {form.Command2, "Command2"}, {form.VScroll2, "VScroll2"}, {form.Command3, "Command3"},
            {form.Command4, "Command4"}, {form.Time, "Time"},         {form.Option1, "Option1"},
            {form.Option2, "Option2"},   {form.Option4, "Option4"},   {form.Command5, "Command5"},
            {form.W1, "W1"},             {form.W5, "W5"},             {form.W10, "W10"}};
        for (const auto& [control, name] : names)
            if (control == w) return name;
        return w ? w->metaObject()->className() : "none";
    }
    bool checked(std::initializer_list<QRadioButton*> expected) const {
        for (QRadioButton* b : {form.Option1, form.Option2, form.Option4, form.W1, form.W5, form.W10})
            if (b->isChecked() != (std::find(expected.begin(), expected.end(), b) != expected.end()))
                return false;
        return true;
    }
};

TEST_F(Form1KeyboardTest, ArrowKeysMoveWithinEachOptionGroupOnly) {
    QTest::mouseClick(form.W10, Qt::LeftButton);
    QTest::mouseClick(form.Option4, Qt::LeftButton);
    ASSERT_EQ(nameOf(QApplication::focusWidget()), "Option4");
    ASSERT_EQ(form.Picture1->penWidth(), 5);

    // "Circle" is the lowest drawing mode: Down goes nowhere.
    EXPECT_EQ(press(Qt::Key_Down), "Option4");
    EXPECT_TRUE(checked({form.Option4, form.W10}));
    EXPECT_EQ(form.Picture1->penWidth(), 5);
    EXPECT_EQ(press(Qt::Key_Up), "Option2");
    EXPECT_EQ(press(Qt::Key_Up), "Option1");
    EXPECT_EQ(press(Qt::Key_Up), "Option1");
    EXPECT_TRUE(checked({form.Option1, form.W10}));
    EXPECT_EQ(press(Qt::Key_Down), "Option2");
    EXPECT_TRUE(checked({form.Option2, form.W10}));

    // The widths, top to bottom: "Width 1", "Width 2", "Width 5". Up from
    // the top one does not leave the frame.
    QTest::mouseClick(form.W10, Qt::LeftButton);
    EXPECT_EQ(press(Qt::Key_Up), "W5");
    EXPECT_EQ(form.Picture1->penWidth(), 2);
    EXPECT_EQ(press(Qt::Key_Up), "W1");
    EXPECT_EQ(press(Qt::Key_Up), "W1");
    EXPECT_TRUE(checked({form.Option2, form.W1}));
    EXPECT_EQ(form.Picture1->penWidth(), 1);
    EXPECT_EQ(press(Qt::Key_Down), "W5");
    EXPECT_EQ(press(Qt::Key_Down), "W10");
    EXPECT_EQ(press(Qt::Key_Down), "W10");
    EXPECT_TRUE(checked({form.Option2, form.W10}));
    EXPECT_EQ(form.Picture1->penWidth(), 5);
}

// Tab goes round the controls in their design order, entering each option
// group at its selected button; labels, the frame and the progress bar take
// no focus. Shift+Tab goes round the other way.
TEST_F(Form1KeyboardTest, TabEntersEachOptionGroupAtItsSelectedButton) {
    const auto round = [&](QRadioButton* tool, QRadioButton* width) {
        return std::vector<std::string>{"Picture1", "Open",     "Picture2", "Print",   "Command1",
                                        "Check1",   "Text3",    "VScroll1", "Text1",   "Command2",
                                        "VScroll2", "Command3", "Command4", "Time",    nameOf(tool),
                                        "Command5", nameOf(width)};
    };
    const auto backwards = [](std::vector<std::string> stops) {
        std::reverse(stops.begin() + 1, stops.end());
        return stops;
    };
    EXPECT_EQ(tabRound(Qt::Key_Tab), round(form.Option1, form.W1));
    EXPECT_EQ(tabRound(Qt::Key_Backtab), backwards(round(form.Option1, form.W1)));

    QTest::mouseClick(form.Option4, Qt::LeftButton);
    QTest::mouseClick(form.W10, Qt::LeftButton);
    EXPECT_EQ(tabRound(Qt::Key_Tab), round(form.Option4, form.W10));
    EXPECT_EQ(tabRound(Qt::Key_Backtab), backwards(round(form.Option4, form.W10)));

    // Chosen with the keyboard: Shift+Tab into the widths, Up to "Width 2";
    // Shift+Tab twice more into the tools, Up to "line".
    form.Picture1->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(press(Qt::Key_Backtab), "W10");
    EXPECT_EQ(press(Qt::Key_Up), "W5");
    EXPECT_EQ(press(Qt::Key_Backtab), "Command5");
    EXPECT_EQ(press(Qt::Key_Backtab), "Option4");
    EXPECT_EQ(press(Qt::Key_Up), "Option2");
    EXPECT_EQ(tabRound(Qt::Key_Tab), round(form.Option2, form.W5));
    EXPECT_EQ(tabRound(Qt::Key_Backtab), backwards(round(form.Option2, form.W5)));
    EXPECT_TRUE(checked({form.Option2, form.W5}));
    EXPECT_EQ(form.Picture1->penWidth(), 2);
}

// Clicks the spinner's upper or lower arrow with the mouse.
void clickArrow(VSpinner* spinner, bool up) {
    QTest::mouseClick(up ? spinner->upArrow() : spinner->downArrow(), Qt::LeftButton);
}

TEST_F(Form1Test, RepsSpinnerStepsOneToTen) {
    form.show();
    for (int click = 2; click <= 10; ++click) {
        clickArrow(form.VScroll1, true);
        EXPECT_EQ(form.Text1->text(), QString::number(click));
    }
    clickArrow(form.VScroll1, true);
    EXPECT_EQ(form.Text1->text(), "10");
    EXPECT_EQ(form.VScroll1->value(), 10);
    clickArrow(form.VScroll1, false);
    EXPECT_EQ(form.Text1->text(), "9");
}

TEST_F(Form1Test, ThresholdSpinnerStepsDownToOneTenth) {
    form.show();
    const char* texts[] = {"0.5", "0.4", "0.3", "0.2", "0.1", "0.1"};
    for (const char* text : texts) {
        clickArrow(form.VScroll2, false);
        EXPECT_EQ(form.Text3->text(), text);
    }
    form.VScroll2->setFocus();
    for (int i = 0; i < 11; ++i) QTest::keyClick(form.VScroll2, Qt::Key_Up);
    EXPECT_EQ(form.Text3->text(), "1.2");
    QTest::keyClick(form.VScroll2, Qt::Key_PageDown);
    EXPECT_EQ(form.Text3->text(), "1.1");
}

TEST_F(Form1Test, EveryThresholdValueHasItsShortText) {
    const char* texts[] = {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6",
                           "0.7", "0.8", "0.9", "1",   "1.1", "1.2"};
    for (int value = 1; value <= 12; ++value) {
        form.VScroll2->setValue(value);
        EXPECT_EQ(form.Text3->text(), texts[value - 1]);
    }
}

TEST_F(Form1Test, TypingIntoTheBoxDoesNotMoveTheSpinner) {
    form.Text1->clear();
    QTest::keyClicks(form.Text1, "7");
    EXPECT_EQ(form.Text1->text(), "7");
    EXPECT_EQ(form.VScroll1->value(), 1);
    form.VScroll1->stepUp();
    EXPECT_EQ(form.Text1->text(), "2");
}

TEST_F(Form1Test, ArrowAtTheEndRewritesNothing) {
    form.Text1->setText("typed");
    form.VScroll1->stepDown();  // already at 1
    EXPECT_EQ(form.Text1->text(), "typed");
}

TEST_F(Form1Test, ClearEmptiesTheCanvasOnly) {
    form.Picture1->pset(10, 10, White);
    form.Picture2->pset(5, 5, White);
    QTest::mouseClick(form.Command5, Qt::LeftButton);
    EXPECT_EQ(form.Picture1->point(10, 10), 0);
    EXPECT_EQ(form.Picture1->currentPosition(), QPointF(0, 0));
    EXPECT_EQ(form.Picture2->point(5, 5), White);
}

TEST_F(Form1Test, FastCalculationSitsInTheOptionsMenu) {
    const QList<QAction*> menus = form.menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), "Options");
    ASSERT_NE(menus[0]->menu(), nullptr);
    EXPECT_TRUE(menus[0]->menu()->actions().contains(form.FastCalculation));
    EXPECT_EQ(form.FastCalculation->text(), "Fast calculation");
    EXPECT_TRUE(form.FastCalculation->isCheckable());
}

TEST(Form1Quit, ClosesEveryWindow) {
    Module1 module;
    Form1 form(module);
    QWidget other;
    form.show();
    other.show();
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(other.isVisible());
}

TEST(Form1Close, ThroughTheFrameEndsTheProgramToo) {
    Module1 module;
    Form1 form(module);
    QWidget chooserStandIn;
    form.show();
    chooserStandIn.show();
    form.close();
    EXPECT_FALSE(chooserStandIn.isVisible());
}

}  // namespace
}  // namespace marbleck
