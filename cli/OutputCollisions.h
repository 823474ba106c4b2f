#pragma once

#include <QString>
#include <QStringList>

namespace marbleck::cli {

// The files a run would write that are an object of the run or another file
// of the same run: one line each, "FILE: reason", naming the other file.
// Files that exist are compared by identity (device and inode, links
// followed), names that do not yet by their cleaned absolute path under the
// folder's real path. `reconstruct` is "" when no reconstruction is written,
// `lookupTable` (read like an object) "" when none is read.
QStringList FindOutputCollisions(const QStringList& objects, const QString& output,
                                 const QString& reconstruct, const QString& lookupTable = {});

}  // namespace marbleck::cli
