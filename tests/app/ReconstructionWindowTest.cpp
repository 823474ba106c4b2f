#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <memory>

#include "../input/CanvasMouse.h"
#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/ReconstructionWindow.h"
#include "engine/binarization/Binarization.h"
#include "engine/core/HologramField.h"
#include "engine/core/HologramGeometry.h"
#include "engine/reconstruction/Reconstruction.h"
#include "output/PrintDialog.h"
#include "output/PrintDialogHost.h"
#include "platform/NumberText.h"
#include "widgets/PictureArea.h"
#include "widgets/Printer.h"
#include "widgets/VSpinner.h"

namespace marbleck {

using test::ChooseFromMenu;
using test::Control;
namespace {

// A generous bound for one transform on a loaded machine; no test measures it.
constexpr int TransformWait = 120000;

class ReconstructionWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        form->printDialogHost().setPrinter(
            std::make_unique<Printer>(Printer::Target::PdfFile, folder.path()));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    ReconstructionWindow* window() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* r = qobject_cast<ReconstructionWindow*>(w)) return r;
        return nullptr;
    }

    // "View" > "Reconstruction"; the window shows its first picture (or its
    // empty state) before this returns.
    void openWindow() {
        ChooseFromMenu(*form, QStringLiteral("View"), {"reconstructionAction"});
        ASSERT_NE(window(), nullptr);
        spy = std::make_unique<QSignalSpy>(window(), &ReconstructionWindow::pictureShown);
        if (window()->picture().isNull()) return;  // the empty state shows at once
        ASSERT_TRUE(spy->wait(TransformWait));
    }

    // Runs a user action and waits for the window's next picture.
    template <class Action>
    void andWait(Action&& action) {
        spy->clear();
        action();
        ASSERT_TRUE(errors.empty());
        if (spy->isEmpty()) {
            ASSERT_TRUE(spy->wait(TransformWait));
        }
    }

    void click(const char* button) { QTest::mouseClick(Control<QPushButton>(*form, button), Qt::LeftButton); }
    void calculate() {
        andWait([&] { click("calculateButton"); });
    }
    void binarize() {
        andWait([&] { click("binarizeButton"); });
    }
    void randomPhaseOff() {
        QTest::mouseClick(Control<QCheckBox>(*form, "randomPhaseCheck"), Qt::LeftButton);
    }

    double fidelity() const {
        const QString text = Control<QLabel>(*window(), "fidelityLabel")->text();
        return ReadNumber(text.section(QLatin1Char(':'), 1).toStdString());
    }
    QString axis(const char* name) const { return Control<QLabel>(*window(), name)->text(); }

    // The brightest level within one bin of `offset` from the picture's centre.
    static int brightestNear(const QImage& picture, int dx, int dy) {
        int best = 0;
        for (int y = -1; y <= 1; ++y)
            for (int x = -1; x <= 1; ++x) {
                const int px = (picture.width() / 2 + dx + x + picture.width()) % picture.width();
                const int py = (picture.height() / 2 + dy + y + picture.height()) % picture.height();
                best = std::max(best, qGray(picture.pixel(px, py)));
            }
        return best;
    }

    test::RecordedErrors errors;
    QTemporaryDir folder;
    std::unique_ptr<Document> document = std::make_unique<Document>();
    std::unique_ptr<MainWindow> form = std::make_unique<MainWindow>(*document);
    std::unique_ptr<QSignalSpy> spy;
};

// One lit point: the reconstruction is brightest at the point's image and
// its twin, where the engine puts them, and dark at the centre, whose zero
// order is removed until the box brings it back; "Binarize" changes it.
TEST_F(ReconstructionWindowTest, ShowsAPointAndItsTwinAfterCalculateAndFollowsBinarize) {
    openWindow();
    ReconstructionWindow& w = *window();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isWindow());
    EXPECT_FALSE(w.isModal());
    EXPECT_TRUE(Control<QLabel>(w, "messageLabel")->isVisible());
    EXPECT_FALSE(Control<QLabel>(w, "messageLabel")->text().isEmpty());
    EXPECT_TRUE(w.picture().isNull());
    EXPECT_FALSE(Control<QCheckBox>(w, "zeroOrderCheck")->isChecked());

    randomPhaseOff();
    test::CanvasMouse(*Control<PictureArea>(*form, "objectCanvas")).click(70, 24);
    calculate();
    ASSERT_EQ(document->calculation().litSamples.size(), 1u);
    const HologramGeometry g = document->calculation().geometry;
    const QImage grey = w.picture();
    ASSERT_EQ(grey.size(), QSize(g.columns, g.rows));
    EXPECT_FALSE(Control<QLabel>(w, "messageLabel")->isVisible());

    const BinOffset at = ObjectBin(document->calculation().litSamples[0], g, g.columns, g.rows);
    EXPECT_GT(std::abs(at.dx) + std::abs(at.dy), 10);
    int brightest = 0;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) brightest = std::max(brightest, qGray(grey.pixel(x, y)));
    EXPECT_EQ(brightestNear(grey, at.dx, at.dy), brightest);
    EXPECT_EQ(brightestNear(grey, -at.dx, -at.dy), brightest);
    EXPECT_EQ(qGray(grey.pixel(g.columns / 2, g.rows / 2)), 0);
    EXPECT_GT(fidelity(), 10.0);

    binarize();
    const QImage binary = w.picture();
    EXPECT_NE(binary, grey);
    EXPECT_EQ(qGray(binary.pixel(g.columns / 2, g.rows / 2)), 0);
    andWait([&] { QTest::mouseClick(Control<QCheckBox>(w, "zeroOrderCheck"), Qt::LeftButton); });
    EXPECT_EQ(qGray(w.picture().pixel(g.columns / 2, g.rows / 2)), 255);
}

// A letter "F" drawn with the line tool, random phase off: binarizing at the
// hologram's median keeps far more of the object's image than at 0.6, makes
// half the view white and shows the threshold it used; choosing "Threshold"
// again binarizes exactly as the box says.
TEST_F(ReconstructionWindowTest, BalancedBinarizationBeatsTheThresholdOnALetter) {
    openWindow();
    randomPhaseOff();
    QTest::mouseClick(Control<QRadioButton>(*form, "lineTool"), Qt::LeftButton);
    test::CanvasMouse mouse(*Control<PictureArea>(*form, "objectCanvas"));
    for (const auto& [x0, y0, x1, y1] : {std::array{30, 20, 30, 80}, {30, 20, 70, 20}, {30, 48, 60, 48}}) {
        mouse.click(x0, y0);
        mouse.move(x1, y1);
        mouse.click(x1, y1);
    }
    ASSERT_TRUE(Control<QAction>(*form, "thresholdBinarizationAction")->isChecked());
    calculate();
    const HologramField calculated = document->field();
    const double grey = fidelity();
    binarize();
    const double threshold = fidelity();
    EXPECT_LT(threshold, grey);

    calculate();
    ChooseFromMenu(*form, QStringLiteral("Options"), {"binarizationMenu", "balancedBinarizationAction"});
    EXPECT_TRUE(Control<QAction>(*form, "balancedBinarizationAction")->isChecked());
    EXPECT_FALSE(Control<QAction>(*form, "thresholdBinarizationAction")->isChecked());
    binarize();
    const double balanced = fidelity();
    EXPECT_GT(balanced, 2 * threshold);

    // Half the view is white: the values above the threshold shown.
    const QImage view = Control<PictureArea>(*form, "hologramView")->image();
    int white = 0;
    for (int v = 0; v < view.height(); ++v)
        for (int u = 0; u < view.width(); ++u) white += qGray(view.pixel(u, v)) == 255;
    const double share = double(white) / (view.width() * view.height());
    EXPECT_GT(share, 0.45);
    EXPECT_LT(share, 0.55);
    const QString shown = Control<QLineEdit>(*form, "thresholdEdit")->text();
    const auto used = static_cast<float>(ReadNumber(shown.toStdString()));
    int above = 0, visible = 0;
    for (int u = 0; u < view.width(); ++u)
        for (int v = 0; v < view.height(); ++v) {
            above += calculated(u, v) > used;
            visible += qGray(view.pixel(u, v)) == 255 && calculated(u, v) > used;
        }
    EXPECT_EQ(above, white) << shown.toStdString();
    EXPECT_EQ(visible, white);

    ChooseFromMenu(*form, QStringLiteral("Options"), {"binarizationMenu", "thresholdBinarizationAction"});
    calculate();
    QLineEdit* box = Control<QLineEdit>(*form, "thresholdEdit");
    box->selectAll();
    QTest::keyClicks(box, "0.6");
    binarize();
    HologramField expected = calculated;
    std::vector<std::uint8_t> levels;
    Binarize(expected, 0.6, levels);
    EXPECT_EQ(document->field(), expected);
    EXPECT_NEAR(fidelity(), threshold, 1e-9);
}

// Beside the fidelity, the uniformity and efficiency of what is shown; after
// an optimised "Binarize", the figure before and after, as recorded.
TEST_F(ReconstructionWindowTest, ShowsTheFiguresAndWhatOptimisingGained) {
    openWindow();
    randomPhaseOff();
    for (const auto& [x, y] : {std::pair{30, 20}, {60, 40}, {45, 70}})
        test::CanvasMouse(*Control<PictureArea>(*form, "objectCanvas")).click(x, y);
    calculate();
    const auto label = [&](const char* name) { return Control<QLabel>(*window(), name); };
    const auto expectFigures = [&] {
        const HologramGeometry g = document->calculation().geometry;
        const HologramFigures f = MeasureFigures(Reconstruct(document->field(), g.columns, g.rows),
                                                 document->calculation().litSamples, g);
        // The spots' spread and the diffracted light's share on the signal,
        // beside the uniformity and the efficiency of every kind.
        EXPECT_EQ(label("spreadLabel")->text(), QStringLiteral("Spread: %1").arg(f.uniformity, 0, 'f', 2));
        EXPECT_EQ(label("signalShareLabel")->text(),
                  QStringLiteral("Signal share: %1").arg(f.efficiency, 0, 'f', 2));
        for (const char* name : {"uniformityLabel", "efficiencyLabel"})
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\w+: \\d\\.\\d\\d$"))
                            .match(label(name)->text())
                            .hasMatch())
                << label(name)->text().toStdString();
    };
    expectFigures();
    EXPECT_TRUE(label("optimisationLabel")->isHidden());

    ChooseFromMenu(*form, QStringLiteral("Options"), {"binarizationMenu", "optimisedBinarizationAction"});
    binarize();
    ASSERT_TRUE(document->binarized() && document->binarized()->optimisation);
    const OptimisationRecord& record = *document->binarized()->optimisation;
    expectFigures();
    EXPECT_NEAR(fidelity(), record.end.fidelity, 0.051);
    EXPECT_TRUE(label("optimisationLabel")->isVisible());
    EXPECT_EQ(label("optimisationLabel")->text(), QStringLiteral("Optimised: Fidelity %1 → %2 in %3 s")
                                                      .arg(std::lround(record.start.fidelity))
                                                      .arg(std::lround(record.end.fidelity))
                                                      .arg(record.seconds, 0, 'f', 1));
    calculate();
    EXPECT_TRUE(label("optimisationLabel")->isHidden());
}

// The axes read in degrees, or millimetres at the screen, for the print as
// the print dialog sets it: 300 dpi and scale 1 at first, 633 nm, 1 m.
TEST_F(ReconstructionWindowTest, AxesFollowThePrintDialog) {
    openWindow();
    randomPhaseOff();
    test::CanvasMouse(*Control<PictureArea>(*form, "objectCanvas")).click(50, 50);
    calculate();
    // The left edge is half a cycle a pixel: asin(633 nm / 2 / 84.67 um).
    EXPECT_TRUE(axis("horizontalAxisLabel").contains(QStringLiteral("-0.214")))
        << axis("horizontalAxisLabel").toStdString();
    EXPECT_TRUE(axis("verticalAxisLabel").contains(QStringLiteral("-0.214")));

    click("printButton");
    PrintDialog& dialog = *form->printDialogHost().dialog();
    QTest::mouseClick(Control<VSpinner>(dialog, "scaleSpinner")->downArrow(), Qt::LeftButton);
    ASSERT_EQ(Control<VSpinner>(dialog, "scaleSpinner")->value(), 2);
    EXPECT_TRUE(axis("horizontalAxisLabel").contains(QStringLiteral("-0.107")));

    QTest::keyClick(Control<QComboBox>(*window(), "unitsCombo"), Qt::Key_Down);
    // 1000 mm x tan(0.107 degrees).
    EXPECT_TRUE(axis("horizontalAxisLabel").contains(QStringLiteral("-1.9 mm")))
        << axis("horizontalAxisLabel").toStdString();
    EXPECT_TRUE(errors.empty());
}

// The laser and screen typed into the print dialog are the document's print
// settings at once, and the axes follow them: a 532 nm laser leaves the
// edges at asin(532 nm / 2 / 84.67 um) = 0.180 degrees, 2000 mm x
// tan(0.180 degrees) = 6.3 mm away on a screen 2 m off. Closing the dialog
// keeps them; the next run starts with them.
TEST_F(ReconstructionWindowTest, PrintSettingsFollowTheLaserAndScreenAcrossTheDialogsLoads) {
    const auto forget = qScopeGuard([] { QSettings().remove(QStringLiteral("print")); });
    const auto type = [](QLineEdit* box, const char* text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    };
    openWindow();
    randomPhaseOff();
    test::CanvasMouse(*Control<PictureArea>(*form, "objectCanvas")).click(50, 50);
    calculate();
    click("printButton");
    PrintDialog& dialog = *form->printDialogHost().dialog();
    type(Control<QLineEdit>(dialog, "wavelengthEdit"), "532");
    EXPECT_EQ(document->print.wavelengthNm, 532);
    EXPECT_TRUE(axis("horizontalAxisLabel").contains(QStringLiteral("-0.180")))
        << axis("horizontalAxisLabel").toStdString();
    type(Control<QLineEdit>(dialog, "distanceEdit"), "2");
    EXPECT_EQ(document->print.distanceM, 2);
    QTest::keyClick(Control<QComboBox>(*window(), "unitsCombo"), Qt::Key_Down);
    EXPECT_TRUE(axis("verticalAxisLabel").contains(QStringLiteral("-6.3 mm")))
        << axis("verticalAxisLabel").toStdString();

    QTest::mouseClick(Control<VSpinner>(dialog, "scaleSpinner")->downArrow(), Qt::LeftButton);
    EXPECT_EQ(document->print.scale, 2);
    dialog.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(form->printDialogHost().dialog(), nullptr);
    // The scale is the dialog's; a new one starts at 1.
    EXPECT_EQ(document->print.scale, 1);
    EXPECT_EQ(document->print.wavelengthNm, 532);
    EXPECT_EQ(document->print.distanceM, 2);
    EXPECT_TRUE(axis("verticalAxisLabel").contains(QStringLiteral("-6.3 mm")));

    Document next;
    MainWindow again(next);
    EXPECT_EQ(next.print.wavelengthNm, 532);
    EXPECT_EQ(next.print.distanceM, 2);
    EXPECT_TRUE(errors.empty());
}

// Where the window was is where it opens in the next run of the program.
TEST_F(ReconstructionWindowTest, RemembersItsPlaceAcrossRuns) {
    const auto forget = qScopeGuard([] { QSettings().remove(QStringLiteral("reconstruction")); });
    openWindow();
    window()->resize(431, 377);
    window()->move(140, 90);
    QTest::mouseClick(Control<QPushButton>(*form, "quitButton"), Qt::LeftButton);
    form.reset();
    ASSERT_EQ(window(), nullptr);

    form = std::make_unique<MainWindow>(*document);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    openWindow();
    EXPECT_EQ(window()->size(), QSize(431, 377));
    EXPECT_EQ(window()->pos(), QPoint(140, 90));
}

// Closing the program while a transform runs waits for it.
TEST_F(ReconstructionWindowTest, QuitWhileATransformRuns) {
    openWindow();
    Control<QLineEdit>(*form, "repsEdit")->setText(QStringLiteral("8"));
    click("calculateButton");
    ASSERT_TRUE(errors.empty());
    QTest::mouseClick(Control<QPushButton>(*form, "quitButton"), Qt::LeftButton);
    form.reset();
    EXPECT_EQ(window(), nullptr);
}

}  // namespace
}  // namespace marbleck
