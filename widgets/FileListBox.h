#pragma once

#include <QListWidget>
#include <QString>

namespace marbleck {

// A file list: the plain files of a folder whose names match a pattern
// ("*.bmp"; several patterns separated by ";"), compared without regard to
// case and sorted by name. The list is read synchronously whenever the folder
// or the pattern is set, so it always shows the folder as it was then; it is
// not watched for later changes.
//
// At most one file is selected. The list marks no item until the user selects
// one (with the mouse or the arrow keys), and the user cannot unselect a file
// except by selecting another, so the selected file is always the one shown.
//
// Files whose names are not valid UTF-8 cannot be named through the platform
// and are left out; unlistedCount() tells how many matching files that were.
class FileListBox : public QListWidget {
    Q_OBJECT

public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString path() const { return path_; }
    // Reads `path` into the list. Throws RunTimeError 76 when it is not a
    // readable folder; nothing changes then. A new folder has no selection;
    // reading the same folder again keeps the selected name if still listed.
    void setPath(const QString& path);

    QString pattern() const { return pattern_; }
    void setPattern(const QString& pattern);

    // The selected file's bare name; empty when nothing is selected.
    QString fileName() const;

    // Selects the item at `row` (-1: none), as a user's click would.
    void setListIndex(int row);

    // Reads the folder again.
    void refresh();

    // Matching files of the folder last read that the list leaves out because
    // their names are not valid UTF-8.
    int unlistedCount() const { return unlisted_; }

signals:
    // A file was selected (a click, the keyboard or setListIndex), once the
    // selection has changed.
    void fileSelected();
    // The folder was read into the list.
    void listRead();

protected:
    void focusInEvent(QFocusEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void reread(const QString& keepSelected);
    void selectionChanged();

    QString path_;
    QString pattern_ = QStringLiteral("*.*");
    bool reading_ = false;
    int unlisted_ = 0;
};

}  // namespace marbleck
