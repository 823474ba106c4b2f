#include <gtest/gtest.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <memory>

#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "ScreenMap.h"
#include "SmallKinoform.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/ScreenChooser.h"
#include "app/ScreenWindow.h"

namespace marbleck {

using test::ChooseFromMenu;
using test::Control;
using test::ShownScreenWindow;

namespace {

QScreen* ScreenNamed(const QString& name) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == name) return screen;
    return nullptr;
}

class TwoScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::screens().size(), 2);
        ASSERT_NE(ScreenNamed(QStringLiteral("SLM")), nullptr);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        document.hologram = test::AsHologram(test::SmallKinoform(11));
        document.panel.settings.lookup = test::SquareLookupTable();
        document.panel.settings.tiltX = -0.21;
        document.panel.settings.tiltY = 0.05;
        emit form->hologramChanged();
    }

    // "View" > "Show on Screen…", the chooser answered by `answer`.
    void showOnScreen(const std::function<void(ScreenChooser&)>& answer) {
        test::WhenModalShows<ScreenChooser>(answer);
        ChooseFromMenu(*form, QStringLiteral("View"), {"showOnScreenAction"});
    }

    test::RecordedErrors errors;
    Document document;
    std::unique_ptr<MainWindow> form = std::make_unique<MainWindow>(document);
};

TEST_F(TwoScreensTest, ChooserListsScreensInPixels) {
    QStringList listed;
    QString chosen;
    showOnScreen([&](ScreenChooser& chooser) {
        auto* list = Control<QListWidget>(chooser, "screenList");
        for (int row = 0; row < list->count(); ++row) listed.append(list->item(row)->text());
        chosen = list->currentItem()->text();
        chooser.reject();
    });
    EXPECT_EQ(listed, (QStringList{QStringLiteral("Desk: 800 × 600 pixels (primary)"),
                                   QStringLiteral("SLM: 1280 × 720 pixels")}));
    EXPECT_EQ(chosen, listed.value(1));
    EXPECT_EQ(ShownScreenWindow(), nullptr);
    EXPECT_FALSE(Control<QAction>(*form, "showOnScreenAction")->isChecked());
}

// On the modulator, whose device pixels are half its logical ones, a map of
// the screen's own size fills it exactly.
TEST_F(TwoScreensTest, ShowsOnChosenScreenAtItsRatio) {
    document.panel.settings.width = 1280;
    document.panel.settings.height = 720;
    showOnScreen([](ScreenChooser& chooser) {
        QTest::mouseClick(Control<QDialogButtonBox>(chooser, "buttons")->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    ScreenWindow* window = ShownScreenWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QScreen* slm = ScreenNamed(QStringLiteral("SLM"));
    EXPECT_EQ(window->screen(), slm);
    EXPECT_EQ(window->geometry(), slm->geometry());
    EXPECT_EQ(window->devicePixelRatioF(), 2.0);
    test::ExpectShowsMap(*window, MapToPanel(*document.phase(), document.panel.settings));
    EXPECT_TRUE(window->sizeNote().isEmpty()) << window->sizeNote().toStdString();
    EXPECT_EQ(Control<QLabel>(*form, "statusBarMessage")->text(),
              QStringLiteral("Phase map 1280 × 720 on SLM"));

    // A smaller map has black around it, and the window says so.
    document.panel.settings.width = 1000;
    document.panel.settings.height = 700;
    emit form->hologramChanged();
    test::ExpectShowsMap(*window, MapToPanel(*document.phase(), document.panel.settings));
    EXPECT_TRUE(window->toolTip().contains(QStringLiteral("black around")))
        << window->toolTip().toStdString();
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace marbleck
