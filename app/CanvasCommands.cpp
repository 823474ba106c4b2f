#include "app/CanvasCommands.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "app/CanvasHistory.h"
#include "app/MainWindowControls.h"
#include "input/DrawingTools.h"
#include "platform/NumberText.h"
#include "widgets/PictureArea.h"

namespace marbleck {

// The drawing tools see the selected tool and show the press position
// through these two hooks only.
CanvasCommands::CanvasCommands(MainWindowControls& controls, DrawingState& drawing, CanvasHistory& history,
                               QObject* parent)
    : QObject(parent), controls_(controls), history_(history) {
    tools_ = std::make_unique<DrawingTools>(
        *controls_.objectCanvas, drawing,
        [this] {
            if (controls_.lineTool->isChecked()) return DrawingTool::Line;
            if (controls_.circleTool->isChecked()) return DrawingTool::Circle;
            return DrawingTool::Freehand;
        },
        [this](float x, float y) {
            controls_.pressXLabel->setText(QString::fromStdString(WriteNumber(x)));
            controls_.pressYLabel->setText(QString::fromStdString(WriteNumber(y)));
        });
    connectTools();
    connectCanvas();
}

CanvasCommands::~CanvasCommands() = default;

// An option button's click handler runs when it becomes selected.
void CanvasCommands::connectTools() {
    connect(controls_.clearButton, &QPushButton::clicked, this, &CanvasCommands::clearCanvas);
    const auto onSelect = [this](QRadioButton* option, auto handler) {
        connect(option, &QRadioButton::toggled, this, [handler](bool on) {
            if (on) handler();
        });
    };
    onSelect(controls_.lineTool, [this] { lineToolSelected(); });
    onSelect(controls_.penWidth1, [this] { penWidthSelected(1); });
    onSelect(controls_.penWidth2, [this] { penWidthSelected(2); });
    onSelect(controls_.penWidth5, [this] { penWidthSelected(5); });
}

void CanvasCommands::connectCanvas() {
    connect(controls_.objectCanvas, &PictureArea::mousePressed, this,
            [this](Qt::MouseButton, Qt::MouseButtons buttons, float x, float y) {
                if (!history_.beforeMouse()) return;
                tools_->press(x, y);
                history_.afterMouse(buttons);
            });
    connect(controls_.objectCanvas, &PictureArea::mouseMoved, this,
            [this](Qt::MouseButtons buttons, float x, float y) {
                if (!history_.beforeMouse()) return;
                tools_->move(buttons, x, y);
                history_.afterMouse(buttons);
            });
    connect(controls_.objectCanvas, &PictureArea::mouseReleased, this,
            [this](Qt::MouseButton, Qt::MouseButtons held) { history_.afterMouse(held); });
}

void CanvasCommands::clearCanvas() {
    history_.record(QStringLiteral("clear"), [&] { controls_.objectCanvas->clear(); });
}

// Selecting a tool or a width leaves the drawing state alone.
void CanvasCommands::lineToolSelected() {
    controls_.freehandTool->setChecked(false);
    controls_.circleTool->setChecked(false);
}

void CanvasCommands::penWidthSelected(int pixels) {
    for (const auto& [button, width] : {std::pair{controls_.penWidth1, 1}, std::pair{controls_.penWidth2, 2},
                                        std::pair{controls_.penWidth5, 5}})
        if (width != pixels) button->setChecked(false);
    tools_->setPenWidth(pixels);
}

}  // namespace marbleck
