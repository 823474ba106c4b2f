#include <gtest/gtest.h>

#include <QAction>
#include <QSettings>
#include <string>

#include "Controls.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/kinds/HologramKind.h"

namespace marbleck {
namespace {

using test::Control;

const QString KindKey = QStringLiteral("options/hologram");

QAction* KindAction(const MainWindow& form, const HologramKind& kind) {
    return Control<QAction>(form, (std::string(kind.name) + "HologramAction").c_str());
}

// The setting's value before the window opens (none: not set), and the
// kind it chooses (none: the first kind).
struct RememberedCase {
    const char* remembered;
    const char* chosen;
};

class KindChoiceTest : public ::testing::TestWithParam<RememberedCase> {};

// The window starts with the remembered kind checked and "Calculate" making
// it; a name not in the kinds table (another spelling, a kind of a later
// version) starts with the first kind. Each choice made is remembered by
// its name at once.
TEST_P(KindChoiceTest, RememberedNameChoosesItsKind) {
    if (GetParam().remembered != nullptr)
        QSettings().setValue(KindKey, QString::fromLatin1(GetParam().remembered));
    const HologramKind* expected =
        GetParam().chosen != nullptr ? FindHologramKind(GetParam().chosen) : HologramKinds().front();
    ASSERT_NE(expected, nullptr);
    Document document;
    MainWindow form(document);
    EXPECT_EQ(form.calculateSettings().kind, expected);
    for (const HologramKind* kind : HologramKinds())
        EXPECT_EQ(KindAction(form, *kind)->isChecked(), kind == expected) << kind->name;

    for (const HologramKind* kind : HologramKinds()) {
        if (kind == expected) continue;
        KindAction(form, *kind)->trigger();
        EXPECT_EQ(QSettings().value(KindKey).toString().toStdString(), kind->name);
        EXPECT_EQ(form.calculateSettings().kind, kind);
    }
}

INSTANTIATE_TEST_SUITE_P(Remembered, KindChoiceTest,
                         ::testing::Values(RememberedCase{nullptr, nullptr},
                                           RememberedCase{"amplitude", "amplitude"},
                                           RememberedCase{"phase", "phase"}, RememberedCase{"Phase", nullptr},
                                           RememberedCase{"hologram", nullptr}, RememberedCase{"", nullptr}),
                         [](const auto& info) {
                             const char* name = info.param.remembered;
                             return name == nullptr ? std::string("none")
                                    : *name == '\0' ? std::string("empty")
                                                    : std::string("name_") + name;
                         });

}  // namespace
}  // namespace marbleck
