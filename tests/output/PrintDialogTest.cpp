#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <ostream>

#include "Calculation.h"
#include "CaseName.h"
#include "Controls.h"
#include "DialogFixture.h"
#include "platform/RunTimeError.h"
#include "widgets/VSpinner.h"

namespace marbleck::test {
namespace {

constexpr ColorValue Grey = RGBColor(100, 100, 100);

// The colour in the middle of the cell whose top-left corner is (x, y).
ColorValue cellColor(PrintDialog& dialog, double x, double y) {
    return Control<PictureArea>(dialog, "pageMap")
        ->colorAt(static_cast<float>(x + 125), static_cast<float>(y + 125));
}

int markedCells(PrintDialog& dialog) {
    int marked = 0;
    for (double x : {50, 300, 550})
        for (double y : {50, 300, 550, 800}) marked += cellColor(dialog, x, y) == Grey;
    return marked;
}

TEST_F(PrintDialogTest, OpensBesideTheMainWindowInItsLoadedState) {
    PrintDialog& d = open();
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(d.isWindow());
    EXPECT_EQ(d.parentWidget(), nullptr);
    EXPECT_FALSE(d.isModal());
    EXPECT_EQ(d.windowTitle(), "Print");
    EXPECT_EQ(d.size(), QSize(656, 521));  // 9840 × 7815 twips: the read-out below the buttons
    EXPECT_EQ(Control<QPushButton>(d, "printButton")->text(), "print");
    EXPECT_EQ(Control<QPushButton>(d, "cancelButton")->text(), "Cancel");
    EXPECT_EQ(Control<QLabel>(d, "locationLabel")->text(), "Print Location");
    EXPECT_EQ(Control<QLabel>(d, "resolutionLabel")->text(), "Print Resolution (dpi)");
    EXPECT_EQ(Control<QLabel>(d, "scaleLabel")->text(), "Scale factor");
    EXPECT_EQ(Control<PictureArea>(d, "pageMap")->geometry(), QRect(48, 16, 113, 147));
    EXPECT_EQ(Control<VSpinner>(d, "qualitySpinner")->geometry(), QRect(200, 240, 25, 25));

    EXPECT_EQ(Control<VSpinner>(d, "qualitySpinner")->min(), -4);
    EXPECT_EQ(Control<VSpinner>(d, "qualitySpinner")->max(), -1);
    EXPECT_EQ(Control<VSpinner>(d, "qualitySpinner")->value(), -2);
    EXPECT_EQ(printer().printQuality(), -2);
    EXPECT_EQ(Control<VSpinner>(d, "scaleSpinner")->min(), 1);
    EXPECT_EQ(Control<VSpinner>(d, "scaleSpinner")->max(), 3);
    EXPECT_EQ(Control<VSpinner>(d, "scaleSpinner")->value(), 1);
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "300");
    EXPECT_EQ(Control<QLineEdit>(d, "scaleEdit")->text(), "1");
    EXPECT_TRUE(errors.empty());
}

// The dialog's captions are in the main window's caption font, and each one
// shows whole in its control: a button's on one line, a label's as it wraps.
TEST_F(PrintDialogTest, CaptionsUseTheMainWindowsFontAndFit) {
    PrintDialog& d = open();
    const QFont mainFont = form.clientArea()->font();
    for (QPushButton* b : {Control<QPushButton>(d, "printButton"), Control<QPushButton>(d, "cancelButton")}) {
        SCOPED_TRACE(b->text().toStdString());
        EXPECT_EQ(b->font().pixelSize(), mainFont.pixelSize());
        EXPECT_EQ(b->font().family(), mainFont.family());
        EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + 4, b->width());
        EXPECT_LE(b->fontMetrics().height(), b->height());
    }
    for (QLabel* l : {Control<QLabel>(d, "locationLabel"), Control<QLabel>(d, "resolutionLabel"),
                      Control<QLabel>(d, "scaleLabel")}) {
        SCOPED_TRACE(l->text().toStdString());
        EXPECT_EQ(l->font().pixelSize(), mainFont.pixelSize());
        const QRect shown = l->fontMetrics().boundingRect(l->contentsRect(), Qt::TextWordWrap, l->text());
        EXPECT_LE(shown.width(), l->contentsRect().width());
        EXPECT_LE(shown.height(), l->contentsRect().height());
    }
}

TEST_F(PrintDialogTest, PageMapShowsTheWhiteGridOnBlack) {
    PrintDialog& d = open();
    EXPECT_EQ(Control<PictureArea>(d, "pageMap")->drawingAreaSize(), QSize(109, 143));
    for (float x : {50.f, 300.f, 550.f, 800.f})
        for (float y : {10.f, 500.f, 1090.f})
            EXPECT_EQ(Control<PictureArea>(d, "pageMap")->colorAt(x, y), White) << x << "," << y;
    for (float y : {50.f, 300.f, 550.f, 800.f, 1050.f})
        for (float x : {10.f, 400.f, 840.f})
            EXPECT_EQ(Control<PictureArea>(d, "pageMap")->colorAt(x, y), White) << x << "," << y;
    EXPECT_EQ(markedCells(d), 0);
    EXPECT_EQ(cellColor(d, 300, 300), Black);
}

struct Pick {
    float x, y;
    double cellX, cellY;
};

void PrintTo(const Pick& p, std::ostream* os) { *os << "click (" << p.x << ", " << p.y << ")"; }

class LocationPickTest : public PrintDialogTest, public ::testing::WithParamInterface<Pick> {};

TEST_P(LocationPickTest, MarksTheCellAndMovesThePrinter) {
    const Pick p = GetParam();
    PrintDialog& d = open();
    pick(p.x, p.y, Qt::RightButton);
    EXPECT_EQ(printer().positionX(), static_cast<float>(p.cellX * 14.4));
    EXPECT_EQ(printer().positionY(), static_cast<float>(p.cellY * 14.4));
    EXPECT_EQ(cellColor(d, p.cellX, p.cellY), Grey);
    EXPECT_EQ(markedCells(d), 1);
    EXPECT_TRUE(errors.empty());
}

INSTANTIATE_TEST_SUITE_P(WholePageMap, LocationPickTest,
                         ::testing::Values(Pick{10, 10, 50, 50},          // left of and above the grid
                                           Pick{-3, 200, 50, 50},         // outside, left
                                           Pick{120, 0, 50, 50},          // on the top edge
                                           Pick{299.9f, 299.9f, 50, 50},  // just before the second lines
                                           Pick{300, 300, 300, 300},      // exactly on them
                                           Pick{300, 10, 300, 50}, Pick{549.99f, 799.99f, 300, 550},
                                           Pick{550, 800, 550, 800},
                                           Pick{800, 1050, 550, 800},  // on the last lines
                                           Pick{849, 100, 550, 50},    // right of 800
                                           Pick{400, 1099, 300, 800},  // below 1050
                                           Pick{60, 700, 50, 550}),
                         [](const auto& info) {
                             return test::CaseName("X", info.param.x, "_Y", info.param.y);
                         });

TEST_F(PrintDialogTest, AMouseClickOnTheMapPicksItsCell) {
    PrintDialog& d = open();
    // Pixel (51, 84) of the drawing area lies at about (398, 646) units.
    QTest::mouseClick(Control<PictureArea>(d, "pageMap"), Qt::MiddleButton, {}, QPoint(2 + 51, 2 + 84));
    EXPECT_EQ(printer().positionX(), 300 * 14.4f);
    EXPECT_EQ(printer().positionY(), 550 * 14.4f);
    EXPECT_EQ(cellColor(d, 300, 550), Grey);
}

TEST_F(PrintDialogTest, SeveralClicksLeaveSeveralMarksAndTheLastCounts) {
    PrintDialog& d = open();
    pick(100, 100);
    pick(600, 900);
    pick(320, 560);
    EXPECT_EQ(markedCells(d), 3);
    EXPECT_EQ(cellColor(d, 50, 50), Grey);
    EXPECT_EQ(cellColor(d, 550, 800), Grey);
    EXPECT_EQ(cellColor(d, 300, 550), Grey);
    EXPECT_EQ(printer().positionX(), 4320.f);
    EXPECT_EQ(printer().positionY(), 7920.f);
}

struct ResolutionCase {
    float twipsPerDot;
    double scale;
    long long resolution;
};

void PrintTo(const ResolutionCase& c, std::ostream* os) {
    *os << c.twipsPerDot << " twips a dot, scale " << c.scale;
}

class ResolutionFormulaTest : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(ResolutionFormulaTest, GivesTheWholeResolution) {
    const ResolutionCase c = GetParam();
    EXPECT_EQ(PrintDialog::Resolution(c.twipsPerDot, c.scale), c.resolution);
}

INSTANTIATE_TEST_SUITE_P(Table, ResolutionFormulaTest,
                         ::testing::Values(ResolutionCase{2.4f, 1, 600},  // 599.99998 without the 0.1
                                           ResolutionCase{4.8f, 1, 300}, ResolutionCase{1.2f, 1, 1200},
                                           ResolutionCase{9.6f, 1, 150}, ResolutionCase{2.4f, 3, 200},
                                           ResolutionCase{1.2f, 2, 600}, ResolutionCase{4.8f, 2.5, 120},
                                           ResolutionCase{4.8f, -1, -300}, ResolutionCase{4.8f, 7, 42}),
                         [](const auto& info) {
                             return test::CaseName("TwipsPerDot", info.param.twipsPerDot, "_Scale",
                                                   info.param.scale);
                         });

TEST(ResolutionFormula, ScaleZeroIsDivisionByZero) {
    try {
        PrintDialog::Resolution(4.8f, 0);
        FAIL() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number(), ErrorNumber::DivisionByZero);
    }
    EXPECT_THROW(PrintDialog::Resolution(4.8f, 1e-300), RunTimeError);  // past a whole number's range
}

TEST_F(PrintDialogTest, SpinnersShowThePrintersResolution) {
    PrintDialog& d = open();
    QTest::mouseClick(Control<VSpinner>(d, "qualitySpinner")->upArrow(),
                      Qt::LeftButton);  // toward high quality
    EXPECT_EQ(Control<VSpinner>(d, "qualitySpinner")->value(), -3);
    EXPECT_EQ(printer().printQuality(), -3);
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "600");
    Control<VSpinner>(d, "scaleSpinner")->setValue(3);
    EXPECT_EQ(Control<QLineEdit>(d, "scaleEdit")->text(), "3");
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "200");
    Control<VSpinner>(d, "qualitySpinner")->setValue(-4);
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "400");
    Control<VSpinner>(d, "qualitySpinner")->setValue(-1);
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "50");
    EXPECT_FLOAT_EQ(printer().twipsPerPixelX(), 9.6f);
    EXPECT_TRUE(errors.empty());
}

TEST_F(PrintDialogTest, TypedScaleTwoHalvesTheShownResolution) {
    PrintDialog& d = open();
    Control<QLineEdit>(d, "scaleEdit")->clear();
    QTest::keyClicks(Control<QLineEdit>(d, "scaleEdit"), "2");
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "300");  // typing alone changes nothing
    Control<VSpinner>(d, "qualitySpinner")->setValue(-3);
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "300");  // 600 dots per inch ÷ 2
    EXPECT_EQ(Control<VSpinner>(d, "scaleSpinner")->value(), 1);        // print scales by the spinner, 1
    EXPECT_TRUE(errors.empty());
}

TEST_F(PrintDialogTest, TypedScaleZeroFailsTheNextQualityChangeOnly) {
    PrintDialog& d = open();
    Control<QLineEdit>(d, "scaleEdit")->setText("0");
    Control<VSpinner>(d, "qualitySpinner")->setValue(-4);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::DivisionByZero);
    EXPECT_EQ(errors.errors().back().description, "Division by zero");
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "300");  // not written
    EXPECT_EQ(printer().printQuality(), -4);                            // set before the failure
    EXPECT_TRUE(d.isVisible());

    // The scale spinner rewrites the box before reading it.
    Control<VSpinner>(d, "scaleSpinner")->setValue(2);
    EXPECT_EQ(Control<QLineEdit>(d, "scaleEdit")->text(), "2");
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "600");
    Control<QLineEdit>(d, "scaleEdit")->setText("abc");
    Control<VSpinner>(d, "qualitySpinner")->setValue(-3);
    EXPECT_EQ(errors.errors().size(), 2u);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::DivisionByZero);
    QTest::mouseClick(Control<QPushButton>(d, "printButton"), Qt::LeftButton);  // print does not read the box
    EXPECT_EQ(errors.errors().size(), 2u);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(notices.texts().size(), 1u);
}

TEST_F(PrintDialogTest, CancelHidesAndKeepsEverything) {
    PrintDialog& d = open();
    pick(400, 400);
    Control<VSpinner>(d, "scaleSpinner")->setValue(2);
    QTest::mouseClick(Control<QPushButton>(d, "cancelButton"), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(notices.texts().size(), 0u);  // nothing printed
    PrintDialog& again = open();
    EXPECT_EQ(&again, &d);
    EXPECT_EQ(Control<VSpinner>(again, "scaleSpinner")->value(), 2);
    EXPECT_EQ(Control<QLineEdit>(again, "resolutionEdit")->text(), "150");
    EXPECT_EQ(cellColor(again, 300, 300), Grey);
    EXPECT_EQ(printer().positionX(), 4320.f);
}

TEST_F(PrintDialogTest, PrintAgainWhileShownReplacesOnlyTheCopy) {
    PrintDialog& d = open();
    EXPECT_EQ(Control<PictureArea>(d, "hologramCopy")->outerWidth(), 2400.f);
    EXPECT_EQ(Control<PictureArea>(d, "hologramCopy")->outerHeight(), 2520.f);
    EXPECT_EQ(Control<PictureArea>(d, "hologramCopy")->picture().pixel(5, 5), qRgb(15, 0, 0));
    pick(600, 600);
    Control<VSpinner>(d, "qualitySpinner")->setValue(-3);
    Control<VSpinner>(d, "scaleSpinner")->setValue(3);

    // A new hologram: one lit point, reps 1, so 100 × 100 values in a view
    // 1560 twips a side with its border.
    Control<PictureArea>(form, "objectCanvas")->setPixel(50, 50, White);
    test::CalculateAndWait(form);
    QTest::mouseClick(Control<QPushButton>(form, "printButton"), Qt::LeftButton);
    EXPECT_EQ(form.printDialogHost().dialog(), &d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(Control<PictureArea>(d, "hologramCopy")->outerWidth(), 1560.f);
    EXPECT_EQ(Control<PictureArea>(d, "hologramCopy")->outerHeight(), 1560.f);
    EXPECT_EQ(Control<PictureArea>(d, "hologramCopy")->picture().size(), QSize(100, 100));
    EXPECT_EQ(Control<PictureArea>(d, "hologramCopy")->picture(),
              Control<PictureArea>(form, "hologramView")->image());
    EXPECT_EQ(Control<VSpinner>(d, "qualitySpinner")->value(), -3);
    EXPECT_EQ(Control<VSpinner>(d, "scaleSpinner")->value(), 3);
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "200");
    EXPECT_EQ(cellColor(d, 550, 550), Grey);
    EXPECT_EQ(printer().positionX(), 550 * 14.4f);
    EXPECT_EQ(printer().printQuality(), -3);
}

TEST_F(PrintDialogTest, ClosedThroughTheFrameItLoadsAfresh) {
    PrintDialog& first = open();
    pick(600, 900);
    Control<VSpinner>(first, "qualitySpinner")->setValue(-4);
    Control<VSpinner>(first, "scaleSpinner")->setValue(3);
    Control<QLineEdit>(first, "scaleEdit")->setText("7");
    closeThroughFrame();
    EXPECT_EQ(form.printDialogHost().dialog(), nullptr);

    PrintDialog& d = open();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(markedCells(d), 0);
    EXPECT_EQ(Control<PictureArea>(d, "pageMap")->colorAt(300, 10), White);
    EXPECT_EQ(Control<VSpinner>(d, "scaleSpinner")->value(), 1);
    EXPECT_EQ(Control<QLineEdit>(d, "scaleEdit")->text(), "1");
    // The printer kept its place and quality; the new dialog shows them.
    EXPECT_EQ(printer().positionX(), 550 * 14.4f);
    EXPECT_EQ(printer().positionY(), 800 * 14.4f);
    EXPECT_EQ(printer().printQuality(), -4);
    EXPECT_EQ(Control<VSpinner>(d, "qualitySpinner")->value(), -4);
    EXPECT_EQ(Control<QLineEdit>(d, "resolutionEdit")->text(), "1200");
    EXPECT_TRUE(errors.empty());
}

TEST_F(PrintDialogTest, QuitClosesTheDialogToo) {
    open();
    Control<QPushButton>(form, "quitButton")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form.printDialogHost().dialog(), nullptr);
}

}  // namespace
}  // namespace marbleck::test
