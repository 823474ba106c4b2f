// Prints through the real dialog and printer objects and checks the page:
// the hologram's corner lies at the picked cell (in inches from the
// printable area's corner) and its size is its screen pixels × scale dots.
#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPrinterInfo>

#include "DialogFixture.h"
#include "PdfPage.h"
#include "VSpinner.h"

namespace marbleck::test {
namespace {

constexpr double Render = PdfPage::DotsPerInch;

struct Expected {
    double cellX, cellY;  // map units: hundredths of an inch
    int scale;
};

// Checks the hologram (the dark area: the view's background is near black)
// on the rendered page.
void checkPage(const QString& pdf, const Printer& printer, QSize hologramPixels, Expected e) {
    SCOPED_TRACE(pdf.toStdString());
    QString error;
    const QImage page = PdfPage::Render(pdf, &error);
    ASSERT_FALSE(page.isNull()) << error.toStdString();
    const QRectF area = printer.printableAreaInches();
    const QRect bounds = PdfPage::DarkBounds(page);
    EXPECT_NEAR(bounds.left(), (area.left() + e.cellX / 100) * Render, 1.5);
    EXPECT_NEAR(bounds.top(), (area.top() + e.cellY / 100) * Render, 1.5);
    const double inchesPerPixel = double(e.scale) / printer.resolution();
    EXPECT_NEAR(bounds.width(), hologramPixels.width() * inchesPerPixel * Render, 1.5);
    EXPECT_NEAR(bounds.height(), hologramPixels.height() * inchesPerPixel * Render, 1.5);
}

// Picks a cell, sets the scale and presses "print".
void printAt(PrtFrm& d, float x, float y, int scale) {
    if (x >= 0) emit d.Picture2->mousePressed(Qt::LeftButton, Qt::LeftButton, x, y);
    d.VScroll2->setValue(scale);
    QTest::mouseClick(d.Command1, Qt::LeftButton);
}

TEST_F(PrintDialogTest, WithoutPrinterThePageIsAPdfAtThePickedCellAndScale) {
    const QSize hologram = form.Picture2->drawingAreaSize();
    printAt(open(), 320, 560, 1);
    EXPECT_FALSE(dialog().isVisible());
    ASSERT_EQ(notices.texts().size(), 1u);
    const QString first = printer().lastFilePath();
    EXPECT_TRUE(notices.texts()[0].contains(first));
    EXPECT_TRUE(first.startsWith(folder.path()));

    dialog().VScroll1->setValue(-3);  // 600 dots per inch
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
    const QSize hologram = form.Picture2->drawingAreaSize();
    PrtFrm& d = open();
    d.Text2->setText("2");  // the box is not what print reads
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    ASSERT_TRUE(errors.empty());
    checkPage(printer().lastFilePath(), printer(), hologram, {0, 0, 1});
}

// Through the system's printing service: runs where a default printer exists
// that writes PDF files (tools/printer.sh adds one to CUPS).
TEST(SystemPrinter, PrintsAtThePickedCellAndScale) {
    if (QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "No default printer: the printing service is not running or has no printer "
                        "(tools/printer.sh sets up a cups-pdf printer). The same checks run on the PDF path.";
    const QStringList folders = CupsPdfFolders();
    RecordedErrors errors;
    RecordedNotices notices;
    Module1 module;
    Form1 form(module);
    Printer& printer = form.PrintDialog->printer();
    ASSERT_EQ(printer.target(), Printer::Target::DefaultPrinter);
    const QSize hologram = form.Picture2->drawingAreaSize();

    const struct {
        int quality, dotsPerInch;
        float x, y;
        Expected expected;
    } prints[] = {{-2, 300, 320, 560, {300, 550, 1}}, {-3, 600, 60, 60, {50, 50, 3}}};
    for (const auto& p : prints) {
        const QSet<QString> before = PdfFilesIn(folders);
        QTest::mouseClick(form.Print, Qt::LeftButton);
        PrtFrm& d = *form.PrintDialog->dialog();
        d.VScroll1->setValue(p.quality);
        EXPECT_EQ(printer.resolution(), p.dotsPerInch);
        EXPECT_EQ(d.Text1->text(), QString::number(p.dotsPerInch));
        printAt(d, p.x, p.y, p.expected.scale);
        ASSERT_TRUE(errors.empty()) << errors.errors().back().description.toStdString();
        EXPECT_TRUE(notices.texts().empty());
        const QString pdf = WaitForNewPdf(folders, before, std::chrono::seconds(60));
        ASSERT_FALSE(pdf.isEmpty()) << "printer " << printer.name().toStdString()
                                    << " wrote no PDF within 60 s into " << folders.join(", ").toStdString();
        checkPage(pdf, printer, hologram, p.expected);
        QFile::remove(pdf);
    }
}

}  // namespace
}  // namespace marbleck::test
