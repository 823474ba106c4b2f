#pragma once

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QString>
#include <QTest>
#include <QTimer>
#include <functional>
#include <initializer_list>

#include "Controls.h"

namespace marbleck::test {

// Clicks the menu bar's `title`, then each item of `path` in the menus that
// open, as a user does with the mouse.
inline void ChooseFromMenu(QMainWindow& form, const QString& title, std::initializer_list<const char*> path) {
    const auto plain = [](QString caption) { return caption.remove(QLatin1Char('&')); };
    QMenuBar* bar = form.menuBar();
    QAction* item = nullptr;
    for (QAction* a : bar->actions())
        if (plain(a->text()) == title) item = a;
    ASSERT_NE(item, nullptr) << title.toStdString();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(item).center());
    QMenu* menu = item->menu();
    for (const char* name : path) {
        // A submenu opens a moment after the click on its item.
        ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 120000)) << name;
        QAction* choice = Control<QAction>(form, name);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(choice).center());
        menu = choice->menu();
    }
}

// Hands the next modal dialog of type T, once it shows, to `answer` (which
// closes it), while whatever opens it waits in the dialog's event loop.
template <class T>
void WhenModalShows(std::function<void(T&)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        answer(*dialog);
    });
    poll->start(10);
}

}  // namespace marbleck::test
