#include "app/EngineWarmUp.h"

#include <QLineEdit>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "app/HologramProcedures.h"
#include "app/MainWindow.h"
#include "app/MenuCommands.h"
#include "engine/core/HologramGeometry.h"
#include "engine/sums/FastHologramEngine.h"
#include "widgets/PictureArea.h"

namespace marbleck {

namespace {

// How long the window waits after a change before it prepares, in ms: typing
// reps or drawing a stroke prepares once, at the end.
constexpr int SettleMs = 250;

// Blocks up to this size come from the shared heap (glibc's largest setting);
// larger ones are mapped and returned to the system as they are freed.
constexpr int HeapBlockBytes = 32 << 20;
// Free memory at the heap's top beyond this goes back to the system.
constexpr int KeptFreeBytes = 128 << 20;
// Results larger than this get no memory touched ahead.
constexpr std::size_t MaxTouchedBytes = 64 << 20;

}  // namespace

void EngineWarmUp::TouchFreeMemory(const std::vector<std::size_t>& sizes) {
    std::size_t total = 0;
    for (const std::size_t size : sizes) {
        if (size > static_cast<std::size_t>(HeapBlockBytes)) return;
        total += size;
    }
    if (total > MaxTouchedBytes) return;
    std::vector<void*> blocks;
    for (const std::size_t size : sizes)
        if (void* block = std::malloc(size)) {
            // Not zeros: a zero-filled fresh block may become a calloc, which
            // leaves fresh pages untouched.
            std::memset(block, 0xFF, size);
            // Written for real: the compiler may not leave the writes out.
            asm volatile("" : : "r"(block) : "memory");
            blocks.push_back(block);
        }
    for (auto at = blocks.rbegin(); at != blocks.rend(); ++at) std::free(*at);
}

void EngineWarmUp::KeepFreedBlocks() {
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, HeapBlockBytes);
    mallopt(M_TRIM_THRESHOLD, KeptFreeBytes);
#endif
}

EngineWarmUp::EngineWarmUp(MainWindow& window, const PictureArea& canvas, const QLineEdit& reps,
                           const MenuCommands& menus)
    : QObject(&window), window_(window), canvas_(canvas) {
    delay_ = new QTimer(this);
    delay_->setSingleShot(true);
    delay_->setInterval(SettleMs);
    connect(delay_, &QTimer::timeout, this, &EngineWarmUp::prepareNow);
    connect(&reps, &QLineEdit::textChanged, this, &EngineWarmUp::schedule);
    connect(&menus, &MenuCommands::engineChanged, this, &EngineWarmUp::schedule);
    connect(&canvas, &PictureArea::mouseReleased, this, &EngineWarmUp::schedule);
    connect(&window, &MainWindow::hologramChanged, this, &EngineWarmUp::schedule);
    connect(&window, &MainWindow::calculationEnded, this, &EngineWarmUp::schedule);
    schedule();  // once the window has opened
}

EngineWarmUp::~EngineWarmUp() { wait(); }

void EngineWarmUp::schedule() { delay_->start(); }

void EngineWarmUp::wait() {
    if (preparing_.joinable()) preparing_.join();
}

// The canvas is read here, on the window's thread, as "Calculate" reads it; a
// request that leaves no hologram prepares nothing (its click reports that).
void EngineWarmUp::prepareNow() {
    const CalculateSettings request = window_.calculateSettings();
    if (request.engine != "fast" || window_.isCalculating()) return;
    PreparedCalculation job;
    try {
        job = PrepareCalculation(request, canvas_);
    } catch (const std::exception&) {
        return;
    }
    const HologramGeometry& geometry = job.geometry;
    wait();
    const auto values = static_cast<std::size_t>(geometry.columns) * static_cast<std::size_t>(geometry.rows);
    const std::vector<std::size_t> result = {
        static_cast<std::size_t>(geometry.fieldColumns) * static_cast<std::size_t>(geometry.fieldRows) *
            sizeof(float),
        values, values * 4};  // the field, its grey levels, the view's 32-bit picture
    preparing_ = std::thread([geometry, result, object = std::move(job.request.object)] {
        // Short of memory the buffers stay as they were: the calculation
        // itself reports what it cannot do.
        try {
            FastHologramEngine::Shared().prepare(geometry, object.litSamples);
            TouchFreeMemory(result);
        } catch (const std::exception&) {
        }
    });
}

}  // namespace marbleck
