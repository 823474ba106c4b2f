// A 3-D hologram in each encoding through "Save Hologram As…" and "Show on
// Screen…": the encodings of levels go to pictures as the view shows them,
// and the phase encodings reach the modulator through the panel map as a
// phase hologram does.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <string>

#include "Calculation.h"
#include "SceneWindowFixture.h"
#include "ScreenMap.h"
#include "engine/kinds/scene/SceneKind.h"
#include "engine/phase/PanelMap.h"

namespace marbleck {
namespace {

using test::Control;

struct EncodingCase {
    const char* encoding;  // as the dialog's box lists it
    bool phase;            // a phase a modulator shows
};

class SceneEncodingOut : public test::SceneWindow, public ::testing::WithParamInterface<EncodingCase> {
protected:
    void calculateIn(const char* encoding) {
        editSettings([encoding](SceneSettingsDialog& dialog) {
            type(dialog, "sizeEdit", QStringLiteral("128x96"));
            auto* box = Control<QComboBox>(dialog, "encodingCombo");
            box->setCurrentIndex(box->findText(QString::fromLatin1(encoding)));
        });
        ASSERT_EQ(SceneSettings::Remembered().encoding, QString::fromLatin1(encoding));
        openScene(write("two.ply", test::Ply(test::TwoPoints)));
        test::CalculateAndWait(form);
        ASSERT_TRUE(errors.empty());
        ASSERT_TRUE(document.hasHologram());
    }
};

// Offered the 8-bit pictures and no complex values; the PNG written holds
// the view's levels pixel for pixel.
TEST_P(SceneEncodingOut, SavesThePictureTheViewShows) {
    calculateIn(GetParam().encoding);
    QString offered;
    const QString path = folder.filePath(QStringLiteral("h.png"));
    form.setSaveFileQuestion(
        [&](QWidget*, const QString&, const QString&, const QString& filters, QString* chosen) {
            offered = filters;
            *chosen = filters.split(QStringLiteral(";;")).filter(QStringLiteral("PNG")).value(0);
            return path;
        });
    Control<QAction>(form, "saveHologramAsAction")->trigger();
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    EXPECT_TRUE(offered.contains(QStringLiteral("PNG 8-bit"))) << offered.toStdString();
    EXPECT_FALSE(offered.contains(QStringLiteral("complex"))) << offered.toStdString();
    QImage saved(path);
    ASSERT_EQ(saved.size(), QSize(128, 96));
    saved = saved.convertToFormat(QImage::Format_Grayscale8);
    const ViewLevels view = document.hologram->view();
    int wrong = 0;
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 128; ++x)
            wrong += saved.constScanLine(y)[x] != view.levels[static_cast<std::size_t>(x) * view.stride + y];
    EXPECT_EQ(wrong, 0);
}

// "Show on Screen…" is there for the phase encodings alone, and shows the
// phase mapped onto the panel (its lookup table and tilt) as MapToPanel
// maps it.
TEST_P(SceneEncodingOut, ShowsThePhaseOnTheModulator) {
    calculateIn(GetParam().encoding);
    QAction* show = Control<QAction>(form, "showOnScreenAction");
    ASSERT_EQ(show->isEnabled(), GetParam().phase);
    if (!GetParam().phase) return;
    const auto& scene = dynamic_cast<const SceneHologram&>(*document.hologram);
    ASSERT_NE(scene.phaseHologram(), nullptr);
    document.panel.settings.tiltX = 0.11;
    test::WhenModalShows<QMessageBox>(
        [](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton); });
    test::ChooseFromMenu(form, QStringLiteral("View"), {"showOnScreenAction"});
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    ScreenWindow* window = test::ShownScreenWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    test::ExpectShowsMap(*window, MapToPanel(*scene.phaseHologram(), document.panel.settings));
    window->close();
}

// "Binarize" prints the amplitude encoding black and white at the
// threshold box's value, its values above the threshold white; a complex
// field is refused with the reason, and the hologram stays as it was.
TEST_F(SceneEncodingOut, BinarizesTheAmplitudeEncodingOnly) {
    calculateIn("amplitude");
    const auto before = document.hologram;
    const HologramField& values = *before->fileContent().values;
    auto* threshold = Control<QLineEdit>(form, "thresholdEdit");
    threshold->selectAll();
    QTest::keyClicks(threshold, QStringLiteral("0.5"));
    QTest::mouseClick(Control<QPushButton>(form, "binarizeButton"), Qt::LeftButton);
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    const auto& binarized = dynamic_cast<const SceneHologram&>(*document.hologram);
    ASSERT_NE(&binarized, before.get());
    EXPECT_EQ(binarized.binarizationThreshold(), 0.5);
    const ViewLevels view = binarized.view();
    int wrong = 0;
    int white = 0;
    for (int x = 0; x < 128; ++x)
        for (int y = 0; y < 96; ++y) {
            const std::uint8_t level = view.levels[static_cast<std::size_t>(x) * view.stride + y];
            white += level == 255;
            wrong += level != (values(x, y) > 0.5f ? 255 : 0);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(white, 0);

    editSettings([](SceneSettingsDialog& dialog) {
        auto* box = Control<QComboBox>(dialog, "encodingCombo");
        box->setCurrentIndex(box->findText(QStringLiteral("complex")));
    });
    test::CalculateAndWait(form);
    const auto complex = document.hologram;
    QTest::mouseClick(Control<QPushButton>(form, "binarizeButton"), Qt::LeftButton);
    EXPECT_EQ(errors.lastNumber(), 380);
    EXPECT_EQ(document.hologram, complex);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SceneEncodingOut,
                         ::testing::Values(EncodingCase{"phase", true}, EncodingCase{"double-phase", true},
                                           EncodingCase{"amplitude", false}),
                         [](const auto& info) {
                             std::string name = info.param.encoding;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace marbleck
