#include "app/LookupTableFile.h"

#include <QFile>

namespace marbleck {

PhaseLookupTable LookupTableFile::read(const QString& path) {
    return ReadLookupTableFile(QFile::encodeName(path).toStdString());
}

}  // namespace marbleck
