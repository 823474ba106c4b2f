// Runs GUI tests headless: the offscreen platform must be chosen before the
// QApplication exists, and failing commands are recorded instead of shown.
// Settings go to a folder of the run's own, so that no test reads or changes
// the user's, and each test starts from no settings, as a first start does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace {

class FreshSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { QSettings().clear(); }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settingsFolder;
    if (!settingsFolder.isValid()) return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsFolder.path()));
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Marbleck"));
    QApplication::setApplicationName(QStringLiteral("Marbleck"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder.path());
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    return RUN_ALL_TESTS();
}
