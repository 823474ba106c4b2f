#pragma once

#include <QString>

namespace marbleck {

// Where the object comes from, and so where its hologram is saved: the
// folder the input file chooser stands in and the file selected there (empty
// when none is), kept up to date while the user moves through them, and the
// path that "open" last tried to load (empty before the first).
struct InputLocation {
    QString folder;
    QString fileName;
    QString openedPath;
};

}  // namespace marbleck
