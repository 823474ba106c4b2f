#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "output/PrintDialog.h"
#include "output/PrintDialogHost.h"
#include "widgets/PictureArea.h"
#include "widgets/Printer.h"
#include "widgets/UserNotice.h"

namespace marbleck::test {

// Records information messages instead of showing message boxes.
class RecordedNotices {
public:
    RecordedNotices() {
        previous_ = UserNotice::SetSink([this](QWidget*, const QString& text) { texts_.push_back(text); });
    }
    ~RecordedNotices() { UserNotice::SetSink(previous_); }
    RecordedNotices(const RecordedNotices&) = delete;
    RecordedNotices& operator=(const RecordedNotices&) = delete;
    const std::vector<QString>& texts() const { return texts_; }

private:
    std::vector<QString> texts_;
    UserNotice::Sink previous_;
};

// The main window with a print dialog whose printer writes PDF files into a
// temporary folder (the path taken when the system has no printer).
class PrintDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        form.printDialogHost().setPrinter(std::make_unique<Printer>(Printer::Target::PdfFile, folder.path()));
    }

    Printer& printer() { return form.printDialogHost().printer(); }
    PrintDialog& dialog() { return *form.printDialogHost().dialog(); }

    // The main window's "Print" button.
    PrintDialog& open() {
        QTest::mouseClick(Control<QPushButton>(form, "printButton"), Qt::LeftButton);
        EXPECT_NE(form.printDialogHost().dialog(), nullptr);
        return dialog();
    }

    // A mouse button down on the page map at (x, y) in map units.
    void pick(float x, float y, Qt::MouseButton button = Qt::LeftButton) {
        emit Control<PictureArea>(dialog(), "pageMap")->mousePressed(button, button, x, y);
    }

    // Closing through the frame unloads the dialog (it is deleted later).
    void closeThroughFrame() {
        dialog().close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Document document;
    MainWindow form{document};
    QTemporaryDir folder;
    RecordedErrors errors;
    RecordedNotices notices;
};

}  // namespace marbleck::test
