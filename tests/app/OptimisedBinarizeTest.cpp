#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <cmath>
#include <memory>

#include "Calculation.h"
#include "Controls.h"
#include "Drawing.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/HologramProcedures.h"
#include "app/MainWindow.h"
#include "app/ReconstructionWindow.h"
#include "engine/binarization/Binarization.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"

namespace marbleck {
namespace {

using test::Control;

class OptimisedBinarize : public ::testing::Test {
protected:
    void SetUp() override {
        form->show();
        activate();
    }
    // The window takes Esc while it is active; the headless platform gives
    // no window back its activation when a menu or dialog closes.
    void activate() {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // Three points, random phase off; a 200 × 200 hologram, or larger.
    void calculate(const char* reps = "2") {
        for (const auto& [x, y] : {std::pair{30, 20}, {60, 40}, {45, 70}})
            Control<PictureArea>(*form, "objectCanvas")->setPixel(x, y, White);
        QTest::mouseClick(Control<QCheckBox>(*form, "randomPhaseCheck"), Qt::LeftButton);
        Control<QLineEdit>(*form, "repsEdit")->setText(QString::fromLatin1(reps));
        test::CalculateAndWait(*form);
        ASSERT_TRUE(document.hasHologram());
    }
    void choose(const char* method) {
        test::ChooseFromMenu(*form, QStringLiteral("Options"), {"binarizationMenu", method});
        activate();
    }
    void binarize() { QTest::mouseClick(Control<QPushButton>(*form, "binarizeButton"), Qt::LeftButton); }
    // "Time Budget…": the budget it offers, after typing `seconds` (none:
    // Esc) into it.
    double timeBudget(const char* seconds) {
        double offered = 0;
        test::WhenModalShows<QInputDialog>([&](QInputDialog& dialog) {
            offered = dialog.doubleValue();
            auto* box = dialog.findChild<QDoubleSpinBox*>();
            if (seconds == nullptr) return QTest::keyClick(box, Qt::Key_Escape);
            box->selectAll();
            QTest::keyClicks(box, seconds);
            QTest::keyClick(box, Qt::Key_Return);
        });
        test::ChooseFromMenu(*form, QStringLiteral("Options"), {"binarizationMenu", "timeBudgetAction"});
        activate();
        return offered;
    }
    QString statusBar() const { return Control<QLabel>(*form, "statusBarMessage")->text(); }

    test::RecordedErrors errors;
    Document document;
    std::unique_ptr<MainWindow> form = std::make_unique<MainWindow>(document);
};

// After "Threshold", "Optimised" starts again from the calculated field: its
// record starts at the balanced hologram of that field. The view shows the
// result and the status bar what it gained.
TEST_F(OptimisedBinarize, StartsFromTheCalculatedFieldAndTellsTheGain) {
    EXPECT_DOUBLE_EQ(timeBudget("0.3"), DefaultBinarizationBudget);
    ASSERT_NO_FATAL_FAILURE(calculate());
    const HologramField calculated = document.calculation().field;
    binarize();
    ASSERT_EQ(document.binarized()->method, "threshold");
    const QString threshold = Control<QLineEdit>(*form, "thresholdEdit")->text();

    choose("optimisedBinarizationAction");
    binarize();
    ASSERT_TRUE(form->isCalculating());
    EXPECT_FALSE(Control<QAction>(*form, "timeBudgetAction")->isEnabled());
    test::WaitForCalculation(*form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.binarized() && document.binarized()->optimisation);
    EXPECT_EQ(document.binarized()->method, "optimised");
    EXPECT_EQ(document.calculation().field, calculated);
    EXPECT_EQ(Control<QLineEdit>(*form, "thresholdEdit")->text(), threshold);

    const HologramResult& c = document.calculation();
    const ExecutionContext execution;
    const BinarizationContext context{c.geometry, c.litSamples, execution};
    const BinarizedHologram balanced = ApplyBinarization({"balanced"}, calculated, context);
    const HologramFigures start = context.figures(context.reconstruct(balanced.field));
    const OptimisationRecord& record = *document.binarized()->optimisation;
    EXPECT_NEAR(record.start.fidelity, start.fidelity, 1e-6 * start.fidelity);

    const QImage view = Control<PictureArea>(*form, "hologramView")->image();
    const HologramField& shown = document.field();
    for (int v = 0; v < std::min(view.height(), c.geometry.rows); ++v)
        for (int u = 0; u < std::min(view.width(), c.geometry.columns); ++u) {
            ASSERT_TRUE(shown(u, v) == 0 || shown(u, v) == 255) << u << ", " << v;
            ASSERT_EQ(qGray(view.pixel(u, v)), shown(u, v)) << u << ", " << v;
        }
    EXPECT_EQ(document.shownHologram, view);

    const QRegularExpressionMatch said =
        QRegularExpression(QStringLiteral("^Fidelity (\\d+) → (\\d+) in (\\d+\\.\\d) s$")).match(statusBar());
    ASSERT_TRUE(said.hasMatch()) << statusBar().toStdString();
    EXPECT_EQ(said.captured(1).toInt(), std::lround(record.start.fidelity));
    EXPECT_EQ(said.captured(2).toInt(), std::lround(record.end.fidelity));
    EXPECT_NEAR(said.captured(3).toDouble(), record.seconds, 0.051);
}

// A point in the canvas's corner adds the same value to the whole
// hologram: no pattern shows it. "Optimised" says so as a run-time error
// and the view keeps the calculated hologram instead of a blank one.
TEST_F(OptimisedBinarize, AHologramThatCannotShowTheObjectIsAnErrorAndKeepsTheView) {
    Control<PictureArea>(*form, "objectCanvas")->setPixel(0, 0, White);
    test::CalculateAndWait(*form);
    ASSERT_TRUE(document.hasHologram());
    const QImage before = Control<PictureArea>(*form, "hologramView")->image();

    choose("optimisedBinarizationAction");
    binarize();
    test::WaitForCalculation(*form);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), 481);
    EXPECT_EQ(
        errors.errors().back().description,
        QStringLiteral("Invalid picture: the optimised binarization found no pattern that shows the object"));
    EXPECT_FALSE(document.binarized().has_value());
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->image(), before);
}

// Esc at once, while the worker may still be running or has just ended
// unseen, and "Cancel" once the optimiser has shown progress on a hologram
// large enough to take seconds: the hologram shown before stays, bit for bit.
TEST_F(OptimisedBinarize, EscAndCancelLeaveTheEarlierHologram) {
    timeBudget("600");
    ASSERT_NO_FATAL_FAILURE(calculate("16"));
    for (const char* earlier : {"calculated", "threshold"}) {
        const bool byEsc = std::string(earlier) == "calculated";
        if (!byEsc) {
            choose("thresholdBinarizationAction");
            binarize();
        }
        const HologramField field = document.field();
        const QImage shown = document.shownHologram;
        const bool binarized = document.binarized().has_value();
        choose("optimisedBinarizationAction");
        binarize();
        ASSERT_TRUE(form->isCalculating()) << earlier;
        EXPECT_TRUE(Control<ProgressBar>(*form, "progressBar")->isVisible());
        EXPECT_FALSE(Control<QAction>(*form, "openObjectAction")->isEnabled());
        if (byEsc) {
            QTest::keyClick(form.get(), Qt::Key_Escape);
        } else {
            auto* cancel = Control<QPushButton>(*form, "cancelCalculationButton");
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return cancel->isVisible() && Control<ProgressBar>(*form, "progressBar")->value() > 0;
                },
                30000));
            QTest::mouseClick(cancel, Qt::LeftButton);
        }
        test::WaitForCalculation(*form);
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(statusBar(), "Cancelled");
        EXPECT_EQ(document.field(), field) << earlier;
        EXPECT_EQ(document.binarized().has_value(), binarized);
        EXPECT_EQ(document.shownHologram, shown);
        EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->image(), shown);
        EXPECT_TRUE(Control<QAction>(*form, "openObjectAction")->isEnabled());
    }
}

// A drawn letter at reps 2, random phase off (the same run every time): the
// optimised hologram's reconstruction, as the Reconstruction window shows
// it, has the fidelity well above the balanced hologram's with the letter
// even.
TEST_F(OptimisedBinarize, ADrawnLetterComesOutBrighterAndEven) {
    timeBudget("1");
    test::DrawLetter(*form);
    QTest::mouseClick(Control<QCheckBox>(*form, "randomPhaseCheck"), Qt::LeftButton);
    Control<QLineEdit>(*form, "repsEdit")->setText(QStringLiteral("2"));
    test::CalculateAndWait(*form);
    choose("optimisedBinarizationAction");
    binarize();
    test::WaitForCalculation(*form);
    ASSERT_TRUE(errors.empty());
    const OptimisationRecord& record = *document.binarized()->optimisation;
    std::printf("drawn letter: fidelity %.1f -> %.1f (%.2fx), spread %.2f -> %.2f in %.2f s, %d steps\n",
                record.start.fidelity, record.end.fidelity, record.end.fidelity / record.start.fidelity,
                record.start.uniformity, record.end.uniformity, record.seconds, record.iterations);
    EXPECT_GT(record.end.fidelity, 1.6 * record.start.fidelity);
    EXPECT_LT(record.end.uniformity, 0.5);

    test::ChooseFromMenu(*form, QStringLiteral("View"), {"reconstructionAction"});
    QLabel* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* r = qobject_cast<ReconstructionWindow*>(w))
            shown = r->findChild<QLabel*>(QStringLiteral("optimisationLabel"));
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown->isVisible(); }, 10000));
    EXPECT_EQ(shown->text(), QStringLiteral("Optimised: ") + OptimisationText(record));
}

// The budget lasts to the next run; Esc keeps it. A remembered budget
// outside the dialog's bounds comes back within them.
TEST_F(OptimisedBinarize, TimeBudgetLastsToTheNextRun) {
    timeBudget("0.5");
    EXPECT_DOUBLE_EQ(timeBudget(nullptr), 0.5);
    form.reset();
    form = std::make_unique<MainWindow>(document);
    form->show();
    EXPECT_DOUBLE_EQ(timeBudget(nullptr), 0.5);
    form.reset();
    QSettings().setValue(QStringLiteral("options/binarizationBudget"), 9999);
    form = std::make_unique<MainWindow>(document);
    form->show();
    EXPECT_DOUBLE_EQ(timeBudget(nullptr), 600);
}

}  // namespace
}  // namespace marbleck
