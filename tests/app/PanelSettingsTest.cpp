#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "BitmapFiles.h"
#include "Controls.h"
#include "Menus.h"
#include "RecordedErrors.h"
#include "SmallKinoform.h"
#include "app/Document.h"
#include "app/LookupTableFile.h"
#include "app/MainWindow.h"
#include "app/PanelSettingsDialog.h"
#include "app/PanelSettingsStore.h"
#include "platform/RunTimeError.h"

namespace marbleck {

using test::ChooseFromMenu;
using test::Control;
using test::LookupFileText;
using test::SquareLookupTable;
using test::writeFile;

namespace {

struct BadLookupFile {
    const char* name;
    // Makes the file (or what stands at its name) in `folder`; returns its path.
    QString (*make)(const QTemporaryDir& folder);
    int number;
    const char* reason;
};

QString TableWithLine(const QTemporaryDir& folder, int badLine, const QByteArray& text) {
    QList<QByteArray> lines = LookupFileText(SquareLookupTable()).split('\n');
    lines[badLine - 1] = text;  // the comment is line 1
    return writeFile(folder.filePath(QStringLiteral("LUT.txt")), lines.join('\n'));
}

const BadLookupFile BadLookupFiles[] = {
    {"Missing", [](const QTemporaryDir& f) { return f.filePath(QStringLiteral("none.txt")); },
     ErrorNumber::FileNotFound, "none.txt"},
    {"Folder", [](const QTemporaryDir& f) { return f.path(); }, ErrorNumber::PathFileAccessError,
     "is a folder"},
    {"Pipe",
     [](const QTemporaryDir& f) {
         const QString path = f.filePath(QStringLiteral("pipe.txt"));
         return mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
     },
     ErrorNumber::PathFileAccessError, "not a regular file"},
    {"LevelTooHigh", [](const QTemporaryDir& f) { return TableWithLine(f, 12, "256"); },
     ErrorNumber::InvalidPropertyValue, "LUT.txt: line 12"},
    {"TooLarge",
     [](const QTemporaryDir& f) {
         QByteArray text = LookupFileText(SquareLookupTable());
         text += QByteArray(LookupTableFile::MaxBytes, '#');
         return writeFile(f.filePath(QStringLiteral("LUT.txt")), text);
     },
     ErrorNumber::PathFileAccessError, "is more than 1 MiB, not a lookup table"},
};

class LookupTableFileTest : public ::testing::TestWithParam<BadLookupFile> {};

TEST_P(LookupTableFileTest, Refused) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = GetParam().make(folder);
    ASSERT_FALSE(path.isEmpty());
    try {
        LookupTableFile::read(path);
        FAIL() << "read";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), GetParam().number);
        EXPECT_NE(error.description().find(GetParam().reason), std::string::npos) << error.description();
    }
}

INSTANTIATE_TEST_SUITE_P(Files, LookupTableFileTest, ::testing::ValuesIn(BadLookupFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LookupTableFile, ReadsMakersFile) {
    QTemporaryDir folder;
    const QString path =
        writeFile(folder.filePath(QStringLiteral("LUT.txt")), LookupFileText(SquareLookupTable()));
    EXPECT_EQ(LookupTableFile::read(path), SquareLookupTable());
}

// The dialog, driven through its controls; "Browse…" is answered with
// `answer`.
class PanelDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    void open(const PanelChoice& start) {
        dialog = std::make_unique<PanelSettingsDialog>(
            start, [this](QWidget*, const QString&, const QString&, const QString&) { return answer; });
        dialog->show();
    }
    template <class T>
    T* control(const char* name) {
        return Control<T>(*dialog, name);
    }
    void browse(const QString& path) {
        answer = path;
        QTest::mouseClick(control<QPushButton>("browseButton"), Qt::LeftButton);
    }
    void type(const char* box, const QString& text) {
        auto* edit = control<QAbstractSpinBox>(box);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }

    QTemporaryDir folder;
    test::RecordedErrors errors;
    QString answer;
    std::unique_ptr<PanelSettingsDialog> dialog;
};

TEST_F(PanelDialogTest, PresetSize) {
    open({});
    auto* sizes = control<QComboBox>("sizeChoice");
    EXPECT_EQ(dialog->choice().settings.width, 0);  // the hologram's own size at the start
    EXPECT_FALSE(control<QSpinBox>("widthBox")->isEnabled());
    sizes->setCurrentIndex(sizes->findText(QStringLiteral("1920 × 1200")));
    const PanelSettings panel = dialog->choice().settings;
    EXPECT_EQ(panel.width, 1920);
    EXPECT_EQ(panel.height, 1200);
    EXPECT_EQ(control<QSpinBox>("heightBox")->value(), 1200);
    EXPECT_FALSE(control<QSpinBox>("heightBox")->isEnabled());
    for (const PanelSize& preset : PanelPresets())
        EXPECT_GE(sizes->findText(QStringLiteral("%1 × %2").arg(preset.width).arg(preset.height)), 0);
}

TEST_F(PanelDialogTest, CustomSizeTiltAndLens) {
    open({});
    auto* sizes = control<QComboBox>("sizeChoice");
    sizes->setCurrentIndex(sizes->findText(QStringLiteral("Custom")));
    type("widthBox", QStringLiteral("1000"));
    type("heightBox", QStringLiteral("700"));
    type("tiltYBox", QStringLiteral("-0.25"));
    control<QGroupBox>("lensGroup")->setChecked(true);
    type("focalBox", QStringLiteral("-0.3"));
    type("pitchBox", QStringLiteral("3.74"));
    type("twoPiLevelBox", QStringLiteral("200"));
    const PanelChoice choice = dialog->choice();
    EXPECT_EQ(QSize(choice.settings.width, choice.settings.height), QSize(1000, 700));
    EXPECT_EQ(choice.settings.tiltY, -0.25);
    ASSERT_TRUE(choice.settings.lens);
    EXPECT_EQ(choice.settings.lens->focalMetres, -0.3);
    EXPECT_EQ(choice.settings.lens->pitchMicrometres, 3.74);
    EXPECT_EQ(choice.settings.lookup, LinearLookupTable(200));
}

TEST_F(PanelDialogTest, BadLookupFileKeepsTableBefore) {
    const QString good =
        writeFile(folder.filePath(QStringLiteral("good.lut")), LookupFileText(SquareLookupTable()));
    open({});
    EXPECT_FALSE(control<QRadioButton>("lookupChoice")->isEnabled());
    browse(good);
    ASSERT_TRUE(errors.empty());
    EXPECT_TRUE(control<QRadioButton>("lookupChoice")->isChecked());
    EXPECT_EQ(dialog->choice().settings.lookup, SquareLookupTable());

    browse(TableWithLine(folder, 30, "-1"));
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::InvalidPropertyValue);
    EXPECT_TRUE(errors.errors().back().description.contains(QStringLiteral("LUT.txt: line 30")))
        << errors.errors().back().description.toStdString();
    const PanelChoice choice = dialog->choice();
    EXPECT_EQ(choice.settings.lookup, SquareLookupTable());
    EXPECT_EQ(choice.lookupFile, good);
    EXPECT_EQ(control<QLabel>("lookupFileLabel")->text(), QStringLiteral("good.lut"));

    // The grey level for 2π is chosen again over the table.
    QTest::mouseClick(control<QRadioButton>("linearChoice"), Qt::LeftButton);
    EXPECT_EQ(dialog->choice().settings.lookup, LinearLookupTable(255));
    EXPECT_TRUE(dialog->choice().lookupFile.isEmpty());
}

TEST_F(PanelDialogTest, RefusesLensAtZeroAndTooManyPixels) {
    open({});
    control<QGroupBox>("lensGroup")->setChecked(true);
    type("focalBox", QStringLiteral("0"));
    dialog->accept();
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::InvalidPropertyValue);
    EXPECT_TRUE(dialog->isVisible());
    type("focalBox", QStringLiteral("2"));

    auto* sizes = control<QComboBox>("sizeChoice");
    sizes->setCurrentIndex(sizes->findText(QStringLiteral("Custom")));
    type("widthBox", QString::number(MaxPanelSide));
    type("heightBox", QString::number(MaxPanelSide));
    errors.clear();
    dialog->accept();
    EXPECT_EQ(errors.lastNumber(), ErrorNumber::InvalidPropertyValue);
    EXPECT_TRUE(dialog->isVisible());

    type("heightBox", QStringLiteral("4096"));
    errors.clear();
    dialog->accept();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

// The panel set in one window is the next window's, its lookup table read
// again from its file; a file gone since falls back to the linear table
// and says so.
TEST(PanelSettingsKept, AcrossWindows) {
    QTemporaryDir folder;
    const QString table =
        writeFile(folder.filePath(QStringLiteral("slm.lut")), LookupFileText(SquareLookupTable()));
    test::RecordedErrors errors;
    {
        Document document;
        MainWindow form(document);
        form.setOpenFileQuestion(
            [&](QWidget*, const QString&, const QString&, const QString&) { return table; });
        form.show();
        test::WhenModalShows<PanelSettingsDialog>([](PanelSettingsDialog& dialog) {
            auto* sizes = Control<QComboBox>(dialog, "sizeChoice");
            sizes->setCurrentIndex(sizes->findText(QStringLiteral("1272 × 1024")));
            Control<QDoubleSpinBox>(dialog, "tiltXBox")->setValue(0.0625);
            Control<QGroupBox>(dialog, "lensGroup")->setChecked(true);
            Control<QDoubleSpinBox>(dialog, "focalBox")->setValue(0.75);
            Control<QSpinBox>(dialog, "twoPiLevelBox")->setValue(210);
            QTest::mouseClick(Control<QPushButton>(dialog, "browseButton"), Qt::LeftButton);
            dialog.accept();
        });
        ChooseFromMenu(form, QStringLiteral("Options"), {"panelAction"});
        ASSERT_TRUE(errors.empty());
        EXPECT_EQ(document.panel.settings.width, 1272);
        EXPECT_EQ(document.panel.settings.lookup, SquareLookupTable());
    }
    {
        Document document;
        MainWindow form(document);
        const PanelChoice& panel = document.panel;
        EXPECT_EQ(panel.settings.width, 1272);
        EXPECT_EQ(panel.settings.height, 1024);
        EXPECT_EQ(panel.settings.tiltX, 0.0625);
        ASSERT_TRUE(panel.settings.lens);
        EXPECT_EQ(panel.settings.lens->focalMetres, 0.75);
        EXPECT_EQ(panel.twoPiLevel, 210);
        EXPECT_EQ(panel.lookupFile, table);
        EXPECT_EQ(panel.settings.lookup, SquareLookupTable());
    }
    ASSERT_TRUE(QFile::remove(table));
    {
        Document document;
        MainWindow form(document);
        EXPECT_TRUE(document.panel.lookupFile.isEmpty());
        EXPECT_EQ(document.panel.settings.lookup, LinearLookupTable(210));
        EXPECT_EQ(document.panel.settings.width, 1272);
        EXPECT_TRUE(Control<QLabel>(form, "statusBarMessage")->text().contains(QStringLiteral("slm.lut")));
    }
    EXPECT_TRUE(errors.empty());
}

// Kept lens settings the engine would refuse read as no lens, as any other
// value out of range does; a lens kept without its wavelength is at 633 nm.
TEST(PanelSettingsKept, LensOutOfRangeReadsAsNone) {
    struct Kept {
        QVariant focal, wavelength, pitch;
        double expectedWavelength;  // 0: no lens
    };
    for (const Kept& kept : {Kept{1e-320, 633, 8, 0}, Kept{0.5, 633, 1e308, 0}, Kept{0.5, 1e-308, 8, 0},
                             Kept{0.5, QVariant(), 8, 633}, Kept{0.5, 532, 8, 532}}) {
        QSettings settings;
        settings.setValue(QStringLiteral("panel/lens"), true);
        settings.setValue(QStringLiteral("panel/focalMetres"), kept.focal);
        if (kept.wavelength.isValid())
            settings.setValue(QStringLiteral("panel/wavelengthNm"), kept.wavelength);
        else
            settings.remove(QStringLiteral("panel/wavelengthNm"));
        settings.setValue(QStringLiteral("panel/pitchMicrometres"), kept.pitch);
        settings.sync();
        const PanelChoice choice = PanelSettingsStore::read().choice;
        if (kept.expectedWavelength == 0) {
            EXPECT_FALSE(choice.settings.lens) << kept.focal.toDouble() << " " << kept.pitch.toDouble();
        } else {
            ASSERT_TRUE(choice.settings.lens);
            EXPECT_EQ(choice.settings.lens->wavelengthNm, kept.expectedWavelength);
        }
    }
    QSettings().remove(QStringLiteral("panel"));
}

}  // namespace
}  // namespace marbleck
