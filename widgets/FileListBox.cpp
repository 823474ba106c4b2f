#include "widgets/FileListBox.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "platform/RunTimeError.h"

namespace marbleck {

namespace {

// The platform's folder listing skips names that are not valid UTF-8, as it
// cannot turn them into text. Counts those that are plain files (or links to
// them) and match one of `patterns`, by the folder's own entries.
int countUnlistable(const QString& folder, const QStringList& patterns) {
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return 0;
    QList<QRegularExpression> matchers;
    for (const QString& pattern : patterns)
        matchers << QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive);
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.isValidUtf8()) continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode)) continue;
        const QString shown = QString::fromUtf8(name);
        for (const QRegularExpression& matcher : matchers) {
            if (matcher.match(shown).hasMatch()) {
                ++count;
                break;
            }
        }
    }
    ::closedir(dir);
    return count;
}

}  // namespace

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    path_ = QDir::cleanPath(QDir::currentPath());
    reread(QString());
    // The current row changes before a clicked item is selected; only the
    // selection tells which file the user chose.
    connect(this, &QListWidget::itemSelectionChanged, this, &FileListBox::selectionChanged);
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
    const QStringList names =
        QDir(path_).entryList(patterns, QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    addItems(names);
    setCurrentRow(-1);
    if (!keepSelected.isEmpty()) {
        const qsizetype row = names.indexOf(keepSelected);
        if (row >= 0) setCurrentRow(static_cast<int>(row));
    }
    unlisted_ = countUnlistable(path_, patterns);
    reading_ = false;
    emit listRead();
}

void FileListBox::selectionChanged() {
    if (!reading_ && !fileName().isEmpty()) emit fileSelected();
}

// Given the focus with no current item, the view would mark its first item as
// current without selecting it: it would look chosen, but "open" would not
// load it. The list stays unmarked; the first arrow key selects that item.
void FileListBox::focusInEvent(QFocusEvent* event) {
    const bool hadCurrent = currentIndex().isValid();
    QListWidget::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid() && !selectionModel()->isSelected(currentIndex()))
        selectionModel()->clearCurrentIndex();
}

// A click below the files, a Control-click or Control-Space would unselect
// the selected file (the last two leaving it looking current); it stays
// selected instead.
QItemSelectionModel::SelectionFlags FileListBox::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    if (event && !index.isValid()) return QItemSelectionModel::NoUpdate;
    if (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        return QItemSelectionModel::NoUpdate;
    return command;
}

}  // namespace marbleck
