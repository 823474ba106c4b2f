#include "app/SceneSettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "engine/scenes/FieldEncoding.h"
#include "widgets/ErrorReporter.h"

namespace marbleck {

namespace {

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

// A choice among `names`, showing `current` (the first where it is none of them).
QComboBox* Choices(QWidget* parent, const char* name, const QStringList& names, const QString& current) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems(names);
    combo->setCurrentIndex(std::max(0, static_cast<int>(names.indexOf(current))));
    return combo;
}

}  // namespace

SceneSettingsDialog::SceneSettingsDialog(const SceneSettings& settings, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("sceneSettingsDialog"));
    setWindowTitle(QStringLiteral("3-D Hologram"));
    sizeEdit_ = Edit(this, "sizeEdit", settings.size);
    pitchEdit_ = Edit(this, "pitchEdit", settings.pitch);
    wavelengthsEdit_ = Edit(this, "wavelengthsEdit", settings.wavelengths);
    wavelengthsEdit_->setPlaceholderText(QStringLiteral("638,520,450 for colour, 633 for grey"));
    methodCombo_ =
        Choices(this, "methodCombo", {QStringLiteral("points"), QStringLiteral("layers")}, settings.method);
    layersEdit_ = Edit(this, "layersEdit", settings.layers);
    layersEdit_->setPlaceholderText(QStringLiteral("one a depth"));
    QStringList encodings;
    for (std::string_view name : FieldEncodingNames())
        encodings.append(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    encodingCombo_ = Choices(this, "encodingCombo", encodings, settings.encoding);
    occlusionCheck_ = new QCheckBox(QStringLiteral("&Occlusion (nearer layers hide farther ones)"), this);
    occlusionCheck_->setObjectName(QStringLiteral("occlusionCheck"));
    occlusionCheck_->setChecked(settings.occlusion);
    referenceAngleEdit_ = Edit(this, "referenceAngleEdit", settings.referenceAngle);
    referenceAngleEdit_->setPlaceholderText(QStringLiteral("a quarter of the sampling frequency"));
    objectPitchEdit_ = Edit(this, "objectPitchEdit", settings.objectPitch);
    objectPitchEdit_->setPlaceholderText(QStringLiteral("the pitch"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Size (pixels, W×H):"), sizeEdit_);
    form->addRow(QStringLiteral("&Pitch (µm):"), pitchEdit_);
    form->addRow(QStringLiteral("&Wavelengths (nm):"), wavelengthsEdit_);
    form->addRow(QStringLiteral("&Method:"), methodCombo_);
    form->addRow(QStringLiteral("&Layers:"), layersEdit_);
    form->addRow(QString(), occlusionCheck_);
    form->addRow(QStringLiteral("&Encoding:"), encodingCombo_);
    form->addRow(QStringLiteral("&Reference angle (°, X or X,Y):"), referenceAngleEdit_);
    form->addRow(QStringLiteral("Depth picture's point spa&cing (µm):"), objectPitchEdit_);
    // Layers and occlusion count only for the layer method, the reference
    // angle only for the amplitude encoding.
    const auto layersFollowMethod = [this] {
        const bool layers = methodCombo_->currentText() == QStringLiteral("layers");
        layersEdit_->setEnabled(layers);
        occlusionCheck_->setEnabled(layers);
    };
    connect(methodCombo_, &QComboBox::currentTextChanged, this, layersFollowMethod);
    layersFollowMethod();
    const auto referenceFollowsEncoding = [this] {
        referenceAngleEdit_->setEnabled(encodingCombo_->currentText() == QStringLiteral("amplitude"));
    };
    connect(encodingCombo_, &QComboBox::currentTextChanged, this, referenceFollowsEncoding);
    referenceFollowsEncoding();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SceneSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SceneSettingsDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

SceneSettings SceneSettingsDialog::settings() const {
    SceneSettings shown;
    shown.size = sizeEdit_->text();
    shown.pitch = pitchEdit_->text();
    shown.wavelengths = wavelengthsEdit_->text();
    shown.method = methodCombo_->currentText();
    shown.layers = layersEdit_->isEnabled() ? layersEdit_->text() : QString();
    shown.encoding = encodingCombo_->currentText();
    shown.occlusion = occlusionCheck_->isEnabled() && occlusionCheck_->isChecked();
    shown.referenceAngle = referenceAngleEdit_->isEnabled() ? referenceAngleEdit_->text() : QString();
    shown.objectPitch = objectPitchEdit_->text();
    return shown;
}

void SceneSettingsDialog::accept() {
    if (ErrorReporter::RunCommand(this, [this] { ReadSceneSettings(settings()); })) QDialog::accept();
}

}  // namespace marbleck
