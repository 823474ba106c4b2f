#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace marbleck::cli {

// A file a run reads besides its objects (a lookup table): its name and what
// the messages call it ("lookup table").
struct ReadFile {
    QString path;
    QString role;
};

// The files a run would write that are an object of the run or another file
// of the same run: one line each, "FILE: reason", naming the other file.
// Files that exist are compared by identity (device and inode, links
// followed), names that do not yet by their cleaned absolute path under the
// folder's real path. `reconstruct` is "" when no reconstruction is written;
// `reads` (a kind's post-processing's files) are read like objects. With
// `complexValues`, each hologram is the files its complex fields take
// (ComplexOutputFiles: a pair for a float TIFF).
QStringList FindOutputCollisions(const QStringList& objects, const QString& output,
                                 const QString& reconstruct, const std::vector<ReadFile>& reads = {},
                                 bool complexValues = false);

}  // namespace marbleck::cli
