// "Save Holo" where the new file does not fit: a file-size limit in a child
// process, and a tiny memory file system. The earlier hologram file must
// survive byte for byte and the view must stay as it was.
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>

#include "Calculation.h"
#include "Controls.h"
#include "FilesFixture.h"
#include "platform/RunTimeError.h"
#include "widgets/PictureArea.h"

namespace marbleck::test {
namespace {

class FullDiskSaveTest : public FilesFixture {
protected:
    void save() { QTest::mouseClick(Control<QPushButton>(*form, "saveButton"), Qt::LeftButton); }
    void calculate(const QString& reps) {
        Control<QLineEdit>(*form, "repsEdit")->selectAll();
        QTest::keyClicks(Control<QLineEdit>(*form, "repsEdit"), reps);
        test::CalculateAndWait(*form);
    }

    QStringList entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    // In `folder`: loads a 24 × 24 object (a 20 × 20 preview), saves it as
    // H-ring.bmp (1,478 bytes), then calculates its hologram three times the
    // size, whose 72 × 72 view needs a file of 6,262 bytes. Returns the
    // earlier file's bytes.
    QByteArray saveAPreviewThenCalculate(const QString& folder) {
        Bitmap8 ring = Bitmap8::filled(24, 24, 0);
        for (int i = 4; i < 20; ++i) {
            ring.pixels[static_cast<std::size_t>(4 * 24 + i)] = 255;
            ring.pixels[static_cast<std::size_t>(19 * 24 + i)] = 255;
        }
        writeBitmap("ring.bmp", ring, folder);
        load("ring.bmp", folder);
        save();
        calculate("3");
        return readFile(QDir(folder).filePath("H-ring.bmp"));
    }
};

// Runs `work` in a forked copy of this process (windows included) and returns
// the text it produced, or why the copy did not finish. A copy that hangs is
// ended after a minute, so the test fails instead of waiting for ever.
std::string RunInChild(const std::function<std::string()>& work) {
    int channel[2];
    if (pipe(channel) != 0) return std::string("no pipe: ") + std::strerror(errno);
    const pid_t child = fork();
    if (child == -1) return std::string("no child: ") + std::strerror(errno);
    if (child == 0) {
        close(channel[0]);
        alarm(60);
        const std::string report = work();
        const bool sent =
            write(channel[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            report.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
    close(channel[0]);
    int status = 0;
    while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child ended with status " + std::to_string(status);
    return report;
}

// The program as a user runs it with a file-size limit (ulimit -f) that the
// new file exceeds. The child reports the number of errors, the last one's
// number and text, and whether the view kept its image and its background
// picture.
TEST_F(FullDiskSaveTest, FileSizeLimitKeepsTheEarlierHologramAndReportsDiskFull) {
    const QString folder = makeFolder("pictures");
    const QByteArray earlier = saveAPreviewThenCalculate(folder);
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    ASSERT_EQ(earlier.size(), 1478);
    ASSERT_EQ(Control<PictureArea>(*form, "hologramView")->image().size(), QSize(72, 72));

    const std::string report = RunInChild([this] {
        const QImage image = Control<PictureArea>(*form, "hologramView")->image();
        const QImage picture = Control<PictureArea>(*form, "hologramView")->picture();
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("no limit: ") + std::strerror(errno);
        save();
        return std::to_string(errors.errors().size()) + " " + std::to_string(errors.lastNumber()) + " " +
               (Control<PictureArea>(*form, "hologramView")->image() == image ? "same" : "changed") + " " +
               (Control<PictureArea>(*form, "hologramView")->picture() == picture ? "same" : "changed") +
               " " + (errors.empty() ? "" : errors.errors().back().description.toStdString());
    });

    const std::string expected = "1 61 same same Disk full: cannot write " +
                                 (QDir(folder).canonicalPath() + "/H-ring.bmp").toStdString() + ": ";
    EXPECT_EQ(report.substr(0, expected.size()), expected) << report;
    EXPECT_EQ(readFile(QDir(folder).filePath("H-ring.bmp")), earlier);
    EXPECT_EQ(entries(folder), QStringList({"H-ring.bmp", "ring.bmp"}));
}

// "Save Hologram As…" under the same limit tells lack of space as such and
// leaves no file behind.
TEST_F(FullDiskSaveTest, SaveAsUnderAFileSizeLimitReportsDiskFull) {
    const QString folder = makeFolder("pictures");
    saveAPreviewThenCalculate(folder);
    ASSERT_TRUE(errors.empty());
    const QString whole = QDir(folder).filePath("H-whole.bmp");
    form->setSaveFileQuestion([&](QWidget*, const QString&, const QString&, const QString&, QString* chosen) {
        *chosen = QStringLiteral("BMP (*.bmp)");
        return whole;
    });
    ASSERT_TRUE(Control<QAction>(*form, "saveHologramAsAction")->isEnabled());

    const std::string report = RunInChild([this] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("no limit: ") + std::strerror(errno);
        Control<QAction>(*form, "saveHologramAsAction")->trigger();
        return std::to_string(errors.errors().size()) + " " + std::to_string(errors.lastNumber());
    });

    EXPECT_EQ(report, "1 61");
    EXPECT_EQ(entries(folder), QStringList({"H-ring.bmp", "ring.bmp"}));
}

// A 12 KB memory file system mounted for the test (root only): three pages,
// one for the object, one for the earlier hologram; the new one needs two.
class TinyFileSystem {
public:
    explicit TinyFileSystem(const QString& folder) : path_(QFile::encodeName(folder).toStdString()) {
        if (mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=12k") == 0)
            mounted_ = true;
        else
            reason_ = std::strerror(errno);
    }
    ~TinyFileSystem() {
        if (mounted_ && umount(path_.c_str()) != 0) umount2(path_.c_str(), MNT_DETACH);
    }
    TinyFileSystem(const TinyFileSystem&) = delete;
    TinyFileSystem& operator=(const TinyFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }

private:
    std::string path_;
    bool mounted_ = false;
    std::string reason_;
};

TEST_F(FullDiskSaveTest, FullFileSystemKeepsTheEarlierHologramAndReportsDiskFull) {
    const QString folder = makeFolder("tiny");
    const TinyFileSystem tiny(folder);
    if (!tiny.mounted()) GTEST_SKIP() << "cannot mount a memory file system here: " << tiny.reason();

    const QByteArray earlier = saveAPreviewThenCalculate(folder);
    ASSERT_TRUE(errors.empty()) << errors.errors().front().description.toStdString();
    ASSERT_EQ(earlier.size(), 1478);
    const QImage image = Control<PictureArea>(*form, "hologramView")->image();
    const QImage picture = Control<PictureArea>(*form, "hologramView")->picture();

    save();
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::DiskFull);
    EXPECT_TRUE(errors.errors().front().description.startsWith(
        "Disk full: cannot write " + QDir(folder).canonicalPath() + "/H-ring.bmp: "))
        << errors.errors().front().description.toStdString();
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->image(), image);
    EXPECT_EQ(Control<PictureArea>(*form, "hologramView")->picture(), picture);
    EXPECT_EQ(readFile(QDir(folder).filePath("H-ring.bmp")), earlier);
    EXPECT_EQ(entries(folder), QStringList({"H-ring.bmp", "ring.bmp"}));

    // The chooser leaves the folder before it is unmounted.
    Control<DirListBox>(window(), "folderList")->setPath(home.path());
}

}  // namespace
}  // namespace marbleck::test
