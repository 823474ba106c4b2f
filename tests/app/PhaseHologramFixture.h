#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <initializer_list>
#include <memory>
#include <utility>

#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/ReconstructionWindow.h"
#include "widgets/PictureArea.h"

namespace marbleck {

// The window shown and active (it takes Esc and its keys only then), with
// "Save Hologram As…" answered by the test.
class PhaseHologramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        form->setSaveFileQuestion(
            [this](QWidget*, const QString&, const QString&, const QString& filters, QString* chosen) {
                offeredFilters = filters;
                *chosen = filters.section(QStringLiteral(";;"), 0, 0);
                return saveAnswer;
            });
        form->show();
        activate();
    }
    // The headless platform gives no window back its activation when a menu
    // or dialog closes.
    void activate() {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void choose(std::initializer_list<const char*> path) {
        test::ChooseFromMenu(*form, QStringLiteral("Options"), path);
        activate();
    }
    void choosePhase() { choose({"hologramMenu", "phaseHologramAction"}); }
    // Lit points at canvas pixels, random phase off (the same run every
    // time), at `reps`.
    void litPoints(std::initializer_list<std::pair<int, int>> points, const char* reps) {
        for (const auto& [x, y] : points) canvas()->setPixel(x, y, White);
        QTest::mouseClick(test::Control<QCheckBox>(*form, "randomPhaseCheck"), Qt::LeftButton);
        test::Control<QLineEdit>(*form, "repsEdit")->setText(QString::fromLatin1(reps));
    }
    void refine() {
        activate();
        QTest::keySequence(form.get(), QKeySequence(Qt::CTRL | Qt::Key_R));
    }
    // "Iterations…", answered with `iterations`; returns what it offered.
    int iterationsDialog(const char* iterations) {
        int offered = 0;
        test::WhenModalShows<QInputDialog>([&](QInputDialog& dialog) {
            offered = dialog.intValue();
            auto* box = dialog.findChild<QSpinBox*>();
            box->selectAll();
            QTest::keyClicks(box, iterations);
            QTest::keyClick(box, Qt::Key_Return);
        });
        choose({"refinementMenu", "refinementIterationsAction"});
        return offered;
    }
    void saveAs(const QString& name) {
        saveAnswer = folder.filePath(name);
        activate();
        QTest::keySequence(form.get(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    }
    PictureArea* canvas() const { return test::Control<PictureArea>(*form, "objectCanvas"); }
    PictureArea* view() const { return test::Control<PictureArea>(*form, "hologramView"); }
    QString statusBar() const { return test::Control<QLabel>(*form, "statusBarMessage")->text(); }
    bool enabled(const char* name) const { return test::Control<QAction>(*form, name)->isEnabled(); }
    bool binarizeEnabled() const { return test::Control<QPushButton>(*form, "binarizeButton")->isEnabled(); }

    // Opens "View" > "Reconstruction" and waits for its picture.
    ReconstructionWindow* reconstruction() {
        test::ChooseFromMenu(*form, QStringLiteral("View"), {"reconstructionAction"});
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* r = qobject_cast<ReconstructionWindow*>(w)) {
                QSignalSpy shown(r, &ReconstructionWindow::pictureShown);
                EXPECT_TRUE(!r->picture().isNull() || shown.wait(120000));
                return r;
            }
        return nullptr;
    }

    QTemporaryDir folder;
    QString saveAnswer, offeredFilters;
    test::RecordedErrors errors;
    Document document;
    std::unique_ptr<MainWindow> form = std::make_unique<MainWindow>(document);
};

}  // namespace marbleck
