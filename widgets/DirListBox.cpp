#include "widgets/DirListBox.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

#include "platform/RunTimeError.h"
#include "widgets/DriveListBox.h"

namespace marbleck {

namespace {

constexpr int PathRole = Qt::UserRole;

QString normalised(const QString& path) { return QDir::cleanPath(QDir(path).absolutePath()); }

}  // namespace

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    path_ = normalised(QDir::currentPath());
    refresh();
    connect(this, &QListWidget::itemActivated, this, &DirListBox::activated);
}

void DirListBox::setPath(const QString& path) {
    const QString wanted = normalised(path);
    const QFileInfo info(wanted);
    if (path.isEmpty() || !info.isDir() || !info.isReadable() || !QDir(wanted).isReadable()) {
        throw RunTimeError(ErrorNumber::PathNotFound,
                           "Path not found: " + QDir::toNativeSeparators(path).toStdString());
    }
    const bool changed = wanted != path_;
    path_ = wanted;
    lastOnDrive_.insert(DriveListBox::DriveOf(path_), path_);
    refresh();
    if (changed) emit pathChanged();
}

void DirListBox::setDrive(const QString& drive) {
    const QString root = normalised(drive);
    setPath(lastOnDrive_.value(root, root));
}

void DirListBox::refresh() {
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain from the root down to the current folder, indented by depth.
    QStringList chain;
    for (QDir dir(path_);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp()) break;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = QDir(folder).isRoot() ? folder : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(PathRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);

    const QDir current(path_);
    for (const QString& name :
         current.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(PathRole, current.absoluteFilePath(name));
    }
}

void DirListBox::activated(QListWidgetItem* item) {
    // A folder that vanished since the list was read is simply not entered.
    try {
        setPath(item->data(PathRole).toString());
    } catch (const RunTimeError&) {
        refresh();
    }
}

}  // namespace marbleck
