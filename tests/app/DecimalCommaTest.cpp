// The numbers in the boxes have a point as their decimal separator whatever
// the user's locale: the program takes the C library's locale from the user's
// settings (QApplication does), and a German one has a decimal comma.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <clocale>
#include <memory>
#include <string>

#include "Calculation.h"
#include "Controls.h"
#include "RecordedErrors.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "output/PrintDialog.h"
#include "output/PrintDialogHost.h"
#include "widgets/PictureArea.h"
#include "widgets/Printer.h"
#include "widgets/VSpinner.h"

namespace marbleck {

using test::Control;
namespace {

// The C library's locale and Qt's default locale, switched for the guard's
// lifetime.
class ScopedLocale {
public:
    ScopedLocale(const char* name, const QLocale& qt) : savedC_(std::setlocale(LC_ALL, nullptr)) {
        active_ = std::setlocale(LC_ALL, name) != nullptr;
        if (active_) QLocale::setDefault(qt);
    }
    ~ScopedLocale() {
        std::setlocale(LC_ALL, savedC_.c_str());
        QLocale::setDefault(savedQt_);
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;
    bool active() const { return active_; }

private:
    std::string savedC_;
    QLocale savedQt_;
    bool active_ = false;
};

QLocale German() { return QLocale(QLocale::German, QLocale::Germany); }

// Replaces a box's text by typing, as the user does.
void Type(QLineEdit* box, const char* text) {
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QString::fromLatin1(text));
}

struct Outcome {
    QString spunThreshold;  // the threshold box after one click on its up arrow
    QString time;
    HologramField field;  // after "Binarize"
    int errors = 0;
};

// Three points on the canvas, no random phases; threshold "0.6" typed;
// "Calculate" and "Binarize" clicked, in a main window made under the
// current locale.
Outcome BinarizeThreeDots() {
    test::RecordedErrors errors;
    Document document;
    MainWindow form{document};
    Control<QCheckBox>(form, "randomPhaseCheck")->setChecked(false);
    Control<PictureArea>(form, "objectCanvas")->setPixel(3, 40, White);
    Control<PictureArea>(form, "objectCanvas")->setPixel(60, 7, White);
    Control<PictureArea>(form, "objectCanvas")->setPixel(80, 90, White);
    Outcome run;
    QTest::mouseClick(Control<VSpinner>(form, "thresholdSpinner")->upArrow(), Qt::LeftButton);
    run.spunThreshold = Control<QLineEdit>(form, "thresholdEdit")->text();
    Type(Control<QLineEdit>(form, "thresholdEdit"), "0.6");
    test::CalculateAndWait(form);
    run.time = Control<QLineEdit>(form, "timeEdit")->text();
    QTest::mouseClick(Control<QPushButton>(form, "binarizeButton"), Qt::LeftButton);
    run.field = document.field();
    run.errors = static_cast<int>(errors.errors().size());
    return run;
}

int WhiteValues(const HologramField& field) {
    int white = 0;
    for (float value : field.values()) white += value == 255.0f ? 1 : 0;
    return white;
}

TEST(DecimalComma, BinarizeGivesTheSameHologramAsUnderTheCLocale) {
    Outcome c;
    {
        ScopedLocale locale("C", QLocale::c());
        ASSERT_TRUE(locale.active());
        c = BinarizeThreeDots();
    }
    ASSERT_EQ(c.errors, 0);
    ASSERT_FALSE(c.field.empty());
    // Both levels occur, or the comparison below proves little.
    ASSERT_GT(WhiteValues(c.field), 0);
    ASSERT_LT(WhiteValues(c.field), c.field.columns() * c.field.rows());

    ScopedLocale german("de_DE.UTF-8", German());
    if (!german.active()) GTEST_SKIP() << "no de_DE.UTF-8 locale (Debian package locales-all)";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    const Outcome de = BinarizeThreeDots();
    EXPECT_EQ(de.errors, 0);
    EXPECT_EQ(de.spunThreshold.toStdString(), "0.7");
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^\d+(\.\d+)?(E[+-]\d+)?$)")).match(de.time).hasMatch())
        << de.time.toStdString();
    EXPECT_EQ(de.field, c.field) << WhiteValues(de.field) << " of " << de.field.values().size() << " white";
}

TEST(DecimalComma, PrintDialogReadsAScaleWithAPoint) {
    ScopedLocale german("de_DE.UTF-8", German());
    if (!german.active()) GTEST_SKIP() << "no de_DE.UTF-8 locale (Debian package locales-all)";
    test::RecordedErrors errors;
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    Document document;
    MainWindow form{document};
    form.printDialogHost().setPrinter(std::make_unique<Printer>(Printer::Target::PdfFile, folder.path()));
    QTest::mouseClick(Control<QPushButton>(form, "printButton"), Qt::LeftButton);
    ASSERT_NE(form.printDialogHost().dialog(), nullptr);
    PrintDialog& dialog = *form.printDialogHost().dialog();
    Type(Control<QLineEdit>(dialog, "scaleEdit"), "2.5");
    QTest::mouseClick(Control<VSpinner>(dialog, "qualitySpinner")->upArrow(),
                      Qt::LeftButton);  // 600 dots an inch
    EXPECT_EQ(Control<QLineEdit>(dialog, "resolutionEdit")->text().toStdString(),
              "240");  // at a scale of 2.5
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace marbleck
