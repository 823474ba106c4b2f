#include "app/CanvasHistory.h"

#include <QAction>
#include <QKeySequence>
#include <QUndoCommand>
#include <utility>

#include "input/DrawingState.h"

namespace marbleck {

namespace {

// One change of the canvas, done when it is pushed: its first redo does nothing.
class CanvasStep : public QUndoCommand {
public:
    CanvasStep(const QString& name, PictureArea& canvas, PictureArea::Contents before,
               PictureArea::Contents after)
        : QUndoCommand(name), canvas_(canvas), before_(std::move(before)), after_(std::move(after)) {}

    void undo() override { canvas_.restore(before_); }
    void redo() override {
        if (done_) canvas_.restore(after_);
        done_ = true;
    }

private:
    PictureArea& canvas_;
    PictureArea::Contents before_;
    PictureArea::Contents after_;
    bool done_ = false;
};

}  // namespace

CanvasHistory::CanvasHistory(PictureArea& canvas, DrawingState& drawing, QObject* parent)
    : QObject(parent), canvas_(canvas), drawing_(drawing) {
    stack_.setUndoLimit(Depth);

    undoAction_ = new QAction(QStringLiteral("&Undo"), this);
    undoAction_->setObjectName(QStringLiteral("undoAction"));
    undoAction_->setShortcuts(QKeySequence::Undo);
    connect(undoAction_, &QAction::triggered, this, &CanvasHistory::undo);

    // Ctrl+Shift+Z everywhere, beside whatever the platform binds.
    redoAction_ = new QAction(QStringLiteral("&Redo"), this);
    redoAction_->setObjectName(QStringLiteral("redoAction"));
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence shiftZ(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    if (!redoKeys.contains(shiftZ)) redoKeys.prepend(shiftZ);
    redoAction_->setShortcuts(redoKeys);
    connect(redoAction_, &QAction::triggered, this, &CanvasHistory::redo);

    connect(&stack_, &QUndoStack::indexChanged, this, &CanvasHistory::updateActions);
    connect(&stack_, &QUndoStack::indexChanged, this, &CanvasHistory::changed);
    updateActions();
}

CanvasHistory::~CanvasHistory() { disconnect(&stack_, nullptr, this, nullptr); }

bool CanvasHistory::bandInProgress() const { return drawing_.lineActive || drawing_.circleActive; }

bool CanvasHistory::beforeMouse() {
    if (dragCancelled_) return false;
    openGesture();
    return true;
}

void CanvasHistory::openGesture() {
    if (gestureStart_) return;
    gestureStart_ = canvas_.contents();
    updateActions();
}

void CanvasHistory::afterMouse(Qt::MouseButtons held) {
    held_ = held;
    if (held == Qt::NoButton) dragCancelled_ = false;
    if (held == Qt::NoButton && !bandInProgress()) closeGesture(QStringLiteral("drawing"));
}

void CanvasHistory::closeGesture(const QString& name) {
    if (!gestureStart_) return;
    const PictureArea::Contents before = std::move(*gestureStart_);
    gestureStart_.reset();
    pushStep(name, before);
    updateActions();
}

void CanvasHistory::pushStep(const QString& name, const PictureArea::Contents& before) {
    PictureArea::Contents after = canvas_.contents();
    if (after == before) return;
    stack_.push(new CanvasStep(name, canvas_, before, std::move(after)));
}

void CanvasHistory::undo() {
    if (gestureStart_) {
        canvas_.restore(*gestureStart_);
        gestureStart_.reset();
        dragCancelled_ = held_ != Qt::NoButton;
    } else {
        stack_.undo();
    }
    drawing_.lineActive = false;
    drawing_.circleActive = false;
    updateActions();
}

void CanvasHistory::redo() {
    if (gestureStart_) return;
    stack_.redo();
}

void CanvasHistory::setPaused(bool paused) {
    paused_ = paused;
    updateActions();
}

void CanvasHistory::updateActions() {
    undoAction_->setEnabled(!paused_ && (gestureStart_.has_value() || stack_.canUndo()));
    redoAction_->setEnabled(!paused_ && !gestureStart_ && stack_.canRedo());
}

}  // namespace marbleck
