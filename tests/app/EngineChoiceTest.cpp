// "Options" > "Engine" as the settings file sets it up at the start and as
// the next run finds it.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <memory>
#include <string>

#include "Controls.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "engine/sums/CalculationEngine.h"

namespace marbleck {
namespace {

using test::Control;

// What the settings file says before the window opens, and the engine the
// window starts with.
struct EngineSettingsCase {
    const char* label;
    const char* file;
    const char* engine;
};

class EngineSettings : public ::testing::TestWithParam<EngineSettingsCase> {};

TEST_P(EngineSettings, StartWith) {
    const QString path = QSettings().fileName();
    // Run on its own, the test is the first to write the settings: their
    // folder is not there yet.
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())) << path.toStdString();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(GetParam().file);
    }
    QSettings().sync();
    Document document;
    MainWindow form{document};
    EXPECT_EQ(form.calculateSettings().engine, GetParam().engine);
    const std::string item = std::string(GetParam().engine) + "EngineAction";
    EXPECT_TRUE(Control<QAction>(form, item.c_str())->isChecked());
    // Nothing is written back until the user chooses.
    QSettings settings;
    EXPECT_EQ(settings.contains(QStringLiteral("options/fastCalculation")),
              QByteArray(GetParam().file).contains("fastCalculation"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, EngineSettings,
    ::testing::Values(EngineSettingsCase{"FirstStart", "", "exact"},
                      EngineSettingsCase{"OldKeyTicked", "[options]\nfastCalculation=true\n", "fast"},
                      EngineSettingsCase{"OldKeyUnticked", "[options]\nfastCalculation=false\n", "exact"},
                      EngineSettingsCase{"NameBeforeOldKey",
                                         "[options]\nengine=reference\nfastCalculation=true\n", "reference"},
                      EngineSettingsCase{"NameOnly", "[options]\nengine=fast\n", "fast"},
                      EngineSettingsCase{"UnknownName", "[options]\nengine=warp\nfastCalculation=true\n",
                                         "exact"}),
    [](const auto& info) { return std::string(info.param.label); });

// Each engine chosen is written by its name at once and is the next window's;
// last to first, so that each choice is a change (the default comes last).
TEST(EngineChoice, EachIsRememberedByName) {
    Document document;
    const auto engines = CalculationEngines();
    for (auto it = engines.rbegin(); it != engines.rend(); ++it) {
        const CalculationEngine& engine = *it;
        if (!engine.available()) continue;
        const std::string name(engine.name);
        {
            MainWindow form{document};
            Control<QAction>(form, (name + "EngineAction").c_str())->trigger();
            EXPECT_EQ(QSettings().value(QStringLiteral("options/engine")).toString().toStdString(), name);
        }
        MainWindow next{document};
        EXPECT_EQ(next.calculateSettings().engine, name);
        EXPECT_TRUE(Control<QAction>(next, (name + "EngineAction").c_str())->isChecked()) << name;
    }
}

}  // namespace
}  // namespace marbleck
