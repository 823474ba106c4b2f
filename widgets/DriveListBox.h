#pragma once

#include <QComboBox>
#include <QString>

namespace marbleck {

// A drive list: the platform's drives are its mounted volumes, named by their
// root paths ("/", "/home", "/media/usb"). The current drive of a path is the
// volume whose root is the longest prefix of it.
class DriveListBox : public QComboBox {
    Q_OBJECT

public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // The current drive's root path.
    QString drive() const;
    // Takes the drive of `path`. Emits driveChanged when the drive differs.
    void setDrive(const QString& path);

    // The drive whose root is the longest prefix of an absolute path.
    static QString DriveOf(const QString& path);

    // Reads the mounted volumes again, keeping the current drive.
    void refresh();

signals:
    // The current drive changed, by the user or by the program.
    void driveChanged();

private:
    void userPicked(int index);

    QString current_;
};

}  // namespace marbleck
