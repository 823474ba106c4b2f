#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Calculation.h"
#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "SceneWindowFixture.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/SceneFocusPanel.h"
#include "app/SceneSettings.h"
#include "app/SceneSettingsDialog.h"
#include "engine/kinds/scene/SceneKind.h"
#include "platform/RunTimeError.h"
#include "widgets/PictureArea.h"

namespace marbleck {
namespace {

using test::Control;
using test::Pitch;
using test::Ply;
using test::Point;
using test::SceneWindow;
using test::Side;
using test::TwoPoints;

// The lit columns of the canvas: the colour of its leftmost and rightmost
// lit pixels.
struct LitEnds {
    QColor left, right;
};
LitEnds LitEndsOf(const QImage& image) {
    LitEnds ends;
    int leftmost = image.width();
    int rightmost = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour == Qt::black) continue;
            if (x < leftmost) leftmost = x, ends.left = colour;
            if (x > rightmost) rightmost = x, ends.right = colour;
        }
    return ends;
}

// The brightest pixel of a grey picture.
QPoint Brightest(const QImage& picture) {
    QPoint best;
    int level = -1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) > level) level = qGray(picture.pixel(x, y)), best = QPoint(x, y);
    return best;
}

// The PLY's points appear on the canvas, the nearer (left) one red and the
// farther (right) one blue; the scene kind is chosen; "Calculate" makes a
// 3-D hologram of the dialog's size; the Reconstruction window's slider,
// moved by keys to each point's depth, brings that point's spot into focus
// at its own x/p and y/p.
TEST_F(SceneWindow, OpenCalculateAndRefocusAtEachPoint) {
    setSmallSize();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(QSettings().value(QStringLiteral("scene/size")).toString(), QStringLiteral("128x128"));
    openScene(write("two.ply", Ply(TwoPoints)));
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.scene);
    EXPECT_EQ(document.scene->points.size(), TwoPoints.size());
    const LitEnds ends = LitEndsOf(canvas().image());
    EXPECT_EQ(ends.left.hue(), 0) << "nearest red";
    EXPECT_NEAR(ends.right.hue(), 240, 1) << "farthest blue";
    EXPECT_EQ(form.calculateSettings().kind, &SceneKind());
    EXPECT_TRUE(Control<QAction>(form, "sceneHologramAction")->isChecked());

    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.hasHologram());
    EXPECT_EQ(document.hologram->kind().name, "scene");
    EXPECT_EQ(view().drawingAreaSize(), QSize(Side, Side));
    // A phase hologram of two points is no flat grey.
    const QImage shown = view().image();
    std::set<QRgb> levels;
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x) levels.insert(shown.pixel(x, y));
    EXPECT_GT(levels.size(), 16u);
    EXPECT_TRUE(Control<QLabel>(form, "statusBarMessage")
                    ->text()
                    .startsWith(QStringLiteral("3-D hologram 128 × 128")));

    Control<QAction>(form, "reconstructionAction")->trigger();
    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("reconstructionWindow")) window = top;
    ASSERT_NE(window, nullptr);
    auto& panel = *Control<SceneFocusPanel>(*window, "sceneFocusPanel");
    auto* slider = Control<QSlider>(panel, "focusSlider");
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.marks(), (std::vector<int>{500, 600}));
    EXPECT_LT(slider->minimum(), 500);
    EXPECT_GT(slider->maximum(), 600);
    QSignalSpy shownSpy(&panel, &SceneFocusPanel::pictureShown);
    QTest::keyClick(slider, Qt::Key_Home);
    for (const Point& point : TwoPoints) {
        const int target = static_cast<int>(std::lround(point.z * 1e4));
        while (slider->value() < target) QTest::keyClick(slider, Qt::Key_Right);
        ASSERT_EQ(slider->value(), target);
        shownSpy.clear();
        ASSERT_TRUE(shownSpy.wait(60000));
        EXPECT_NEAR(panel.focusDepth(), point.z, 1e-9);
        const QImage picture = panel.picture();
        ASSERT_EQ(picture.size(), QSize(Side, Side));
        const QPoint spot = Brightest(picture);
        EXPECT_NEAR(spot.x(), point.x / Pitch + (Side - 1) / 2.0, 1.0) << point.z;
        EXPECT_NEAR(spot.y(), point.y / Pitch + (Side - 1) / 2.0, 1.0) << point.z;
    }
}

// The slider marks the depths of the scene the hologram was made of, not of
// a scene opened after it.
TEST_F(SceneWindow, MarksAreOfTheHologramsScene) {
    setSmallSize();
    openScene(write("two.ply", Ply(TwoPoints)));
    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());
    openScene(write("far.ply", Ply({{0, 0, 0.08}, {8e-6, 0, 0.09}})));
    ASSERT_TRUE(errors.empty());
    Control<QAction>(form, "reconstructionAction")->trigger();
    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("reconstructionWindow")) window = top;
    ASSERT_NE(window, nullptr);
    auto& panel = *Control<SceneFocusPanel>(*window, "sceneFocusPanel");
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.marks(), (std::vector<int>{500, 600}));
}

// A PLY that cannot be read is refused with its reason; the scene, the
// canvas and the kind stay as they were.
TEST_F(SceneWindow, BadPlyKeepsTheScene) {
    openScene(write("good.ply", Ply(TwoPoints)));
    ASSERT_TRUE(errors.empty());
    const auto scene = document.scene;
    const QImage object = canvas().image();
    QByteArray bad = Ply(TwoPoints);
    bad.replace("0.06", "abc");
    openScene(write("bad.ply", bad));
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), 481);
    EXPECT_TRUE(errors.errors().back().description.contains(QStringLiteral("abc")))
        << errors.errors().back().description.toStdString();
    EXPECT_EQ(document.scene, scene);
    EXPECT_EQ(canvas().image(), object);
}

// Values the scene kind refuses are shown as its error and the dialog stays
// open; nothing is remembered until OK takes good values.
struct RefusedCase {
    const char* edit;
    const char* text;
};

class RefusedSetting : public SceneWindow, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedSetting, StaysOpenAndKeepsTheSettings) {
    bool stayedOpen = false;
    test::WhenModalShows<SceneSettingsDialog>([&](SceneSettingsDialog& dialog) {
        type(dialog, GetParam().edit, QString::fromLatin1(GetParam().text));
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        stayedOpen = dialog.isVisible();
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                          Qt::LeftButton);
    });
    test::ChooseFromMenu(form, QStringLiteral("Options"), {"sceneSettingsAction"});
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), 380);
    EXPECT_FALSE(QSettings().contains(QStringLiteral("scene/size")));
}

INSTANTIATE_TEST_SUITE_P(Values, RefusedSetting,
                         ::testing::Values(RefusedCase{"sizeEdit", "0x128"},
                                           RefusedCase{"sizeEdit", "99999x2"}, RefusedCase{"pitchEdit", "-8"},
                                           RefusedCase{"wavelengthsEdit", "633,x"},
                                           RefusedCase{"pitchEdit", "abc"}),
                         [](const auto& info) { return std::to_string(info.index); });

// Esc stops a scene's long sum; the hologram before stays.
TEST_F(SceneWindow, EscStopsALongSceneCalculation) {
    setSmallSize();
    openScene(write("two.ply", Ply(TwoPoints)));
    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());
    const auto before = document.hologram;
    std::vector<Point> many;
    for (int k = 0; k < 40000; ++k)
        many.push_back({(k % 200 - 100) * 8e-6, (k / 200 - 100) * 8e-6, 0.1 + k * 1e-7});
    openScene(write("many.ply", Ply(many)));
    editSettings([](SceneSettingsDialog& dialog) { type(dialog, "sizeEdit", QStringLiteral("2048x2048")); });
    ASSERT_TRUE(errors.empty());
    // The dialog has closed: the window takes the keys again.
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::mouseClick(Control<QPushButton>(form, "calculateButton"), Qt::LeftButton);
    ASSERT_TRUE(form.isCalculating());
    QTest::keyClick(&form, Qt::Key_Escape);
    test::WaitForCalculation(form);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Control<QLabel>(form, "statusBarMessage")->text(), QStringLiteral("Cancelled"));
    EXPECT_EQ(document.hologram, before);
}

// The scene kind chosen with no scene opened: "Calculate" is refused at
// once, nothing starts and there is still no hologram.
TEST_F(SceneWindow, SceneKindWithoutSceneIsRefused) {
    test::ChooseFromMenu(form, QStringLiteral("Options"), {"hologramMenu", "sceneHologramAction"});
    ASSERT_EQ(form.calculateSettings().kind, &SceneKind());
    QTest::mouseClick(Control<QPushButton>(form, "calculateButton"), Qt::LeftButton);
    EXPECT_FALSE(form.isCalculating());
    EXPECT_EQ(errors.lastNumber(), 380);
    EXPECT_FALSE(document.hasHologram());
}

// A colour picture with its depth picture: the dialog asks for the depth
// picture, then the near and far distances; every lit pixel is a point at
// the settings' pitch, level 0 at near and the largest level at far.
TEST_F(SceneWindow, ColourPictureWithItsDepthPicture) {
    QImage colour(4, 3, QImage::Format_RGB888);
    colour.fill(Qt::white);
    colour.setPixelColor(0, 0, Qt::black);  // no light, no point
    QImage depth(4, 3, QImage::Format_Grayscale8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) depth.setPixel(x, y, qRgb(x * 85, x * 85, x * 85));
    const QString colourPath = folder.filePath(QStringLiteral("colour.png"));
    const QString depthPath = folder.filePath(QStringLiteral("depth.png"));
    ASSERT_TRUE(colour.save(colourPath));
    ASSERT_TRUE(depth.save(depthPath));
    QStringList answers{colourPath, depthPath};
    form.setOpenFileQuestion(
        [&](QWidget*, const QString&, const QString&, const QString&) { return answers.takeFirst(); });
    const auto answerDistances = [](QDialog& dialog) {
        for (const auto& [edit, text] : {std::pair{"nearEdit", "0.1"}, std::pair{"farEdit", "0.25"}}) {
            auto* box = Control<QLineEdit>(dialog, edit);
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClicks(box, QString::fromLatin1(text));
        }
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    };
    test::WhenModalShows<QDialog>(answerDistances);
    test::ChooseFromMenu(form, QStringLiteral("File"), {"openSceneAction"});
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    ASSERT_TRUE(document.scene);
    ASSERT_EQ(document.scene->points.size(), 11u);
    double nearest = 1;
    double farthest = 0;
    for (const ScenePoint& point : document.scene->points) {
        nearest = std::min(nearest, point.z);
        farthest = std::max(farthest, point.z);
    }
    EXPECT_NEAR(nearest, 0.1, 1e-9);
    EXPECT_NEAR(farthest, 0.25, 1e-9);
    EXPECT_NEAR(document.scene->points[1].x - document.scene->points[0].x, Pitch, 1e-12);
    EXPECT_EQ(form.calculateSettings().kind, &SceneKind());

    // The dialog's point spacing spaces the next depth picture opened.
    editSettings([](SceneSettingsDialog& dialog) { type(dialog, "objectPitchEdit", QStringLiteral("16")); });
    answers = QStringList{colourPath, depthPath};
    test::WhenModalShows<QDialog>(answerDistances);
    test::ChooseFromMenu(form, QStringLiteral("File"), {"openSceneAction"});
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    ASSERT_EQ(document.scene->points.size(), 11u);
    EXPECT_NEAR(document.scene->points[1].x - document.scene->points[0].x, 16e-6, 1e-12);
}

// The dialog's texts reach the scene kind under the command line's option
// names, each value where the kind reads it.
TEST(SceneSettingsText, ReadAsTheCommandLineOptions) {
    SceneSettings settings;
    settings.size = QStringLiteral("64x32");
    settings.pitch = QStringLiteral("4");
    settings.wavelengths = QStringLiteral("520,450");
    settings.method = QStringLiteral("layers");
    settings.layers = QStringLiteral("5");
    settings.encoding = QStringLiteral("double-phase");
    const auto steps = ReadSceneSettings(settings);
    EXPECT_EQ(steps->plane.columns, 64);
    EXPECT_EQ(steps->plane.rows, 32);
    EXPECT_NEAR(steps->plane.pitch, 4e-6, 1e-15);
    ASSERT_EQ(steps->wavelengths.size(), 2u);
    EXPECT_NEAR(steps->wavelengths[1], 450e-9, 1e-15);
    EXPECT_EQ(steps->method, SceneMethod::Layers);
    EXPECT_EQ(steps->layers, 5);
    EXPECT_EQ(steps->encoding, FieldEncoding::DoublePhase);
    EXPECT_FALSE(steps->occlusion);
    EXPECT_EQ(steps->objectPitch, 0);

    settings.occlusion = true;
    settings.objectPitch = QStringLiteral("12");
    EXPECT_TRUE(ReadSceneSettings(settings)->occlusion);
    EXPECT_NEAR(ReadSceneSettings(settings)->objectPitch, 12e-6, 1e-15);
    settings.objectPitch = QStringLiteral("-1");
    EXPECT_THROW(ReadSceneSettings(settings), RunTimeError);
    settings.objectPitch.clear();

    settings.encoding = QStringLiteral("amplitude");
    settings.referenceAngle = QStringLiteral("1,0.5");
    ASSERT_TRUE(ReadSceneSettings(settings)->referenceDegrees);
    EXPECT_EQ(ReadSceneSettings(settings)->referenceDegrees->second, 0.5);
}

// Occlusion is offered with the layer method only, the reference angle with
// the amplitude encoding only; what is not offered is not taken.
TEST(SceneSettingsDialogControls, FollowTheMethodAndEncoding) {
    SceneSettings settings;
    settings.occlusion = true;
    settings.referenceAngle = QStringLiteral("2");
    SceneSettingsDialog dialog(settings, nullptr);
    auto* occlusion = Control<QCheckBox>(dialog, "occlusionCheck");
    auto* angle = Control<QLineEdit>(dialog, "referenceAngleEdit");
    EXPECT_FALSE(occlusion->isEnabled());
    EXPECT_FALSE(angle->isEnabled());
    EXPECT_FALSE(dialog.settings().occlusion);
    EXPECT_TRUE(dialog.settings().referenceAngle.isEmpty());
    auto* method = Control<QComboBox>(dialog, "methodCombo");
    auto* encoding = Control<QComboBox>(dialog, "encodingCombo");
    method->setCurrentIndex(method->findText(QStringLiteral("layers")));
    encoding->setCurrentIndex(encoding->findText(QStringLiteral("amplitude")));
    EXPECT_TRUE(dialog.settings().occlusion);
    EXPECT_EQ(dialog.settings().referenceAngle, QStringLiteral("2"));
}

// A complex field is saved only where complex values go: "Save Hologram
// As…" offers NumPy among the formats of numbers, and writes complex64.
TEST_F(SceneWindow, ComplexFieldSavesAsNumPy) {
    editSettings([](SceneSettingsDialog& dialog) {
        type(dialog, "sizeEdit", QStringLiteral("128x128"));
        QTest::keyClicks(Control<QComboBox>(dialog, "encodingCombo"), QStringLiteral("c"));
    });
    ASSERT_EQ(SceneSettings::Remembered().encoding, QStringLiteral("complex"));
    openScene(write("two.ply", Ply(TwoPoints)));
    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());
    QString offered;
    const QString path = folder.filePath(QStringLiteral("u.npy"));
    form.setSaveFileQuestion(
        [&](QWidget*, const QString&, const QString&, const QString& filters, QString* chosen) {
            offered = filters;
            *chosen = filters.split(QStringLiteral(";;")).filter(QStringLiteral("NumPy")).value(0);
            return path;
        });
    Control<QAction>(form, "saveHologramAsAction")->trigger();
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    EXPECT_TRUE(offered.contains(QStringLiteral("NumPy complex"))) << offered.toStdString();
    EXPECT_FALSE(offered.contains(QStringLiteral("TIFF"))) << offered.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("'descr': '<c8'")) << bytes.left(128).toStdString();
    EXPECT_EQ(bytes.size() - bytes.indexOf('\n') - 1, Side * Side * 8);
}

}  // namespace
}  // namespace marbleck
