#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "Calculation.h"
#include "CaseName.h"
#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/EnabledRules.h"
#include "app/MainWindow.h"
#include "widgets/PictureArea.h"

namespace marbleck {
namespace {

using test::Control;

enum class Kind { None, Amplitude, Phase };
enum class Job { Idle, JustStarted, ShownBusy, CancelledBusy, CancelledAtOnce };

struct EnabledCase {
    const char* name;
    Kind hologramFirst;  // the hologram "Calculate" made before, if any
    Job job;
};

// What a user sees of the state a case drives the window into.
WindowState Expected(const EnabledCase& c) {
    const bool running = c.job == Job::JustStarted || c.job == Job::ShownBusy;
    const bool phase = c.hologramFirst == Kind::Phase;
    return {running, c.job == Job::ShownBusy, c.hologramFirst != Kind::None, phase, phase};
}

// Which of the needs a rule may name that state meets.
unsigned MetNeeds(const WindowState& s) {
    unsigned met = 0;
    if (!s.busyShown) met |= Need::NotShownBusy;
    if (!s.jobRunning) met |= Need::NoJobRunning;
    if (s.hologram) met |= Need::AnyHologram;
    if (s.phaseHologram) met |= Need::PhaseHologram;
    if (!s.phaseHologram && !s.modulatorPhase) met |= Need::NoPhaseHologram;
    if (s.modulatorPhase) met |= Need::ModulatorPhase;
    return met;
}

class EnabledStates : public ::testing::TestWithParam<EnabledCase> {
protected:
    EnabledStates() {
        form.show();
        activate();
    }
    ~EnabledStates() override {
        if (form.isCalculating()) QTest::keyClick(&form, Qt::Key_Escape);
        test::WaitForCalculation(form);
    }

    // The headless platform gives no window back its activation when a
    // menu closes.
    void activate() {
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    PictureArea& canvas() { return *Control<PictureArea>(form, "objectCanvas"); }
    QPushButton* cancelButton() { return Control<QPushButton>(form, "cancelCalculationButton"); }

    void calculate(Kind kind) {
        if (kind == Kind::Phase) {
            test::ChooseFromMenu(form, QStringLiteral("Options"), {"hologramMenu", "phaseHologramAction"});
            activate();
        }
        Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("1"));
        test::CalculateAndWait(form);
        ASSERT_TRUE(errors.empty());
    }
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

// Every control and menu item the window rules is enabled exactly when the
// needs it declares hold in the state the window is driven into; undo waits
// while a job runs, and "Cancel" shows while the window is shown busy.
TEST_P(EnabledStates, FollowEachControlsDeclaredNeeds) {
    const EnabledCase& c = GetParam();
    // A stroke, so that there is something to undo.
    QTest::mouseClick(&canvas(), Qt::LeftButton, Qt::NoModifier,
                      canvas().contentsRect().topLeft() + QPoint(20, 30));
    if (c.hologramFirst != Kind::None) {
        ASSERT_NO_FATAL_FAILURE(calculate(c.hologramFirst));
    }
    if (c.job != Job::Idle) {
        ASSERT_NO_FATAL_FAILURE(startLargeCalculation());
    }
    if (c.job == Job::ShownBusy || c.job == Job::CancelledBusy) {
        ASSERT_NO_FATAL_FAILURE(waitForBusy());
    }
    if (c.job == Job::CancelledBusy || c.job == Job::CancelledAtOnce) {
        QTest::keyClick(&form, Qt::Key_Escape);
        test::WaitForCalculation(form);
        EXPECT_EQ(Control<QLabel>(form, "statusBarMessage")->text(), "Cancelled");
    }

    const WindowState expected = Expected(c);
    const WindowState now = form.state();
    EXPECT_EQ(now.jobRunning, expected.jobRunning);
    EXPECT_EQ(now.busyShown, expected.busyShown);
    EXPECT_EQ(now.hologram, expected.hologram);
    EXPECT_EQ(now.phaseHologram, expected.phaseHologram);
    EXPECT_EQ(now.modulatorPhase, expected.modulatorPhase);

    const unsigned met = MetNeeds(expected);
    ASSERT_FALSE(form.enabledRules().isEmpty());
    for (const EnabledRule& rule : form.enabledRules()) {
        ASSERT_TRUE(rule.target);
        EXPECT_EQ(rule.target->property("enabled").toBool(), (rule.needs & ~met) == 0)
            << rule.target->objectName().toStdString() << " needs " << rule.needs;
    }
    EXPECT_EQ(Control<QAction>(form, "undoAction")->isEnabled(), !expected.jobRunning);
    EXPECT_EQ(cancelButton()->isVisible(), expected.busyShown);
    EXPECT_TRUE(errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    States, EnabledStates,
    ::testing::Values(EnabledCase{"NoHologram", Kind::None, Job::Idle},
                      EnabledCase{"Hologram", Kind::Amplitude, Job::Idle},
                      EnabledCase{"PhaseHologram", Kind::Phase, Job::Idle},
                      // At first input is held back without greying.
                      EnabledCase{"JustStarted", Kind::Amplitude, Job::JustStarted},
                      EnabledCase{"ShownBusy", Kind::Amplitude, Job::ShownBusy},
                      EnabledCase{"PhaseShownBusy", Kind::Phase, Job::ShownBusy},
                      EnabledCase{"CancelledBusy", Kind::Amplitude, Job::CancelledBusy},
                      EnabledCase{"PhaseCancelledAtOnce", Kind::Phase, Job::CancelledAtOnce},
                      EnabledCase{"CancelledAtOnceWithoutHologram", Kind::None, Job::CancelledAtOnce}),
    [](const auto& info) { return test::TextCaseName(info.param.name); });

// Whether `object` or a widget it lies in is `ruled`.
bool RuledOrInRuled(const QObject* object, const QList<const QObject*>& ruled) {
    for (; object != nullptr; object = object->parent())
        if (ruled.contains(object)) return true;
    return false;
}

// No control escapes the rules: every button and box of the client area
// (or a group it lies in) and every named menu item has one, but for the
// history's own "Undo" and "Redo".
TEST(EnabledRules, CoverEveryButtonBoxAndMenuItem) {
    test::RecordedErrors errors;
    Document document;
    MainWindow form(document);
    QList<const QObject*> ruled;
    for (const EnabledRule& rule : form.enabledRules()) ruled.append(rule.target.data());

    QList<QWidget*> controls;
    for (auto* button : form.clientArea()->findChildren<QAbstractButton*>()) controls.append(button);
    for (auto* box : form.clientArea()->findChildren<QLineEdit*>())
        if (!box->isReadOnly()) controls.append(box);
    ASSERT_FALSE(controls.isEmpty());
    for (QWidget* control : controls)
        EXPECT_TRUE(RuledOrInRuled(control, ruled)) << control->objectName().toStdString();
    for (QMenu* menu : form.menuBar()->findChildren<QMenu*>()) {
        for (QAction* item : menu->actions()) {
            const QString name = item->objectName();
            if (item->isSeparator() || item->menu() || name == "undoAction" || name == "redoAction") continue;
            EXPECT_TRUE(ruled.contains(item)) << item->text().toStdString();
        }
    }
}

}  // namespace
}  // namespace marbleck
