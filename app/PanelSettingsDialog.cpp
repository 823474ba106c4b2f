#include "app/PanelSettingsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSize>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/LookupTableFile.h"
#include "engine/core/HologramGeometry.h"
#include "platform/RunTimeError.h"
#include "widgets/ErrorReporter.h"

namespace marbleck {

namespace {

// A lens the dialog starts from when the choice has none: a red
// helium-neon laser on a common modulator's 8 µm pixels.
constexpr LensTerm StartLens{0.5, DefaultLensWavelengthNm, 8};

QString SizeText(int width, int height) { return QStringLiteral("%1 × %2").arg(width).arg(height); }

template <class Box>
Box* Named(Box* box, const char* name) {
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QDoubleSpinBox* NumberBox(const char* name, double least, double most, int decimals, double step,
                          const QString& suffix) {
    auto* box = Named(new QDoubleSpinBox, name);
    box->setRange(least, most);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    return box;
}

[[noreturn]] void refuse(const QString& why) {
    throw RunTimeError(ErrorNumber::InvalidPropertyValue, "Invalid property value: " + why.toStdString());
}

}  // namespace

PanelSettingsDialog::PanelSettingsDialog(const PanelChoice& current, OpenFileQuestion askOpenFile,
                                         QWidget* parent)
    : QDialog(parent), askOpenFile_(std::move(askOpenFile)) {
    setObjectName(QStringLiteral("panelSettingsDialog"));
    setWindowTitle(QStringLiteral("SLM Panel"));
    // Numbers with "." as the window's boxes write them.
    setLocale(QLocale::c());
    createControls();
    showChoice(current);
}

void PanelSettingsDialog::createControls() {
    sizeChoice_ = Named(new QComboBox, "sizeChoice");
    sizeChoice_->addItem(QStringLiteral("The hologram's size"), QSize(0, 0));
    for (const PanelSize& preset : PanelPresets())
        sizeChoice_->addItem(SizeText(preset.width, preset.height), QSize(preset.width, preset.height));
    sizeChoice_->addItem(QStringLiteral("Custom"));
    widthBox_ = Named(new QSpinBox, "widthBox");
    heightBox_ = Named(new QSpinBox, "heightBox");
    for (QSpinBox* box : {widthBox_, heightBox_}) {
        box->setRange(1, MaxPanelSide);
        box->setValue(1024);
    }
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(sizeChoice_);
    sizeRow->addWidget(widthBox_);
    sizeRow->addWidget(new QLabel(QStringLiteral("×")));
    sizeRow->addWidget(heightBox_);
    sizeRow->addWidget(new QLabel(QStringLiteral("pixels")));
    connect(sizeChoice_, &QComboBox::currentIndexChanged, this, &PanelSettingsDialog::showSizeChoice);

    fillChoice_ = Named(new QComboBox, "fillChoice");
    fillChoice_->addItem(QStringLiteral("Tile"));
    fillChoice_->addItem(QStringLiteral("Pad"));

    linearChoice_ = Named(new QRadioButton(QStringLiteral("Grey level for 2π:")), "linearChoice");
    twoPiLevelBox_ = Named(new QSpinBox, "twoPiLevelBox");
    twoPiLevelBox_->setRange(1, 255);
    lookupChoice_ = Named(new QRadioButton(QStringLiteral("Lookup table:")), "lookupChoice");
    lookupFileLabel_ = Named(new QLabel, "lookupFileLabel");
    browseButton_ = Named(new QPushButton(QStringLiteral("Browse…")), "browseButton");
    connect(browseButton_, &QPushButton::clicked, this, &PanelSettingsDialog::browseLookupFile);
    auto* linearRow = new QHBoxLayout;
    linearRow->addWidget(linearChoice_);
    linearRow->addWidget(twoPiLevelBox_);
    linearRow->addStretch();
    auto* lookupRow = new QHBoxLayout;
    lookupRow->addWidget(lookupChoice_);
    lookupRow->addWidget(lookupFileLabel_, 1);
    lookupRow->addWidget(browseButton_);

    tiltXBox_ = NumberBox("tiltXBox", -0.5, 0.5, 6, 0.001, QString());
    tiltYBox_ = NumberBox("tiltYBox", -0.5, 0.5, 6, 0.001, QString());
    auto* tiltRow = new QHBoxLayout;
    tiltRow->addWidget(new QLabel(QStringLiteral("x")));
    tiltRow->addWidget(tiltXBox_);
    tiltRow->addWidget(new QLabel(QStringLiteral("y")));
    tiltRow->addWidget(tiltYBox_);
    tiltRow->addWidget(new QLabel(QStringLiteral("cycles per pixel")));

    lensGroup_ = Named(new QGroupBox(QStringLiteral("Lens")), "lensGroup");
    lensGroup_->setCheckable(true);
    focalBox_ = NumberBox("focalBox", -1000, 1000, 4, 0.1, QStringLiteral(" m"));
    wavelengthBox_ = NumberBox("wavelengthBox", 100, 20000, 1, 1, QStringLiteral(" nm"));
    pitchBox_ = NumberBox("pitchBox", 0.1, 1000, 2, 0.1, QStringLiteral(" µm"));
    auto* lensForm = new QFormLayout(lensGroup_);
    lensForm->addRow(QStringLiteral("Focal length:"), focalBox_);
    lensForm->addRow(QStringLiteral("Wavelength:"), wavelengthBox_);
    lensForm->addRow(QStringLiteral("Pixel pitch:"), pitchBox_);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Panel:"), sizeRow);
    form->addRow(QStringLiteral("Fill:"), fillChoice_);
    form->addRow(QStringLiteral("Phase:"), linearRow);
    form->addRow(QString(), lookupRow);
    form->addRow(QStringLiteral("Tilt:"), tiltRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PanelSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PanelSettingsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lensGroup_);
    layout->addWidget(buttons);
}

void PanelSettingsDialog::showChoice(const PanelChoice& choice) {
    const PanelSettings& panel = choice.settings;
    int index = sizeChoice_->count() - 1;  // custom unless a preset matches
    for (int i = 0; i < sizeChoice_->count() - 1; ++i)
        if (sizeChoice_->itemData(i).toSize() == QSize(panel.width, panel.height)) index = i;
    if (index == sizeChoice_->count() - 1) {
        widthBox_->setValue(panel.width);
        heightBox_->setValue(panel.height);
    }
    sizeChoice_->setCurrentIndex(index);
    showSizeChoice();
    fillChoice_->setCurrentIndex(panel.fill == PanelFill::Pad ? 1 : 0);

    twoPiLevelBox_->setValue(choice.twoPiLevel);
    if (!choice.lookupFile.isEmpty()) {
        lookupTable_ = panel.lookup;
        lookupFile_ = choice.lookupFile;
    }
    showLookupFile();
    (lookupTable_ ? lookupChoice_ : linearChoice_)->setChecked(true);

    tiltXBox_->setValue(panel.tiltX);
    tiltYBox_->setValue(panel.tiltY);
    lensGroup_->setChecked(panel.lens.has_value());
    const LensTerm lens = panel.lens.value_or(StartLens);
    focalBox_->setValue(lens.focalMetres);
    wavelengthBox_->setValue(lens.wavelengthNm);
    pitchBox_->setValue(lens.pitchMicrometres);
}

// A preset shows its numbers in the boxes, which only "Custom" lets the
// user type into.
void PanelSettingsDialog::showSizeChoice() {
    const bool custom = sizeChoice_->currentIndex() == sizeChoice_->count() - 1;
    widthBox_->setEnabled(custom);
    heightBox_->setEnabled(custom);
    const QSize preset = sizeChoice_->currentData().toSize();
    if (!custom && !preset.isEmpty()) {
        widthBox_->setValue(preset.width());
        heightBox_->setValue(preset.height());
    }
}

void PanelSettingsDialog::showLookupFile() {
    lookupChoice_->setEnabled(lookupTable_.has_value());
    lookupFileLabel_->setText(lookupFile_.isEmpty() ? QStringLiteral("none")
                                                    : QFileInfo(lookupFile_).fileName());
    lookupFileLabel_->setToolTip(QDir::toNativeSeparators(lookupFile_));
}

void PanelSettingsDialog::browseLookupFile() {
    const QString caption = QStringLiteral("Lookup Table");
    const QString start = lookupFile_.isEmpty() ? QDir::homePath() : lookupFile_;
    const QString filters = QStringLiteral("Lookup tables (*.txt *.lut *.csv);;All files (*)");
    const QString path = askOpenFile_ ? askOpenFile_(this, caption, start, filters)
                                      : QFileDialog::getOpenFileName(this, caption, start, filters);
    if (path.isEmpty()) return;
    ErrorReporter::RunCommand(this, [&] {
        const PhaseLookupTable table = LookupTableFile::read(path);
        lookupTable_ = table;
        lookupFile_ = path;
        showLookupFile();
        lookupChoice_->setChecked(true);
    });
}

PanelChoice PanelSettingsDialog::choice() const {
    PanelChoice choice;
    PanelSettings& panel = choice.settings;
    const bool custom = sizeChoice_->currentIndex() == sizeChoice_->count() - 1;
    const QSize preset = sizeChoice_->currentData().toSize();
    panel.width = custom ? widthBox_->value() : preset.width();
    panel.height = custom ? heightBox_->value() : preset.height();
    panel.fill = fillChoice_->currentIndex() == 1 ? PanelFill::Pad : PanelFill::Tile;
    panel.tiltX = tiltXBox_->value();
    panel.tiltY = tiltYBox_->value();
    if (lensGroup_->isChecked())
        panel.lens = LensTerm{focalBox_->value(), wavelengthBox_->value(), pitchBox_->value()};
    choice.twoPiLevel = twoPiLevelBox_->value();
    if (lookupChoice_->isChecked() && lookupTable_) {
        panel.lookup = *lookupTable_;
        choice.lookupFile = lookupFile_;
    } else {
        panel.lookup = LinearLookupTable(choice.twoPiLevel);
    }
    return choice;
}

void PanelSettingsDialog::accept() {
    const bool valid = ErrorReporter::RunCommand(this, [&] {
        const PanelSettings panel = choice().settings;
        if (static_cast<long long>(panel.width) * panel.height > MaxHologramValues)
            refuse(QStringLiteral("a panel of %1 pixels is more than %2 pixels")
                       .arg(SizeText(panel.width, panel.height))
                       .arg(MaxHologramValues));
        if (panel.lens && panel.lens->focalMetres == 0)
            refuse(QStringLiteral("the lens's focal length is 0"));
    });
    if (valid) QDialog::accept();
}

}  // namespace marbleck
