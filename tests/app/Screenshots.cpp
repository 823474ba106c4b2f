// Makes the README's pictures from the program itself: the main window with
// a letter drawn on the canvas and its hologram calculated at "# reps" 3, and
// the "Reconstruction" window showing the letter and its twin, then the same
// after an optimised "Binarize" and as a refined phase hologram, and last a
// 3-D scene (docs/scene.ply, three letters at three depths) opened by "File" >
// "Open 3-D Scene…" and calculated, its Reconstruction window focused at the
// middle letter's depth. Writes main-window.png and the reconstruction*.png
// into the folder given (docs/ when run by tools/screenshots.sh, a folder of
// the build's when run as a test), and fails where a window shows an error or
// the 3-D picture does not show the middle letter sharp and the others
// blurred. Runs headless, on settings of its own, so that the user's options
// and window places neither change the pictures nor are changed by them.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>

#include "Drawing.h"
#include "Menus.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/ReconstructionWindow.h"
#include "app/SceneFocusPanel.h"
#include "app/SceneSettingsDialog.h"
#include "widgets/ErrorReporter.h"
#include "widgets/PictureArea.h"

namespace {

using namespace marbleck;
using test::WhenModalShows;

// In 256 colours: the windows' few colours and the hologram's grey levels
// fit, and the files stay small.
bool Save(QWidget& window, const QString& path) {
    const QImage picture = window.grab().toImage().convertToFormat(QImage::Format_Indexed8,
                                                                   Qt::ThresholdDither | Qt::AvoidDither);
    if (!picture.save(path)) {
        std::fprintf(stderr, "screenshots: %s: cannot write\n", qPrintable(path));
        return false;
    }
    std::printf("%s: %d x %d\n", qPrintable(path), picture.width(), picture.height());
    return true;
}

// Says why the 3-D picture cannot be made; 2, the exit status.
int Failed(const char* why) {
    std::fprintf(stderr, "screenshots: %s\n", why);
    return 2;
}

void Type(QWidget& dialog, const char* edit, const QString& text) {
    auto* box = dialog.findChild<QLineEdit*>(QString::fromLatin1(edit));
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// The 3-D hologram's settings: its size in pixels (which the focus picture
// shows one to one), its pitch in µm and the complex field.
constexpr int SceneSide = 384;
constexpr double ScenePitch = 8e-6;

// The brightest grey level within a pixel of each point's place (x/p, y/p
// from the centre) in `picture`, the points at `depth` and the others apart.
struct SpotLevels {
    int dimmestInFocus = 255;
    int brightestOutOfFocus = 0;
};
SpotLevels SpotLevelsOf(const QImage& picture, const std::vector<ScenePoint>& points, double depth) {
    SpotLevels levels;
    for (const ScenePoint& point : points) {
        const int column = static_cast<int>(std::lround(point.x / ScenePitch + (SceneSide - 1) / 2.0));
        const int row = static_cast<int>(std::lround(point.y / ScenePitch + (SceneSide - 1) / 2.0));
        int level = 0;
        for (int r = std::max(0, row - 1); r <= std::min(picture.height() - 1, row + 1); ++r)
            for (int c = std::max(0, column - 1); c <= std::min(picture.width() - 1, column + 1); ++c)
                level = std::max(level, qGray(picture.pixel(c, r)));
        if (std::abs(point.z - depth) < 1e-6)
            levels.dimmestInFocus = std::min(levels.dimmestInFocus, level);
        else
            levels.brightestOutOfFocus = std::max(levels.brightestOutOfFocus, level);
    }
    return levels;
}

// With the Reconstruction window closed: "Options" > "3-D Hologram…" set to
// the picture's size and the complex field, "File" > "Open 3-D Scene…"
// answered with `scene`, "Calculate"; then, the focus picture drawn, "View" >
// "Reconstruction" opens the window again and its focus slider is moved by
// keys to the middle depth of the scene's points. (The focus picture comes
// first, so that the window lays out the same on every run.) 0 when it shows
// the points at that depth sharp, each brighter than any other point's
// place, 2 otherwise.
int FocusScene(MainWindow& window, const Document& document, ReconstructionWindow& reconstruction,
               const QString& scene, const int& failures) {
    reconstruction.close();
    WhenModalShows<SceneSettingsDialog>([](SceneSettingsDialog& dialog) {
        Type(dialog, "sizeEdit", QStringLiteral("%1x%1").arg(SceneSide));
        Type(dialog, "pitchEdit", QString::number(ScenePitch * 1e6));
        auto* encoding = dialog.findChild<QComboBox*>(QStringLiteral("encodingCombo"));
        encoding->setCurrentIndex(encoding->findText(QStringLiteral("complex")));
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    window.findChild<QAction*>(QStringLiteral("sceneSettingsAction"))->trigger();
    window.setOpenFileQuestion(
        [scene](QWidget*, const QString&, const QString&, const QString&) { return scene; });
    window.findChild<QAction*>(QStringLiteral("openSceneAction"))->trigger();
    if (failures > 0 || !document.scene || document.scene->points.empty())
        return Failed("no 3-D scene opened");

    auto& panel = *reconstruction.findChild<SceneFocusPanel*>(QStringLiteral("sceneFocusPanel"));
    QSignalSpy focused(&panel, &SceneFocusPanel::pictureShown);
    QEventLoop calculation;
    QObject::connect(&window, &MainWindow::calculationEnded, &calculation, &QEventLoop::quit);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("calculateButton")), Qt::LeftButton);
    if (window.isCalculating()) calculation.exec();
    if (failures > 0 || (focused.isEmpty() && !focused.wait(120000))) return Failed("no focus picture");

    QSignalSpy reconstructed(&reconstruction, &ReconstructionWindow::pictureShown);
    window.findChild<QAction*>(QStringLiteral("reconstructionAction"))->trigger();
    if (!QTest::qWaitForWindowExposed(&reconstruction) || !panel.isVisible())
        return Failed("no Reconstruction window with its focus slider");
    // The window's own picture: the hologram's reconstruction at its focus.
    if (reconstructed.isEmpty() && !reconstructed.wait(120000)) return Failed("no reconstruction");

    std::set<double> depths;
    for (const ScenePoint& point : document.scene->points) depths.insert(point.z);
    const double depth = *std::next(depths.begin(), static_cast<long>(depths.size() / 2));
    auto* slider = panel.findChild<QSlider*>(QStringLiteral("focusSlider"));
    const int target = static_cast<int>(std::lround(depth * 1e4));
    if (target < slider->minimum() || target > slider->maximum())
        return Failed("the depth is off the slider");
    if (slider->value() != target) {
        // Only the picture of the last depth asked for is shown.
        while (slider->value() != target)
            QTest::keyClick(slider, slider->value() < target ? Qt::Key_Right : Qt::Key_Left);
        focused.clear();
        if (!focused.wait(120000)) return Failed("no focus picture at the depth");
    }
    // Room for the far field above the focus panel, as a user makes it.
    reconstruction.resize(reconstruction.width(), 900);
    QCoreApplication::processEvents();
    const SpotLevels levels = SpotLevelsOf(panel.picture(), document.scene->points, depth);
    std::printf("focus %.4f m: points there at grey %d or more, the others' places at %d or less\n", depth,
                levels.dimmestInFocus, levels.brightestOutOfFocus);
    if (failures > 0 || slider->value() != target) return Failed("the slider left the depth");
    if (levels.dimmestInFocus <= levels.brightestOutOfFocus)
        return Failed("the points at the depth are not the brightest");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    if (!settings.isValid()) return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    const QDir folder(QFile::decodeName(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "screenshots: %s: cannot make the folder\n", argv[1]);
        return 3;
    }
    QApplication::setOrganizationName(QStringLiteral("Marbleck"));
    QApplication::setApplicationName(QStringLiteral("Marbleck"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    int failures = 0;
    ErrorReporter::SetSink([&](QWidget*, int number, const QString& description) {
        std::fprintf(stderr, "screenshots: Run-time error %d: %s\n", number, qPrintable(description));
        ++failures;
    });

    Document document;
    MainWindow window(document);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 2;
    test::DrawLetter(window);
    auto* reps = window.findChild<QLineEdit*>(QStringLiteral("repsEdit"));
    reps->selectAll();
    QTest::keyClicks(reps, QStringLiteral("3"));
    QEventLoop calculation;
    QObject::connect(&window, &MainWindow::calculationEnded, &calculation, &QEventLoop::quit);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("calculateButton")), Qt::LeftButton);
    if (window.isCalculating()) calculation.exec();
    QCoreApplication::processEvents();

    window.findChild<QAction*>(QStringLiteral("reconstructionAction"))->trigger();
    ReconstructionWindow* reconstruction = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* r = qobject_cast<ReconstructionWindow*>(top)) reconstruction = r;
    if (!reconstruction) return 2;
    QSignalSpy shown(reconstruction, &ReconstructionWindow::pictureShown);
    if (reconstruction->picture().isNull() && !shown.wait(120000)) return 2;
    QCoreApplication::processEvents();

    if (failures > 0) return 2;
    if (!Save(window, folder.filePath(QStringLiteral("main-window.png"))) ||
        !Save(*reconstruction, folder.filePath(QStringLiteral("reconstruction.png"))))
        return 3;

    // The same hologram binarized by "Optimised", and what it gained.
    window.findChild<QAction*>(QStringLiteral("optimisedBinarizationAction"))->trigger();
    shown.clear();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("binarizeButton")), Qt::LeftButton);
    if (window.isCalculating()) calculation.exec();
    if (shown.isEmpty() && !shown.wait(120000)) return 2;
    QCoreApplication::processEvents();
    if (failures > 0) return 2;
    if (!Save(*reconstruction, folder.filePath(QStringLiteral("reconstruction-optimised.png")))) return 3;

    // A phase hologram of the same letter, refined by 30 iterations of
    // Gerchberg–Saxton.
    window.findChild<QAction*>(QStringLiteral("phaseHologramAction"))->trigger();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("calculateButton")), Qt::LeftButton);
    if (window.isCalculating()) calculation.exec();
    shown.clear();
    window.findChild<QAction*>(QStringLiteral("refineAction"))->trigger();
    if (window.isCalculating()) calculation.exec();
    // The kinoform's own picture may come first.
    const auto* refined = reconstruction->findChild<QLabel*>(QStringLiteral("refinementLabel"));
    while (failures == 0 && refined->text().isEmpty())
        if (!shown.wait(120000)) return 2;
    QCoreApplication::processEvents();
    if (failures > 0) return 2;
    if (!Save(*reconstruction, folder.filePath(QStringLiteral("reconstruction-phase.png")))) return 3;

    // A 3-D scene, its middle letter in focus.
    if (const int failed =
            FocusScene(window, document, *reconstruction, QStringLiteral(SCENE_FILE), failures))
        return failed;
    return Save(*reconstruction, folder.filePath(QStringLiteral("reconstruction-3d.png"))) ? 0 : 3;
}
