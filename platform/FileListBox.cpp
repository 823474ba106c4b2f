#include "FileListBox.h"

#include <QDir>
#include <QFileInfo>

#include "RunTimeError.h"

namespace marbleck {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    path_ = QDir::cleanPath(QDir::currentPath());
    reread(QString());
    connect(this, &QListWidget::currentRowChanged, this, &FileListBox::currentChanged);
}

void FileListBox::setPath(const QString& path) {
    const QString wanted = QDir::cleanPath(QDir(path).absolutePath());
    const QFileInfo info(wanted);
    if (path.isEmpty() || !info.isDir() || !QDir(wanted).isReadable()) {
        throw RunTimeError(ErrorNumber::PathNotFound,
                           "Path not found: " + QDir::toNativeSeparators(path).toStdString());
    }
    const QString keep = wanted == path_ ? fileName() : QString();
    path_ = wanted;
    reread(keep);
}

void FileListBox::setPattern(const QString& pattern) {
    pattern_ = pattern;
    reread(QString());
}

void FileListBox::refresh() { reread(fileName()); }

QString FileListBox::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void FileListBox::setListIndex(int row) {
    if (row < 0 || row >= count()) {
        setCurrentRow(-1);
        clearSelection();
        return;
    }
    setCurrentRow(row);
}

void FileListBox::reread(const QString& keepSelected) {
    reading_ = true;
    clear();
    const QStringList patterns = pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // Without QDir::CaseSensitive the name filters ignore case: "STAR.BMP"
    // matches "*.bmp".
    const QStringList names = QDir(path_).entryList(patterns, QDir::Files | QDir::NoDotAndDotDot,
                                                    QDir::Name | QDir::IgnoreCase);
    addItems(names);
    setCurrentRow(-1);
    if (!keepSelected.isEmpty()) {
        const qsizetype row = names.indexOf(keepSelected);
        if (row >= 0) setCurrentRow(static_cast<int>(row));
    }
    reading_ = false;
}

void FileListBox::currentChanged(int row) {
    if (!reading_ && row >= 0) emit fileSelected();
}

}  // namespace marbleck
