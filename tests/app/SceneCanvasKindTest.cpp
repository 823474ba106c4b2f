// The kind "Calculate" makes follows the canvas: a picture opened or drawn
// over a 3-D scene is a flat object again, made into the kind chosen before
// the scene, and the scene's kind comes back when undo shows the scene.

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QPainter>
#include <string>

#include "Calculation.h"
#include "Drawing.h"
#include "SceneWindowFixture.h"
#include "engine/kinds/scene/SceneKind.h"

namespace marbleck {
namespace {

using test::Control;

enum class FlatObject { Picture, Drawing };

struct FlatCase {
    const char* kindBefore;  // "" for the start-up kind
    FlatObject object;
};

class FlatObjectAfterScene : public test::SceneWindow, public ::testing::WithParamInterface<FlatCase> {};

TEST_P(FlatObjectAfterScene, CalculatesTheKindChosenBefore) {
    const std::string before = GetParam().kindBefore;
    const std::string item = before + "HologramAction";
    if (!before.empty())
        test::ChooseFromMenu(form, QStringLiteral("Options"), {"hologramMenu", item.c_str()});
    const HologramKind* flat = form.calculateSettings().kind;
    ASSERT_TRUE(flat->sceneFiles.empty());
    openScene(write("two.ply", test::Ply(test::TwoPoints)));
    ASSERT_TRUE(errors.empty());
    ASSERT_EQ(form.calculateSettings().kind, &SceneKind());

    int steps = 1;
    if (GetParam().object == FlatObject::Picture) {
        QImage picture(48, 40, QImage::Format_RGB32);
        picture.fill(Qt::black);
        QPainter(&picture).fillRect(10, 12, 20, 8, Qt::white);
        next = folder.filePath(QStringLiteral("square.png"));
        ASSERT_TRUE(picture.save(next));
        test::ChooseFromMenu(form, QStringLiteral("File"), {"openObjectAction"});
    } else {
        test::DrawLetter(form);
        steps = 3;
    }
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(form.calculateSettings().kind, flat);
    EXPECT_TRUE(Control<QAction>(form, (std::string(flat->name) + "HologramAction").c_str())->isChecked());

    test::CalculateAndWait(form);
    ASSERT_TRUE(errors.empty());
    ASSERT_TRUE(document.hasHologram());
    EXPECT_EQ(document.hologram->kind().name, flat->name);
    EXPECT_EQ(dynamic_cast<const SceneHologram*>(document.hologram.get()), nullptr);

    // Undo back to the scene as it was opened: its kind again.
    for (int k = 0; k < steps; ++k) Control<QAction>(form, "undoAction")->trigger();
    EXPECT_EQ(form.calculateSettings().kind, &SceneKind());
    // Redo: the flat object once more.
    Control<QAction>(form, "redoAction")->trigger();
    EXPECT_EQ(form.calculateSettings().kind, flat);
}

INSTANTIATE_TEST_SUITE_P(Objects, FlatObjectAfterScene,
                         ::testing::Values(FlatCase{"", FlatObject::Picture},
                                           FlatCase{"", FlatObject::Drawing},
                                           FlatCase{"phase", FlatObject::Picture},
                                           FlatCase{"phase", FlatObject::Drawing}),
                         [](const auto& info) {
                             return std::string(*info.param.kindBefore ? info.param.kindBefore : "start") +
                                    (info.param.object == FlatObject::Picture ? "_picture" : "_drawing");
                         });

}  // namespace
}  // namespace marbleck
