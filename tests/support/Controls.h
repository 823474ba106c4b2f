#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

namespace marbleck::test {

// The control of type T whose object name is `name`, among the children of
// `window` at any depth. A window without such a control fails the test: the
// exception ends the test, and the test framework reports it with the name.
template <class T>
T* Control(const QObject& window, const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) {
        throw std::runtime_error(std::string("no control named \"") + name + "\" of the type asked for in " +
                                 window.metaObject()->className());
    }
    return control;
}

}  // namespace marbleck::test
