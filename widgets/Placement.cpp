#include "widgets/Placement.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>
#include <algorithm>

#include "widgets/Screen.h"

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

namespace {

// Whether the caption of `control` shows whole in `metrics`: a button's on one
// line beside its indicator, a label's as the label shows it, on one line or,
// where it wraps, on as many as its height holds.
bool CaptionFits(const QFontMetrics& metrics, QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        const QRect area = label->contentsRect();
        const int flags = label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
        const QRect shown = metrics.boundingRect(area, flags, label->text());
        return shown.width() <= area.width() && shown.height() <= area.height();
    }
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
    const int indicator = qobject_cast<QRadioButton*>(control) ? 18 : 4;
    return metrics.horizontalAdvance(text) + indicator <= control->width() &&
           metrics.height() <= control->height();
}

}  // namespace

void FitCaptionFont(QWidget* area, const QList<QWidget*>& captioned) {
    QFont fitted = area->font();
    for (int pixels = 11; pixels >= 8; --pixels) {
        fitted.setPixelSize(pixels);
        const QFontMetrics metrics(fitted);
        if (std::all_of(captioned.begin(), captioned.end(),
                        [&](QWidget* w) { return CaptionFits(metrics, w); }))
            break;
    }
    area->setFont(fitted);
}

}  // namespace marbleck
