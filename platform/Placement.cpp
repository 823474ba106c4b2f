#include "Placement.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>
#include <algorithm>

#include "Screen.h"

namespace marbleck {

void PlaceInTwips(QWidget* control, double left, double top, double width, double height) {
    const float tx = Screen::TwipsPerPixelX();
    const float ty = Screen::TwipsPerPixelY();
    control->setGeometry(TwipsToPixels(left, tx), TwipsToPixels(top, ty), TwipsToPixels(width, tx),
                         TwipsToPixels(height, ty));
}

void SetTabOrder(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous) QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

void FitCaptionFont(QWidget* area, const QList<QWidget*>& captioned) {
    QFont fitted = area->font();
    for (int pixels = 11; pixels >= 8; --pixels) {
        fitted.setPixelSize(pixels);
        const QFontMetrics metrics(fitted);
        const bool fits = std::all_of(captioned.begin(), captioned.end(), [&](QWidget* w) {
            QString text;
            int indicator = 4;
            if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
            if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
            if (qobject_cast<QRadioButton*>(w)) indicator = 18;
            return metrics.horizontalAdvance(text) + indicator <= w->width() &&
                   metrics.height() <= w->height();
        });
        if (fits) break;
    }
    area->setFont(fitted);
}

}  // namespace marbleck
