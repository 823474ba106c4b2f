#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "app/EnabledRules.h"
#include "app/SceneSettings.h"
#include "widgets/PictureArea.h"

class QAction;
class QMenu;
class QWidget;

namespace marbleck {

class CanvasHistory;
struct Document;

// The commands of 3-D scenes: "File" > "Open 3-D Scene…", which reads a
// point cloud (.ply, .xyz) or a colour picture with its depth picture and
// near and far distances into the document and shows the points on the
// object canvas (ScenePreview), and "Options" > "3-D Hologram…", which
// edits the physical settings (SceneSettingsDialog) kept in the settings.
// It follows the canvas: once a picture is opened or drawn over the scene
// (or the history steps away from it), the canvas shows a flat object again.
class SceneCommands : public QObject {
    Q_OBJECT

public:
    using OpenFileQuestion = std::function<QString(QWidget* parent, const QString& caption,
                                                   const QString& start, const QString& filters)>;

    SceneCommands(QWidget& window, Document& document, PictureArea& canvas, CanvasHistory& history,
                  OpenFileQuestion askOpenFile);

    void addOpenItem(QMenu& file);
    void addSettingsItem(QMenu& options);

    QAction* openAction() const { return open_; }
    QAction* settingsAction() const { return settingsAction_; }
    // Both wait while a job runs.
    QList<EnabledRule> enabledRules() const;

    // The settings "Calculate" makes a 3-D hologram with.
    const SceneSettings& settings() const { return settings_; }

    // Reads the scene of the file at `path` (a colour picture with the depth
    // picture at `depthPath` and the distances `near` and `far`, in metres,
    // of its levels) into the document and shows it on the canvas. Throws
    // RunTimeError (the readers' 53, 75, 481; 380 for distances or a pitch
    // they refuse), changing nothing.
    void openScene(const QString& path, const QString& depthPath = {}, const QString& nearText = {},
                   const QString& farText = {});

signals:
    // A scene was opened into the document.
    void sceneOpened();
    // The canvas changed otherwise (a drawing, a picture opened, "clear",
    // undo or redo): `showsScene` when it shows the document's scene as it
    // was opened, false when it shows a flat object.
    void canvasChanged(bool showsScene);
    void statusBarMessage(const QString& text);

private:
    void askScene();
    void editSettings();
    void followCanvas();

    QWidget& window_;
    Document& document_;
    PictureArea& canvas_;
    CanvasHistory& history_;
    OpenFileQuestion askOpenFile_;
    QAction* open_ = nullptr;
    QAction* settingsAction_ = nullptr;
    SceneSettings settings_;
    // The canvas as the last scene opened left it.
    std::optional<PictureArea::Contents> sceneCanvas_;
    bool opening_ = false;
};

}  // namespace marbleck
