#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "Calculation.h"
#include "CaseName.h"
#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "widgets/PictureArea.h"

namespace marbleck {
namespace {

using test::Control;

// The controls of the commands that would change the object, the hologram or
// the parameters, and their menu items.
const char* const WaitingControls[] = {
    "objectCanvas", "loadButton", "printButton",    "calculateButton",  "randomPhaseCheck", "thresholdEdit",
    "repsSpinner",  "repsEdit",   "binarizeButton", "thresholdSpinner", "saveButton",       "freehandTool",
    "lineTool",     "circleTool", "clearButton",    "penWidthFrame"};
const char* const WaitingActions[] = {"openObjectAction",
                                      "saveHologramAction",
                                      "printAction",
                                      "fastCalculationAction",
                                      "thresholdBinarizationAction",
                                      "balancedBinarizationAction",
                                      "optimisedBinarizationAction",
                                      "timeBudgetAction",
                                      "amplitudeHologramAction",
                                      "phaseHologramAction",
                                      "gsRefinementAction",
                                      "weightedRefinementAction",
                                      "refinementIterationsAction",
                                      "refinementTimeLimitAction"};

enum class Phase { Idle, JustStarted, ShownBusy, CancelledBusy, CancelledAtOnce };

struct EnabledCase {
    const char* name;
    bool hologramFirst;  // a calculation has ended before
    Phase phase;
    bool controls;  // the waiting controls enabled (not greyed)
    bool commands;  // their menu items and "Undo" enabled
    bool saveAs;    // "Save Hologram As…" enabled
};

class EnabledStates : public ::testing::TestWithParam<EnabledCase> {
protected:
    EnabledStates() {
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    ~EnabledStates() override {
        if (form.isCalculating()) QTest::keyClick(&form, Qt::Key_Escape);
        test::WaitForCalculation(form);
    }

    PictureArea& canvas() { return *Control<PictureArea>(form, "objectCanvas"); }
    QPushButton* cancelButton() { return Control<QPushButton>(form, "cancelCalculationButton"); }

    // A calculation of every canvas sample into a 1000 × 1000 hologram:
    // seconds of work.
    void startLargeCalculation() {
        canvas().drawBox(0, 0, 100, 100, White, true);
        Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("10"));
        QTest::mouseClick(Control<QPushButton>(form, "calculateButton"), Qt::LeftButton);
        ASSERT_TRUE(form.isCalculating());
    }
    void waitForBusy() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return cancelButton()->isVisible(); }, 60000));
    }

    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
};

// Every enabled state follows from whether a calculation runs, whether it
// is shown busy yet, and whether there is a hologram; "Quit" and "View" >
// "Reconstruction" are always there.
TEST_P(EnabledStates, FollowWhatRunsAndWhatExists) {
    const EnabledCase& c = GetParam();
    // A stroke, so that there is something to undo.
    QTest::mouseClick(&canvas(), Qt::LeftButton, Qt::NoModifier,
                      canvas().contentsRect().topLeft() + QPoint(20, 30));
    if (c.hologramFirst) {
        Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("1"));
        test::CalculateAndWait(form);
        ASSERT_FALSE(document.field().empty());
    }
    if (c.phase != Phase::Idle) {
        ASSERT_NO_FATAL_FAILURE(startLargeCalculation());
    }
    if (c.phase == Phase::ShownBusy || c.phase == Phase::CancelledBusy) {
        ASSERT_NO_FATAL_FAILURE(waitForBusy());
    }
    if (c.phase == Phase::CancelledBusy || c.phase == Phase::CancelledAtOnce) {
        QTest::keyClick(&form, Qt::Key_Escape);
        test::WaitForCalculation(form);
    }

    for (const char* name : WaitingControls)
        EXPECT_EQ(Control<QWidget>(form, name)->isEnabled(), c.controls) << name;
    for (const char* name : WaitingActions)
        EXPECT_EQ(Control<QAction>(form, name)->isEnabled(), c.commands) << name;
    EXPECT_EQ(Control<QAction>(form, "undoAction")->isEnabled(), c.commands);
    EXPECT_EQ(Control<QAction>(form, "saveHologramAsAction")->isEnabled(), c.saveAs);
    EXPECT_TRUE(Control<QAction>(form, "reconstructionAction")->isEnabled());
    EXPECT_TRUE(Control<QAction>(form, "quitAction")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(form, "quitButton")->isEnabled());
    EXPECT_EQ(cancelButton()->isVisible(), !c.controls);
    EXPECT_TRUE(errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Phases, EnabledStates,
                         ::testing::Values(
                             // name, hologram first, phase, controls, commands, "Save Hologram As…"
                             EnabledCase{"NoHologram", false, Phase::Idle, true, true, false},
                             EnabledCase{"Hologram", true, Phase::Idle, true, true, true},
                             // At first input is held back without greying.
                             EnabledCase{"JustStarted", true, Phase::JustStarted, true, false, false},
                             EnabledCase{"ShownBusy", true, Phase::ShownBusy, false, false, false},
                             EnabledCase{"CancelledBusy", true, Phase::CancelledBusy, true, true, true},
                             EnabledCase{"CancelledAtOnceWithoutHologram", false, Phase::CancelledAtOnce,
                                         true, true, false}),
                         [](const auto& info) { return test::TextCaseName(info.param.name); });

}  // namespace
}  // namespace marbleck
