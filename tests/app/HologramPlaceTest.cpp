#include <gtest/gtest.h>

#include <QApplication>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "Calculation.h"
#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "widgets/PictureArea.h"

namespace marbleck {
namespace {

using test::Control;

// At 15 twips a pixel: the client area at start (11970 x 8115 twips), the
// hologram view's place at start (4320, 360; 2400 x 2520) and the room it may
// grow into, to 360 twips short of the right edge and 120 above the bottom
// row (whose top is at 7440).
const QSize StartClient(798, 541);
const QRect StartPlace(288, 24, 160, 168);
const QRect StartRoom(288, 24, 486, 464);

class HologramPlaceTest : public ::testing::Test {
protected:
    HologramPlaceTest() {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    PictureArea& view() const { return *Control<PictureArea>(form, "hologramView"); }
    QScrollArea& place() const { return *Control<QScrollArea>(form, "hologramPlace"); }
    QImage client() const {
        return form.clientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    bool scrolls() const {
        return place().horizontalScrollBar()->isVisible() || place().verticalScrollBar()->isVisible();
    }
    // Two dots clicked on the canvas.
    void drawDots() {
        PictureArea* canvas = Control<PictureArea>(form, "objectCanvas");
        for (const QPoint dot : {QPoint(20, 30), QPoint(70, 50)})
            QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, canvas->contentsRect().topLeft() + dot);
    }
    void typeReps(const char* reps) {
        QLineEdit* box = Control<QLineEdit>(form, "repsEdit");
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(reps));
    }
    // Types `reps` into the reps box and clicks "Calculate".
    void calculateAt(const char* reps) {
        typeReps(reps);
        calculate();
    }
    void calculate() {
        test::CalculateAndWait(form);
        ASSERT_TRUE(errors.empty());
        QCoreApplication::processEvents();  // the scroll bars show once the window has its turn
    }
    // One notch of the mouse wheel over the view: down, or right with `across`.
    // The view ignores wheel events; as the application does with the window
    // system's, this one then goes on to the view's parent, the place's viewport.
    void wheel(bool across) {
        QWidget& viewport = *place().viewport();
        const QPointF at(20, 20);
        QWheelEvent event(at, viewport.mapToGlobal(at), QPoint(), across ? QPoint(-120, 0) : QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view(), &event);
        if (!event.isAccepted()) QApplication::sendEvent(&viewport, &event);
    }

    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
};

// A hologram that fits the room shows whole at the view's place, without
// scroll bars, however large the one before it was.
class FittingHologram : public HologramPlaceTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FittingHologram, ShowsWholeWithoutScrollBars) {
    ASSERT_EQ(form.clientArea()->size(), StartClient);
    drawDots();
    calculateAt("10");
    ASSERT_TRUE(scrolls());
    calculateAt(GetParam());
    // The view holds every value, its border around them.
    const int side = 100 * QString::fromLatin1(GetParam()).toInt() + 4;
    ASSERT_EQ(view().size(), QSize(side, side));
    EXPECT_EQ(place().geometry(), QRect(StartPlace.topLeft(), QSize(side, side)));
    EXPECT_FALSE(scrolls());
    EXPECT_EQ(client().copy(place().geometry()),
              view().grab().toImage().convertToFormat(QImage::Format_RGB32));
}

INSTANTIATE_TEST_SUITE_P(Reps, FittingHologram, ::testing::Values("1", "2", "3", "4"),
                         [](const auto& info) { return std::string("Reps") + info.param; });

TEST_F(HologramPlaceTest, ALargeHologramFillsTheRoomAndScrollsToItsFarCorner) {
    // The view at start fills its place exactly, where it always was.
    const QImage start = client();
    EXPECT_EQ(start.copy(StartPlace), view().grab().toImage().convertToFormat(QImage::Format_RGB32));

    drawDots();
    typeReps("10");
    const QImage before = client();
    calculate();
    ASSERT_EQ(view().size(), QSize(1004, 1004));
    EXPECT_EQ(place().geometry(), StartRoom);
    EXPECT_TRUE(place().horizontalScrollBar()->isVisible());
    EXPECT_TRUE(place().verticalScrollBar()->isVisible());

    // Outside the room the window looks as before, but for the time shown.
    const QImage after = client();
    const QRect time = Control<QLineEdit>(form, "timeEdit")->geometry();
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (!StartRoom.contains(x, y) && !time.contains(x, y)) {
                ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            }
    // Inside it the hologram shows from its top-left corner.
    EXPECT_EQ(after.copy(StartRoom.x() + 2, StartRoom.y() + 2, 100, 100),
              view().image().copy(0, 0, 100, 100));

    // The wheel scrolls it down, and across, to its far corner.
    QScrollArea& area = place();
    for (int notch = 0;
         notch < 200 && area.verticalScrollBar()->value() < area.verticalScrollBar()->maximum(); ++notch)
        wheel(false);
    for (int notch = 0;
         notch < 200 && area.horizontalScrollBar()->value() < area.horizontalScrollBar()->maximum(); ++notch)
        wheel(true);
    const QRect shown(area.viewport()->mapTo(form.clientArea(), QPoint(0, 0)), area.viewport()->size());
    ASSERT_TRUE(StartRoom.contains(shown));
    const QImage corner = client().copy(shown.right() - 2 - 50, shown.bottom() - 2 - 50, 51, 51);
    const QImage image = view().image();
    EXPECT_EQ(corner, image.copy(image.width() - 51, image.height() - 51, 51, 51));
}

// A hologram wider than the room but not as high scrolls across only, its
// scroll bar below it inside the room.
TEST_F(HologramPlaceTest, AWideHologramScrollsAcrossOnly) {
    PictureArea* canvas = Control<PictureArea>(form, "objectCanvas");
    canvas->setOuterSize(3000, 900);  // a canvas of 200 x 60 pixels, as a loaded bitmap gives
    drawDots();
    calculateAt("3");
    ASSERT_EQ(view().size(), QSize(604, 184));
    EXPECT_TRUE(place().horizontalScrollBar()->isVisible());
    EXPECT_FALSE(place().verticalScrollBar()->isVisible());
    EXPECT_EQ(place().width(), StartRoom.width());
    EXPECT_EQ(place().viewport()->height(), 184);
}

// Resizing the window moves the bottom row with the bottom edge and grows
// the room; every other control stays where it is. The window never gets
// smaller than at start.
TEST_F(HologramPlaceTest, AResizedWindowGrowsTheRoomAndKeepsTheControls) {
    drawDots();
    calculateAt("10");
    QWidget& area = *form.clientArea();
    QHash<QWidget*, QRect> places;
    for (QWidget* control : area.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        places.insert(control, control->geometry());
    const QStringList bottomRow{QStringLiteral("printButton"), QStringLiteral("timeEdit"),
                                QStringLiteral("quitButton")};

    const QSize grow(300, 200);
    form.resize(form.size() + grow);
    QCoreApplication::processEvents();
    ASSERT_EQ(area.size(), StartClient + grow);
    for (auto [control, was] : places.asKeyValueRange()) {
        if (control == &place()) continue;
        const QRect expected =
            bottomRow.contains(control->objectName()) ? was.translated(0, grow.height()) : was;
        EXPECT_EQ(control->geometry(), expected) << control->objectName().toStdString();
    }
    EXPECT_EQ(place().geometry(), QRect(StartRoom.topLeft(), StartRoom.size() + grow));
    const QImage shown = client();
    EXPECT_EQ(shown.copy(StartRoom.x() + 2, StartRoom.y() + 2, 700, 600),
              view().image().copy(0, 0, 700, 600));

    form.resize(100, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(area.size(), StartClient);
    EXPECT_EQ(place().geometry(), StartRoom);
    for (auto [control, was] : places.asKeyValueRange()) EXPECT_EQ(control->geometry(), was);
}

}  // namespace
}  // namespace marbleck
