#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <vector>

#include "CanvasMouse.h"
#include "FilesFixture.h"
#include "widgets/PictureArea.h"

namespace marbleck::test {
namespace {

// Everything the canvas shows and how big it is, read through its public face.
struct Seen {
    QImage image;
    QImage picture;
    float outerWidth;
    float outerHeight;
    QSize size;
    bool operator==(const Seen&) const = default;
};

// The window shown and active, so that its shortcuts reach the Edit menu.
class UndoTest : public FilesFixture {
protected:
    UndoTest() {
        form->show();
        activate();
    }
    void activate() {
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    PictureArea& canvas() const { return *Control<PictureArea>(*form, "objectCanvas"); }
    Seen seen() const {
        return {canvas().image().copy(), canvas().picture().copy(), canvas().outerWidth(),
                canvas().outerHeight(), canvas().size()};
    }
    void undoKey() { QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier); }
    void redoKey() { QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }
    bool canUndo() const { return Control<QAction>(*form, "undoAction")->isEnabled(); }
    bool canRedo() const { return Control<QAction>(*form, "redoAction")->isEnabled(); }
    void tool(const char* name) { QTest::mouseClick(Control<QRadioButton>(*form, name), Qt::LeftButton); }

    // A freehand stroke through `points`: a press, a move to each, a release.
    void stroke(const std::vector<QPoint>& points) {
        mouse.press(points.front().x(), points.front().y());
        for (const QPoint& p : points) mouse.move(p.x(), p.y(), Qt::LeftButton);
        mouse.release(points.back().x(), points.back().y());
    }
    // A rubber band from `from` through `path`, fixed by a click at the last point.
    void band(QPoint from, const std::vector<QPoint>& path) {
        mouse.click(from.x(), from.y());
        for (const QPoint& p : path) mouse.move(p.x(), p.y());
        mouse.click(path.back().x(), path.back().y());
    }

    CanvasMouse mouse{canvas()};
};

TEST_F(UndoTest, EachKindOfChangeIsOneStepUndoneAndRedoneBitForBit) {
    EXPECT_FALSE(canUndo());
    EXPECT_FALSE(canRedo());
    std::vector<Seen> states{seen()};

    stroke({{10, 10}, {20, 14}, {30, 30}, {31, 60}});
    states.push_back(seen());

    // A 120 x 80 picture with a bright diagonal: the canvas takes its size and shows it.
    Bitmap8 bitmap = Bitmap8::filled(120, 80, 0);
    for (int i = 0; i < 80; ++i)
        bitmap.pixels[static_cast<std::size_t>(i * Bitmap8::rowBytes(120) + i)] = 230;
    writeBitmap("diagonal.bmp", bitmap);
    load("diagonal.bmp");
    ASSERT_TRUE(errors.empty());
    activate();
    ASSERT_NE(canvas().outerWidth(), states.back().outerWidth);
    states.push_back(seen());

    Control<QRadioButton>(*form, "penWidth5")->click();
    tool("lineTool");
    band({40, 40}, {{60, 20}, {90, 70}, {5, 70}, {70, 50}});
    states.push_back(seen());

    tool("circleTool");
    band({50, 40}, {{60, 40}, {80, 45}, {55, 42}});
    states.push_back(seen());

    QTest::mouseClick(Control<QPushButton>(*form, "clearButton"), Qt::LeftButton);
    states.push_back(seen());

    for (std::size_t i = 1; i < states.size(); ++i) ASSERT_FALSE(states[i] == states[i - 1]) << i;
    EXPECT_FALSE(canRedo());
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        undoKey();
        ASSERT_EQ(seen(), states[i - 1]) << "undo to state " << i - 1;
    }
    EXPECT_FALSE(canUndo());
    for (std::size_t i = 1; i < states.size(); ++i) {
        redoKey();
        ASSERT_EQ(seen(), states[i]) << "redo to state " << i;
    }
    EXPECT_FALSE(canRedo());
}

TEST_F(UndoTest, UndoCancelsAGestureInProgress) {
    const Seen blank = seen();
    // Mid-stroke: the stroke goes, and the rest of the drag draws nothing.
    mouse.press(30, 30);
    mouse.move(50, 40, Qt::LeftButton);
    undoKey();
    EXPECT_EQ(seen(), blank);
    mouse.move(60, 70, Qt::LeftButton);
    mouse.release(60, 70);
    EXPECT_EQ(seen(), blank);
    EXPECT_FALSE(canUndo());

    stroke({{10, 10}, {12, 12}});
    const Seen stroked = seen();
    tool("lineTool");
    mouse.click(40, 40);
    mouse.move(80, 20);
    mouse.move(70, 60);
    ASSERT_TRUE(document.drawing.lineActive);
    undoKey();
    EXPECT_EQ(seen(), stroked);
    EXPECT_FALSE(document.drawing.lineActive);
    // The pointer moving on draws nothing, and the next press starts a new line.
    mouse.move(60, 30);
    EXPECT_EQ(seen(), stroked);
    mouse.click(20, 50);
    EXPECT_TRUE(document.drawing.lineActive);
}

TEST_F(UndoTest, SixtyStrokesUndoAllTheWayAndANewStrokeDropsTheRedo) {
    std::vector<Seen> states{seen()};
    for (int i = 0; i < 60; ++i) {
        stroke({{i, i % 30 + 5}, {i + 1, i % 30 + 20}});
        states.push_back(seen());
    }
    for (int i = 60; i > 0; --i) {
        undoKey();
        ASSERT_EQ(seen(), states[static_cast<std::size_t>(i - 1)]) << i;
    }
    EXPECT_FALSE(canUndo());
    EXPECT_TRUE(canRedo());
    stroke({{70, 60}, {90, 80}});
    const Seen drawn = seen();
    EXPECT_FALSE(canRedo());
    redoKey();
    EXPECT_EQ(seen(), drawn);
}

}  // namespace
}  // namespace marbleck::test
