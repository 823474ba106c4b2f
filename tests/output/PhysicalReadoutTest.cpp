#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include "Calculation.h"
#include "Controls.h"
#include "DialogFixture.h"
#include "widgets/VSpinner.h"

namespace marbleck::test {
namespace {

QString Text(PrintDialog& dialog, const char* label) { return Control<QLabel>(dialog, label)->text(); }

// Replaces a box's text by typing, as the user does.
void Type(QLineEdit* box, const char* text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// The read-out beside the scale, against figures worked by hand: at 300 dpi
// and scale 1 a pixel is 25.4 mm / 300 = 84.67 um; 633 nm light leaves it at
// most asin(0.633 / 2 / 84.67) = 0.214 degrees; the object's image reaches
// 1000 mm x tan(asin(0.633 x 0.49999 / 84.67)) = 3.7 mm across the screen.
TEST_F(PrintDialogTest, ReadOutShowsThePrintsPhysicalFigures) {
    const auto forget = qScopeGuard([] { QSettings().remove(QStringLiteral("print")); });
    test::CalculateAndWait(form);
    PrintDialog& d = open();
    EXPECT_EQ(Control<QLineEdit>(d, "wavelengthEdit")->text(), "633");
    EXPECT_EQ(Control<QLineEdit>(d, "distanceEdit")->text(), "1");
    EXPECT_TRUE(Text(d, "pitchLabel").contains("84.67")) << Text(d, "pitchLabel").toStdString();
    const QSize pixels = Control<PictureArea>(d, "hologramCopy")->drawingAreaSize();
    const QString size = QStringLiteral("%1 x %2").arg(QString::number(pixels.width() * 25.4 / 300, 'f', 1),
                                                       QString::number(pixels.height() * 25.4 / 300, 'f', 1));
    EXPECT_TRUE(Text(d, "sizeLabel").contains(size)) << Text(d, "sizeLabel").toStdString();
    EXPECT_TRUE(Text(d, "angleLabel").contains("0.214")) << Text(d, "angleLabel").toStdString();
    EXPECT_TRUE(Text(d, "screenLabel").endsWith(": 3.7")) << Text(d, "screenLabel").toStdString();

    // Scale 2 doubles the pitch; 600 dpi halves it back.
    QTest::mouseClick(Control<VSpinner>(d, "scaleSpinner")->downArrow(), Qt::LeftButton);
    EXPECT_TRUE(Text(d, "pitchLabel").contains("169.33"));
    EXPECT_TRUE(Text(d, "angleLabel").contains("0.107"));
    QTest::mouseClick(Control<VSpinner>(d, "qualitySpinner")->upArrow(), Qt::LeftButton);
    EXPECT_TRUE(Text(d, "pitchLabel").contains("84.67"));

    // A box that reads as no length shows "-" for what depends on it.
    Type(Control<QLineEdit>(d, "distanceEdit"), "far");
    EXPECT_EQ(Text(d, "screenLabel"), "Image on the screen (mm): -");
    EXPECT_TRUE(Text(d, "angleLabel").contains("0.214"));
    Type(Control<QLineEdit>(d, "wavelengthEdit"), "0");
    EXPECT_EQ(Text(d, "angleLabel"), "Largest angle (degrees): -");
    EXPECT_TRUE(Text(d, "pitchLabel").contains("84.67"));
    EXPECT_TRUE(errors.empty());
}

// The wavelength and the distance entered are what the next dialog shows,
// with a point as the decimal separator whatever the locale.
TEST_F(PrintDialogTest, ReadOutRemembersTheLaserAndTheScreen) {
    const auto forget = qScopeGuard([] { QSettings().remove(QStringLiteral("print")); });
    PrintDialog& d = open();
    Type(Control<QLineEdit>(d, "wavelengthEdit"), "532");
    Type(Control<QLineEdit>(d, "distanceEdit"), "2.5");
    closeThroughFrame();

    PrintDialog& again = open();
    EXPECT_EQ(Control<QLineEdit>(again, "wavelengthEdit")->text(), "532");
    EXPECT_EQ(Control<QLineEdit>(again, "distanceEdit")->text(), "2.5");
    // asin(0.532 / 2 / 84.67) = 0.180 degrees; 2500 mm x 0.0031417 = 7.9 mm.
    EXPECT_TRUE(Text(again, "angleLabel").contains("0.180")) << Text(again, "angleLabel").toStdString();
    EXPECT_TRUE(Text(again, "screenLabel").endsWith(": 7.9")) << Text(again, "screenLabel").toStdString();
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace marbleck::test
