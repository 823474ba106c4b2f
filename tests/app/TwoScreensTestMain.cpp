// Runs the tests of "Show on Screen…" headless on two screens: the offscreen
// platform makes the screens its configuration file lists, a desktop and a
// modulator of device pixel ratio 2 to its right. As the other GUI tests,
// settings go to a folder of the run's own and start empty for each test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace {

const char* const Screens = R"({
  "screens": [
    {"name": "Desk", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
    {"name": "SLM", "x": 800, "y": 0, "width": 640, "height": 360, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2}
  ]
})";

class FreshSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { QSettings().clear(); }
};

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir folder;
    if (!folder.isValid()) return 1;
    QFile config(folder.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly) || config.write(Screens) < 0) return 1;
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Marbleck"));
    QApplication::setApplicationName(QStringLiteral("Marbleck"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    return RUN_ALL_TESTS();
}
