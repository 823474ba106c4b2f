#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "Calculation.h"
#include "FileEntry.h"
#include "FilesFixture.h"
#include "engine/core/HologramField.h"
#include "engine/sums/Normalisation.h"
#include "output/OutputFormats.h"
#include "output/PrintDialog.h"
#include "widgets/PictureArea.h"

namespace marbleck {

using test::Control;
using test::FilesFixture;
namespace {

// A picture wider than the canvas may grow, mostly black, with a few lit
// marks in several colours.
QImage Picture() {
    QImage picture(200, 70, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.fillRect(10, 12, 6, 3, Qt::white);
    painter.fillRect(120, 40, 2, 9, QColor(200, 90, 30));
    painter.fillRect(190, 60, 4, 4, QColor(40, 40, 40));
    return picture;
}

// `picture` in one bit a pixel, white where it is not black (as the PBM
// reader gives it: colour 0 white), every padding bit 0.
QImage BlackAndWhite(const QImage& picture) {
    QImage mono(picture.size(), QImage::Format_Mono);
    std::memset(mono.bits(), 0, static_cast<std::size_t>(mono.sizeInBytes()));
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            mono.setPixel(x, y, picture.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0);
    return mono;
}

// The window shown and active, so that its keys reach it, with the file
// dialogs answered by the test.
class FileMenuTest : public FilesFixture {
protected:
    FileMenuTest() {
        form->setOpenFileQuestion(
            [this](QWidget*, const QString&, const QString& start, const QString& filters) {
                openStarts.append(start);
                openFilters = filters;
                return openAnswer;
            });
        form->setSaveFileQuestion(
            [this](QWidget*, const QString&, const QString& start, const QString&, QString* chosen) {
                saveStarts.append(start);
                *chosen = saveFilter;
                return saveAnswer;
            });
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // Presses `sequence` with the window active, as after a click on it.
    void keys(const QKeySequence& sequence) {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::keySequence(form.get(), sequence);
    }
    void openObject(const QString& path) {
        openAnswer = path;
        keys(QKeySequence(Qt::CTRL | Qt::Key_O));
    }
    PictureArea* canvas() { return Control<PictureArea>(*form, "objectCanvas"); }
    PictureArea* view() { return Control<PictureArea>(*form, "hologramView"); }
    // What the canvas and the view show, with their sizes.
    std::vector<QImage> shown() { return {canvas()->image(), view()->image()}; }

    QString openAnswer, openFilters, saveAnswer, saveFilter;
    QStringList openStarts, saveStarts;
};

TEST_F(FileMenuTest, EveryMenuOpensWithItsMnemonicInOrder) {
    QStringList titles;
    for (QAction* menu : form->menuBar()->actions()) {
        titles.append(menu->text());
        const QChar letter = menu->text().at(menu->text().indexOf(QLatin1Char('&')) + 1);
        QTest::keyClick(form.get(), static_cast<Qt::Key>(letter.toUpper().unicode()), Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->menu()->isVisible(); }))
            << menu->text().toStdString();
        menu->menu()->close();
    }
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&View", "&Options", "&Help"}));
}

// PNG, JPEG, PBM, PPM and bitmap objects wider than the canvas may grow open
// whole, scaled down to fit it with their aspect kept, each mark where the
// picture has it; the status bar says so. "Save Holo" then writes a bitmap
// under a bitmap's name; undo takes each open back.
TEST_F(FileMenuTest, LargePicturesOpenWholeScaledToFit) {
    const QImage empty = canvas()->image();
    const char* const formats[] = {"png", "jpg", "ppm", "pbm", "bmp"};
    for (const char* format : formats) {
        const QString path = homePath(QStringLiteral("star.") + format);
        const QImage picture = QString(format) == "pbm" ? BlackAndWhite(Picture()) : Picture();
        ASSERT_TRUE(picture.save(path));
        openObject(path);
        EXPECT_TRUE(errors.empty()) << format;
        // 200 × 70 into the largest drawing area, 161 pixels a side.
        EXPECT_EQ(canvas()->drawingAreaSize(), QSize(161, 56)) << format;
        EXPECT_EQ(canvas()->picture(), canvas()->image()) << format;
        EXPECT_EQ(Control<QLabel>(*form, "statusBarMessage")->text(),
                  "Picture of 200 × 70 pixels scaled to 161 × 56 to fit the canvas")
            << format;
        // Each mark lies at its place scaled by 161 / 200, nothing elsewhere.
        const auto lit = [&](QRect marks) {
            for (int y = marks.top(); y <= marks.bottom(); ++y)
                for (int x = marks.left(); x <= marks.right(); ++x)
                    if (qGray(canvas()->image().pixel(x, y)) > 8) return true;
            return false;
        };
        const double k = 161.0 / 200;
        for (const QRect mark : {QRect(10, 12, 6, 3), QRect(120, 40, 2, 9), QRect(190, 60, 4, 4)}) {
            const QRect scaled(QPoint(int(mark.left() * k), int(mark.top() * k)),
                               QPoint(int(mark.right() * k) + 1, int(mark.bottom() * k) + 1));
            EXPECT_TRUE(lit(scaled)) << format << " " << mark.left();
        }
        EXPECT_FALSE(lit(QRect(30, 20, 60, 10))) << format;
        EXPECT_FALSE(lit(QRect(0, 40, 80, 16))) << format;
    }
    EXPECT_TRUE(openFilters.contains("*.png") && openFilters.contains("*.jpg")) << openFilters.toStdString();

    keys(Qt::CTRL | Qt::Key_S);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(QImageReader(homePath("H-star.bmp")).format(), "bmp");
    EXPECT_FALSE(QFile::exists(homePath("H-star.jpg")));

    // Each open is one step.
    for (std::size_t i = 0; i < std::size(formats); ++i) keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(canvas()->image(), empty);
}

// A picture the canvas holds opens pixel for pixel, none of it under the
// border, and says nothing of scaling.
TEST_F(FileMenuTest, SmallPicturesOpenPixelForPixel) {
    for (const QSize size : {QSize(30, 20), QSize(161, 161), QSize(1, 1)}) {
        QImage picture(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) picture.setPixel(x, y, qRgb(x % 256, (3 * y) % 256, 90));
        const QString path = homePath(QStringLiteral("small%1.png").arg(size.width()));
        ASSERT_TRUE(picture.save(path));
        Control<QLabel>(*form, "statusBarMessage")->clear();
        openObject(path);
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(canvas()->drawingAreaSize(), size);
        EXPECT_EQ(canvas()->image(), picture);
        EXPECT_EQ(Control<QLabel>(*form, "statusBarMessage")->text(), "");
    }
}

TEST_F(FileMenuTest, FailingOpenChangesNothing) {
    test::writeFile(homePath("notes.png"), "not a picture at all");
    const std::vector<QImage> before = shown();
    for (const auto& [name, number] : {std::pair("missing.png", 53), std::pair("notes.png", 481)}) {
        openObject(homePath(name));
        EXPECT_EQ(errors.lastNumber(), number) << name;
        EXPECT_EQ(shown(), before) << name;
    }
}

// Save As is there once a hologram is; each kind reads back to its levels.
TEST_F(FileMenuTest, SaveAsWritesTheWholeHologramInEachKind) {
    saveAnswer = homePath("early.png");
    keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    EXPECT_TRUE(saveStarts.isEmpty());

    ASSERT_TRUE(Picture().save(homePath("star.png")));
    openObject(homePath("star.png"));
    test::CalculateAndWait(*form);
    ASSERT_FALSE(document.field().empty());
    const HologramField field = document.field();  // a copy: "Binarize" below replaces the hologram
    const auto level8 = [&](int u, int v) { return int{GreyLevel(field(u, v))}; };
    const auto level16 = [&](int u, int v) { return static_cast<int>(std::lround(field(u, v) * 65535.0)); };
    struct Kind {
        const char* filter;
        const char* name;
        int bits;
    };
    for (const Kind& kind : {Kind{"PNG 8-bit (*.png)", "h8.png", 8}, Kind{"PNG 16-bit (*.png)", "h16", 16},
                             Kind{"BMP (*.bmp)", "h.bmp", 8}}) {
        saveFilter = kind.filter;
        saveAnswer = homePath(kind.name);
        keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
        const QString written = QFileInfo(saveAnswer).suffix().isEmpty() ? saveAnswer + ".png" : saveAnswer;
        EXPECT_EQ(Control<QLabel>(*form, "statusBarMessage")->text(), "Saved " + written);
        const QImage image(written);
        ASSERT_EQ(image.size(), QSize(field.columns(), field.rows())) << kind.name;
        for (int v = 0; v < field.rows(); v += 7)
            for (int u = 0; u < field.columns(); u += 5)
                ASSERT_EQ(
                    kind.bits == 16 ? int{image.pixelColor(u, v).rgba64().red()} : qRed(image.pixel(u, v)),
                    kind.bits == 16 ? level16(u, v) : level8(u, v))
                    << kind.name << " " << u << "," << v;
    }
    EXPECT_EQ(saveStarts.front(), homePath("H-star.png"));

    // TIFF holds the normalised values, and after "Binarize" 0 and 1.
    saveFilter = "TIFF (*.tif *.tiff)";
    for (const char* name : {"h.tif", "b.tiff"}) {
        if (QString(name) == "b.tiff")
            QTest::mouseClick(Control<QPushButton>(*form, "binarizeButton"), Qt::LeftButton);
        saveAnswer = homePath(name);
        keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
        TIFF* tiff = TIFFOpen(QFile::encodeName(saveAnswer).constData(), "r");
        ASSERT_NE(tiff, nullptr) << name;
        std::vector<float> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)) / sizeof(float));
        ASSERT_EQ(row.size(), static_cast<std::size_t>(field.columns()));
        ASSERT_EQ(TIFFReadScanline(tiff, row.data(), 3, 0), 1);
        TIFFClose(tiff);
        const HologramField& shown = document.field();  // the binarized one after "Binarize"
        for (int u = 0; u < shown.columns(); ++u)
            ASSERT_EQ(row[static_cast<std::size_t>(u)], shown(u, 3) > 1 ? 1.0f : shown(u, 3))
                << name << " " << u;
    }

    saveAnswer = homePath("no-such-folder/h.png");
    keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    EXPECT_EQ(errors.lastNumber(), 75);
}

// "Save Hologram As…" onto a named pipe: error 75, the pipe as it was.
TEST_F(FileMenuTest, SaveAsRefusesANamedPipe) {
    ASSERT_TRUE(Picture().save(homePath("star.png")));
    openObject(homePath("star.png"));
    test::CalculateAndWait(*form);
    ASSERT_TRUE(errors.empty());
    saveFilter = "PNG 8-bit (*.png)";
    saveAnswer = homePath("pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(saveAnswer).constData(), 0600), 0);
    keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), 75);
    EXPECT_TRUE(errors.errors().front().description.endsWith("it is a named pipe, not a regular file"))
        << errors.errors().front().description.toStdString();
    EXPECT_EQ(test::FileEntry(saveAnswer), "pipe");
}

TEST_F(FileMenuTest, PrintHelpAboutAndQuit) {
    keys(Qt::CTRL | Qt::Key_P);
    bool printing = false;
    for (QWidget* window : QApplication::topLevelWidgets())
        printing = printing || (qobject_cast<PrintDialog*>(window) != nullptr && window->isVisible());
    EXPECT_TRUE(printing);

    keys(Qt::Key_F1);
    auto* help = Control<QTextBrowser>(*form, "helpWindow");
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->toPlainText().contains("marbleck-cli(1)"));

    // "About Marbleck" waits for its button; the test reads and closes it then.
    QString about;
    QTimer::singleShot(0, [&about] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            about = box->text();
            box->accept();
        }
    });
    Control<QAction>(*form, "aboutAction")->trigger();
    EXPECT_TRUE(about.contains(MARBLECK_VERSION) && about.contains("MIT") && about.contains(qVersion()))
        << about.toStdString();

    keys(Qt::CTRL | Qt::Key_Q);
    EXPECT_FALSE(form->isVisible());
}

// The options and the folders come back in the next window; without settings
// it starts as it always did.
TEST_F(FileMenuTest, SettingsLastToTheNextRun) {
    auto* fast = Control<QAction>(*form, "fastEngineAction");
    EXPECT_FALSE(fast->isChecked());
    EXPECT_TRUE(Control<QAction>(*form, "thresholdBinarizationAction")->isChecked());
    fast->trigger();
    Control<QAction>(*form, "balancedBinarizationAction")->trigger();
    const QString folder = makeFolder("objects");
    ASSERT_TRUE(Picture().save(folder + "/star.png"));
    openObject(folder + "/star.png");
    form->move(140, 90);
    const QPoint place = form->pos();
    form->close();

    form = std::make_unique<MainWindow>(document);
    form->setOpenFileQuestion([this](QWidget*, const QString&, const QString& start, const QString&) {
        openStarts.append(start);
        return QString();
    });
    EXPECT_TRUE(Control<QAction>(*form, "fastEngineAction")->isChecked());
    EXPECT_TRUE(Control<QAction>(*form, "balancedBinarizationAction")->isChecked());
    EXPECT_EQ(form->pos(), place);
    Control<QAction>(*form, "openObjectAction")->trigger();
    EXPECT_EQ(openStarts.back(), folder);
}

// The engine is remembered by its name in the engine table; a run that
// remembered only whether "Fast calculation" was ticked still reads so.
TEST_F(FileMenuTest, TheEngineIsRememberedByName) {
    form.reset();
    QSettings().setValue(QStringLiteral("options/fastCalculation"), true);
    form = std::make_unique<MainWindow>(document);
    EXPECT_TRUE(Control<QAction>(*form, "fastEngineAction")->isChecked());
    EXPECT_EQ(form->calculateSettings().engine, "fast");
    Control<QAction>(*form, "exactEngineAction")->trigger();
    EXPECT_EQ(QSettings().value(QStringLiteral("options/engine")).toString(), "exact");
    EXPECT_FALSE(QSettings().contains(QStringLiteral("options/fastCalculation")));
    EXPECT_EQ(form->calculateSettings().engine, "exact");
}

// A hologram saved as a float TIFF opens as an object showing what its
// 8-bit PNG shows: the program reads the files it writes.
TEST_F(FileMenuTest, SavedFloatTiffOpensAsItsPng) {
    HologramField field(37, 23);
    for (int v = 0; v < field.rows(); ++v)
        for (int u = 0; u < field.columns(); ++u)
            field(u, v) = static_cast<float>(0.5 + 0.5 * std::cos(0.7 * u) * std::sin(0.4 * v + 0.1));
    WriteHologramFile(field, false, 8, homePath("h.tif"));
    WriteHologramFile(field, false, 8, homePath("h.png"));
    openObject(homePath("h.png"));
    const std::vector<QImage> expected = shown();
    ASSERT_NE(canvas()->image().pixel(2, 2) & 0xFFFFFF, 0u);  // the picture is shown
    keys(Qt::CTRL | Qt::Key_Z);
    openObject(homePath("h.tif"));
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.errors().back().description.toStdString());
    EXPECT_EQ(shown(), expected);
}

// A named pipe with no writer, chosen in "Open Object…", is refused before
// it is opened (opening it would wait for a writer for ever) with error 75
// and the reason, and the canvas stays as it was. Should the window wait all
// the same, a writer opens the pipe after a while, so that the test fails
// instead of hanging.
TEST_F(FileMenuTest, NamedPipeIsRefusedWithoutWaitingForAWriter) {
    const QString pipe = homePath(QStringLiteral("object.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const std::vector<QImage> before = shown();
    std::atomic<bool> done{false};
    std::atomic<bool> rescued{false};
    std::thread writer([&] {
        const auto start = std::chrono::steady_clock::now();
        while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        while (!done) {
            // Succeeds only while a reader waits on the pipe.
            const int descriptor = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
            if (descriptor >= 0) {
                rescued = true;
                ::close(descriptor);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    openObject(pipe);
    done = true;
    writer.join();
    EXPECT_FALSE(rescued) << "the window waited on the pipe";
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), 75);
    EXPECT_EQ(errors.errors().back().description,
              QStringLiteral("Path/File access error: ") + pipe + QStringLiteral(" is not a regular file"));
    EXPECT_EQ(shown(), before);
}

}  // namespace
}  // namespace marbleck
