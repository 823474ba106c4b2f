#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "BitmapFiles.h"
#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "input/InputFileChooser.h"
#include "input/InputFileChooserHost.h"
#include "widgets/DirListBox.h"
#include "widgets/FileListBox.h"

namespace marbleck::test {

// A main window whose home folder is a fresh temporary folder, so that the
// chooser starts there and nothing outside it is touched.
class FilesFixture : public ::testing::Test {
protected:
    // The window is made once the home folder is set: the input folder starts
    // in the home folder.
    FilesFixture() : previousHome_(qgetenv("HOME")) {
        qputenv("HOME", home.path().toLocal8Bit());
        form = std::make_unique<MainWindow>(document);
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

    InputFileChooserHost& chooser() { return form->fileChooser(); }
    InputFileChooser& window() { return chooser().window(); }

    // Points the chooser at `folder` and selects `name` there, as a user would.
    void select(const QString& folder, const QString& name) {
        Control<DirListBox>(window(), "folderList")->setPath(folder);
        Control<FileListBox>(window(), "fileList")->refresh();  // files written since the list was read
        const auto found = Control<FileListBox>(window(), "fileList")->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        Control<FileListBox>(window(), "fileList")
            ->setListIndex(Control<FileListBox>(window(), "fileList")->row(found.front()));
    }

    void pressOpen() { Control<QPushButton>(window(), "openButton")->click(); }

    // Loads `name` from `folder` (the home folder when empty) through the chooser.
    void load(const QString& name, const QString& folder = {}) {
        Control<QPushButton>(*form, "loadButton")->click();
        select(folder.isEmpty() ? home.path() : folder, name);
        pressOpen();
    }

    QTemporaryDir home;
    RecordedErrors errors;
    Document document;
    std::unique_ptr<MainWindow> form;

private:
    QByteArray previousHome_;
};

}  // namespace marbleck::test
