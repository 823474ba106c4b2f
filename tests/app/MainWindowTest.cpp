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
#include <QTest>
#include <QToolButton>

#include "Controls.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/sums/CalculationEngine.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"
#include "widgets/Screen.h"
#include "widgets/VSpinner.h"

namespace marbleck {

using test::Control;
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    Document document;
    MainWindow form{document};
};

TEST_F(MainWindowTest, ScreenIsNinetySixDotsPerInch) {
    EXPECT_FLOAT_EQ(Screen::TwipsPerPixelX(), 15.0f);
    EXPECT_FLOAT_EQ(Screen::TwipsPerPixelY(), 15.0f);
}

TEST_F(MainWindowTest, StartsInItsStartUpState) {
    EXPECT_EQ(form.windowTitle(), "Marbleck v0.2");
    EXPECT_EQ(Control<QLineEdit>(form, "repsEdit")->text(), "1");
    EXPECT_EQ(Control<QLineEdit>(form, "thresholdEdit")->text(), "0.6");
    EXPECT_EQ(Control<QLineEdit>(form, "timeEdit")->text(), "0");
    EXPECT_EQ(Control<QLabel>(form, "pressXLabel")->text(), "x");
    EXPECT_EQ(Control<QLabel>(form, "pressYLabel")->text(), "y");
    EXPECT_EQ(Control<QLabel>(form, "statusLabel")->text(), "");
    EXPECT_TRUE(Control<QCheckBox>(form, "randomPhaseCheck")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(form, "freehandTool")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(form, "lineTool")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(form, "circleTool")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(form, "penWidth1")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(form, "penWidth2")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(form, "penWidth5")->isChecked());
    EXPECT_TRUE(Control<ProgressBar>(form, "progressBar")->isHidden());
    EXPECT_EQ(Control<ProgressBar>(form, "progressBar")->min(), 0.0f);
    EXPECT_EQ(Control<ProgressBar>(form, "progressBar")->max(), 100.0f);
    EXPECT_EQ(Control<ProgressBar>(form, "progressBar")->value(), 0.0f);
    EXPECT_FALSE(document.drawing.lineActive);
    EXPECT_FALSE(document.drawing.circleActive);
    EXPECT_TRUE(Control<QAction>(form, "exactEngineAction")->isChecked());
    EXPECT_TRUE(document.field().empty());
}

TEST_F(MainWindowTest, CanvasAndViewStartEmpty) {
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->drawingAreaSize(), QSize(96, 96));
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->drawingAreaSize(), QSize(156, 164));
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->colorAt(0, 0), 0);
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->colorAt(99, 99), 0);
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->colorAt(100, 50), -1);  // past the drawing area
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->image().pixel(10, 10), qRgb(15, 0, 0));
}

TEST_F(MainWindowTest, ControlsSitAtTheirPlacesWithTheirCaptions) {
    // Twips ÷ 15, rounded; the pen widths relative to their frame.
    const std::vector<std::tuple<QWidget*, QRect, QString>> expected = {
        {Control<PictureArea>(form, "objectCanvas"), {24, 24, 100, 100}, ""},
        {Control<QPushButton>(form, "loadButton"), {32, 200, 65, 33}, "Load"},
        {Control<PictureArea>(form, "hologramView"), {288, 24, 160, 168}, ""},
        {Control<QLabel>(form, "repsLabel"), {32, 256, 41, 17}, "# reps"},
        {Control<QPushButton>(form, "printButton"), {32, 496, 81, 33}, "Print"},
        {Control<QPushButton>(form, "calculateButton"), {24, 336, 81, 25}, "Calculate"},
        {Control<QCheckBox>(form, "randomPhaseCheck"), {200, 344, 17, 17}, ""},
        {Control<QLabel>(form, "randomPhaseLabel"), {112, 344, 81, 17}, "Random Phase"},
        {Control<QLineEdit>(form, "thresholdEdit"), {168, 376, 41, 25}, "0.6"},
        {Control<QLabel>(form, "thresholdLabel"), {104, 384, 57, 17}, "threshold"},
        {Control<ProgressBar>(form, "progressBar"), {16, 288, 241, 33}, ""},
        {Control<VSpinner>(form, "repsSpinner"), {120, 248, 17, 25}, ""},
        {Control<QLineEdit>(form, "repsEdit"), {80, 248, 41, 25}, "1"},
        {Control<QPushButton>(form, "binarizeButton"), {24, 376, 73, 25}, "Binarize"},
        {Control<VSpinner>(form, "thresholdSpinner"), {208, 376, 17, 25}, ""},
        {Control<QPushButton>(form, "saveButton"), {24, 416, 73, 33}, "Save Holo"},
        {Control<QPushButton>(form, "quitButton"), {680, 496, 81, 41}, "Quit"},
        {Control<QLabel>(form, "statusLabel"), {120, 416, 161, 49}, ""},
        {Control<QLineEdit>(form, "timeEdit"), {360, 496, 97, 33}, "0"},
        {Control<QRadioButton>(form, "freehandTool"), {200, 40, 81, 25}, "freehand"},
        {Control<QRadioButton>(form, "lineTool"), {200, 72, 73, 25}, "line"},
        {Control<QRadioButton>(form, "circleTool"), {200, 104, 73, 25}, "Circle"},
        {Control<QPushButton>(form, "clearButton"), {120, 200, 57, 33}, "clear"},
        {Control<QGroupBox>(form, "penWidthFrame"), {192, 128, 89, 97}, "Width"},
        {Control<QRadioButton>(form, "penWidth1"), {8, 16, 73, 25}, "Width 1"},
        {Control<QRadioButton>(form, "penWidth5"), {8, 56, 65, 25}, "Width 5"},
        {Control<QRadioButton>(form, "penWidth2"), {8, 40, 65, 17}, "Width 2"},
        {Control<QLabel>(form, "pressYLabel"), {104, 160, 57, 25}, "y"},
        {Control<QLabel>(form, "pressXLabel"), {32, 160, 57, 25}, "x"},
    };
    EXPECT_EQ(expected.size(), 29u);
    for (const auto& [control, rect, caption] : expected) {
        SCOPED_TRACE(caption.toStdString());
        const QWidget* area = control->parentWidget() == Control<QGroupBox>(form, "penWidthFrame")
                                  ? control->parentWidget()
                                  : form.clientArea();
        EXPECT_EQ(QRect(control->mapTo(area, QPoint(0, 0)), control->size()), rect);
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(control))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(control))
            text = l->text();
        else if (auto* e = qobject_cast<QLineEdit*>(control))
            text = e->text();
        else if (auto* g = qobject_cast<QGroupBox*>(control))
            text = g->title();
        EXPECT_EQ(text, caption);
    }
    EXPECT_EQ(Control<QRadioButton>(form, "penWidth1")->parentWidget(),
              Control<QGroupBox>(form, "penWidthFrame"));
    EXPECT_EQ(Control<QRadioButton>(form, "penWidth2")->parentWidget(),
              Control<QGroupBox>(form, "penWidthFrame"));
    EXPECT_EQ(Control<QRadioButton>(form, "penWidth5")->parentWidget(),
              Control<QGroupBox>(form, "penWidthFrame"));
    EXPECT_EQ(Control<QPushButton>(form, "loadButton")->toolTip(), "Open an input image");
    EXPECT_EQ(form.clientArea()->size(), QSize(798, 541));
}

TEST_F(MainWindowTest, CaptionsAreReadableAtTheirSizes) {
    const QList<QAbstractButton*> buttons = {
        Control<QPushButton>(form, "loadButton"),      Control<QPushButton>(form, "printButton"),
        Control<QPushButton>(form, "calculateButton"), Control<QPushButton>(form, "binarizeButton"),
        Control<QPushButton>(form, "saveButton"),      Control<QPushButton>(form, "quitButton"),
        Control<QPushButton>(form, "clearButton"),     Control<QRadioButton>(form, "freehandTool"),
        Control<QRadioButton>(form, "lineTool"),       Control<QRadioButton>(form, "circleTool"),
        Control<QRadioButton>(form, "penWidth1"),      Control<QRadioButton>(form, "penWidth2"),
        Control<QRadioButton>(form, "penWidth5")};
    for (QAbstractButton* b : buttons) {
        SCOPED_TRACE(b->text().toStdString());
        EXPECT_LE(b->sizeHint().height(), b->height() + 4);
        const int textWidth = b->fontMetrics().horizontalAdvance(b->text());
        const int indicator = qobject_cast<QRadioButton*>(b) ? 18 : 4;
        EXPECT_LE(textWidth + indicator, b->width());
    }
    for (QLabel* l : {Control<QLabel>(form, "repsLabel"), Control<QLabel>(form, "randomPhaseLabel"),
                      Control<QLabel>(form, "thresholdLabel"), Control<QLabel>(form, "pressYLabel"),
                      Control<QLabel>(form, "pressXLabel")}) {
        SCOPED_TRACE(l->text().toStdString());
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width());
        EXPECT_LE(l->fontMetrics().height(), l->height());
    }
}

TEST_F(MainWindowTest, CanvasHasTheFocusWhenShown) {
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), Control<PictureArea>(form, "objectCanvas"));
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
        Control<PictureArea>(form, "objectCanvas")->setFocus(Qt::TabFocusReason);
        std::vector<std::string> stops;
        for (std::string at = "objectCanvas"; stops.size() < 40;) {
            stops.push_back(at);
            at = press(key);
            if (at == "objectCanvas") break;
        }
        return stops;
    }
    // The object name of the control `w`, or its class where it has none.
    static std::string nameOf(QWidget* w) {
        if (w == nullptr) return "none";
        return w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName().toStdString();
    }
    bool checked(std::initializer_list<QRadioButton*> expected) const {
        for (QRadioButton* b :
             {Control<QRadioButton>(form, "freehandTool"), Control<QRadioButton>(form, "lineTool"),
              Control<QRadioButton>(form, "circleTool"), Control<QRadioButton>(form, "penWidth1"),
              Control<QRadioButton>(form, "penWidth2"), Control<QRadioButton>(form, "penWidth5")})
            if (b->isChecked() != (std::find(expected.begin(), expected.end(), b) != expected.end()))
                return false;
        return true;
    }
};

TEST_F(MainWindowKeyboardTest, ArrowKeysMoveWithinEachOptionGroupOnly) {
    QTest::mouseClick(Control<QRadioButton>(form, "penWidth5"), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(form, "circleTool"), Qt::LeftButton);
    ASSERT_EQ(nameOf(QApplication::focusWidget()), "circleTool");
    ASSERT_EQ(Control<PictureArea>(form, "objectCanvas")->penWidth(), 5);

    // "Circle" is the lowest drawing mode: Down goes nowhere.
    EXPECT_EQ(press(Qt::Key_Down), "circleTool");
    EXPECT_TRUE(
        checked({Control<QRadioButton>(form, "circleTool"), Control<QRadioButton>(form, "penWidth5")}));
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->penWidth(), 5);
    EXPECT_EQ(press(Qt::Key_Up), "lineTool");
    EXPECT_EQ(press(Qt::Key_Up), "freehandTool");
    EXPECT_EQ(press(Qt::Key_Up), "freehandTool");
    EXPECT_TRUE(
        checked({Control<QRadioButton>(form, "freehandTool"), Control<QRadioButton>(form, "penWidth5")}));
    EXPECT_EQ(press(Qt::Key_Down), "lineTool");
    EXPECT_TRUE(checked({Control<QRadioButton>(form, "lineTool"), Control<QRadioButton>(form, "penWidth5")}));

    // The widths, top to bottom: "Width 1", "Width 2", "Width 5". Up from
    // the top one does not leave the frame.
    QTest::mouseClick(Control<QRadioButton>(form, "penWidth5"), Qt::LeftButton);
    EXPECT_EQ(press(Qt::Key_Up), "penWidth2");
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->penWidth(), 2);
    EXPECT_EQ(press(Qt::Key_Up), "penWidth1");
    EXPECT_EQ(press(Qt::Key_Up), "penWidth1");
    EXPECT_TRUE(checked({Control<QRadioButton>(form, "lineTool"), Control<QRadioButton>(form, "penWidth1")}));
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->penWidth(), 1);
    EXPECT_EQ(press(Qt::Key_Down), "penWidth2");
    EXPECT_EQ(press(Qt::Key_Down), "penWidth5");
    EXPECT_EQ(press(Qt::Key_Down), "penWidth5");
    EXPECT_TRUE(checked({Control<QRadioButton>(form, "lineTool"), Control<QRadioButton>(form, "penWidth5")}));
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->penWidth(), 5);
}

// Tab goes round the controls from the canvas across the window, entering each option
// group at its selected button; labels, the frame and the progress bar take
// no focus. Shift+Tab goes round the other way.
TEST_F(MainWindowKeyboardTest, TabEntersEachOptionGroupAtItsSelectedButton) {
    const auto round = [&](QRadioButton* tool, QRadioButton* width) {
        return std::vector<std::string>{
            "objectCanvas",     "loadButton",    "hologramView", "printButton", "calculateButton",
            "randomPhaseCheck", "thresholdEdit", "repsSpinner",  "repsEdit",    "binarizeButton",
            "thresholdSpinner", "saveButton",    "quitButton",   "timeEdit",    nameOf(tool),
            "clearButton",      nameOf(width)};
    };
    const auto backwards = [](std::vector<std::string> stops) {
        std::reverse(stops.begin() + 1, stops.end());
        return stops;
    };
    EXPECT_EQ(tabRound(Qt::Key_Tab),
              round(Control<QRadioButton>(form, "freehandTool"), Control<QRadioButton>(form, "penWidth1")));
    EXPECT_EQ(tabRound(Qt::Key_Backtab), backwards(round(Control<QRadioButton>(form, "freehandTool"),
                                                         Control<QRadioButton>(form, "penWidth1"))));

    QTest::mouseClick(Control<QRadioButton>(form, "circleTool"), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(form, "penWidth5"), Qt::LeftButton);
    EXPECT_EQ(tabRound(Qt::Key_Tab),
              round(Control<QRadioButton>(form, "circleTool"), Control<QRadioButton>(form, "penWidth5")));
    EXPECT_EQ(tabRound(Qt::Key_Backtab), backwards(round(Control<QRadioButton>(form, "circleTool"),
                                                         Control<QRadioButton>(form, "penWidth5"))));

    // Chosen with the keyboard: Shift+Tab into the widths, Up to "Width 2";
    // Shift+Tab twice more into the tools, Up to "line".
    Control<PictureArea>(form, "objectCanvas")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(press(Qt::Key_Backtab), "penWidth5");
    EXPECT_EQ(press(Qt::Key_Up), "penWidth2");
    EXPECT_EQ(press(Qt::Key_Backtab), "clearButton");
    EXPECT_EQ(press(Qt::Key_Backtab), "circleTool");
    EXPECT_EQ(press(Qt::Key_Up), "lineTool");
    EXPECT_EQ(tabRound(Qt::Key_Tab),
              round(Control<QRadioButton>(form, "lineTool"), Control<QRadioButton>(form, "penWidth2")));
    EXPECT_EQ(tabRound(Qt::Key_Backtab), backwards(round(Control<QRadioButton>(form, "lineTool"),
                                                         Control<QRadioButton>(form, "penWidth2"))));
    EXPECT_TRUE(checked({Control<QRadioButton>(form, "lineTool"), Control<QRadioButton>(form, "penWidth2")}));
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->penWidth(), 2);
}

// Clicks the spinner's upper or lower arrow with the mouse.
void clickArrow(VSpinner* spinner, bool up) {
    QTest::mouseClick(up ? spinner->upArrow() : spinner->downArrow(), Qt::LeftButton);
}

TEST_F(MainWindowTest, RepsSpinnerStepsOneToTen) {
    form.show();
    for (int click = 2; click <= 10; ++click) {
        clickArrow(Control<VSpinner>(form, "repsSpinner"), true);
        EXPECT_EQ(Control<QLineEdit>(form, "repsEdit")->text(), QString::number(click));
    }
    clickArrow(Control<VSpinner>(form, "repsSpinner"), true);
    EXPECT_EQ(Control<QLineEdit>(form, "repsEdit")->text(), "10");
    EXPECT_EQ(Control<VSpinner>(form, "repsSpinner")->value(), 10);
    clickArrow(Control<VSpinner>(form, "repsSpinner"), false);
    EXPECT_EQ(Control<QLineEdit>(form, "repsEdit")->text(), "9");
}

TEST_F(MainWindowTest, ThresholdSpinnerStepsDownToOneTenth) {
    form.show();
    const char* texts[] = {"0.5", "0.4", "0.3", "0.2", "0.1", "0.1"};
    for (const char* text : texts) {
        clickArrow(Control<VSpinner>(form, "thresholdSpinner"), false);
        EXPECT_EQ(Control<QLineEdit>(form, "thresholdEdit")->text(), text);
    }
    Control<VSpinner>(form, "thresholdSpinner")->setFocus();
    for (int i = 0; i < 11; ++i) QTest::keyClick(Control<VSpinner>(form, "thresholdSpinner"), Qt::Key_Up);
    EXPECT_EQ(Control<QLineEdit>(form, "thresholdEdit")->text(), "1.2");
    QTest::keyClick(Control<VSpinner>(form, "thresholdSpinner"), Qt::Key_PageDown);
    EXPECT_EQ(Control<QLineEdit>(form, "thresholdEdit")->text(), "1.1");
}

TEST_F(MainWindowTest, EveryThresholdValueHasItsShortText) {
    const char* texts[] = {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1", "1.1", "1.2"};
    for (int value = 1; value <= 12; ++value) {
        Control<VSpinner>(form, "thresholdSpinner")->setValue(value);
        EXPECT_EQ(Control<QLineEdit>(form, "thresholdEdit")->text(), texts[value - 1]);
    }
}

TEST_F(MainWindowTest, TypingIntoTheBoxDoesNotMoveTheSpinner) {
    Control<QLineEdit>(form, "repsEdit")->clear();
    QTest::keyClicks(Control<QLineEdit>(form, "repsEdit"), "7");
    EXPECT_EQ(Control<QLineEdit>(form, "repsEdit")->text(), "7");
    EXPECT_EQ(Control<VSpinner>(form, "repsSpinner")->value(), 1);
    Control<VSpinner>(form, "repsSpinner")->stepUp();
    EXPECT_EQ(Control<QLineEdit>(form, "repsEdit")->text(), "2");
}

TEST_F(MainWindowTest, ArrowAtTheEndRewritesNothing) {
    Control<QLineEdit>(form, "repsEdit")->setText("typed");
    Control<VSpinner>(form, "repsSpinner")->stepDown();  // already at 1
    EXPECT_EQ(Control<QLineEdit>(form, "repsEdit")->text(), "typed");
}

TEST_F(MainWindowTest, ClearEmptiesTheCanvasOnly) {
    Control<PictureArea>(form, "objectCanvas")->setPixel(10, 10, White);
    Control<PictureArea>(form, "hologramView")->setPixel(5, 5, White);
    QTest::mouseClick(Control<QPushButton>(form, "clearButton"), Qt::LeftButton);
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->colorAt(10, 10), 0);
    EXPECT_EQ(Control<PictureArea>(form, "objectCanvas")->currentPosition(), QPointF(0, 0));
    EXPECT_EQ(Control<PictureArea>(form, "hologramView")->colorAt(5, 5), White);
}

// "Options" > "Engine" offers the engine table's engines this machine runs,
// in the table's order, by their labels, one at a time.
TEST_F(MainWindowTest, TheEngineSubmenuListsTheTable) {
    const QList<QAction*> menus = form.menuBar()->actions();
    ASSERT_EQ(menus.size(), 5);
    EXPECT_EQ(menus[3]->text(), "&Options");
    ASSERT_NE(menus[3]->menu(), nullptr);
    auto* submenu = Control<QAction>(form, "engineMenu");
    EXPECT_TRUE(menus[3]->menu()->actions().contains(submenu));
    EXPECT_EQ(submenu->text(), "&Engine");
    ASSERT_NE(submenu->menu(), nullptr);
    const QList<QAction*> items = submenu->menu()->actions();

    std::vector<const CalculationEngine*> offered;
    for (const CalculationEngine& engine : CalculationEngines())
        if (engine.available()) offered.push_back(&engine);
    ASSERT_EQ(items.size(), static_cast<qsizetype>(offered.size()));
    for (std::size_t i = 0; i < offered.size(); ++i) {
        QAction* item = items[static_cast<qsizetype>(i)];
        const QString name =
            QString::fromUtf8(offered[i]->name.data(), static_cast<qsizetype>(offered[i]->name.size()));
        EXPECT_EQ(item->objectName(), name + "EngineAction");
        EXPECT_EQ(item->text().toStdString(), offered[i]->label);
        EXPECT_TRUE(item->isCheckable()) << name.toStdString();
        EXPECT_EQ(item->isChecked(), offered[i] == &DefaultCalculationEngine()) << name.toStdString();
    }
    for (QAction* item : items) {
        item->trigger();
        for (QAction* other : items)
            EXPECT_EQ(other->isChecked(), other == item) << other->text().toStdString();
        EXPECT_EQ(form.calculateSettings().engine, item->data().toString().toStdString());
    }
}

TEST(MainWindowQuit, ClosesEveryWindow) {
    Document document;
    MainWindow form(document);
    QWidget other;
    form.show();
    other.show();
    QTest::mouseClick(Control<QPushButton>(form, "quitButton"), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(other.isVisible());
}

TEST(MainWindowClose, ThroughTheFrameEndsTheProgramToo) {
    Document document;
    MainWindow form(document);
    QWidget chooserStandIn;
    form.show();
    chooserStandIn.show();
    form.close();
    EXPECT_FALSE(chooserStandIn.isVisible());
}

}  // namespace
}  // namespace marbleck
