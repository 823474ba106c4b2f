#pragma once

#include <QObject>
#include <QScopeGuard>
#include <QString>
#include <QUndoStack>
#include <optional>

#include "widgets/PictureArea.h"

class QAction;

namespace marbleck {

struct DrawingState;

// Undo and redo of the object canvas. Every change the user makes to it is one
// step: a freehand stroke from its press to its release, a line or a circle
// from its first press to the press that fixes it (the rubber band's erasing
// included), a "clear", a load. A step restores the canvas exactly as it was
// before or after it: its outer size, background picture, image and drawing
// position. Undo during a gesture (a held button, a rubber band) cancels the
// gesture: the canvas returns to what it was before it and the rubber band is
// let go. Redo waits until no gesture is in progress. The hologram view is no
// part of the object: undoing a load gives back the canvas and leaves the view
// (its size and the preview) as it is, as it leaves a calculated hologram.
class CanvasHistory : public QObject {
    Q_OBJECT

public:
    // How many steps back undo reaches.
    static constexpr int Depth = 100;

    CanvasHistory(PictureArea& canvas, DrawingState& drawing, QObject* parent);
    // The steps' going is no change: the canvas may be gone before them.
    ~CanvasHistory() override;

    // Edit actions, enabled while they can do something.
    QAction* undoAction() const { return undoAction_; }
    QAction* redoAction() const { return redoAction_; }

    // Around each press, move and release the canvas reports: before one,
    // a gesture opens unless one is open; after one, with no button held
    // (`held`) and no rubber band in progress, the gesture closes and becomes
    // a step if it changed the canvas. Once a drag has been cancelled,
    // beforeMouse() is false until its buttons are up: the rest of the drag
    // draws nothing.
    bool beforeMouse();
    void afterMouse(Qt::MouseButtons held);

    // Runs `command`, which changes the canvas at once (clearing, loading),
    // as one step, also where it throws after changing something. A rubber
    // band in progress becomes a step of its own first and goes on after.
    template <class Command>
    void record(const QString& name, Command&& command) {
        closeGesture(QStringLiteral("drawing"));
        const PictureArea::Contents before = canvas_.contents();
        const auto push = qScopeGuard([&] {
            pushStep(name, before);
            if (bandInProgress()) openGesture();
        });
        command();
    }

    void undo();
    void redo();

    // While paused (a calculation reads the canvas), undo and redo are
    // disabled whatever the history holds.
    void setPaused(bool paused);

signals:
    // The canvas became another step of the history: a step was recorded,
    // undone or redone.
    void changed();

private:
    bool bandInProgress() const;
    void openGesture();
    void closeGesture(const QString& name);
    void pushStep(const QString& name, const PictureArea::Contents& before);
    void updateActions();

    PictureArea& canvas_;
    DrawingState& drawing_;
    QUndoStack stack_;
    QAction* undoAction_;
    QAction* redoAction_;
    // The canvas as it was when the gesture in progress began; empty when none is.
    std::optional<PictureArea::Contents> gestureStart_;
    // The buttons held after the last mouse event.
    Qt::MouseButtons held_;
    // Undo cancelled a drag whose buttons are still held.
    bool dragCancelled_ = false;
    bool paused_ = false;
};

}  // namespace marbleck
