#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

class QScreen;

namespace marbleck {

struct Document;

// "View" > "Show on Screen…": a frameless full-screen window that shows the
// document's phase hologram (or a 3-D hologram's phase) as the modulator's panel map, one map pixel on
// one device pixel, its top-left at the screen's top-left (a larger map is
// cut at the right and bottom, a smaller one has black around it). Esc
// closes it.
class ScreenWindow : public QWidget {
    Q_OBJECT

public:
    // Failures are reported over `owner`, the main window, not over the
    // modulator, where nobody looks.
    ScreenWindow(const Document& document, QWidget& owner);

    // Maps the document's phase hologram onto its panel and shows it full
    // screen on `screen`. A map that cannot be made is reported as a
    // run-time error and nothing is shown; returns whether it is shown.
    bool showOn(QScreen* screen);
    // Maps the document's phase hologram again (after a new hologram or a
    // change of the panel); closes without a phase hologram. A map that
    // cannot be made is reported and the last one stays.
    void refresh();

    // The panel map as shown: 8-bit grey, one pixel per map pixel.
    const QImage& mapImage() const { return map_; }
    // How the map and the screen differ in size; empty when they agree.
    QString sizeNote() const { return sizeNote_; }

signals:
    // The window was closed (Esc, the menu item, the main window closing).
    void closed();
    // A line for the main window's status bar.
    void statusBarMessage(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Makes the map of the document's phase hologram; throws as MapToPanel,
    // its invalid arguments as run-time error 380.
    QImage makeMap() const;
    // Says how the map's size and the screen's differ, in the tooltip and,
    // when `announce` or the difference changed, in the status bar.
    void describeSize(bool announce);

    const Document& document_;
    QWidget& owner_;
    QPointer<QScreen> screen_;
    QImage map_;
    QString sizeNote_;
};

}  // namespace marbleck
