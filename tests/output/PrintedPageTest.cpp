// Prints through the real dialog and printer objects, and through the program
// run with a printing service of the test's own, and checks the page:
// the hologram's corner lies at the picked cell (in inches from the
// printable area's corner) and its size is its screen pixels × scale dots.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include "Controls.h"
#include "DialogFixture.h"
#include "PdfPage.h"
#include "PrintingServices.h"
#include "widgets/VSpinner.h"

namespace marbleck::test {
namespace {

constexpr double Render = PdfPage::DotsPerInch;

struct Expected {
    double cellX, cellY;  // map units: hundredths of an inch
    int scale;
};

// Checks the hologram (the dark area: the view's background is near black)
// on the rendered page.
void checkPage(const QString& pdf, QRectF area, int dotsPerInch, QSize hologramPixels, Expected e) {
    SCOPED_TRACE(pdf.toStdString());
    QString error;
    const QImage page = PdfPage::Render(pdf, &error);
    ASSERT_FALSE(page.isNull()) << error.toStdString();
    const QRect bounds = PdfPage::DarkBounds(page);
    EXPECT_NEAR(bounds.left(), (area.left() + e.cellX / 100) * Render, 1.5);
    EXPECT_NEAR(bounds.top(), (area.top() + e.cellY / 100) * Render, 1.5);
    const double inchesPerPixel = double(e.scale) / dotsPerInch;
    EXPECT_NEAR(bounds.width(), hologramPixels.width() * inchesPerPixel * Render, 1.5);
    EXPECT_NEAR(bounds.height(), hologramPixels.height() * inchesPerPixel * Render, 1.5);
}

void checkPage(const QString& pdf, const Printer& printer, QSize hologramPixels, Expected e) {
    checkPage(pdf, printer.printableAreaInches(), printer.resolution(), hologramPixels, e);
}

// Picks a cell, sets the scale and presses "print".
void printAt(PrintDialog& d, float x, float y, int scale) {
    if (x >= 0) emit Control<PictureArea>(d, "pageMap")->mousePressed(Qt::LeftButton, Qt::LeftButton, x, y);
    Control<VSpinner>(d, "scaleSpinner")->setValue(scale);
    QTest::mouseClick(Control<QPushButton>(d, "printButton"), Qt::LeftButton);
}

TEST_F(PrintDialogTest, WithoutPrinterThePageIsAPdfAtThePickedCellAndScale) {
    const QSize hologram = Control<PictureArea>(form, "hologramView")->drawingAreaSize();
    printAt(open(), 320, 560, 1);
    EXPECT_FALSE(dialog().isVisible());
    ASSERT_EQ(notices.texts().size(), 1u);
    const QString first = printer().lastFilePath();
    EXPECT_TRUE(notices.texts()[0].contains(first));
    EXPECT_TRUE(first.startsWith(folder.path()));

    Control<VSpinner>(dialog(), "qualitySpinner")->setValue(-3);  // 600 dots per inch
    printAt(open(), 60, 60, 3);
    const QString second = printer().lastFilePath();
    ASSERT_EQ(notices.texts().size(), 2u);
    EXPECT_NE(first, second);
    EXPECT_TRUE(errors.empty());

    printer().setPrintQuality(-2);
    checkPage(first, printer(), hologram, {300, 550, 1});
    printer().setPrintQuality(-3);
    checkPage(second, printer(), hologram, {50, 50, 3});
}

TEST_F(PrintDialogTest, PrintWithoutAClickGoesToTheTopLeftAndScalesBySpinner) {
    const QSize hologram = Control<PictureArea>(form, "hologramView")->drawingAreaSize();
    PrintDialog& d = open();
    Control<QLineEdit>(d, "scaleEdit")->setText("2");  // the box is not what print reads
    QTest::mouseClick(Control<QPushButton>(d, "printButton"), Qt::LeftButton);
    ASSERT_TRUE(errors.empty());
    checkPage(printer().lastFilePath(), printer(), hologram, {0, 0, 1});
}

// The page the printing user reported for its one print: the printer's
// printable area and resolution and the hologram's size.
struct ReportedPage {
    QRectF area;
    int dotsPerInch = 0;
    QSize hologram;
};

ReportedPage reportedPage(const PrintingUserRun& run) {
    ReportedPage page;
    const QStringList hologram = run.all("hologram").value(0).split(' ');
    page.hologram = QSize(hologram.value(0).toInt(), hologram.value(1).toInt());
    page.dotsPerInch = run.all("resolution").value(0).split(' ').value(0).toInt();
    const QStringList area = run.all("area").value(0).split(' ');
    page.area = QRectF(area.value(0).toDouble(), area.value(1).toDouble(), area.value(2).toDouble(),
                       area.value(3).toDouble());
    return page;
}

QString printStep(int quality, float x, float y, int scale) {
    return QStringLiteral("%1,%2,%3,%4").arg(quality).arg(x).arg(y).arg(scale);
}

// Through a printing service: a CUPS scheduler of the test's own whose
// default printer is a cups-pdf queue (tools/printer.sh). The printing user
// has a home folder of its own, which is not where cups-pdf writes.
TEST(PrintingService, PrintsAtThePickedCellAndScaleOnTheDefaultPrinter) {
    const QString systemPrinters = SystemPrinters();
    {
        PrivateScheduler scheduler;
        if (!scheduler.running())
            GTEST_SKIP() << "No printing service of the test's own: " << scheduler.whyNot().toStdString()
                         << " The same checks run on the PDF path.";
        QTemporaryDir home;
        const QStringList folders = CupsPdfFolders(scheduler.queue());
        const struct {
            int quality, dotsPerInch;
            float x, y;
            Expected expected;
        } prints[] = {{-2, 300, 320, 560, {300, 550, 1}}, {-3, 600, 60, 60, {50, 50, 3}}};
        for (const auto& p : prints) {
            const PdfFiles before = PdfFilesIn(folders);
            const PrintingUserRun run =
                RunPrintingUser({printStep(p.quality, p.x, p.y, p.expected.scale)}, home.path(),
                                scheduler.server(), std::chrono::seconds(120));
            ASSERT_TRUE(run.finished && run.exitCode == 0) << run.output.toStdString();
            EXPECT_EQ(run.all("printer"), QStringList{scheduler.queue()});
            EXPECT_EQ(run.all("resolution"), QStringList{QStringLiteral("%1 %1").arg(p.dotsPerInch)});
            EXPECT_TRUE(run.all("error").isEmpty()) << run.output.toStdString();
            EXPECT_TRUE(run.all("notice").isEmpty()) << run.output.toStdString();
            const QString pdf = WaitForNewPdf(folders, before, std::chrono::seconds(60));
            ASSERT_FALSE(pdf.isEmpty())
                << "the queue " << scheduler.queue().toStdString() << " wrote no PDF within 60 s into "
                << folders.join(", ").toStdString();
            const ReportedPage page = reportedPage(run);
            checkPage(pdf, page.area, page.dotsPerInch, page.hologram, p.expected);
            QFile::remove(pdf);
        }
    }
    EXPECT_EQ(SystemPrinters(), systemPrinters) << "the system's printers changed";
}

// A printing service that takes connections and never answers, or none at
// all: "Print" does not wait on it, and the page becomes a PDF in the
// documents folder, as without a printer. The user runs with a deadline far
// below the service's own time-outs (a minute a request).
TEST(PrintingService, ASilentOrMissingServiceMeansThePdfAtOnce) {
    QTemporaryDir missing;
    SilentService silentSocket(SilentService::Kind::DomainSocket);
    SilentService silentPort(SilentService::Kind::Loopback);
    ASSERT_FALSE(silentSocket.server().isEmpty());
    ASSERT_FALSE(silentPort.server().isEmpty());
    const struct {
        QString server;
        const char* notice;
    } services[] = {{QDir(missing.path()).filePath(QStringLiteral("none.sock")), "No printer is installed."},
                    {silentSocket.server(), "The printing service does not answer."},
                    {silentPort.server(), "The printing service does not answer."}};
    for (const auto& service : services) {
        SCOPED_TRACE(service.server.toStdString());
        QTemporaryDir home;
        const PrintingUserRun run = RunPrintingUser({printStep(-2, 320, 560, 1)}, home.path(), service.server,
                                                    std::chrono::seconds(20));
        ASSERT_TRUE(run.finished) << "\"Print\" still waited on the printing service after 20 s";
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_EQ(run.all("printer"), QStringList{QString()});
        EXPECT_TRUE(run.all("error").isEmpty()) << run.output.toStdString();
        const QStringList files = run.all("file");
        ASSERT_EQ(files.size(), 1) << run.output.toStdString();
        EXPECT_EQ(QFileInfo(files[0]).absolutePath(),
                  QDir(home.path()).filePath(QStringLiteral("Documents")));
        const QStringList notices = run.all("notice");
        ASSERT_EQ(notices.size(), 1) << run.output.toStdString();
        EXPECT_TRUE(notices[0].startsWith(QLatin1String(service.notice))) << notices[0].toStdString();
        EXPECT_TRUE(notices[0].contains(files[0])) << notices[0].toStdString();
        const ReportedPage page = reportedPage(run);
        checkPage(files[0], page.area, page.dotsPerInch, page.hologram, {300, 550, 1});
    }
}

}  // namespace
}  // namespace marbleck::test
