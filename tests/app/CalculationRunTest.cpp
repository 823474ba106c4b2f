#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <string>

#include "Calculation.h"
#include "CaseName.h"
#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "platform/NumberText.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"
#include "widgets/VSpinner.h"

namespace marbleck {
namespace {

using test::Control;

// Every control that would change the object, the hologram or the
// parameters.
const char* const Commands[] = {"calculateButton", "binarizeButton", "saveButton",       "loadButton",
                                "clearButton",     "printButton",    "objectCanvas",     "repsEdit",
                                "thresholdEdit",   "repsSpinner",    "thresholdSpinner", "randomPhaseCheck",
                                "freehandTool",    "lineTool",       "circleTool",       "penWidth1"};

class CalculationRun : public ::testing::Test {
protected:
    CalculationRun() {
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    PictureArea& canvas() { return *Control<PictureArea>(form, "objectCanvas"); }
    PictureArea& view() { return *Control<PictureArea>(form, "hologramView"); }
    QString statusBar() { return Control<QLabel>(form, "statusBarMessage")->text(); }
    QPushButton* cancelButton() { return Control<QPushButton>(form, "cancelCalculationButton"); }

    // A long exact calculation: every canvas sample lit, a 1000 × 1000
    // hologram.
    void startLargeCalculation() {
        canvas().drawBox(0, 0, 100, 100, White, true);
        Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("10"));
        QTest::mouseClick(Control<QPushButton>(form, "calculateButton"), Qt::LeftButton);
    }

    // Handles events until the progress bar has moved or the calculation
    // has ended.
    void waitForProgress() {
        QEventLoop loop;
        QObject::connect(Control<ProgressBar>(form, "progressBar"), &QProgressBar::valueChanged, &loop,
                         &QEventLoop::quit);
        QObject::connect(&form, &MainWindow::calculationEnded, &loop, &QEventLoop::quit);
        if (form.isCalculating()) loop.exec();
    }

    // Handles events until the window shows the calculation busy.
    void waitForBusy() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return cancelButton()->isVisible(); }, 60000));
    }

    void expectCommandsEnabled(bool enabled) {
        for (const char* name : Commands)
            EXPECT_EQ(Control<QWidget>(form, name)->isEnabled(), enabled) << name;
        for (const char* name : {"exactEngineAction", "fastEngineAction", "thresholdBinarizationAction",
                                 "openObjectAction", "saveHologramAction", "printAction"})
            EXPECT_EQ(Control<QAction>(form, name)->isEnabled(), enabled) << name;
        if (!enabled) {
            EXPECT_FALSE(Control<QAction>(form, "undoAction")->isEnabled());
            EXPECT_FALSE(Control<QAction>(form, "saveHologramAsAction")->isEnabled());
        }
        EXPECT_TRUE(Control<QPushButton>(form, "quitButton")->isEnabled());
        EXPECT_EQ(cancelButton()->isVisible(), !enabled);
        EXPECT_EQ(form.cursor().shape() == Qt::BusyCursor, !enabled);
    }

    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
};

enum class CancelBy { EscKey, CancelButton };

class CancelledCalculation : public CalculationRun, public ::testing::WithParamInterface<CancelBy> {};

// The window goes on while the sums run; cancelling leaves everything that
// the earlier calculation showed exactly as it was.
TEST_P(CancelledCalculation, LeavesTheEarlierHologramAsItWas) {
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    // A stroke the user drew, so that there is something to undo.
    QTest::mouseClick(&canvas(), Qt::LeftButton, Qt::NoModifier,
                      canvas().contentsRect().topLeft() + QPoint(20, 30));
    ASSERT_TRUE(Control<QAction>(form, "undoAction")->isEnabled());
    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());
    const HologramField field = document.field();
    const std::vector<std::uint8_t> grey = document.calculation().greyLevels;
    const QImage shown = document.shownHologram;
    const QImage image = view().image();
    const QSize viewSize = view().size();
    const QString time = Control<QLineEdit>(form, "timeEdit")->text();

    startLargeCalculation();
    ASSERT_TRUE(form.isCalculating());
    waitForBusy();
    waitForProgress();
    ASSERT_TRUE(form.isCalculating());
    EXPECT_GT(Control<ProgressBar>(form, "progressBar")->value(), 0.0f);
    EXPECT_TRUE(Control<ProgressBar>(form, "progressBar")->isVisible());
    expectCommandsEnabled(false);
    // A click on a disabled command starts nothing.
    QTest::mouseClick(Control<QPushButton>(form, "binarizeButton"), Qt::LeftButton);
    EXPECT_EQ(document.field(), field);
    const QImage object = canvas().image();
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(canvas().image(), object);

    if (GetParam() == CancelBy::EscKey)
        QTest::keyClick(&form, Qt::Key_Escape);
    else
        QTest::mouseClick(cancelButton(), Qt::LeftButton);
    test::WaitForCalculation(form);

    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(statusBar(), "Cancelled");
    EXPECT_TRUE(Control<QAction>(form, "undoAction")->isEnabled());
    EXPECT_EQ(document.field(), field);
    EXPECT_EQ(document.calculation().greyLevels, grey);
    EXPECT_EQ(document.shownHologram, shown);
    EXPECT_EQ(view().image(), image);
    EXPECT_EQ(view().size(), viewSize);
    EXPECT_EQ(Control<QLineEdit>(form, "timeEdit")->text(), time);
    EXPECT_TRUE(Control<ProgressBar>(form, "progressBar")->isHidden());
    expectCommandsEnabled(true);
    EXPECT_EQ(QApplication::focusWidget(), Control<QPushButton>(form, "calculateButton"));

    // The next calculation runs to its end.
    Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("1"));
    test::CalculateAndWait(form);
    EXPECT_EQ(document.field().columns(), 100);
    EXPECT_NE(document.field(), field);
}

INSTANTIATE_TEST_SUITE_P(Ways, CancelledCalculation,
                         ::testing::Values(CancelBy::EscKey, CancelBy::CancelButton), [](const auto& info) {
                             return info.param == CancelBy::EscKey ? "EscKey" : "CancelButton";
                         });

// At first the commands wait unchanged on the screen: a short calculation
// ends without greying the window or repainting it, while clicks and keys
// on them change nothing. The window shows itself busy once it lasts.
TEST_F(CalculationRun, CommandsWaitWithoutAFlashThenShowBusy) {
    QTest::mouseClick(&canvas(), Qt::LeftButton, Qt::NoModifier,
                      canvas().contentsRect().topLeft() + QPoint(20, 30));
    startLargeCalculation();
    ASSERT_TRUE(form.isCalculating());
    for (const char* name : Commands) EXPECT_TRUE(Control<QWidget>(form, name)->isEnabled()) << name;
    EXPECT_FALSE(cancelButton()->isVisible());
    EXPECT_NE(form.cursor().shape(), Qt::BusyCursor);
    EXPECT_FALSE(Control<QAction>(form, "undoAction")->isEnabled());

    const QImage object = canvas().image();
    QTest::mouseClick(&canvas(), Qt::LeftButton, Qt::NoModifier,
                      canvas().contentsRect().topLeft() + QPoint(60, 60));
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(canvas().image(), object);
    auto* reps = Control<QLineEdit>(form, "repsEdit");
    reps->setFocus();
    QTest::keyClicks(reps, "7");
    EXPECT_EQ(reps->text(), "10");
    QTest::mouseClick(Control<QCheckBox>(form, "randomPhaseCheck"), Qt::LeftButton);
    EXPECT_TRUE(Control<QCheckBox>(form, "randomPhaseCheck")->isChecked());
    QTest::mouseClick(Control<QRadioButton>(form, "lineTool"), Qt::LeftButton);
    EXPECT_FALSE(Control<QRadioButton>(form, "lineTool")->isChecked());
    QTest::mouseClick(Control<QPushButton>(form, "binarizeButton"), Qt::LeftButton);
    EXPECT_TRUE(document.field().empty());
    EXPECT_TRUE(errors.empty());

    waitForBusy();
    expectCommandsEnabled(false);
    QTest::keyClick(&form, Qt::Key_Escape);
    test::WaitForCalculation(form);
    expectCommandsEnabled(true);
    // Input reaches the commands again.
    QTest::mouseClick(Control<QRadioButton>(form, "lineTool"), Qt::LeftButton);
    EXPECT_TRUE(Control<QRadioButton>(form, "lineTool")->isChecked());
}

TEST_F(CalculationRun, StatusBarTellsTheHologramsSizeAndTime) {
    EXPECT_EQ(statusBar(), "");
    EXPECT_TRUE(cancelButton()->isHidden());
    canvas().setPixel(10, 10, White);
    Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("3"));
    test::CalculateAndWait(form);
    const QRegularExpressionMatch said =
        QRegularExpression(QStringLiteral("^Hologram 300 × 300 in (\\d+\\.\\d\\d) s$")).match(statusBar());
    ASSERT_TRUE(said.hasMatch()) << statusBar().toStdString();
    const double shown = ReadNumber(Control<QLineEdit>(form, "timeEdit")->text().toStdString());
    EXPECT_NEAR(said.captured(1).toDouble(), shown, 0.0051);
    expectCommandsEnabled(true);
}

// A calculation that will take long says so before it starts, with how to
// stop it; a short one says nothing until it has lasted.
TEST_F(CalculationRun, StatusBarEstimatesALongCalculationBeforeItStarts) {
    canvas().setPixel(10, 10, White);
    QTest::mouseClick(Control<QPushButton>(form, "calculateButton"), Qt::LeftButton);
    EXPECT_EQ(statusBar(), "");
    test::WaitForCalculation(form);

    // 10^4 points × 8000 × 8000 values: minutes of work on a few threads.
    canvas().drawBox(0, 0, 100, 100, White, true);
    Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("80"));
    QTest::mouseClick(Control<QPushButton>(form, "calculateButton"), Qt::LeftButton);
    ASSERT_TRUE(form.isCalculating());
    const QRegularExpressionMatch said =
        QRegularExpression(QStringLiteral("^Calculating… about (\\d+) (s|min) \\(Esc cancels\\)$"))
            .match(statusBar());
    EXPECT_TRUE(said.hasMatch()) << statusBar().toStdString();
    EXPECT_GE(said.captured(1).toInt(), 2);
    QTest::keyClick(&form, Qt::Key_Escape);
    test::WaitForCalculation(form);
    EXPECT_EQ(statusBar(), "Cancelled");
    EXPECT_TRUE(errors.empty());
}

// The program started on its own, as tests/app/CalculateThenQuit.cpp says.
struct ProgramRun {
    const char* how;
    const char* said;
};

class ProgramWithCalculation : public ::testing::TestWithParam<ProgramRun> {};

TEST_P(ProgramWithCalculation, EndsAndKeepsNoPartOfTheCalculation) {
#ifdef __SANITIZE_ADDRESS__
    // AddressSanitizer ends a program whose allocation fails instead of throwing.
    if (std::string(GetParam().how) == "memory" || std::string(GetParam().how) == "threads")
        GTEST_SKIP() << "allocation failures end a sanitized program";
#endif
    QProcess process;
    process.start(QStringLiteral(CALCULATE_THEN_QUIT), {QString::fromLatin1(GetParam().how)});
    // A liveness bound only: the program ends long before it.
    ASSERT_TRUE(process.waitForFinished(120000)) << "the program did not end";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(process.readAllStandardOutput().trimmed().toStdString(), GetParam().said);
}

INSTANTIATE_TEST_SUITE_P(Ways, ProgramWithCalculation,
                         ::testing::Values(
                             // Quit or closing the window stops the calculation and the program ends.
                             ProgramRun{"quit", "errors: none; hologram: none; time: 0"},
                             ProgramRun{"close", "errors: none; hologram: none; time: 0"},
                             // The worker runs out of memory: error 7 is shown, nothing changes.
                             ProgramRun{"memory", "errors: 7; hologram: none; time: 0"},
                             // No thread can start for the calculation: error 7, nothing changes.
                             ProgramRun{"threads", "errors: 7; hologram: none; time: 0"}),
                         [](const auto& info) { return test::TextCaseName(info.param.how); });

}  // namespace
}  // namespace marbleck
