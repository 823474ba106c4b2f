#pragma once

#include <QObject>
#include <memory>

namespace marbleck {

class CanvasHistory;
class DrawingTools;
struct DrawingState;
struct MainWindowControls;

// The object canvas's commands among the main window's controls: the
// drawing tools' choice and pen widths, "Clear", and the canvas's press and
// move handlers, each stroke recorded in the canvas's history.
class CanvasCommands : public QObject {
    Q_OBJECT

public:
    // Connects the controls' handlers; `controls` and `history` outlive this.
    CanvasCommands(MainWindowControls& controls, DrawingState& drawing, CanvasHistory& history,
                   QObject* parent);
    ~CanvasCommands() override;

private:
    void connectTools();
    void connectCanvas();
    void clearCanvas();
    void lineToolSelected();
    // Pen width 1, 2 or 5 selected: the other two buttons go off.
    void penWidthSelected(int pixels);

    MainWindowControls& controls_;
    CanvasHistory& history_;
    // The canvas's press and move handlers.
    std::unique_ptr<DrawingTools> tools_;
};

}  // namespace marbleck
