#pragma once

#include <QListWidget>
#include <QString>

namespace marbleck {

// A file list: the plain files of a folder whose names match a pattern
// ("*.bmp"; several patterns separated by ";"), compared without regard to
// case and sorted by name. The list is read synchronously whenever the folder
// or the pattern is set, so it always shows the folder as it was then; it is
// not watched for later changes.
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
    int listIndex() const { return currentRow(); }

    // Reads the folder again.
    void refresh();

signals:
    // An item was selected (a click, the keyboard or setListIndex).
    void fileSelected();

private:
    void reread(const QString& keepSelected);
    void currentChanged(int row);

    QString path_;
    QString pattern_ = QStringLiteral("*.*");
    bool reading_ = false;
};

}  // namespace marbleck
