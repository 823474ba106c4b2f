#include "app/ScreenChooser.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

namespace marbleck {

ScreenChooser::ScreenChooser(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("screenChooser"));
    setWindowTitle(QStringLiteral("Show on Screen"));
    screenList_ = new QListWidget;
    screenList_->setObjectName(QStringLiteral("screenList"));
    const QScreen* primary = QGuiApplication::primaryScreen();
    int start = -1;
    for (QScreen* screen : QGuiApplication::screens()) {
        screens_.append(screen);
        screenList_->addItem(label(*screen));
        if (start < 0 && screen != primary) start = static_cast<int>(screens_.size()) - 1;
    }
    screenList_->setCurrentRow(std::max(start, 0));
    connect(screenList_, &QListWidget::itemActivated, this, &ScreenChooser::accept);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ScreenChooser::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ScreenChooser::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("The screen to show the phase map on, full screen "
                                  "(Esc there closes it):")));
    layout->addWidget(screenList_);
    layout->addWidget(buttons);
}

QScreen* ScreenChooser::chosenScreen() const {
    const int row = screenList_->currentRow();
    return row >= 0 && row < screens_.size() ? screens_[row].data() : nullptr;
}

QString ScreenChooser::label(const QString& name, QSize pixels, bool primary) {
    QString text = QStringLiteral("%1: %2 × %3 pixels").arg(name).arg(pixels.width()).arg(pixels.height());
    if (primary) text += QStringLiteral(" (primary)");
    return text;
}

QString ScreenChooser::label(const QScreen& screen) {
    return label(screen.name(), devicePixels(screen), &screen == QGuiApplication::primaryScreen());
}

QSize ScreenChooser::devicePixels(const QScreen& screen) {
    const double ratio = screen.devicePixelRatio();
    const QSize logical = screen.geometry().size();
    return {static_cast<int>(std::lround(logical.width() * ratio)),
            static_cast<int>(std::lround(logical.height() * ratio))};
}

}  // namespace marbleck
