#pragma once

#include <QHash>
#include <QListWidget>
#include <QString>

namespace marbleck {

// A folder list: the current folder's ancestors from its drive's root down
// to itself, then its subfolders. Activating an item (double click or Enter)
// makes it the current folder. Paths use "/" and carry no trailing separator
// except the root "/" itself.
class DirListBox : public QListWidget {
    Q_OBJECT

public:
    explicit DirListBox(QWidget* parent = nullptr);

    QString path() const { return path_; }

    // Makes `path` the current folder. Throws RunTimeError 76 when it is not
    // a readable folder; nothing changes then. Emits pathChanged when the
    // folder differs from the current one.
    void setPath(const QString& path);

    // Moves to the folder last current on `drive` (a drive list's root path),
    // or to the drive's root when the list has not been there yet. Throws
    // like setPath when that folder cannot be read.
    void setDrive(const QString& drive);

    // Reads the current folder's subfolders again.
    void refresh();

signals:
    // The current folder changed, by the user or by the program.
    void pathChanged();

private:
    void activated(QListWidgetItem* item);

    QString path_;
    // The last current folder on each drive, by the drive's root path.
    QHash<QString, QString> lastOnDrive_;
};

}  // namespace marbleck
