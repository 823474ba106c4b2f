#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QScreen;
class QWidget;

namespace marbleck {

class ScreenWindow;
struct Document;

// The menu commands of the spatial light modulator: "Options" > "SLM
// Panel…", which edits the document's panel (kept in the settings), and
// "View" > "Show on Screen…", which shows the phase hologram's panel map
// full screen on a chosen screen and closes it again.
class ModulatorCommands : public QObject {
    Q_OBJECT

public:
    using OpenFileQuestion = std::function<QString(QWidget* parent, const QString& caption,
                                                   const QString& start, const QString& filters)>;

    ModulatorCommands(QWidget& window, Document& document, OpenFileQuestion askOpenFile);
    ~ModulatorCommands() override;

    void addPanelItem(QMenu& options);
    void addShowOnScreenItem(QMenu& view);
    // The panel of the last run into the document; a lookup table file that
    // cannot be read any more is said once in the status bar.
    void restorePanel();

    // "View" > "Show on Screen…": ticked while the map is shown; the window
    // enables it only with a phase hologram.
    QAction* showOnScreenAction() const { return showOnScreen_; }
    QAction* panelAction() const { return panel_; }

    // The document's hologram changed: the map shown follows.
    void hologramChanged();

signals:
    void statusBarMessage(const QString& text);
    // "SLM Panel…" changed the document's panel.
    void panelChanged();

private:
    void editPanel();
    void showOnScreen(bool on);
    // The screen to show the map on: the one chosen among several, or with
    // only one, that one if the user wants it for checking; nullptr when
    // the user declined.
    QScreen* askScreen();

    QWidget& window_;
    Document& document_;
    OpenFileQuestion askOpenFile_;
    QAction* panel_ = nullptr;
    QAction* showOnScreen_ = nullptr;
    // The full-screen window, made on first use; a window of its own, never
    // the main window's child.
    std::unique_ptr<ScreenWindow> screenWindow_;
};

}  // namespace marbleck
