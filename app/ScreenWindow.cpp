#include "app/ScreenWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <cstring>
#include <new>
#include <stdexcept>

#include "app/Document.h"
#include "app/ScreenChooser.h"
#include "engine/phase/PanelMap.h"
#include "platform/RunTimeError.h"
#include "widgets/ErrorReporter.h"

namespace marbleck {

namespace {

// The panel map's grey levels (column by column) as an image whose rows run
// from the top of the panel down.
QImage GreyImage(const PanelMap& map) {
    const int width = map.phase.columns();
    const int height = map.phase.rows();
    QImage image(width, height, QImage::Format_Grayscale8);
    if (image.isNull()) throw std::bad_alloc();
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        const std::uint8_t* level = map.levels.data() + y;
        for (int x = 0; x < width; ++x) line[x] = level[static_cast<std::size_t>(x) * height];
    }
    return image;
}

QString SizeText(QSize size) { return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height()); }

}  // namespace

ScreenWindow::ScreenWindow(const Document& document, QWidget& owner)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), document_(document), owner_(owner) {
    setObjectName(QStringLiteral("screenWindow"));
    setWindowTitle(QStringLiteral("Marbleck Phase Map"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::BlankCursor);
    // A screen unplugged while the map is on it takes the window with it,
    // rather than moving the map to another screen.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
        if (screen == screen_) close();
    });
}

QImage ScreenWindow::makeMap() const {
    if (!document_.modulatorPhase())
        throw RunTimeError(ErrorNumber::InvalidPropertyValue, "There is no phase hologram");
    try {
        return GreyImage(MapToPanel(*document_.modulatorPhase(), document_.panel.settings));
    } catch (const std::invalid_argument& error) {
        throw RunTimeError(ErrorNumber::InvalidPropertyValue,
                           std::string("Invalid property value: ") + error.what());
    }
}

bool ScreenWindow::showOn(QScreen* screen) {
    const bool made = ErrorReporter::RunCommand(&owner_, [&] { map_ = makeMap(); });
    if (!made) return false;
    screen_ = screen;
    // A window shown before is moved: full screen keeps the screen it had.
    if (isVisible()) hide();
    setScreen(screen);
    setGeometry(screen->geometry());
    showFullScreen();
    raise();
    activateWindow();
    describeSize(true);
    update();
    return true;
}

void ScreenWindow::refresh() {
    if (!isVisible()) return;
    if (!document_.modulatorPhase()) {
        close();
        return;
    }
    if (ErrorReporter::RunCommand(&owner_, [&] { map_ = makeMap(); })) {
        describeSize(false);
        update();
    }
}

void ScreenWindow::describeSize(bool announce) {
    const QString before = sizeNote_;
    const QSize mapSize = map_.size();
    const QSize screenSize = screen_ ? ScreenChooser::devicePixels(*screen_) : mapSize;
    const QString name = screen_ ? screen_->name() : QString();
    if (mapSize == screenSize) {
        sizeNote_.clear();
        setToolTip(QString());
        if (announce || !before.isEmpty())
            emit statusBarMessage(QStringLiteral("Phase map %1 on %2").arg(SizeText(mapSize), name));
        return;
    }
    QStringList parts;
    if (mapSize.width() > screenSize.width() || mapSize.height() > screenSize.height())
        parts.append(QStringLiteral("cut at the right and bottom"));
    if (mapSize.width() < screenSize.width() || mapSize.height() < screenSize.height())
        parts.append(QStringLiteral("black around it"));
    sizeNote_ = QStringLiteral("The phase map is %1 pixels, the screen %2 %3: %4")
                    .arg(SizeText(mapSize), name, SizeText(screenSize), parts.join(QStringLiteral(", ")));
    setToolTip(sizeNote_);
    if (announce || sizeNote_ != before) emit statusBarMessage(sizeNote_);
}

// The map at the window's own device pixel ratio, so that one map pixel
// covers one device pixel whatever the screen's scale.
void ScreenWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (map_.devicePixelRatio() != devicePixelRatioF()) map_.setDevicePixelRatio(devicePixelRatioF());
    painter.drawImage(QPointF(0, 0), map_);
}

void ScreenWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ScreenWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

}  // namespace marbleck
