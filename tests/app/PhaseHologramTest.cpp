#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <numbers>

#include "Calculation.h"
#include "Controls.h"
#include "Drawing.h"
#include "GreyPicture.h"
#include "PhaseHologramFixture.h"
#include "app/PhaseProcedures.h"
#include "engine/phase/Kinoform.h"
#include "engine/phase/Refinement.h"
#include "widgets/ProgressBar.h"
#include "widgets/Screen.h"

namespace marbleck {
namespace {

using test::Control;

constexpr double TwoPi = 2 * std::numbers::pi;

// The grey levels' circular distance: 255 and 0 are both about φ = 0.
int LevelDistance(int a, int b) {
    const int d = std::abs(a - b);
    return std::min(d, 255 - d);
}

// The kinoform of one point is a linear phase ramp, and the view shows its
// grey levels where an amplitude hologram is shown. Switching the kind back
// changes nothing until the next "Calculate", which lets the phase hologram go.
TEST_F(PhaseHologramTest, OnePointShowsALinearRampAndBinarizeWaits) {
    litPoints({{30, 20}}, "2");
    choosePhase();
    QSignalSpy changed(form.get(), &MainWindow::hologramChanged);
    test::CalculateAndWait(*form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.phase());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(document.hasHologram());
    const PhaseHologram& phase = *document.phase();
    const int columns = phase.geometry.columns, rows = phase.geometry.rows;
    ASSERT_GT(columns, 100);
    ASSERT_EQ(phase.greyLevels.size(), static_cast<std::size_t>(columns) * rows);

    const auto wrapped = [](double phi) { return phi - TwoPi * std::floor(phi / TwoPi); };
    const double stepU = wrapped(phase.phase(1, 0) - phase.phase(0, 0));
    const double stepV = wrapped(phase.phase(0, 1) - phase.phase(0, 0));
    EXPECT_GT(std::min(stepU, TwoPi - stepU) + std::min(stepV, TwoPi - stepV), 0.01);
    const QImage shown = view()->image();
    ASSERT_GT(std::min(shown.width(), shown.height()), 50);
    for (int u = 0; u < std::min(shown.width(), columns); ++u)
        for (int v = 0; v < std::min(shown.height(), rows); ++v) {
            const int level = phase.greyLevels[static_cast<std::size_t>(u) * rows + v];
            ASSERT_EQ(qGray(shown.pixel(u, v)), level) << u << ", " << v;
            const double ramp = wrapped(phase.phase(0, 0) + u * stepU + v * stepV);
            ASSERT_LE(LevelDistance(level, static_cast<int>(std::lround(ramp / TwoPi * 255))), 1)
                << u << ", " << v;
        }
    EXPECT_EQ(document.shownHologram, shown);
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^Phase hologram %1 × %2 in \\d+\\.\\d\\d s$").arg(columns).arg(rows))
                    .match(statusBar())
                    .hasMatch())
        << statusBar().toStdString();
    EXPECT_FALSE(binarizeEnabled());
    EXPECT_FALSE(enabled("binarizationMenu"));
    EXPECT_TRUE(enabled("refineAction"));
    EXPECT_TRUE(enabled("saveHologramAsAction"));

    choose({"hologramMenu", "amplitudeHologramAction"});
    EXPECT_TRUE(document.phase());
    EXPECT_EQ(view()->image(), shown);
    EXPECT_FALSE(binarizeEnabled());
    test::CalculateAndWait(*form);
    ASSERT_TRUE(errors.empty());
    EXPECT_FALSE(document.phase());
    EXPECT_TRUE(document.hasHologram());
    EXPECT_TRUE(binarizeEnabled());
    EXPECT_TRUE(enabled("binarizationMenu"));
    EXPECT_FALSE(enabled("refineAction"));
}

// A loaded picture's grey levels ask for the light a screen gives them; a
// colour asks for its brightest channel's.
TEST_F(PhaseHologramTest, GreyLevelsAskForTheirLight) {
    const QImage picture = test::GreyLevelPicture();
    const QString path = folder.filePath(QStringLiteral("grey.png"));
    ASSERT_TRUE(picture.save(path));
    form->setOpenFileQuestion([&](QWidget*, const QString&, const QString&, const QString&) { return path; });
    activate();
    QTest::keySequence(form.get(), QKeySequence(Qt::CTRL | Qt::Key_O));
    ASSERT_TRUE(errors.empty());
    choosePhase();
    test::CalculateAndWait(*form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.phase());
    // Scan order: x outer, y inner.
    const std::vector<float> expected = {1, 128 / 255.0f, 200 / 255.0f, 10 / 255.0f};
    EXPECT_EQ(document.phase()->brightness, expected);
}

// The aim: "Phase (SLM)", "Calculate" and "Refine" on a drawn letter
// at reps 2 put at least 86 % of the light on the letter, as the
// Reconstruction window shows; a second "Refine" goes on from the first.
TEST_F(PhaseHologramTest, RefiningADrawnLetterReachesTheAim) {
    test::DrawLetter(*form);
    QTest::mouseClick(Control<QCheckBox>(*form, "randomPhaseCheck"), Qt::LeftButton);
    Control<QLineEdit>(*form, "repsEdit")->setText(QStringLiteral("2"));
    choosePhase();
    test::CalculateAndWait(*form);
    ASSERT_TRUE(document.phase());
    const QString time = Control<QLineEdit>(*form, "timeEdit")->text();
    refine();
    ASSERT_TRUE(form->isCalculating());
    EXPECT_FALSE(enabled("refineAction"));
    test::WaitForCalculation(*form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.phase() && document.phase()->refinement);
    const RefinementRecord first = *document.phase()->refinement;
    std::printf(
        "drawn letter: efficiency %.3f -> %.3f, uniformity %.3f -> %.3f, fidelity %.1f -> %.1f, "
        "%d iterations in %.2f s\n",
        first.start.efficiency, first.end.efficiency, first.start.uniformity, first.end.uniformity,
        first.start.fidelity, first.end.fidelity, first.iterations, first.seconds);
    EXPECT_EQ(first.iterations, 30);
    EXPECT_GE(first.end.efficiency, 0.86);
    EXPECT_EQ(statusBar(), RefinementText(first));
    EXPECT_EQ(Control<QLineEdit>(*form, "timeEdit")->text(), time);

    ReconstructionWindow* window = reconstruction();
    ASSERT_NE(window, nullptr);
    const QRegularExpressionMatch efficiency =
        QRegularExpression(QStringLiteral("^Efficiency: (\\d\\.\\d\\d)$"))
            .match(Control<QLabel>(*window, "efficiencyLabel")->text());
    ASSERT_TRUE(efficiency.hasMatch()) << Control<QLabel>(*window, "efficiencyLabel")->text().toStdString();
    EXPECT_GE(efficiency.captured(1).toDouble(), 0.86);
    EXPECT_EQ(Control<QLabel>(*window, "refinementLabel")->text(),
              QStringLiteral("Refined (Gerchberg–Saxton): ") + RefinementText(first));
    // Every figure is shown, each with its own label.
    for (const auto& [name, caption] :
         {std::pair{"fidelityLabel", "Fidelity"}, std::pair{"spreadLabel", "Spread"},
          std::pair{"uniformityLabel", "Uniformity"}, std::pair{"signalShareLabel", "Signal share"}}) {
        const QString text = Control<QLabel>(*window, name)->text();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^%1: \\d+\\.\\d+$").arg(QString::fromLatin1(caption)))
                        .match(text)
                        .hasMatch())
            << text.toStdString();
    }
    EXPECT_FALSE(window->picture().isNull());

    QSignalSpy shown(window, &ReconstructionWindow::pictureShown);
    test::ChooseFromMenu(*form, QStringLiteral("Options"), {"refineAction"});
    test::WaitForCalculation(*form);
    ASSERT_TRUE(errors.empty());
    const RefinementRecord& second = *document.phase()->refinement;
    EXPECT_NEAR(second.start.efficiency, first.end.efficiency, 1e-9);
    EXPECT_GE(second.end.efficiency, second.start.efficiency);
    EXPECT_TRUE(shown.wait(120000));
    EXPECT_EQ(Control<QLabel>(*window, "refinementLabel")->text(),
              QStringLiteral("Refined (Gerchberg–Saxton): ") + RefinementText(second));
}

// Esc at once and "Cancel" once a long refinement has shown progress, and
// Esc during a phase "Calculate": the phase hologram shown before stays, bit
// for bit.
TEST_F(PhaseHologramTest, CancelledWorkLeavesTheEarlierHologram) {
    litPoints({{30, 20}, {60, 40}, {45, 70}}, "16");
    choosePhase();
    test::CalculateAndWait(*form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.phase());
    iterationsDialog("10000");
    const std::vector<float> phase = document.phase()->phase.values();
    const std::vector<std::uint8_t> levels = document.phase()->greyLevels;
    const QImage shown = document.shownHologram;
    for (const char* how : {"Esc", "Cancel", "Calculate"}) {
        const std::string way = how;
        if (way == "Calculate")
            QTest::mouseClick(Control<QPushButton>(*form, "calculateButton"), Qt::LeftButton);
        else
            refine();
        ASSERT_TRUE(form->isCalculating()) << how;
        EXPECT_TRUE(Control<ProgressBar>(*form, "progressBar")->isVisible());
        EXPECT_FALSE(enabled("phaseHologramAction"));
        if (way == "Cancel") {
            auto* cancel = Control<QPushButton>(*form, "cancelCalculationButton");
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return cancel->isVisible() && Control<ProgressBar>(*form, "progressBar")->value() > 0;
                },
                60000));
            QTest::mouseClick(cancel, Qt::LeftButton);
        } else {
            QTest::keyClick(form.get(), Qt::Key_Escape);
        }
        test::WaitForCalculation(*form);
        EXPECT_TRUE(errors.empty()) << how;
        EXPECT_EQ(statusBar(), "Cancelled") << how;
        ASSERT_TRUE(document.phase()) << how;
        EXPECT_EQ(document.phase()->phase.values(), phase) << how;
        EXPECT_EQ(document.phase()->greyLevels, levels) << how;
        EXPECT_FALSE(document.phase()->refinement) << how;
        EXPECT_EQ(document.shownHologram, shown) << how;
        EXPECT_EQ(view()->image(), shown) << how;
        EXPECT_TRUE(enabled("refineAction")) << how;
    }
}

// Reps that put R·W − 1 just below 0 sum no value: no kinoform, refused
// naming the reps box as reps below any hologram are, the view as it was.
TEST_F(PhaseHologramTest, RepsThatSumNoValueAreNamedByTheirCaption) {
    choosePhase();
    const double side = std::min(canvas()->outerWidth() / Screen::TwipsPerPixelX(),
                                 canvas()->outerHeight() / Screen::TwipsPerPixelY());
    litPoints({{3, 4}}, QString::number(0.75 / side, 'g', 17).toLatin1().constData());
    QTest::mouseClick(Control<QPushButton>(*form, "calculateButton"), Qt::LeftButton);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].description,
              QStringLiteral("Invalid property value: \"# reps\" leaves no hologram"));
    EXPECT_FALSE(document.phase());
}

}  // namespace
}  // namespace marbleck
