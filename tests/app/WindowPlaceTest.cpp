#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <climits>
#include <memory>

#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"

namespace marbleck {
namespace {

// The settings file as a damaged or foreign one would be: written as text,
// the window's place in it.
void WriteSettingsFile(const QByteArray& position) {
    const QString path = QSettings().fileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_GT(file.write("[window]\nposition=@Point(" + position + ")\n"), 0);
    file.close();
    QSettings().sync();  // a file changed behind the settings' back is read again
}

QPoint SavedPosition() { return QSettings().value(QStringLiteral("window/position")).toPoint(); }

bool OnAScreen(QPoint point) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(point)) return true;
    return false;
}

struct SavedPlace {
    const char* name;
    QByteArray position;
};

class WindowPlace : public ::testing::TestWithParam<SavedPlace> {
protected:
    // Where a first start puts the window, with no place saved.
    QPoint defaultPlace() {
        MainWindow first{document};
        first.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&first));
        return first.pos();
    }

    test::RecordedErrors errors;
    Document document;
};

// A saved place that no screen shows gives way to the default place, and
// closing the window saves the place it then has.
TEST_P(WindowPlace, OffEveryScreenOpensAtTheDefaultPlace) {
    const QPoint expected = defaultPlace();
    WriteSettingsFile(GetParam().position);
    ASSERT_NE(SavedPosition(), expected);

    MainWindow form{document};
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.pos(), expected);
    form.close();
    EXPECT_EQ(SavedPosition(), expected);
    EXPECT_TRUE(OnAScreen(SavedPosition()));
    EXPECT_TRUE(errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Saved, WindowPlace,
    ::testing::Values(SavedPlace{"FarUpLeft", "-5000 -3000"}, SavedPlace{"FarDownRight", "30000 20000"},
                      SavedPlace{"IntMax", QByteArray::number(INT_MAX) + ' ' + QByteArray::number(INT_MAX)},
                      SavedPlace{"IntMin", QByteArray::number(INT_MIN) + ' ' + QByteArray::number(INT_MIN)},
                      SavedPlace{"TitleBarAboveTheScreen", "40 -30"},
                      SavedPlace{"OnlyTheRightEdgeShown", "-790 40"}),
    [](const auto& info) { return std::string(info.param.name); });

// A place a screen shows is kept, also where part of the window is off it.
TEST(WindowPlaceKept, APlaceOnTheScreenIsRestoredAndSavedAgain) {
    test::RecordedErrors errors;
    Document document;
    for (const QByteArray& position : {QByteArray("40 30"), QByteArray("120 300")}) {
        WriteSettingsFile(position);
        const QPoint saved = SavedPosition();
        MainWindow form{document};
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        EXPECT_EQ(form.pos(), saved);
        form.close();
        EXPECT_EQ(SavedPosition(), saved);
    }
}

}  // namespace
}  // namespace marbleck
