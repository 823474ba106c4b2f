// The fast engine made ready while the window is idle: a "Calculate" during
// or after it gives the hologram a fresh engine gives, a reps text that leaves
// no hologram is left to "Calculate" to report, and the memory touched ahead
// serves the result without new pages.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <cstring>

#include <sys/resource.h>

#include "Calculation.h"
#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/EngineWarmUp.h"
#include "app/MainWindow.h"
#include "engine/sums/HologramCalculation.h"
#include "input/ObjectSamples.h"
#include "widgets/PictureArea.h"

namespace marbleck {

using test::Control;
namespace {

class EngineWarmUpTest : public ::testing::Test {
protected:
    EngineWarmUpTest() {
        Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
        auto* canvas = Control<PictureArea>(form, "objectCanvas");
        for (int i = 0; i < 60; ++i)
            canvas->setPixel(static_cast<float>(i), static_cast<float>((i * 37) % 100), White);
    }
    void chooseFastAndReps(const char* reps) {
        Control<QLineEdit>(form, "repsEdit")->setText(QString::fromLatin1(reps));
        form.findChild<QAction*>(QStringLiteral("fastEngineAction"))->setChecked(true);
    }
    // What the engine gives for the canvas without any warm-up.
    HologramField expected(double reps) {
        HologramRequest request;
        request.object = CanvasObject(*Control<PictureArea>(form, "objectCanvas"));
        request.reps = reps;
        request.engine = "fast";
        request.randomPhase = false;
        return MakeHologram(std::move(request)).field;
    }

    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
};

TEST_F(EngineWarmUpTest, CalculateWhileAndAfterItGivesTheSameHologram) {
    chooseFastAndReps("4");
    QTest::qWait(300);  // the warm-up has begun and may still run
    test::CalculateAndWait(form);
    EXPECT_EQ(document.calculation().field, expected(4));
    chooseFastAndReps("5");
    QTest::qWait(600);  // and has ended
    test::CalculateAndWait(form);
    EXPECT_EQ(document.calculation().field, expected(5));
    EXPECT_TRUE(errors.empty());
}

TEST_F(EngineWarmUpTest, RepsThatLeaveNoHologramShowNothingUntilCalculate) {
    chooseFastAndReps("0");
    QTest::qWait(600);
    EXPECT_TRUE(errors.empty());
    test::CalculateAndWait(form);
    EXPECT_FALSE(errors.empty());
}

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// On this thread's heap: the blocks a result takes after the warm-up touched
// and freed their sizes are pages the process has already.
TEST(TouchFreeMemory, LaterBlocksOfThoseSizesTakeNoNewPages) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a sanitized program's allocator holds freed blocks back from reuse";
#endif
    EngineWarmUp::KeepFreedBlocks();
    const std::size_t field = 11u << 20, grey = 3u << 20;
    EngineWarmUp::TouchFreeMemory({field, grey, field});
    const long before = MinorFaults();
    auto* a = static_cast<char*>(std::malloc(field));
    auto* b = static_cast<char*>(std::malloc(grey));
    std::memset(a, 1, field);
    std::memset(b, 1, grey);
    asm volatile("" : : "r"(a), "r"(b) : "memory");
    const long taken = MinorFaults() - before;
    std::free(b);
    std::free(a);
    // Fresh, these would be about 3,600 pages.
    EXPECT_LT(taken, 100);
}

}  // namespace
}  // namespace marbleck
