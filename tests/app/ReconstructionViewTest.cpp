// The Reconstruction window as a user sees it: a phase hologram reconstructed
// as the SLM panel shows it, and a large picture fitted to the window with
// a zoom the keyboard and the wheel change.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "Calculation.h"
#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/PanelSettingsDialog.h"
#include "app/ReconstructionWindow.h"
#include "widgets/PictureArea.h"
#include "widgets/ZoomView.h"

namespace marbleck {
namespace {

using test::Control;

// A generous bound for one transform on a loaded machine; no test measures it.
constexpr int TransformWait = 120000;

class ReconstructionViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        form->show();
        activate();
    }
    void activate() {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    PictureArea* canvas() const { return Control<PictureArea>(*form, "objectCanvas"); }

    // One lit point, random phase off, at `reps`, calculated.
    void calculatePoint(int x, int y, const char* reps) {
        canvas()->setPixel(static_cast<float>(x), static_cast<float>(y), White);
        QTest::mouseClick(Control<QCheckBox>(*form, "randomPhaseCheck"), Qt::LeftButton);
        Control<QLineEdit>(*form, "repsEdit")->setText(QString::fromLatin1(reps));
        test::CalculateAndWait(*form);
        ASSERT_TRUE(errors.empty());
    }

    // "View" > "Reconstruction", once its first picture is shown.
    ReconstructionWindow* open() {
        test::ChooseFromMenu(*form, QStringLiteral("View"), {"reconstructionAction"});
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* r = qobject_cast<ReconstructionWindow*>(w)) {
                spy = std::make_unique<QSignalSpy>(r, &ReconstructionWindow::pictureShown);
                if (r->picture().isNull()) {
                    EXPECT_TRUE(spy->wait(TransformWait));
                }
                return r;
            }
        return nullptr;
    }

    // "Options" > "SLM Panel…" with `set` applied to the dialog, accepted.
    void setPanel(const std::function<void(PanelSettingsDialog&)>& set) {
        test::WhenModalShows<PanelSettingsDialog>([set](PanelSettingsDialog& dialog) {
            set(dialog);
            dialog.accept();
        });
        spy->clear();
        test::ChooseFromMenu(*form, QStringLiteral("Options"), {"panelAction"});
        ASSERT_TRUE(errors.empty());
    }
    static void panelSize(PanelSettingsDialog& dialog, const char* size) {
        auto* sizes = Control<QComboBox>(dialog, "sizeChoice");
        sizes->setCurrentIndex(sizes->findText(QString::fromUtf8(size)));
    }
    void waitForPicture() {
        if (spy->isEmpty()) {
            ASSERT_TRUE(spy->wait(TransformWait));
        }
    }

    // The brightest bin of a picture.
    static QPoint brightest(const QImage& picture) {
        QPoint best;
        int level = -1;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (qGray(picture.pixel(x, y)) > level) {
                    level = qGray(picture.pixel(x, y));
                    best = {x, y};
                }
        return best;
    }

    QString text(ReconstructionWindow& window, const char* label) const {
        return Control<QLabel>(window, label)->text();
    }

    test::RecordedErrors errors;
    std::unique_ptr<Document> document = std::make_unique<Document>();
    std::unique_ptr<MainWindow> form = std::make_unique<MainWindow>(*document);
    std::unique_ptr<QSignalSpy> spy;
};

// The panel of 1920 × 1080 tiles the kinoform; a tilt of 0.1 cycles a pixel
// moves its image by 192 bins across; a lens of 0.5 m spreads it; the axes
// come from the panel's 8 µm and 633 nm: asin(0.633 / 16) = 2.267°.
TEST_F(ReconstructionViewTest, PhaseHologramIsReconstructedOnThePanel) {
    test::ChooseFromMenu(*form, QStringLiteral("Options"), {"hologramMenu", "phaseHologramAction"});
    activate();
    calculatePoint(30, 20, "1");
    ReconstructionWindow* opened = open();
    ASSERT_NE(opened, nullptr);
    ReconstructionWindow& window = *opened;
    ASSERT_EQ(window.picture().size(), QSize(100, 100));
    EXPECT_TRUE(text(window, "horizontalAxisLabel").contains("-0.214"))
        << text(window, "horizontalAxisLabel").toStdString();

    setPanel([](PanelSettingsDialog& d) { panelSize(d, "1920 × 1080"); });
    waitForPicture();
    ASSERT_EQ(window.picture().size(), QSize(1920, 1080));
    const QPoint untilted = brightest(window.picture());

    setPanel([](PanelSettingsDialog& d) { Control<QDoubleSpinBox>(d, "tiltXBox")->setValue(0.1); });
    waitForPicture();
    ASSERT_EQ(window.picture().size(), QSize(1920, 1080));
    EXPECT_EQ(brightest(window.picture()), untilted + QPoint(192, 0));
    // Without a lens the panel has no pitch: the print's axes stay.
    EXPECT_TRUE(text(window, "horizontalAxisLabel").contains("-0.214"));

    const QImage focused = window.picture();
    setPanel([](PanelSettingsDialog& d) {
        Control<QGroupBox>(d, "lensGroup")->setChecked(true);
        Control<QDoubleSpinBox>(d, "focalBox")->setValue(0.5);
        Control<QDoubleSpinBox>(d, "wavelengthBox")->setValue(633);
        Control<QDoubleSpinBox>(d, "pitchBox")->setValue(8);
    });
    waitForPicture();
    EXPECT_NE(window.picture(), focused);
    EXPECT_EQ(text(window, "horizontalAxisLabel"), QString::fromUtf8("Left edge -2.267°, right edge 2.265°"));
    EXPECT_TRUE(text(window, "verticalAxisLabel").startsWith(QString::fromUtf8("Top edge -2.267°")))
        << text(window, "verticalAxisLabel").toStdString();
    EXPECT_TRUE(errors.empty());
}

// An amplitude hologram is a print: the panel changes neither its picture
// nor its axes.
TEST_F(ReconstructionViewTest, AmplitudeHologramIgnoresThePanel) {
    calculatePoint(30, 20, "1");
    ReconstructionWindow* opened = open();
    ASSERT_NE(opened, nullptr);
    ReconstructionWindow& window = *opened;
    const QImage before = window.picture();
    const QString axes = text(window, "horizontalAxisLabel");
    setPanel([](PanelSettingsDialog& d) {
        panelSize(d, "1920 × 1080");
        Control<QDoubleSpinBox>(d, "tiltXBox")->setValue(0.1);
        Control<QGroupBox>(d, "lensGroup")->setChecked(true);
    });
    EXPECT_FALSE(spy->wait(300));
    EXPECT_EQ(window.picture(), before);
    EXPECT_EQ(text(window, "horizontalAxisLabel"), axes);
}

// A 480 × 360 hologram's reconstruction fits the window without scroll bars;
// Ctrl++ and Ctrl+wheel zoom in (and then it scrolls), Ctrl+- out, Ctrl+0
// fits again, as a resized window does while it fits.
TEST_F(ReconstructionViewTest, LargeReconstructionFitsAndZooms) {
    canvas()->setOuterSize(2400, 1800);  // 160 × 120 pixels
    calculatePoint(40, 30, "3");
    ReconstructionWindow* opened = open();
    ASSERT_NE(opened, nullptr);
    ReconstructionWindow& window = *opened;
    ASSERT_EQ(window.picture().size(), QSize(480, 360));
    window.resize(400, 500);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* view = Control<ZoomView>(window, "pictureArea");
    QApplication::processEvents();
    const auto fitsInside = [view] {
        const QSize room = view->viewport()->size();
        return view->shownSize().width() <= room.width() && view->shownSize().height() <= room.height() &&
               !view->horizontalScrollBar()->isVisible() && !view->verticalScrollBar()->isVisible();
    };
    EXPECT_TRUE(view->fits());
    EXPECT_TRUE(fitsInside());
    const double fitted = view->scale();
    EXPECT_LT(fitted, 1.0);
    // The whole picture, its aspect kept, as wide as the room lets it be.
    EXPECT_NEAR(view->shownSize().width() * 360.0, view->shownSize().height() * 480.0, 480);
    EXPECT_GE(view->shownSize().width(), view->viewport()->width() - 1);

    QTest::keyClick(&window, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view->scale(), fitted * ZoomView::ZoomStep);
    QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view->scale(), fitted);
    EXPECT_FALSE(view->fits());

    // Two notches up, about a point of the picture, which stays under the pointer.
    const QPoint pointer(view->viewport()->width() / 3, view->viewport()->height() / 3);
    const auto* picture = view->findChild<QLabel*>(QStringLiteral("zoomedPicture"));
    const QPointF under = QPointF(pointer - picture->pos()) / view->scale();
    QWheelEvent wheel(QPointF(pointer), view->viewport()->mapToGlobal(QPointF(pointer)), QPoint(),
                      QPoint(0, 240), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    QApplication::processEvents();
    EXPECT_NEAR(view->scale(), fitted * ZoomView::ZoomStep * ZoomView::ZoomStep, 1e-9);
    EXPECT_TRUE(view->horizontalScrollBar()->isVisible() || view->verticalScrollBar()->isVisible());
    const QPointF after = QPointF(pointer - picture->pos()) / view->scale();
    EXPECT_NEAR(after.x(), under.x(), 1.0);
    EXPECT_NEAR(after.y(), under.y(), 1.0);
    window.resize(420, 520);
    QApplication::processEvents();
    EXPECT_NEAR(view->scale(), fitted * ZoomView::ZoomStep * ZoomView::ZoomStep, 1e-9);

    QTest::keyClick(&window, Qt::Key_0, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_TRUE(view->fits());
    EXPECT_TRUE(fitsInside());
    window.resize(300, 400);
    QApplication::processEvents();
    EXPECT_TRUE(fitsInside());
    EXPECT_LT(view->scale(), fitted);
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace marbleck
