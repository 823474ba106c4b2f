#pragma once

#include <QWidget>

class QToolButton;

namespace marbleck {

// A vertical spinner: an up and a down arrow. Min lies at the top end and Max
// at the bottom, and Min may exceed Max: then the up arrow raises the value.
// Values are 16-bit integers. valueChanged fires whenever the value changes,
// also when the program sets it or when a new range moves it. While it has
// the keyboard focus it shows the style's focus frame around both arrows;
// pressing an arrow gives it the focus.
class VSpinner : public QWidget {
    Q_OBJECT

public:
    explicit VSpinner(QWidget* parent = nullptr);

    int min() const { return min_; }
    int max() const { return max_; }
    int value() const { return value_; }

    void setMin(int value);
    void setMax(int value);
    void setValue(int value);
    void setSmallChange(int step) { smallChange_ = step; }
    void setLargeChange(int step) { largeChange_ = step; }

    // The up arrow moves toward Min, the down arrow toward Max, by
    // SmallChange and never past the end; Page Up and Page Down by LargeChange.
    void stepUp(int step);
    void stepDown(int step);
    void stepUp() { stepUp(smallChange_); }
    void stepDown() { stepDown(smallChange_); }

    QToolButton* upArrow() const { return up_; }
    QToolButton* downArrow() const { return down_; }

signals:
    void valueChanged(int value);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int clamp(int value) const;
    void moveTo(int value);

    QToolButton* up_;
    QToolButton* down_;
    QWidget* focusMark_;
    int min_ = 0;
    int max_ = 32767;
    int value_ = 0;
    int smallChange_ = 1;
    int largeChange_ = 1;
};

}  // namespace marbleck
