#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "BitmapFiles.h"
#include "DirListBox.h"
#include "FileListBox.h"
#include "Form1.h"
#include "InputChooser.h"
#include "Module1.h"
#include "RecordedErrors.h"
#include "file_io.h"

namespace marbleck::test {

// A main window whose home folder is a fresh temporary folder, so that the
// chooser starts there and nothing outside it is touched.
class FilesFixture : public ::testing::Test {
protected:
    FilesFixture() : previousHome_(qgetenv("HOME")) {
        qputenv("HOME", home.path().toLocal8Bit());
    }
    ~FilesFixture() override {
        // The chooser goes before the home folder is restored and removed.
        form.reset();
        qputenv("HOME", previousHome_);
    }

    QString homePath(const QString& name) const { return home.filePath(name); }

    QString writeBitmap(const QString& name, const Bitmap8& bitmap, const QString& folder = {}) {
        return writeFile((folder.isEmpty() ? home.path() : folder) + "/" + name, bitmap.bytes());
    }

    QString makeFolder(const QString& name) {
        QDir(home.path()).mkpath(name);
        return home.filePath(name);
    }

    InputChooser& chooser() { return form->fileChooser(); }
    file_io& window() { return chooser().window(); }

    // Points the chooser at `folder` and selects `name` there, as a user would.
    void select(const QString& folder, const QString& name) {
        window().Dir1->setPath(folder);
        window().File1->refresh();  // files written since the list was read
        const auto found = window().File1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        window().File1->setListIndex(window().File1->row(found.front()));
    }

    void pressOpen() { window().fileselect->click(); }

    // Loads `name` from `folder` (the home folder when empty) through the chooser.
    void load(const QString& name, const QString& folder = {}) {
        form->Open->click();
        select(folder.isEmpty() ? home.path() : folder, name);
        pressOpen();
    }

    QTemporaryDir home;
    RecordedErrors errors;
    Module1 module;
    std::unique_ptr<Form1> form = std::make_unique<Form1>(module);

private:
    QByteArray previousHome_;
};

}  // namespace marbleck::test
