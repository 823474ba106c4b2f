#include <gtest/gtest.h>

#include <QAction>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QInputDialog>
#include <QSettings>
#include <QTest>
#include <cstring>
#include <set>
#include <vector>

#include "Calculation.h"
#include "Controls.h"
#include "Drawing.h"
#include "PhaseHologramFixture.h"
#include "engine/phase/PanelMap.h"

// What lasts and what is written of phase holograms: the options across
// runs and "Save Hologram As…" on the panel.
namespace marbleck {
namespace {

using test::Control;

// The kind starts as "Amplitude (print)" and the refinement as
// Gerchberg–Saxton, 30 iterations, no time limit; every choice lasts to the
// next run.
TEST_F(PhaseHologramTest, OptionsLastToTheNextRun) {
    EXPECT_TRUE(Control<QAction>(*form, "amplitudeHologramAction")->isChecked());
    EXPECT_FALSE(Control<QAction>(*form, "phaseHologramAction")->isChecked());
    EXPECT_TRUE(Control<QAction>(*form, "gsRefinementAction")->isChecked());
    EXPECT_FALSE(enabled("refineAction"));
    EXPECT_EQ(iterationsDialog("12"), 30);
    double offeredLimit = -1;
    test::WhenModalShows<QInputDialog>([&](QInputDialog& dialog) {
        offeredLimit = dialog.doubleValue();
        auto* box = dialog.findChild<QDoubleSpinBox*>();
        box->selectAll();
        QTest::keyClicks(box, "2.5");
        QTest::keyClick(box, Qt::Key_Return);
    });
    choose({"refinementMenu", "refinementTimeLimitAction"});
    EXPECT_EQ(offeredLimit, 0);
    choosePhase();
    choose({"refinementMenu", "weightedRefinementAction"});

    form.reset();
    form = std::make_unique<MainWindow>(document);
    form->show();
    activate();
    EXPECT_TRUE(Control<QAction>(*form, "phaseHologramAction")->isChecked());
    EXPECT_TRUE(Control<QAction>(*form, "weightedRefinementAction")->isChecked());
    EXPECT_EQ(iterationsDialog("7"), 12);
    test::WhenModalShows<QInputDialog>([&](QInputDialog& dialog) {
        offeredLimit = dialog.doubleValue();
        QTest::keyClick(dialog.findChild<QDoubleSpinBox*>(), Qt::Key_Escape);
    });
    choose({"refinementMenu", "refinementTimeLimitAction"});
    EXPECT_DOUBLE_EQ(offeredLimit, 2.5);
    choose({"hologramMenu", "amplitudeHologramAction"});
    // A remembered count beyond the dialog's bound comes back within it.
    QSettings().setValue(QStringLiteral("options/refinementIterations"), 99999);
    form.reset();
    form = std::make_unique<MainWindow>(document);
    form->show();
    activate();
    EXPECT_TRUE(Control<QAction>(*form, "amplitudeHologramAction")->isChecked());
    EXPECT_EQ(iterationsDialog("7"), 10000);
    EXPECT_TRUE(errors.empty());
}

// The float32 values of a NumPy file of `columns` × `rows` (C order: row v,
// then column u), or none when its header says otherwise.
std::vector<float> NpyValues(const QString& path, int columns, int rows) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("\x93NUMPY\x01\x00")) return {};
    const int headerLength = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    const QByteArray header = bytes.mid(10, headerLength);
    if (!header.contains("'<f4'") ||
        !header.contains(QStringLiteral("(%1, %2)").arg(rows).arg(columns).toLatin1()))
        return {};
    std::vector<float> values(static_cast<std::size_t>(columns) * rows);
    if (bytes.size() != 10 + headerLength + static_cast<qsizetype>(values.size() * sizeof(float))) return {};
    std::memcpy(values.data(), bytes.constData() + 10 + headerLength, values.size() * sizeof(float));
    return values;
}

// "Save Hologram As…" of a phase hologram writes what the modulator shows at
// the panel's size: PNG and BMP its 8-bit levels through the lookup table
// (every level, since the table below reaches each one), NumPy φ on the
// panel. A panel the map refuses is a run-time error and writes nothing.
TEST_F(PhaseHologramTest, SaveAsWritesThePanelsLevelsAndPhase) {
    test::DrawLetter(*form);
    choosePhase();
    test::CalculateAndWait(*form);
    ASSERT_TRUE(document.phase());
    document.panel.settings.width = 300;
    document.panel.settings.height = 170;
    document.panel.settings.tiltX = 0.125;
    // An odd step visits every level once.
    for (int k = 0; k < 256; ++k) document.panel.settings.lookup[k] = static_cast<std::uint8_t>(k * 7 % 256);
    const PanelMap map = MapToPanel(*document.phase(), document.panel.settings);

    for (const char* name : {"slm.png", "slm.bmp"}) {
        saveAs(QString::fromLatin1(name));
        ASSERT_TRUE(errors.empty()) << name;
        const QImage written(folder.filePath(QString::fromLatin1(name)));
        ASSERT_EQ(written.size(), QSize(300, 170)) << name;
        ASSERT_TRUE(written.isGrayscale()) << name;
        std::set<int> seen;
        for (int x = 0; x < 300; ++x)
            for (int y = 0; y < 170; ++y) {
                const int level = qGray(written.pixel(x, y));
                seen.insert(level);
                ASSERT_EQ(level, map.levels[static_cast<std::size_t>(x) * 170 + y])
                    << name << " " << x << ", " << y;
            }
        EXPECT_EQ(seen.size(), 256u) << name;
    }
    EXPECT_FALSE(offeredFilters.contains(QStringLiteral("16-bit")));
    EXPECT_TRUE(offeredFilters.contains(QStringLiteral("*.npy")));

    saveAs(QStringLiteral("phi.npy"));
    ASSERT_TRUE(errors.empty());
    const std::vector<float> values = NpyValues(folder.filePath(QStringLiteral("phi.npy")), 300, 170);
    ASSERT_EQ(values.size(), 300u * 170u);
    for (int y = 0; y < 170; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(values[static_cast<std::size_t>(y) * 300 + x], map.phase(x, y)) << x << ", " << y;

    document.panel.settings.height = 0;
    saveAs(QStringLiteral("refused.png"));
    EXPECT_EQ(errors.lastNumber(), 380);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("refused.png"))));

    // A lens whose phase is no number would write a panel of NaN.
    document.panel.settings.height = 170;
    document.panel.settings.lens = LensTerm{1e-320, 633, 8};
    const std::size_t before = errors.errors().size();
    saveAs(QStringLiteral("nan.tif"));
    ASSERT_EQ(errors.errors().size(), before + 1);
    EXPECT_EQ(errors.lastNumber(), 380);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("nan.tif"))));
}

// A panel that cannot show the hologram does not stop "Calculate": the
// hologram is made and shown, and only what needs the panel refuses it.
TEST_F(PhaseHologramTest, PanelRefusedBeforeCalculateRefusesOnlySaving) {
    test::DrawLetter(*form);
    choosePhase();
    document.panel.settings.width = 300;
    document.panel.settings.height = 0;
    test::CalculateAndWait(*form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.phase());
    const HologramGeometry& g = document.phase()->geometry;
    EXPECT_EQ(view()->image().size(), QSize(g.columns, g.rows));
    saveAs(QStringLiteral("refused.npy"));
    EXPECT_EQ(errors.lastNumber(), 380);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("refused.npy"))));

    // The panel put right, the same hologram is saved on it.
    errors.clear();
    document.panel.settings.height = 170;
    saveAs(QStringLiteral("slm.png"));
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(QImage(folder.filePath(QStringLiteral("slm.png"))).size(), QSize(300, 170));
}

}  // namespace
}  // namespace marbleck
