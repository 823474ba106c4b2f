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

#include "app/MainWindow.h"
#include "app/Document.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"
#include "widgets/Screen.h"
#include "widgets/VSpinner.h"

namespace marbleck {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    Document module;
    MainWindow form{module};
};

TEST_F(MainWindowTest, ScreenIsNinetySixDotsPerInch) {
    EXPECT_FLOAT_EQ(Screen::TwipsPerPixelX(), 15.0f);
    EXPECT_FLOAT_EQ(Screen::TwipsPerPixelY(), 15.0f);
}

TEST_F(MainWindowTest, StartsInItsStartUpState) {
    EXPECT_EQ(form.windowTitle(), "Marbleck v0.2");
    EXPECT_EQ(form.repsEdit->text(), "1");
    EXPECT_EQ(form.thresholdEdit->text(), "0.6");
    EXPECT_EQ(form.timeEdit->text(), "0");
    EXPECT_EQ(form.pressXLabel->text(), "x");
    EXPECT_EQ(form.pressYLabel->text(), "y");
    EXPECT_EQ(form.statusLabel->text(), "");
    EXPECT_TRUE(form.randomPhaseCheck->isChecked());
    EXPECT_TRUE(form.freehandTool->isChecked());
    EXPECT_FALSE(form.lineTool->isChecked());
    EXPECT_FALSE(form.circleTool->isChecked());
    EXPECT_TRUE(form.penWidth1->isChecked());
    EXPECT_FALSE(form.penWidth2->isChecked());
    EXPECT_FALSE(form.penWidth5->isChecked());
    EXPECT_TRUE(form.progressBar->isHidden());
    EXPECT_EQ(form.progressBar->min(), 0.0f);
    EXPECT_EQ(form.progressBar->max(), 100.0f);
    EXPECT_EQ(form.progressBar->value(), 0.0f);
    EXPECT_FALSE(module.drawing.LineActive);
    EXPECT_FALSE(module.drawing.CircleActive);
    EXPECT_FALSE(form.fastCalculationAction->isChecked());
    EXPECT_TRUE(module.field.empty());
}

TEST_F(MainWindowTest, CanvasAndViewStartEmpty) {
    EXPECT_EQ(form.objectCanvas->drawingAreaSize(), QSize(96, 96));
    EXPECT_EQ(form.hologramView->drawingAreaSize(), QSize(156, 164));
    EXPECT_EQ(form.objectCanvas->colorAt(0, 0), 0);
    EXPECT_EQ(form.objectCanvas->colorAt(99, 99), 0);
    EXPECT_EQ(form.objectCanvas->colorAt(100, 50), -1);  // past the drawing area
    EXPECT_EQ(form.hologramView->image().pixel(10, 10), qRgb(15, 0, 0));
}

struct Placed {
    const char* name;
    QWidget* MainWindow::*control;
    QRect pixels;  // at 15 twips per pixel
    const char* caption;
};

TEST_F(MainWindowTest, ControlsSitAtTheirPlacesWithTheirCaptions) {
    // Twips ÷ 15, rounded; the pen widths relative to their frame.
    const std::vector<std::tuple<QWidget*, QRect, QString>> expected = {
        {form.objectCanvas, {24, 24, 100, 100}, ""},
        {form.loadButton, {32, 200, 65, 33}, "Load"},
        {form.hologramView, {288, 24, 160, 168}, ""},
        {form.repsLabel, {32, 256, 41, 17}, "# reps"},
        {form.printButton, {32, 496, 81, 33}, "Print"},
        {form.calculateButton, {24, 336, 81, 25}, "Calculate"},
        {form.randomPhaseCheck, {200, 344, 17, 17}, ""},
        {form.randomPhaseLabel, {112, 344, 81, 17}, "Random Phase"},
        {form.thresholdEdit, {168, 376, 41, 25}, "0.6"},
        {form.thresholdLabel, {104, 384, 57, 17}, "threshold"},
        {form.progressBar, {16, 288, 241, 33}, ""},
        {form.repsSpinner, {120, 248, 17, 25}, ""},
        {form.repsEdit, {80, 248, 41, 25}, "1"},
        {form.binarizeButton, {24, 376, 73, 25}, "Binarize"},
        {form.thresholdSpinner, {208, 376, 17, 25}, ""},
        {form.saveButton, {24, 416, 73, 33}, "Save Holo"},
        {form.quitButton, {680, 496, 81, 41}, "Quit"},
        {form.statusLabel, {120, 416, 161, 49}, ""},
        {form.timeEdit, {360, 496, 97, 33}, "0"},
        {form.freehandTool, {200, 40, 81, 25}, "freehand"},
        {form.lineTool, {200, 72, 73, 25}, "line"},
        {form.circleTool, {200, 104, 73, 25}, "Circle"},
        {form.clearButton, {120, 200, 57, 33}, "clear"},
        {form.penWidthFrame, {192, 128, 89, 97}, "Width"},
        {form.penWidth1, {8, 16, 73, 25}, "Width 1"},
        {form.penWidth5, {8, 56, 65, 25}, "Width 5"},
        {form.penWidth2, {8, 40, 65, 17}, "Width 2"},
        {form.pressYLabel, {104, 160, 57, 25}, "y"},
        {form.pressXLabel, {32, 160, 57, 25}, "x"},
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
    EXPECT_EQ(form.penWidth1->parentWidget(), form.penWidthFrame);
    EXPECT_EQ(form.penWidth2->parentWidget(), form.penWidthFrame);
    EXPECT_EQ(form.penWidth5->parentWidget(), form.penWidthFrame);
    EXPECT_EQ(form.loadButton->toolTip(), "Open an input image");
    EXPECT_EQ(form.clientArea()->size(), QSize(798, 541));
}

TEST_F(MainWindowTest, CaptionsAreReadableAtTheirSizes) {
    const QList<QAbstractButton*> buttons = {form.loadButton,    form.printButton,   form.calculateButton, form.binarizeButton,
                                             form.saveButton, form.quitButton, form.clearButton, form.freehandTool,
                                             form.lineTool, form.circleTool, form.penWidth1,       form.penWidth2,
                                             form.penWidth5};
    for (QAbstractButton* b : buttons) {
        SCOPED_TRACE(b->text().toStdString());
        EXPECT_LE(b->sizeHint().height(), b->height() + 4);
        const int textWidth = b->fontMetrics().horizontalAdvance(b->text());
        const int indicator = qobject_cast<QRadioButton*>(b) ? 18 : 4;
        EXPECT_LE(textWidth + indicator, b->width());
    }
    for (QLabel* l : {form.repsLabel, form.randomPhaseLabel, form.thresholdLabel, form.pressYLabel, form.pressXLabel}) {
        SCOPED_TRACE(l->text().toStdString());
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width());
        EXPECT_LE(l->fontMetrics().height(), l->height());
    }
}

TEST_F(MainWindowTest, CanvasHasTheFocusWhenShown) {
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), form.objectCanvas);
}

// The window shown and active, with the keyboard focus where it starts.
class MainWindowKeyboardTest : public MainWindowTest {
protected:
    MainWindowKeyboardTest() {
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
        form.objectCanvas->setFocus(Qt::TabFocusReason);
        std::vector<std::string> stops;
        for (std::string at = "objectCanvas"; stops.size() < 40;) {
            stops.push_back(at);
            at = press(key);
            if (at == "objectCanvas") break;
        }
        return stops;
    }
    std::string nameOf(QWidget* w) const {
        const std::pair<QWidget*, const char*> names[] = {
            {form.objectCanvas, "objectCanvas"}, {form.loadButton, "loadButton"},         {form.hologramView, "hologramView"},
            {form.printButton, "printButton"},       {form.calculateButton, "calculateButton"}, {form.randomPhaseCheck, "randomPhaseCheck"},
            {form.thresholdEdit, "thresholdEdit"},       {form.repsSpinner, "repsSpinner"}, {form.repsEdit, "repsEdit"},
            {form.binarizeButton, "binarizeButton"}, {form.thresholdSpinner, "thresholdSpinner"}, {form.saveButton, "saveButton"},
            {form.quitButton, "quitButton"}, {form.timeEdit, "timeEdit"},         {form.freehandTool, "freehandTool"},
            {form.lineTool, "lineTool"},   {form.circleTool, "circleTool"},   {form.clearButton, "clearButton"},
            {form.penWidth1, "PenWidth1"},             {form.penWidth2, "PenWidth2"},             {form.penWidth5, "PenWidth5"}};
        for (const auto& [control, name] : names)
            if (control == w) return name;
        return w ? w->metaObject()->className() : "none";
    }
    bool checked(std::initializer_list<QRadioButton*> expected) const {
        for (QRadioButton* b : {form.freehandTool, form.lineTool, form.circleTool, form.penWidth1, form.penWidth2, form.penWidth5})
            if (b->isChecked() != (std::find(expected.begin(), expected.end(), b) != expected.end()))
                return false;
        return true;
    }
};

TEST_F(MainWindowKeyboardTest, ArrowKeysMoveWithinEachOptionGroupOnly) {
    QTest::mouseClick(form.penWidth5, Qt::LeftButton);
    QTest::mouseClick(form.circleTool, Qt::LeftButton);
    ASSERT_EQ(nameOf(QApplication::focusWidget()), "circleTool");
    ASSERT_EQ(form.objectCanvas->penWidth(), 5);

    // "Circle" is the lowest drawing mode: Down goes nowhere.
    EXPECT_EQ(press(Qt::Key_Down), "circleTool");
    EXPECT_TRUE(checked({form.circleTool, form.penWidth5}));
    EXPECT_EQ(form.objectCanvas->penWidth(), 5);
    EXPECT_EQ(press(Qt::Key_Up), "lineTool");
    EXPECT_EQ(press(Qt::Key_Up), "freehandTool");
    EXPECT_EQ(press(Qt::Key_Up), "freehandTool");
    EXPECT_TRUE(checked({form.freehandTool, form.penWidth5}));
    EXPECT_EQ(press(Qt::Key_Down), "lineTool");
    EXPECT_TRUE(checked({form.lineTool, form.penWidth5}));

    // The widths, top to bottom: "Width 1", "Width 2", "Width 5". Up from
    // the top one does not leave the frame.
    QTest::mouseClick(form.penWidth5, Qt::LeftButton);
    EXPECT_EQ(press(Qt::Key_Up), "PenWidth2");
    EXPECT_EQ(form.objectCanvas->penWidth(), 2);
    EXPECT_EQ(press(Qt::Key_Up), "PenWidth1");
    EXPECT_EQ(press(Qt::Key_Up), "PenWidth1");
    EXPECT_TRUE(checked({form.lineTool, form.penWidth1}));
    EXPECT_EQ(form.objectCanvas->penWidth(), 1);
    EXPECT_EQ(press(Qt::Key_Down), "PenWidth2");
    EXPECT_EQ(press(Qt::Key_Down), "PenWidth5");
    EXPECT_EQ(press(Qt::Key_Down), "PenWidth5");
    EXPECT_TRUE(checked({form.lineTool, form.penWidth5}));
    EXPECT_EQ(form.objectCanvas->penWidth(), 5);
}

// Tab goes round the controls in their design order, entering each option
// group at its selected button; labels, the frame and the progress bar take
// no focus. Shift+Tab goes round the other way.
TEST_F(MainWindowKeyboardTest, TabEntersEachOptionGroupAtItsSelectedButton) {
    const auto round = [&](QRadioButton* tool, QRadioButton* width) {
        return std::vector<std::string>{"objectCanvas", "loadButton",     "hologramView", "printButton",   "calculateButton",
                                        "randomPhaseCheck",   "thresholdEdit",    "repsSpinner", "repsEdit",   "binarizeButton",
                                        "thresholdSpinner", "saveButton", "quitButton", "timeEdit",    nameOf(tool),
                                        "clearButton", nameOf(width)};
    };
    const auto backwards = [](std::vector<std::string> stops) {
        std::reverse(stops.begin() + 1, stops.end());
        return stops;
    };
    EXPECT_EQ(tabRound(Qt::Key_Tab), round(form.freehandTool, form.penWidth1));
    EXPECT_EQ(tabRound(Qt::Key_Backtab), backwards(round(form.freehandTool, form.penWidth1)));

    QTest::mouseClick(form.circleTool, Qt::LeftButton);
    QTest::mouseClick(form.penWidth5, Qt::LeftButton);
    EXPECT_EQ(tabRound(Qt::Key_Tab), round(form.circleTool, form.penWidth5));
    EXPECT_EQ(tabRound(Qt::Key_Backtab), backwards(round(form.circleTool, form.penWidth5)));

    // Chosen with the keyboard: Shift+Tab into the widths, Up to "Width 2";
    // Shift+Tab twice more into the tools, Up to "line".
    form.objectCanvas->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(press(Qt::Key_Backtab), "PenWidth5");
    EXPECT_EQ(press(Qt::Key_Up), "PenWidth2");
    EXPECT_EQ(press(Qt::Key_Backtab), "clearButton");
    EXPECT_EQ(press(Qt::Key_Backtab), "circleTool");
    EXPECT_EQ(press(Qt::Key_Up), "lineTool");
    EXPECT_EQ(tabRound(Qt::Key_Tab), round(form.lineTool, form.penWidth2));
    EXPECT_EQ(tabRound(Qt::Key_Backtab), backwards(round(form.lineTool, form.penWidth2)));
    EXPECT_TRUE(checked({form.lineTool, form.penWidth2}));
    EXPECT_EQ(form.objectCanvas->penWidth(), 2);
}

// Clicks the spinner's upper or lower arrow with the mouse.
void clickArrow(VSpinner* spinner, bool up) {
    QTest::mouseClick(up ? spinner->upArrow() : spinner->downArrow(), Qt::LeftButton);
}

TEST_F(MainWindowTest, RepsSpinnerStepsOneToTen) {
    form.show();
    for (int click = 2; click <= 10; ++click) {
        clickArrow(form.repsSpinner, true);
        EXPECT_EQ(form.repsEdit->text(), QString::number(click));
    }
    clickArrow(form.repsSpinner, true);
    EXPECT_EQ(form.repsEdit->text(), "10");
    EXPECT_EQ(form.repsSpinner->value(), 10);
    clickArrow(form.repsSpinner, false);
    EXPECT_EQ(form.repsEdit->text(), "9");
}

TEST_F(MainWindowTest, ThresholdSpinnerStepsDownToOneTenth) {
    form.show();
    const char* texts[] = {"0.5", "0.4", "0.3", "0.2", "0.1", "0.1"};
    for (const char* text : texts) {
        clickArrow(form.thresholdSpinner, false);
        EXPECT_EQ(form.thresholdEdit->text(), text);
    }
    form.thresholdSpinner->setFocus();
    for (int i = 0; i < 11; ++i) QTest::keyClick(form.thresholdSpinner, Qt::Key_Up);
    EXPECT_EQ(form.thresholdEdit->text(), "1.2");
    QTest::keyClick(form.thresholdSpinner, Qt::Key_PageDown);
    EXPECT_EQ(form.thresholdEdit->text(), "1.1");
}

TEST_F(MainWindowTest, EveryThresholdValueHasItsShortText) {
    const char* texts[] = {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6",
                           "0.7", "0.8", "0.9", "1",   "1.1", "1.2"};
    for (int value = 1; value <= 12; ++value) {
        form.thresholdSpinner->setValue(value);
        EXPECT_EQ(form.thresholdEdit->text(), texts[value - 1]);
    }
}

TEST_F(MainWindowTest, TypingIntoTheBoxDoesNotMoveTheSpinner) {
    form.repsEdit->clear();
    QTest::keyClicks(form.repsEdit, "7");
    EXPECT_EQ(form.repsEdit->text(), "7");
    EXPECT_EQ(form.repsSpinner->value(), 1);
    form.repsSpinner->stepUp();
    EXPECT_EQ(form.repsEdit->text(), "2");
}

TEST_F(MainWindowTest, ArrowAtTheEndRewritesNothing) {
    form.repsEdit->setText("typed");
    form.repsSpinner->stepDown();  // already at 1
    EXPECT_EQ(form.repsEdit->text(), "typed");
}

TEST_F(MainWindowTest, ClearEmptiesTheCanvasOnly) {
    form.objectCanvas->setPixel(10, 10, White);
    form.hologramView->setPixel(5, 5, White);
    QTest::mouseClick(form.clearButton, Qt::LeftButton);
    EXPECT_EQ(form.objectCanvas->colorAt(10, 10), 0);
    EXPECT_EQ(form.objectCanvas->currentPosition(), QPointF(0, 0));
    EXPECT_EQ(form.hologramView->colorAt(5, 5), White);
}

TEST_F(MainWindowTest, FastCalculationSitsInTheOptionsMenu) {
    const QList<QAction*> menus = form.menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), "Options");
    ASSERT_NE(menus[0]->menu(), nullptr);
    EXPECT_TRUE(menus[0]->menu()->actions().contains(form.fastCalculationAction));
    EXPECT_EQ(form.fastCalculationAction->text(), "Fast calculation");
    EXPECT_TRUE(form.fastCalculationAction->isCheckable());
}

TEST(MainWindowQuit, ClosesEveryWindow) {
    Document module;
    MainWindow form(module);
    QWidget other;
    form.show();
    other.show();
    QTest::mouseClick(form.quitButton, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(other.isVisible());
}

TEST(MainWindowClose, ThroughTheFrameEndsTheProgramToo) {
    Document module;
    MainWindow form(module);
    QWidget chooserStandIn;
    form.show();
    chooserStandIn.show();
    form.close();
    EXPECT_FALSE(chooserStandIn.isVisible());
}

}  // namespace
}  // namespace marbleck
