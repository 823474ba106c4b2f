#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <ostream>

#include "CaseName.h"
#include "PdfPage.h"
#include "platform/RunTimeError.h"
#include "widgets/Printer.h"

namespace marbleck::test {
namespace {

struct Quality {
    int code;
    float twipsPerDot;
};

void PrintTo(const Quality& q, std::ostream* os) { *os << "quality " << q.code; }

class PrintQualityTest : public ::testing::TestWithParam<Quality> {};

TEST_P(PrintQualityTest, CodesGiveTheirResolution) {
    QTemporaryDir folder;
    Printer printer(Printer::Target::PdfFile, folder.path());
    printer.setPrintQuality(GetParam().code);
    EXPECT_EQ(printer.printQuality(), GetParam().code);
    EXPECT_EQ(printer.twipsPerPixelX(), GetParam().twipsPerDot);
    EXPECT_EQ(printer.twipsPerPixelY(), GetParam().twipsPerDot);
}

INSTANTIATE_TEST_SUITE_P(Codes, PrintQualityTest,
                         ::testing::Values(Quality{-1, 9.6f}, Quality{-2, 4.8f}, Quality{-3, 2.4f},
                                           Quality{-4, 1.2f}, Quality{720, 2.0f}),
                         [](const auto& info) { return test::CaseName("Code", info.param.code); });

TEST(Printer, StartsAtTheTopLeftWithLowQuality) {
    QTemporaryDir folder;
    Printer printer(Printer::Target::PdfFile, folder.path());
    EXPECT_EQ(printer.positionX(), 0.f);
    EXPECT_EQ(printer.positionY(), 0.f);
    EXPECT_EQ(printer.printQuality(), -2);
    printer.setPosition(1234.5f, 0);
    printer.setPrintQuality(-4);
    EXPECT_EQ(printer.positionX(), 1234.5f);
}

TEST(Printer, UnknownQualityCodeIsAnInvalidPropertyValue) {
    QTemporaryDir folder;
    Printer printer(Printer::Target::PdfFile, folder.path());
    for (int code : {0, -5}) {
        try {
            printer.setPrintQuality(code);
            ADD_FAILURE() << code << " accepted";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.number(), ErrorNumber::InvalidPropertyValue);
        }
    }
    EXPECT_EQ(printer.printQuality(), -2);
}

TEST(Printer, EndDocWithoutAPageWritesNothing) {
    QTemporaryDir folder;
    Printer printer(Printer::Target::PdfFile, folder.path());
    printer.endDocument();
    EXPECT_TRUE(printer.lastFilePath().isEmpty());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST(Printer, WithoutPrinterEachDocumentIsANewPdfNamedAfterItsTime) {
    QTemporaryDir parent;
    const QString folder = parent.filePath("not/yet/there");
    Printer printer(Printer::Target::PdfFile, folder);
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::black);
    printer.paintImage(picture, 0, 0, 1440, 1440);
    printer.endDocument();
    const QString first = printer.lastFilePath();
    printer.paintImage(picture, 0, 0, 1440, 1440);
    printer.endDocument();
    const QString second = printer.lastFilePath();
    EXPECT_NE(first, second);
    for (const QString& path : {first, second}) {
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
        EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(folder).absoluteFilePath());
        EXPECT_TRUE(QRegularExpression(R"(^Marbleck print \d{4}-\d\d-\d\d \d\d-\d\d-\d\d( \(\d+\))?\.pdf$)")
                        .match(QFileInfo(path).fileName())
                        .hasMatch())
            << path.toStdString();
    }
}

TEST(Printer, AFolderThatCannotBeMadeIsAPrinterError) {
    QTemporaryDir parent;
    QFile blocker(parent.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Printer printer(Printer::Target::PdfFile, parent.filePath("file/sub"));
    QImage picture(4, 4, QImage::Format_RGB32);
    try {
        printer.paintImage(picture, 0, 0, 1440, 1440);
        FAIL() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number(), ErrorNumber::PrinterError);
        EXPECT_NE(e.description().find("file/sub"), std::string::npos) << e.description();
    }
    printer.endDocument();  // nothing started, nothing to end
    EXPECT_TRUE(printer.lastFilePath().isEmpty());
}

// The whole picture fills the rectangle, pixel for pixel in whole dots.
TEST(Printer, PaintPictureStretchesTheWholePicture) {
    QTemporaryDir folder;
    Printer printer(Printer::Target::PdfFile, folder.path());
    printer.setPrintQuality(-1);  // 150 dots per inch, as the page is rendered
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::black);
    picture.setPixel(2, 1, qRgb(255, 255, 255));
    // One inch across, half an inch down, from (2, 1) inches.
    printer.paintImage(picture, 2880, 1440, 1440, 720);
    printer.endDocument();
    QString error;
    const QImage page = PdfPage::Render(printer.lastFilePath(), &error);
    ASSERT_FALSE(page.isNull()) << error.toStdString();
    const QRectF area = printer.printableAreaInches();
    const QPoint corner(qRound((area.left() + 2) * 150), qRound((area.top() + 1) * 150));
    const QRect bounds = PdfPage::DarkBounds(page);
    EXPECT_NEAR(bounds.left(), corner.x(), 1);
    EXPECT_NEAR(bounds.top(), corner.y(), 1);
    EXPECT_NEAR(bounds.width(), 150, 1);
    EXPECT_NEAR(bounds.height(), 75, 1);
    // The white pixel is the last third across and the lower half down.
    EXPECT_GT(qGray(page.pixel(corner.x() + 125, corner.y() + 56)), 200);
    EXPECT_LT(qGray(page.pixel(corner.x() + 75, corner.y() + 56)), 60);
    EXPECT_LT(qGray(page.pixel(corner.x() + 125, corner.y() + 20)), 60);
}

}  // namespace
}  // namespace marbleck::test
