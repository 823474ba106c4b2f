#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "widgets/InputHold.h"

namespace marbleck {
namespace {

// Held widgets and those inside them take no clicks or keys, while they stay
// enabled; others, and the window's shortcuts, go on working; a release
// gives the input back.
TEST(InputHold, HeldWidgetsTakeNoInputUntilReleased) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* group = new QWidget(&window);
    auto* edit = new QLineEdit(group);
    (new QVBoxLayout(group))->addWidget(edit);
    auto* button = new QPushButton(QStringLiteral("Go"), &window);
    auto* other = new QLineEdit(&window);
    for (QWidget* w : {group, static_cast<QWidget*>(button), static_cast<QWidget*>(other)})
        layout->addWidget(w);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicked(button, &QPushButton::clicked);
    QSignalSpy cancelled(escape, &QShortcut::activated);

    InputHold hold;
    hold.hold({group, button});
    edit->setFocus();
    QTest::keyClicks(edit, "abc");
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClicks(other, "xy");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), "");
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(other->text(), "xy");
    EXPECT_EQ(cancelled.count(), 1);

    delete button;  // a held widget may go while held
    QTest::keyClicks(edit, "d");
    EXPECT_EQ(edit->text(), "");
    hold.release();
    QTest::keyClicks(edit, "e");
    EXPECT_EQ(edit->text(), "e");
}

}  // namespace
}  // namespace marbleck
