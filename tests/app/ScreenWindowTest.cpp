#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <memory>

#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "ScreenMap.h"
#include "SmallKinoform.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/PanelSettingsDialog.h"
#include "app/ScreenWindow.h"
#include "platform/RunTimeError.h"

namespace marbleck {

using test::ChooseFromMenu;
using test::Control;
using test::ExpectShowsMap;
using test::ShownScreenWindow;

namespace {

// The main window with a phase hologram whose map goes through a lookup
// table and a tilt, on the offscreen platform's one screen.
class ScreenWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        document.hologram = test::AsHologram(test::SmallKinoform(7));
        document.panel.settings.lookup = test::SquareLookupTable();
        document.panel.settings.tiltX = 0.13;
        document.panel.settings.tiltY = -0.07;
        emit form->hologramChanged();
    }

    QAction* item() const { return Control<QAction>(*form, "showOnScreenAction"); }

    // "View" > "Show on Screen…", the one-screen question answered by `answer`.
    void showOnScreen(const std::function<void(QMessageBox&)>& answer) {
        test::WhenModalShows<QMessageBox>(answer);
        ChooseFromMenu(*form, QStringLiteral("View"), {"showOnScreenAction"});
    }
    void showOnScreen() {
        showOnScreen(
            [](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton); });
        ASSERT_NE(ShownScreenWindow(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ShownScreenWindow()));
    }

    test::RecordedErrors errors;
    Document document;
    std::unique_ptr<MainWindow> form = std::make_unique<MainWindow>(document);
};

// A map wider than the screen and lower: cut at the right, black below.
TEST_F(ScreenWindowTest, ShowsMapPixelForPixel) {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    document.panel.settings.width = screen.width() + 37;
    document.panel.settings.height = 40;
    QString question;
    showOnScreen([&](QMessageBox& box) {
        question = box.text();
        QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton);
    });
    EXPECT_TRUE(question.contains(QGuiApplication::primaryScreen()->name())) << question.toStdString();
    ScreenWindow* window = ShownScreenWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(item()->isChecked());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->isFullScreen());
    EXPECT_EQ(window->screen(), QGuiApplication::primaryScreen());
    ExpectShowsMap(*window, MapToPanel(*document.phase(), document.panel.settings));
    EXPECT_TRUE(window->sizeNote().contains(QStringLiteral("cut at the right")))
        << window->sizeNote().toStdString();
    EXPECT_TRUE(window->sizeNote().contains(QStringLiteral("black around")));
    EXPECT_EQ(Control<QLabel>(*form, "statusBarMessage")->text(), window->sizeNote());
    EXPECT_TRUE(errors.empty());
}

struct Declining {
    const char* name;
    void (*answer)(QMessageBox&);
};

class OneScreenDeclined : public ScreenWindowTest, public ::testing::WithParamInterface<Declining> {};

TEST_P(OneScreenDeclined, ShowsNothing) {
    showOnScreen(GetParam().answer);
    EXPECT_EQ(ShownScreenWindow(), nullptr);
    EXPECT_FALSE(item()->isChecked());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OneScreenDeclined,
    ::testing::Values(Declining{"No",
                                [](QMessageBox& box) {
                                    QTest::mouseClick(box.button(QMessageBox::No), Qt::LeftButton);
                                }},
                      Declining{"Esc", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScreenWindowTest, EscClosesAndItemUnticks) {
    showOnScreen();
    QTest::keyClick(ShownScreenWindow(), Qt::Key_Escape);
    EXPECT_EQ(ShownScreenWindow(), nullptr);
    EXPECT_FALSE(item()->isChecked());
    // Shown again, the item closes it.
    showOnScreen();
    EXPECT_TRUE(item()->isChecked());
    ChooseFromMenu(*form, QStringLiteral("View"), {"showOnScreenAction"});
    EXPECT_EQ(ShownScreenWindow(), nullptr);
    EXPECT_FALSE(item()->isChecked());
}

TEST_F(ScreenWindowTest, FollowsNewHologram) {
    showOnScreen();
    const QImage before = ShownScreenWindow()->mapImage();
    document.hologram = test::AsHologram(test::SmallKinoform(8, 3));
    emit form->hologramChanged();
    EXPECT_NE(ShownScreenWindow()->mapImage(), before);
    ExpectShowsMap(*ShownScreenWindow(), MapToPanel(*document.phase(), document.panel.settings));
}

TEST_F(ScreenWindowTest, FollowsPanelChange) {
    showOnScreen();
    const QImage before = ShownScreenWindow()->mapImage();
    test::WhenModalShows<PanelSettingsDialog>([](PanelSettingsDialog& dialog) {
        auto* sizes = Control<QComboBox>(dialog, "sizeChoice");
        sizes->setCurrentIndex(sizes->findText(QStringLiteral("Custom")));
        Control<QSpinBox>(dialog, "widthBox")->setValue(50);
        Control<QSpinBox>(dialog, "heightBox")->setValue(30);
        Control<QComboBox>(dialog, "fillChoice")->setCurrentIndex(1);
        Control<QDoubleSpinBox>(dialog, "tiltYBox")->setValue(0.21);
        QTest::mouseClick(Control<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    ChooseFromMenu(*form, QStringLiteral("Options"), {"panelAction"});
    ASSERT_EQ(document.panel.settings.width, 50);
    EXPECT_EQ(document.panel.settings.tiltY, 0.21);
    EXPECT_EQ(document.panel.settings.fill, PanelFill::Pad);
    EXPECT_NE(ShownScreenWindow()->mapImage(), before);
    ExpectShowsMap(*ShownScreenWindow(), MapToPanel(*document.phase(), document.panel.settings));
    EXPECT_TRUE(errors.empty());
}

// A map that cannot be made is reported; what the modulator showed stays.
TEST_F(ScreenWindowTest, MapRefusedKeepsWhatIsShown) {
    showOnScreen();
    const QImage before = ShownScreenWindow()->mapImage();
    document.panel.settings.lens = LensTerm{0, 633, 8};
    document.hologram = test::AsHologram(test::SmallKinoform(9));
    emit form->hologramChanged();
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::InvalidPropertyValue);
    ASSERT_NE(ShownScreenWindow(), nullptr);
    EXPECT_EQ(ShownScreenWindow()->mapImage(), before);

    ChooseFromMenu(*form, QStringLiteral("View"), {"showOnScreenAction"});
    errors.clear();
    showOnScreen([](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton); });
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::InvalidPropertyValue);
    EXPECT_EQ(ShownScreenWindow(), nullptr);
    EXPECT_FALSE(item()->isChecked());
}

TEST_F(ScreenWindowTest, OnlyWithPhaseHologram) {
    EXPECT_TRUE(item()->isEnabled());
    showOnScreen();
    document.hologram.reset();
    emit form->hologramChanged();
    EXPECT_EQ(ShownScreenWindow(), nullptr);
    EXPECT_FALSE(item()->isChecked());
    EXPECT_FALSE(item()->isEnabled());
}

TEST_F(ScreenWindowTest, ClosesWithMainWindow) {
    showOnScreen();
    form->close();
    EXPECT_EQ(ShownScreenWindow(), nullptr);
}

}  // namespace
}  // namespace marbleck
