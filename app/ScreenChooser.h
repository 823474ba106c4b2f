#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QSize>
#include <QString>

class QListWidget;
class QScreen;

namespace marbleck {

// The question of "View" > "Show on Screen…" where there are several
// screens: a list of them with their names and sizes in pixels, the primary
// one marked, the first other one chosen at the start (a modulator is rarely
// the primary screen).
class ScreenChooser : public QDialog {
    Q_OBJECT

public:
    explicit ScreenChooser(QWidget* parent = nullptr);

    // The screen chosen; nullptr when none is (or it was unplugged since).
    QScreen* chosenScreen() const;

    // How the list shows a screen: "HDMI-1: 1920 × 1080 pixels (primary)".
    static QString label(const QString& name, QSize pixels, bool primary);
    static QString label(const QScreen& screen);
    // A screen's size in device pixels, the modulator's own pixels.
    static QSize devicePixels(const QScreen& screen);

private:
    QListWidget* screenList_;
    QList<QPointer<QScreen>> screens_;
};

}  // namespace marbleck
