// Makes the README's pictures from the program itself: the main window with
// a letter drawn on the canvas and its hologram calculated at "# reps" 3, and
// the "Reconstruction" window showing the letter and its twin, then the same
// after an optimised "Binarize" and as a refined phase hologram. Writes
// main-window.png and the reconstruction*.png into the folder given (docs/ when
// run by tools/screenshots.sh). Runs headless, on settings of its own, so that
// the user's options and window places neither change the pictures nor are
// changed by them.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "Drawing.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/ReconstructionWindow.h"
#include "widgets/ErrorReporter.h"
#include "widgets/PictureArea.h"

namespace {

using namespace marbleck;

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
    return Save(*reconstruction, folder.filePath(QStringLiteral("reconstruction-phase.png"))) ? 0 : 3;
}
