#pragma once

#include <QSettings>
#include <QTemporaryDir>

namespace marbleck::bench {

// Points the window's remembered settings at a folder of the benchmark's
// own, removed when the program ends, so that a run leaves the user's
// settings (the engine chosen, the folders) as they were. Call it before the
// first window exists.
inline void KeepSettingsApart() {
    static QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
}

}  // namespace marbleck::bench
