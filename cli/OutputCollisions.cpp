#include "cli/OutputCollisions.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

#include "cli/CliOptions.h"
#include "output/OutputFormats.h"

namespace marbleck::cli {

namespace {

// What a name refers to: the file itself where there is one, otherwise
// the place its name would take.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    QString place;

    bool operator==(const FileIdentity& other) const {
        if (exists != other.exists) return false;
        return exists ? device == other.device && inode == other.inode : place == other.place;
    }
};

FileIdentity IdentityOf(const QString& path) {
    FileIdentity identity;
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0) {
        identity.exists = true;
        identity.device = status.st_dev;
        identity.inode = status.st_ino;
        return identity;
    }
    // The folder's real path catches a folder reached through a link or
    // "..": the name is written there.
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    identity.place =
        folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : QDir(folder).filePath(info.fileName());
    return identity;
}

struct NamedFile {
    QString path;
    QString role;  // how the messages name it
    FileIdentity identity;
};

}  // namespace

QStringList FindOutputCollisions(const QStringList& objects, const QString& output,
                                 const QString& reconstruct, const std::vector<ReadFile>& reads,
                                 bool complexValues) {
    std::vector<NamedFile> inputs;
    std::vector<NamedFile> writes;
    for (const ReadFile& read : reads)
        inputs.push_back({read.path, QStringLiteral("the ") + read.role + QLatin1Char(' ') + read.path,
                          IdentityOf(read.path)});
    for (const QString& object : objects) {
        inputs.push_back({object, QStringLiteral("the object ") + object, IdentityOf(object)});
        const QString hologram = OutputPathFor(output, object);
        for (const QString& file : complexValues ? ComplexOutputFiles(hologram) : QStringList{hologram})
            writes.push_back({file, QStringLiteral("the hologram of ") + object, IdentityOf(file)});
        if (!reconstruct.isEmpty()) {
            const QString picture = OutputPathFor(reconstruct, object);
            writes.push_back(
                {picture, QStringLiteral("the reconstruction of ") + object, IdentityOf(picture)});
        }
    }
    QStringList collisions;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const NamedFile& write = writes[i];
        const NamedFile* other = nullptr;
        for (const NamedFile& input : inputs)
            if (input.identity == write.identity) {
                other = &input;
                break;
            }
        if (other) {
            collisions
                << QStringLiteral("%1: %2 would overwrite %3").arg(write.path, write.role, other->role);
            continue;
        }
        for (std::size_t j = 0; j < i && !other; ++j)
            if (writes[j].identity == write.identity) other = &writes[j];
        if (other)
            collisions << QStringLiteral("%1: %2 and %3 would be the same file")
                              .arg(write.path, other->role, write.role);
    }
    return collisions;
}

}  // namespace marbleck::cli
