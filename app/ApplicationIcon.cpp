#include "app/ApplicationIcon.h"

namespace marbleck {

QIcon ApplicationIcon() {
    QIcon icon;
    for (const char* size : {"256", "48"})
        icon.addFile(QStringLiteral(":/icons/io.github.marbleck.Marbleck-%1.png").arg(QLatin1String(size)));
    return icon;
}

}  // namespace marbleck
