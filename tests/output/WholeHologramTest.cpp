// "Save Holo" and "Print" take every value of the hologram: the view's
// drawing area is the hologram's size, its border lies around it.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cmath>

#include "Calculation.h"
#include "Controls.h"
#include "DialogFixture.h"
#include "FilesFixture.h"
#include "PdfPage.h"
#include "widgets/PictureArea.h"
#include "widgets/Printer.h"

namespace marbleck::test {
namespace {

class WholeHologramTest : public FilesFixture {
protected:
    WholeHologramTest() {
        form->printDialogHost().setPrinter(std::make_unique<Printer>(Printer::Target::PdfFile, home.path()));
    }

    // A 24 × 24 object with a few lit pixels, loaded and calculated `reps`
    // times over: a hologram of 24·reps values a side.
    void calculateStar(const char* reps) {
        Bitmap8 star = Bitmap8::filled(24, 24, 0);
        star.pixels[3 * 24 + 5] = 255;
        star.pixels[17 * 24 + 11] = 255;
        star.pixels[9 * 24 + 20] = 255;
        writeBitmap("star.bmp", star);
        load("star.bmp");
        ASSERT_TRUE(errors.empty());
        Control<QLineEdit>(*form, "repsEdit")->setText(reps);
        CalculateAndWait(*form);
        ASSERT_TRUE(errors.empty());
    }

    // The document's grey level of value (u, v).
    int level(int u, int v) const {
        const auto& g = document.calculation().geometry;
        return document.calculation()
            .greyLevels[static_cast<std::size_t>(u) * static_cast<std::size_t>(g.rows) +
                        static_cast<std::size_t>(v)];
    }

    RecordedNotices notices;
};

TEST_F(WholeHologramTest, SaveHoloWritesEveryValue) {
    calculateStar("3");
    const PictureArea* view = Control<PictureArea>(*form, "hologramView");
    EXPECT_EQ(view->drawingAreaSize(), QSize(72, 72));
    EXPECT_EQ(view->size(), QSize(76, 76));  // the border lies around the hologram

    Control<QPushButton>(*form, "saveButton")->click();
    ASSERT_TRUE(errors.empty());
    const QImage saved(homePath("H-star.bmp"));
    ASSERT_EQ(saved.size(), QSize(72, 72));
    for (int v = 0; v < 72; ++v)
        for (int u = 0; u < 72; ++u) ASSERT_EQ(qGray(saved.pixel(u, v)), level(u, v)) << u << "," << v;
}

// 72 values at 300 dpi are 6.096 mm; 68 would be 5.8 mm. The page holds
// them all: 72 / 300 inch at the page's rendering.
TEST_F(WholeHologramTest, PrintTakesEveryValue) {
    calculateStar("3");
    QTest::mouseClick(Control<QPushButton>(*form, "printButton"), Qt::LeftButton);
    PrintDialog& d = *form->printDialogHost().dialog();
    EXPECT_EQ(Control<QLabel>(d, "sizeLabel")->text(), "Printed size (mm): 6.1 x 6.1");
    EXPECT_EQ(Control<PictureArea>(d, "hologramCopy")->drawingAreaSize(), QSize(72, 72));
    QTest::mouseClick(Control<QPushButton>(d, "printButton"), Qt::LeftButton);
    ASSERT_TRUE(errors.empty());
    ASSERT_EQ(notices.texts().size(), 1u);

    QString error;
    const QImage page = PdfPage::Render(form->printDialogHost().printer().lastFilePath(), &error);
    ASSERT_FALSE(page.isNull()) << error.toStdString();
    const QRect bounds = PdfPage::DarkBounds(page);
    const double side = 72.0 / form->printDialogHost().printer().resolution() * PdfPage::DotsPerInch;
    EXPECT_NEAR(bounds.width(), side, 1.0);
    EXPECT_NEAR(bounds.height(), side, 1.0);
}

// A 480 × 360 hologram is larger than the room beside the page map: the
// dialog shows all of it scaled down inside its frame, and prints it whole.
TEST_F(WholeHologramTest, PrintDialogShowsALargeHologramWhole) {
    Control<PictureArea>(*form, "objectCanvas")->setOuterSize(2400, 1800);  // 160 × 120
    Control<PictureArea>(*form, "objectCanvas")->setPixel(40, 30, White);
    Control<PictureArea>(*form, "objectCanvas")->setPixel(100, 70, White);
    Control<QLineEdit>(*form, "repsEdit")->setText("3");
    CalculateAndWait(*form);
    ASSERT_TRUE(errors.empty());
    QTest::mouseClick(Control<QPushButton>(*form, "printButton"), Qt::LeftButton);
    PrintDialog& d = *form->printDialogHost().dialog();
    PictureArea* copy = Control<PictureArea>(d, "hologramCopy");
    ASSERT_EQ(copy->drawingAreaSize(), QSize(480, 360));
    EXPECT_TRUE(d.rect().contains(copy->geometry())) << copy->geometry().width();
    EXPECT_LT(copy->shownScale(), 1.0);
    EXPECT_EQ(Control<QLabel>(d, "sizeLabel")->text(), "Printed size (mm): 40.6 x 30.5");

    // What the screen shows is the whole hologram: each 40 × 40 block of
    // values has about the mean grey of its place on the screen.
    const QImage shown = copy->grab().toImage().copy(QRect(QPoint(2, 2), copy->size() - QSize(4, 4)));
    const QImage whole = copy->picture();
    int worst = 0;
    for (int by = 0; by < 360; by += 40)
        for (int bx = 0; bx < 480; bx += 40) {
            long sum = 0;
            for (int y = by; y < by + 40; ++y)
                for (int x = bx; x < bx + 40; ++x) sum += qGray(whole.pixel(x, y));
            const double k = static_cast<double>(shown.width()) / 480;
            const QRect place(QPoint(int(std::ceil(bx * k)), int(std::ceil(by * k))),
                              QPoint(int((bx + 40) * k) - 1, int((by + 40) * k) - 1));
            long shownSum = 0;
            for (int y = place.top(); y <= place.bottom(); ++y)
                for (int x = place.left(); x <= place.right(); ++x) shownSum += qGray(shown.pixel(x, y));
            const long mean = sum / 1600;
            const long shownMean = shownSum / (place.width() * place.height());
            worst = std::max(worst, static_cast<int>(std::abs(mean - shownMean)));
        }
    EXPECT_LE(worst, 24);

    QTest::mouseClick(Control<QPushButton>(d, "printButton"), Qt::LeftButton);
    ASSERT_TRUE(errors.empty());
    QString error;
    const QImage page = PdfPage::Render(form->printDialogHost().printer().lastFilePath(), &error);
    ASSERT_FALSE(page.isNull()) << error.toStdString();
    const double perValue = 1.0 / form->printDialogHost().printer().resolution() * PdfPage::DotsPerInch;
    EXPECT_NEAR(PdfPage::DarkBounds(page).width(), 480 * perValue, 1.5);
}

}  // namespace
}  // namespace marbleck::test
