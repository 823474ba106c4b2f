#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>

#include "Calculation.h"
#include "Controls.h"
#include "GreyPicture.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/FileProcedures.h"
#include "app/HologramProcedures.h"
#include "app/MainWindow.h"
#include "engine/core/HologramGeometry.h"
#include "engine/kinds/HologramJob.h"
#include "input/ObjectSamples.h"
#include "platform/NumberText.h"
#include "widgets/PictureArea.h"
#include "widgets/Screen.h"

namespace marbleck {
namespace {

using test::Control;

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct SavedCase {
    const char* kind;
    const char* file;
};

class CalculateJobTest : public ::testing::TestWithParam<SavedCase> {};

// "Calculate" of a picture with grey levels, random phase off, saves what
// RunJob makes of the same object, brightness, kind, reps and engine, byte
// for byte: the worker runs the kind's own job, nothing added or lost.
TEST_P(CalculateJobTest, SavesWhatRunJobMakes) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QImage picture = test::GreyLevelPicture();
    const QString picturePath = folder.filePath(QStringLiteral("object.png"));
    ASSERT_TRUE(picture.save(picturePath));

    test::RecordedErrors errors;
    Document document;
    MainWindow form(document);
    form.setOpenFileQuestion(
        [&](QWidget*, const QString&, const QString&, const QString&) { return picturePath; });
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keySequence(&form, QKeySequence(Qt::CTRL | Qt::Key_O));
    QTest::mouseClick(Control<QCheckBox>(form, "randomPhaseCheck"), Qt::LeftButton);
    Control<QLineEdit>(form, "repsEdit")->setText(QStringLiteral("1.5"));
    Control<QAction>(form, (std::string(GetParam().kind) + "HologramAction").c_str())->trigger();
    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.hasHologram());
    EXPECT_EQ(document.hologram->kind().name, GetParam().kind);
    const QString shown = folder.filePath(QStringLiteral("shown.") + QLatin1String(GetParam().file));
    SaveHologramAs(document, shown, 8);

    const PictureArea& canvas = *Control<PictureArea>(form, "objectCanvas");
    HologramJob job;
    job.object = CanvasObject(canvas);
    job.brightness = CanvasBrightness(canvas, job.object);
    job.kind = GetParam().kind;
    job.reps = 1.5;
    job.engine = form.calculateSettings().engine;
    Document made;
    made.panel = document.panel;
    made.hologram = RunJob(job).hologram;
    const QString expected = folder.filePath(QStringLiteral("job.") + QLatin1String(GetParam().file));
    SaveHologramAs(made, expected, 8);

    const QByteArray bytes = Bytes(shown);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_TRUE(bytes == Bytes(expected));
}

INSTANTIATE_TEST_SUITE_P(Kinds, CalculateJobTest,
                         ::testing::Values(SavedCase{"amplitude", "npy"}, SavedCase{"amplitude", "png"},
                                           SavedCase{"phase", "npy"}, SavedCase{"phase", "png"}),
                         [](const auto& info) {
                             return std::string(info.param.kind) + "_" + info.param.file;
                         });

// Reps that put R·W − 1 just below 0 leave a field of one value a side
// that no sum reaches: the amplitude hologram keeps it and is said by its
// field, where the phase kind refuses it (PhaseHologramTest).
TEST(CalculateJob, AmplitudeKeepsAFieldItsLoopsDoNotVisit) {
    test::RecordedErrors errors;
    Document document;
    MainWindow form(document);
    PictureArea& canvas = *Control<PictureArea>(form, "objectCanvas");
    canvas.setPixel(3, 4, White);
    const float width = canvas.outerWidth() / Screen::TwipsPerPixelX();
    const float height = canvas.outerHeight() / Screen::TwipsPerPixelY();
    const double reps = 0.75 / std::min(width, height);
    Control<QLineEdit>(form, "repsEdit")->setText(QString::number(reps, 'g', 17));
    const HologramGeometry g = MakeHologramGeometry(width, height, reps);
    ASSERT_TRUE(g.columns == 0 || g.rows == 0);
    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.hasHologram());
    EXPECT_EQ(document.field().columns(), g.fieldColumns);
    EXPECT_EQ(document.field().rows(), g.fieldRows);
    const QString said = Control<QLabel>(form, "statusBarMessage")->text();
    EXPECT_TRUE(said.startsWith(QStringLiteral("Hologram %1 × %2 in ").arg(g.fieldColumns).arg(g.fieldRows)))
        << said.toStdString();
}

struct CaptionCase {
    const char* kind;
    const char* caption;
    // Whether the size said is the field's bounds (R·W − 1 rounded half to
    // even) rather than the columns and rows its loops visit.
    bool fieldBounds;
};

class CalculatedTextTest : public ::testing::TestWithParam<CaptionCase> {};

// Reps that put R·W − 1 at 9.7 make a field of 11 values a side of which
// the loops visit 10: an amplitude hologram is said by its field, a phase
// one by its visited values, as a file of each holds them.
TEST_P(CalculatedTextTest, SaysTheCaptionAndTheSize) {
    HologramJob job;
    job.object.width = 10;
    job.object.height = 10;
    job.object.litSamples = {{3, 4}, {6, 2}};
    job.kind = GetParam().kind;
    job.reps = 1.07;
    const HologramGeometry g = MakeHologramGeometry(10, 10, 1.07);
    ASSERT_NE(g.fieldColumns, g.columns);
    const int columns = GetParam().fieldBounds ? g.fieldColumns : g.columns;
    const int rows = GetParam().fieldBounds ? g.fieldRows : g.rows;
    const auto hologram = RunJob(job).hologram;
    EXPECT_EQ(
        CalculatedText(*hologram, 0.254),
        QStringLiteral("%1 %2 × %3 in 0.25 s").arg(QLatin1String(GetParam().caption)).arg(columns).arg(rows));
}

INSTANTIATE_TEST_SUITE_P(Kinds, CalculatedTextTest,
                         ::testing::Values(CaptionCase{"amplitude", "Hologram", true},
                                           CaptionCase{"phase", "Phase hologram", false}),
                         [](const auto& info) { return std::string(info.param.kind); });

}  // namespace
}  // namespace marbleck
