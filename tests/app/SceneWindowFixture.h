#pragma once

// A main window with 3-D scenes written into a temporary folder, its file
// questions answered with `next`, its run-time errors recorded.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <vector>

#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/SceneSettingsDialog.h"
#include "widgets/PictureArea.h"

namespace marbleck::test {

struct Point {
    double x, y, z;
};

// Two points at different depths, left and right of the axis; the nearer
// one on the left.
inline const std::vector<Point> TwoPoints = {{-160e-6, -80e-6, 0.05}, {240e-6, 160e-6, 0.06}};
constexpr double Pitch = 8e-6;
constexpr int Side = 128;

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline QByteArray Ply(const std::vector<Point>& points) {
    QByteArray text = "ply\nformat ascii 1.0\nelement vertex " + QByteArray::number(points.size()) +
                      "\nproperty float x\nproperty float y\nproperty float z\nend_header\n";
    for (const Point& p : points)
        text += QByteArray::number(p.x, 'g', 9) + ' ' + QByteArray::number(p.y, 'g', 9) + ' ' +
                QByteArray::number(p.z, 'g', 9) + '\n';
    return text;
}

class SceneWindow : public ::testing::Test {
protected:
    SceneWindow() {
        EXPECT_TRUE(folder.isValid());
        form.setOpenFileQuestion(
            [this](QWidget*, const QString&, const QString&, const QString&) { return next; });
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    QString write(const char* name, const QByteArray& bytes) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        WriteFile(path, bytes);
        return path;
    }

    // "File" > "Open 3-D Scene…" answered with `path`.
    void openScene(const QString& path) {
        next = path;
        ChooseFromMenu(form, QStringLiteral("File"), {"openSceneAction"});
    }

    // "Options" > "3-D Hologram…" with `fill` typing into the dialog, then OK.
    void editSettings(std::function<void(SceneSettingsDialog&)> fill) {
        WhenModalShows<SceneSettingsDialog>([fill](SceneSettingsDialog& dialog) {
            fill(dialog);
            QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
        ChooseFromMenu(form, QStringLiteral("Options"), {"sceneSettingsAction"});
    }

    static void type(SceneSettingsDialog& dialog, const char* edit, const QString& text) {
        auto* box = Control<QLineEdit>(dialog, edit);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }

    void setSmallSize() {
        editSettings(
            [](SceneSettingsDialog& dialog) { type(dialog, "sizeEdit", QStringLiteral("128x128")); });
    }

    PictureArea& canvas() { return *Control<PictureArea>(form, "objectCanvas"); }
    PictureArea& view() { return *Control<PictureArea>(form, "hologramView"); }

    QTemporaryDir folder;
    QString next;
    RecordedErrors errors;
    Document document;
    MainWindow form{document};
};

}  // namespace marbleck::test
