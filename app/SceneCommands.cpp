#include "app/SceneCommands.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QImageReader>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QScopeGuard>
#include <QStringList>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

#include "app/CanvasHistory.h"
#include "app/Document.h"
#include "app/ScenePreview.h"
#include "app/SceneSettingsDialog.h"
#include "app/WindowSettings.h"
#include "engine/scenes/PointCloudFile.h"
#include "input/picture/DepthScene.h"
#include "platform/RunTimeError.h"
#include "widgets/ErrorReporter.h"
#include "widgets/PictureArea.h"

namespace marbleck {

namespace {

QString SceneFilters() {
    QStringList pictures;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        pictures.append(QStringLiteral("*.") + QString::fromLatin1(format).toLower());
    pictures.removeDuplicates();
    return QStringLiteral(
               "3-D scenes (*.ply *.xyz %1);;Point clouds (*.ply *.xyz);;Colour pictures (%1);;All "
               "files (*)")
        .arg(pictures.join(QLatin1Char(' ')));
}

// A distance typed in metres; 380 naming `what` when it is no number.
double Distance(const QString& text, const char* what) {
    bool isNumber = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &isNumber);
    if (!isNumber)
        throw RunTimeError(ErrorNumber::InvalidPropertyValue, std::string("Invalid property value: ") + what +
                                                                  " must be a distance in metres, not \"" +
                                                                  text.toStdString() + "\"");
    return value;
}

// Asks for the near and far distances of a depth picture; false when the
// user cancelled.
bool AskDistances(QWidget* parent, QString& nearText, QString& farText) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("sceneDepthDialog"));
    dialog.setWindowTitle(QStringLiteral("Depth Picture"));
    auto* nearEdit = new QLineEdit(QStringLiteral("0.1"), &dialog);
    nearEdit->setObjectName(QStringLiteral("nearEdit"));
    auto* farEdit = new QLineEdit(QStringLiteral("0.2"), &dialog);
    farEdit->setObjectName(QStringLiteral("farEdit"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Near (m, level 0):"), nearEdit);
    form->addRow(QStringLiteral("&Far (m, largest level):"), farEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    nearText = nearEdit->text();
    farText = farEdit->text();
    return true;
}

}  // namespace

SceneCommands::SceneCommands(QWidget& window, Document& document, PictureArea& canvas, CanvasHistory& history,
                             OpenFileQuestion askOpenFile)
    : QObject(&window),
      window_(window),
      document_(document),
      canvas_(canvas),
      history_(history),
      askOpenFile_(std::move(askOpenFile)),
      settings_(SceneSettings::Remembered()) {
    connect(&history_, &CanvasHistory::changed, this, &SceneCommands::followCanvas);
}

void SceneCommands::addOpenItem(QMenu& file) {
    open_ = file.addAction(QStringLiteral("Open &3-D Scene…"));
    open_->setObjectName(QStringLiteral("openSceneAction"));
    connect(open_, &QAction::triggered, this, &SceneCommands::askScene);
}

void SceneCommands::addSettingsItem(QMenu& options) {
    settingsAction_ = options.addAction(QStringLiteral("&3-D Hologram…"));
    settingsAction_->setObjectName(QStringLiteral("sceneSettingsAction"));
    connect(settingsAction_, &QAction::triggered, this, &SceneCommands::editSettings);
}

QList<EnabledRule> SceneCommands::enabledRules() const {
    return {{open_, Need::NoJobRunning}, {settingsAction_, Need::NoJobRunning}};
}

void SceneCommands::askScene() {
    QString start = WindowSettings::openObjectFolder();
    if (start.isEmpty()) start = document_.input.folder;
    const QString path = askOpenFile_(&window_, QStringLiteral("Open 3-D Scene"), start, SceneFilters());
    if (path.isEmpty()) return;
    QString depthPath;
    QString nearText;
    QString farText;
    if (!SceneFileKindOf(std::filesystem::path(path.toStdU16String()))) {
        depthPath =
            askOpenFile_(&window_, QStringLiteral("Open Depth Picture"), QFileInfo(path).absolutePath(),
                         QStringLiteral("Depth pictures (*.png *.tif *.tiff *.pgm);;All files (*)"));
        if (depthPath.isEmpty() || !AskDistances(&window_, nearText, farText)) return;
    }
    WindowSettings::setOpenObjectFolder(QFileInfo(path).absolutePath());
    ErrorReporter::RunCommand(&window_, [&] { openScene(path, depthPath, nearText, farText); });
}

void SceneCommands::openScene(const QString& path, const QString& depthPath, const QString& nearText,
                              const QString& farText) {
    std::shared_ptr<const Scene> scene;
    const std::filesystem::path file(path.toStdU16String());
    if (const auto kind = SceneFileKindOf(file)) {
        scene = std::make_shared<const Scene>(ReadPointCloudFile(file, *kind));
    } else {
        const DepthRange range{Distance(nearText, "near"), Distance(farText, "far")};
        const auto steps = ReadSceneSettings(settings_);
        const double pitch = steps->objectPitch > 0 ? steps->objectPitch : steps->plane.pitch;
        scene = std::make_shared<const Scene>(ReadDepthScene(path, depthPath, range, pitch));
    }
    const QImage preview = ScenePreview(*scene, canvas_.drawingAreaSize());
    {
        opening_ = true;
        const auto opened = qScopeGuard([this] { opening_ = false; });
        history_.record(QStringLiteral("load"), [&] { canvas_.setPicture(preview); });
    }
    sceneCanvas_ = canvas_.contents();
    document_.scene = std::move(scene);
    emit sceneOpened();
    emit statusBarMessage(QStringLiteral("3-D scene of %1 points").arg(document_.scene->points.size()));
}

void SceneCommands::followCanvas() {
    if (opening_) return;
    emit canvasChanged(document_.scene && sceneCanvas_ && canvas_.contents() == *sceneCanvas_);
}

void SceneCommands::editSettings() {
    SceneSettingsDialog dialog(settings_, &window_);
    if (dialog.exec() != QDialog::Accepted) return;
    settings_ = dialog.settings();
    settings_.remember();
}

}  // namespace marbleck
