#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace marbleck {

// Holds back the user's input (mouse, keys, the wheel, context menus, drops,
// input methods) to some widgets and everything inside them, without
// disabling them: nothing about them changes on the screen. Shortcuts are
// not input to a widget and still work.
class InputHold : public QObject {
    Q_OBJECT

public:
    explicit InputHold(QObject* parent = nullptr);
    ~InputHold() override;

    // Holds input to `widgets` from now until release().
    void hold(const QList<QWidget*>& widgets);
    void release();
    bool holding() const { return !held_.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isHeld(const QWidget* widget) const;

    QList<QPointer<QWidget>> held_;
};

}  // namespace marbleck
