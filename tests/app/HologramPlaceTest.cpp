#include <gtest/gtest.h>

#include <QApplication>
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

// Where the hologram view sits in the window's client area: 4320, 360 twips,
// 2400 x 2520 twips, at 15 twips a pixel.
const QRect Place(288, 24, 160, 168);

class HologramPlaceTest : public ::testing::Test {
protected:
    HologramPlaceTest() {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    PictureArea& view() const { return *Control<PictureArea>(form, "hologramView"); }
    QImage client() const {
        return form.clientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // One notch of the mouse wheel over the view: down, or right with `across`.
    // The view ignores wheel events; as the application does with the window
    // system's, this one then goes on to the view's parent, the place's viewport.
    void wheel(bool across) {
        QWidget& viewport = *Control<QScrollArea>(form, "hologramPlace")->viewport();
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

TEST_F(HologramPlaceTest, ALargeHologramStaysInItsPlaceAndScrollsToItsFarCorner) {
    // The view at start fills its place exactly, where it always was.
    const QImage start = client();
    EXPECT_EQ(start.copy(Place), view().grab().toImage().convertToFormat(QImage::Format_RGB32));

    PictureArea* canvas = Control<PictureArea>(form, "objectCanvas");
    for (const QPoint dot : {QPoint(20, 30), QPoint(70, 50)})
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, canvas->contentsRect().topLeft() + dot);
    Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("10"));
    const QImage before = client();
    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());
    ASSERT_EQ(view().size(), QSize(1000, 1000));
    QCoreApplication::processEvents();  // the scroll bars show once the window has its turn

    // Outside its place the window looks as before, but for the time shown.
    const QImage after = client();
    const QRect time = Control<QLineEdit>(form, "timeEdit")->geometry();
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (!Place.contains(x, y) && !time.contains(x, y)) {
                ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            }
    // Inside it the hologram shows from its top-left corner.
    EXPECT_EQ(after.copy(Place.x() + 2, Place.y() + 2, 100, 100), view().image().copy(0, 0, 100, 100));

    // The wheel scrolls it down, and across, to its far corner.
    QScrollArea& place = *Control<QScrollArea>(form, "hologramPlace");
    for (int notch = 0;
         notch < 200 && place.verticalScrollBar()->value() < place.verticalScrollBar()->maximum(); ++notch)
        wheel(false);
    for (int notch = 0;
         notch < 200 && place.horizontalScrollBar()->value() < place.horizontalScrollBar()->maximum();
         ++notch)
        wheel(true);
    const QRect shown(place.viewport()->mapTo(form.clientArea(), QPoint(0, 0)), place.viewport()->size());
    ASSERT_TRUE(Place.contains(shown));
    const QImage corner = client().copy(shown.right() - 2 - 50, shown.bottom() - 2 - 50, 51, 51);
    const QImage image = view().image();
    EXPECT_EQ(corner, image.copy(image.width() - 51, image.height() - 51, 51, 51));
}

}  // namespace
}  // namespace marbleck
