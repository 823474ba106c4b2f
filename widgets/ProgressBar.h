#pragma once

#include <QProgressBar>

namespace marbleck {

// The progress bar with single-precision Min, Max and Value.
class ProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit ProgressBar(QWidget* parent = nullptr);

    float min() const { return min_; }
    float max() const { return max_; }
    float value() const { return value_; }
    void setMin(float value);
    void setMax(float value);
    void setValue(float value);

private:
    void refresh();

    float min_ = 0;
    float max_ = 100;
    float value_ = 0;
};

}  // namespace marbleck
