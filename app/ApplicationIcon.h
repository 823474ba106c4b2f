#pragma once

#include <QIcon>

namespace marbleck {

// The program's icon, as its windows and the desktop show it (the same motif
// as the installed icons), from the images built into the program.
QIcon ApplicationIcon();

}  // namespace marbleck
