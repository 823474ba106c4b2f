#pragma once

#include <QObject>
#include <cstddef>
#include <thread>
#include <vector>

class QLineEdit;
class QTimer;

namespace marbleck {

class MainWindow;
class MenuCommands;
class PictureArea;

// Gets the fast engine ready for the calculation "Calculate" would run next,
// while the window is idle: a moment after the object, the reps or the
// engine changed (and once after the window opened), with the fast engine
// chosen in "Options" > "Engine" and nothing running, it reads the job's size and lit
// samples from the canvas and lets the engine take its buffers and start its
// threads on a thread of its own (FastHologramEngine::prepare), and touches
// as much free memory as the result will take (its field, grey levels and
// view picture) and lets it go again, so that the result's pages are the
// process's already. Nothing of the hologram is calculated; a "Calculate"
// clicked meanwhile waits for the engine.
// Other engines need no warm-up. A child of the window, it follows the reps
// box, the engine's choice, the end of each stroke on the canvas, loads and calculations.
class EngineWarmUp : public QObject {
    Q_OBJECT
public:
    EngineWarmUp(MainWindow& window, const PictureArea& canvas, const QLineEdit& reps,
                 const MenuCommands& menus);
    ~EngineWarmUp() override;

    // Lets the allocator keep the blocks a calculation frees for the next one
    // in one heap that every thread shares, so that memory the warm-up or an
    // earlier calculation touched serves the next result without new pages.
    // Before any thread is started (main() calls it first); glibc only.
    static void KeepFreedBlocks();
    // Takes blocks of these sizes, writes every page and frees them again,
    // last first; nothing when one would not come from the heap or all
    // together exceed 64 MB.
    static void TouchFreeMemory(const std::vector<std::size_t>& sizes);

    // Prepares a moment from now, once the changes have stopped.
    void schedule();
    // Waits for a preparation under way.
    void wait();

private:
    void prepareNow();

    MainWindow& window_;
    const PictureArea& canvas_;
    QTimer* delay_;
    std::thread preparing_;
};

}  // namespace marbleck
