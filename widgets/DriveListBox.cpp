#include "widgets/DriveListBox.h"

#include <QDir>
#include <QStorageInfo>
#include <QStringList>

namespace marbleck {

namespace {

QStringList mountedRoots() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid()) roots << QDir::cleanPath(volume.rootPath());
    }
    roots << QDir::rootPath();
    roots.removeDuplicates();
    roots.sort();
    return roots;
}

bool isPrefixFolder(const QString& root, const QString& path) {
    if (root == QStringLiteral("/")) return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

}  // namespace

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    refresh();
    setDrive(QDir::currentPath());
    connect(this, &QComboBox::activated, this, &DriveListBox::userPicked);
}

QString DriveListBox::DriveOf(const QString& path) {
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    QString best = QDir::rootPath();
    for (const QString& root : mountedRoots()) {
        if (isPrefixFolder(root, clean) && root.size() > best.size()) best = root;
    }
    return best;
}

void DriveListBox::refresh() {
    const QSignalBlocker quiet(this);
    clear();
    addItems(mountedRoots());
    if (!current_.isEmpty()) {
        if (findText(current_) < 0) addItem(current_);
        setCurrentIndex(findText(current_));
    }
}

QString DriveListBox::drive() const { return current_; }

void DriveListBox::setDrive(const QString& path) {
    const QString drive = DriveOf(path);
    {
        const QSignalBlocker quiet(this);
        if (findText(drive) < 0) addItem(drive);
        setCurrentIndex(findText(drive));
    }
    if (drive == current_) return;
    current_ = drive;
    emit driveChanged();
}

// The combo box already shows the picked item; the list follows it.
void DriveListBox::userPicked(int index) {
    const QString picked = itemText(index);
    if (picked == current_) return;
    current_ = picked;
    emit driveChanged();
}

}  // namespace marbleck
